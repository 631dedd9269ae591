#include "calendar/CalendarDate.h"

#include "calendar/CalendarState.h"

#include <algorithm>

namespace {

// Days in the months before month k (k = 0..12) of a common year.
constexpr int DaysBeforeMonth[13] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334, 365};
constexpr int StandardMonthLength[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

const std::array<TransitionPreset, 4> Presets = {{
    {"Spain / Portugal / Italy / Poland ", {1582, 10, 4, 0}, {1582, 10, 15, 0}},
    {"France", {1582, 12, 9, 0}, {1582, 12, 20, 0}},
    {"Denmark / Norway", {1700, 2, 18, 0}, {1700, 3, 1, 0}},
    {"Great Britain and (then) colonies", {1752, 9, 2, 0}, {1752, 9, 14, 0}},
}};

// Days of the months before the given one in its year. A month past December counts the whole
// year, a month before January nothing, so a nonsense month never leaves the table.
qint32 DaysBefore(int month, bool leap) {
    int k = std::clamp(month - 1, 0, 12);
    return DaysBeforeMonth[k] + ((leap && k >= 2) ? 1 : 0);
}

qint32 JulianCount(const CalendarDate& d) {
    qint32 y = qint32(d.year) - 1;
    return 365 * y + y / 4 + DaysBefore(d.month, IsJulianLeapYear(d.year)) + d.day;
}

// Number of the day in an unbroken Gregorian reckoning; only differences of it are used.
qint32 GregorianOrdinal(const CalendarDate& d) {
    qint32 y = qint32(d.year) - 1;
    return 365 * y + y / 4 - y / 100 + y / 400 + DaysBefore(d.month, IsGregorianLeapYear(d.year)) +
           d.day;
}

// Fills in the transition and the day counts reckoned from it.
void PlaceTransition(CalendarState& s, const CalendarDate& lastJulian,
                     const CalendarDate& firstGregorian) {
    s.LastJulian = lastJulian;
    s.LastJulian.weekday = 0;
    s.FirstGregorian = firstGregorian;
    s.FirstGregorian.weekday = 0;
    s.LastCount = JulianCount(s.LastJulian);
    s.FirstOrdinal = GregorianOrdinal(s.FirstGregorian);
}

} // namespace

CalendarState::CalendarState() {
    PlaceTransition(*this, Presets.back().lastJulian, Presets.back().firstGregorian);
}

bool IsZeroDate(const CalendarDate& d) {
    return d.year == 0 && d.month == 0 && d.day == 0;
}

bool IsJulianLeapYear(int year) {
    return year % 4 == 0;
}

bool IsGregorianLeapYear(int year) {
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int MonthLength(const CalendarDate& d) {
    if (d.month < 1 || d.month > 12)
        return 31;
    if (d.month != 2)
        return StandardMonthLength[d.month - 1];
    bool leap = IsNotLater(d, Calendar().LastJulian) ? IsJulianLeapYear(d.year)
                                                     : IsGregorianLeapYear(d.year);
    return leap ? 29 : 28;
}

qint32 DayNumber(const CalendarDate& d) {
    if (d.year == 0)
        return -1;
    const CalendarState& s = Calendar();
    if (IsNotLater(d, s.LastJulian))
        return JulianCount(d);
    if (IsEarlier(d, s.FirstGregorian))
        return s.LastCount; // a day the transition left out
    return s.LastCount + 1 + (GregorianOrdinal(d) - s.FirstOrdinal);
}

void ComputeWeekday(CalendarDate& d) {
    if (d.year == 0)
        return;
    // Odd transitions can give numbers below zero; the weekday must still be 1..7.
    qint32 r = (DayNumber(d) + 4) % 7;
    if (r < 0)
        r += 7;
    d.weekday = quint16(r + 1);
}

int CompareDates(const CalendarDate& a, const CalendarDate& b) {
    if (a.year != b.year)
        return a.year < b.year ? -1 : 1;
    if (a.month != b.month)
        return a.month < b.month ? -1 : 1;
    if (a.day != b.day)
        return a.day < b.day ? -1 : 1;
    return 0;
}

void NextYear(CalendarDate& d) {
    d.year = d.year >= 9999 ? 0 : quint16(d.year + 1);
}

void PreviousYear(CalendarDate& d) {
    d.year = d.year == 0 ? 9999 : quint16(d.year - 1);
}

void NextMonth(CalendarDate& d) {
    if (d.month >= 12) {
        d.month = 1;
        NextYear(d);
    } else {
        ++d.month;
    }
}

void PreviousMonth(CalendarDate& d) {
    if (d.month <= 1) {
        d.month = 12;
        PreviousYear(d);
    } else {
        --d.month;
    }
}

void SetTransition(const CalendarDate& lastJulian, const CalendarDate& firstGregorian) {
    PlaceTransition(Calendar(), lastJulian, firstGregorian);
}

bool IsSensibleTransition(const CalendarDate& lastJulian, const CalendarDate& firstGregorian) {
    auto exists = [](const CalendarDate& d, bool leap) {
        if (d.year < 1 || d.year > 9999 || d.month < 1 || d.month > 12 || d.day < 1)
            return false;
        int length = StandardMonthLength[d.month - 1] + ((leap && d.month == 2) ? 1 : 0);
        return d.day <= length;
    };
    return exists(lastJulian, IsJulianLeapYear(lastJulian.year)) &&
           exists(firstGregorian, IsGregorianLeapYear(firstGregorian.year)) &&
           IsLater(firstGregorian, lastJulian);
}

CalendarDate LastJulianDay() {
    return Calendar().LastJulian;
}

CalendarDate FirstGregorianDay() {
    return Calendar().FirstGregorian;
}

const std::array<TransitionPreset, 4>& TransitionPresets() {
    return Presets;
}

const TransitionPreset& DefaultTransition() {
    return Presets.back();
}
