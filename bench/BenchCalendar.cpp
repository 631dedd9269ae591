#include "calendar/CalendarDate.h"
#include "calendar/MonthLayout.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

// Weekdays of random dates from year 1 to 9999, on both sides of the transition.
namespace {

std::vector<CalendarDate> RandomDates(std::size_t count) {
    std::mt19937 rng(20240517);
    std::uniform_int_distribution<int> year(1, 9999);
    std::uniform_int_distribution<int> month(1, 12);
    std::uniform_int_distribution<int> day(1, 28);
    std::vector<CalendarDate> dates(count);
    for (CalendarDate& d : dates)
        d = MakeDate(year(rng), month(rng), day(rng));
    return dates;
}

void BM_ComputeWeekday(benchmark::State& state) {
    const TransitionPreset& preset = TransitionPresets()[std::size_t(state.range(0))];
    SetTransition(preset.lastJulian, preset.firstGregorian);
    std::vector<CalendarDate> dates = RandomDates(1 << 16);
    std::size_t i = 0;
    for (auto _ : state) {
        CalendarDate& d = dates[i++ & (dates.size() - 1)];
        ComputeWeekday(d);
        benchmark::DoNotOptimize(d.weekday);
    }
    state.SetItemsProcessed(state.iterations());
    state.SetLabel(preset.caption);
    SetTransition(DefaultTransition().lastJulian, DefaultTransition().firstGregorian);
}
BENCHMARK(BM_ComputeWeekday)->DenseRange(0, 3);

// A whole month grid, as the calendar draws it on every change.
void BM_LayoutMonth(benchmark::State& state) {
    std::vector<CalendarDate> dates = RandomDates(1 << 12);
    std::size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(LayoutMonth(dates[i++ & (dates.size() - 1)]));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LayoutMonth);

} // namespace

BENCHMARK_MAIN();
