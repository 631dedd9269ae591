#include "calendar/CalendarState.h"

CalendarState& Calendar() {
    static CalendarState state;
    return state;
}

void ResetCalendarState() {
    Calendar() = CalendarState();
}
