#pragma once

#include "calendar/CalendarDate.h"
#include "calendar/DateText.h"

// The calendar's program-wide state in one place: the Julian-to-Gregorian transition in force
// and the style of time stamps. The transition is also reached through SetTransition,
// LastJulianDay and FirstGregorianDay (CalendarDate.h).
struct CalendarState {
    // The transition every run starts with (the last preset).
    CalendarState();

    CalendarDate LastJulian;
    CalendarDate FirstGregorian;
    qint32 LastCount = 0;    // the Julian day count of LastJulian
    qint32 FirstOrdinal = 0; // the Gregorian ordinal of FirstGregorian
    // The style TimestampText(stamp) uses; callers set it just before formatting.
    int TimestampStyle = StampDateWeekdayTime;
};

CalendarState& Calendar();
// Back to the state the program starts with.
void ResetCalendarState();
