#pragma once

#include "calendar/CalendarDate.h"

#include <QDateTime>
#include <QString>

// Dates and time stamps as text, and dates read from the clock and from stored date-times.
// Every date the program writes or reads as text has the form yyyy-mm-dd.

struct TimeOfDay {
    quint16 hour = 0;
    quint16 minute = 0;
    quint16 second = 0;
};

struct Timestamp {
    CalendarDate date;
    TimeOfDay time;
};

// Reads "yyyy-mm-dd": at least 10 characters, year from characters 1-4, month from 6-7, day
// from 9-10. The separators and anything after the tenth character are not examined and the
// numbers are not range-tested; the placeholder "yyyy-mm-dd" is refused in any letter case.
// On failure date is the zero date.
bool ParseIsoDate(const QString& text, CalendarDate& date);
// The same, giving the zero date on failure.
CalendarDate ParseIsoDate(const QString& text);

QString FormatIsoDate(const CalendarDate& d);             // 2024-05-17
QString FormatIsoDateWeekday(const CalendarDate& d);      // 2024-05-17  Fri
QString FormatIsoDateParenWeekday(const CalendarDate& d); // 2024-05-17 (Fri)
QString FormatTimeOfDay(const TimeOfDay& t);              // 09:05

// Forms of TimestampText.
constexpr int StampDateTime = 2;        // 2024-05-17 09:05
constexpr int StampDateWeekdayTime = 3; // 2024-05-17 (Fri) 09:05
QString TimestampText(const Timestamp& stamp);
QString TimestampText(const Timestamp& stamp, int style);
QString TimestampText(const QDateTime& stamp, int style);

// The current-time stamp that the "Now" commands insert: style 3 and one trailing space.
QString NowStamp();

// The current local date (weekday not computed) and date and time, from CurrentDateTime().
CalendarDate TodayDate();
Timestamp CurrentTimestamp();

// The Gregorian date of a stored date-time. A null or invalid value, or one outside years
// 1..9999, gives the zero date and 00:00:00.
CalendarDate DateFromDateTime(const QDateTime& value);
Timestamp TimestampFromDateTime(const QDateTime& value);

// The program-wide text of a platform date or date-time: the date as yyyy-mm-dd and, for a
// date-time, a space and the time in the system's time format.
QString DateText(const QDate& date);
QString DateTimeText(const QDateTime& value);
