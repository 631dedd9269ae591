#pragma once

#include <QMetaType>
#include <QtGlobal>

#include <array>

// One date type for both calendars. Dates up to the last Julian day are reckoned by the Julian
// calendar, dates from the first Gregorian day on by the Gregorian calendar; the days between
// the two do not exist. The transition can be moved while the program runs and starts at
// 1752-09-02 / 1752-09-14 on every run.
struct CalendarDate {
    quint16 year = 0;    // 1..9999; 0 = no date
    quint16 month = 0;   // 1..12
    quint16 day = 0;     // 1..31
    quint16 weekday = 0; // 1 = Monday .. 7 = Sunday; 0 = not yet computed
};
Q_DECLARE_METATYPE(CalendarDate)

inline CalendarDate MakeDate(int year, int month, int day) {
    CalendarDate d;
    d.year = quint16(year);
    d.month = quint16(month);
    d.day = quint16(day);
    return d;
}

bool IsZeroDate(const CalendarDate& d);

bool IsJulianLeapYear(int year);
bool IsGregorianLeapYear(int year);

// Days in the date's month. February depends on which side of the transition the date itself
// lies, so in a February that contains the transition the day decides. Months outside 1..12
// count as 31 days.
int MonthLength(const CalendarDate& d);

// 0001-01-01 is day 1. A day in the gap has the number of the last Julian day; year 0 gives -1.
qint32 DayNumber(const CalendarDate& d);
// Fills d.weekday from the day number; year 0 leaves it alone.
void ComputeWeekday(CalendarDate& d);

// Comparison by year, then month, then day; the weekday plays no part.
int CompareDates(const CalendarDate& a, const CalendarDate& b);
inline bool DatesEqual(const CalendarDate& a, const CalendarDate& b) {
    return CompareDates(a, b) == 0;
}
inline bool IsLater(const CalendarDate& a, const CalendarDate& b) {
    return CompareDates(a, b) > 0;
}
inline bool IsEarlier(const CalendarDate& a, const CalendarDate& b) {
    return CompareDates(a, b) < 0;
}
inline bool IsNotLater(const CalendarDate& a, const CalendarDate& b) {
    return CompareDates(a, b) <= 0;
}
inline bool operator==(const CalendarDate& a, const CalendarDate& b) {
    return DatesEqual(a, b);
}
inline bool operator!=(const CalendarDate& a, const CalendarDate& b) {
    return !DatesEqual(a, b);
}

// Year stepping wraps through 0: after 9999 comes 0, before 0 comes 9999. Month stepping
// carries into the year by the same rule. The day is left as it is.
void NextYear(CalendarDate& d);
void PreviousYear(CalendarDate& d);
void NextMonth(CalendarDate& d);
void PreviousMonth(CalendarDate& d);

// The transition. No check is made that the dates exist or that first is later than last;
// every computation still ends and stays within the month tables for such input.
void SetTransition(const CalendarDate& lastJulian, const CalendarDate& firstGregorian);
CalendarDate LastJulianDay();
CalendarDate FirstGregorianDay();
// A transition that makes sense: the last Julian day exists in the Julian calendar, the first
// Gregorian day in the Gregorian calendar, both in years 1..9999, and the first is later.
bool IsSensibleTransition(const CalendarDate& lastJulian, const CalendarDate& firstGregorian);

struct TransitionPreset {
    const char* caption;
    CalendarDate lastJulian;
    CalendarDate firstGregorian;
};
// National transitions offered as presets; the last one is the program's default.
const std::array<TransitionPreset, 4>& TransitionPresets();
const TransitionPreset& DefaultTransition();
