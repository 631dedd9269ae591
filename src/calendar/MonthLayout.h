#pragma once

#include "calendar/CalendarDate.h"

#include <vector>

// Where the days of a month go in a seven-column grid whose row 0 holds the weekday headings:
// Monday is column 0, the first day sits in row 1 under its weekday, and the days the
// transition leaves out are skipped, so the grid runs on from the last Julian day to the first
// Gregorian day.
struct MonthCell {
    int row;
    int column;
    int day;
};

std::vector<MonthCell> LayoutMonth(const CalendarDate& shown);

// A date a picker can open at: year neither 0 nor 9999, month 1..12, day 1..31.
bool IsPickableDate(const CalendarDate& d);
