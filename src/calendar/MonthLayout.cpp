#include "calendar/MonthLayout.h"

namespace {
constexpr int LastRow = 6;
}

std::vector<MonthCell> LayoutMonth(const CalendarDate& shown) {
    std::vector<MonthCell> cells;
    CalendarDate d = shown;
    d.day = 1;
    d.weekday = 0;
    ComputeWeekday(d);
    if (d.weekday == 0)
        return cells; // year 0: no weekdays, so no place for the days
    const int length = MonthLength(shown);
    const CalendarDate last = LastJulianDay();
    const CalendarDate first = FirstGregorianDay();
    const bool sameMonth = first.year == last.year && first.month == last.month;
    int row = 1;
    int column = d.weekday - 1;
    for (;;) {
        cells.push_back({row, column, d.day});
        if (DatesEqual(d, last) && IsLater(first, last)) {
            if (!sameMonth)
                break; // the rest of the month lies in the gap
            d.day = first.day;
        } else {
            // A first Gregorian day not later than the last Julian day is no jump: going back
            // would never end.
            ++d.day;
        }
        if (d.day > length)
            break;
        if (++column > 6) {
            column = 0;
            if (++row > LastRow)
                break;
        }
    }
    return cells;
}

bool IsPickableDate(const CalendarDate& d) {
    return d.year != 0 && d.year != 9999 && d.month >= 1 && d.month <= 12 && d.day >= 1 &&
           d.day <= 31;
}
