#pragma once

#include "calendar/CalendarDate.h"
#include "calendar/MonthLayout.h"
#include "store/DiaryMonth.h"
#include "store/ItemStore.h"

#include <QString>

#include <array>
#include <vector>

// The diary's month as data: each day's entry read from the month's rows, where each day goes
// in the seven-column grid, and the text each day's cell shows.

// The entry of one day: the item's name as typed and its id; empty and 0 when the day has none.
struct DaySlot {
    QString Name;
    ItemId Id;
};

// The day a Ref files its item under: characters 9-10 as two decimal digits making a day 1..31
// (2024-05-17 (Fri) gives 17). 0 when they are anything else (2024-05-7, 2024-05-00,
// 2024-05-45, 2024-05-ab), and such an item has no day.
int RefDay(const QString& ref);

// The day slots 0..31 of the month shown. Slot 0 is never filled: a Ref whose day is not 1..31
// is skipped, so no slot outside the table is touched whatever the Refs hold.
class DiaryDays {
public:
    static constexpr int SlotCount = 32;

    void Clear();
    // Files each row under its Ref's day. When two rows fall on one day the one read last
    // keeps the slot.
    void Fill(const std::vector<DiaryRow>& rows);
    // Clear, then Fill with the month of date, hidden items of hiders other than hider left out.
    void Load(const CalendarDate& date, ItemId hider);
    // The slot of day; an empty one for a day outside 0..31.
    const DaySlot& Slot(int day) const;

private:
    std::array<DaySlot, SlotCount> daySlots;
};

// A day's cell text: the day right-aligned in two characters and, when the day has an entry,
// two spaces and its name (" 5  Dentist").
QString DayCellText(int day, const QString& name);

// The diary lays out every day 1..MonthLength of the month from the weekday of day 1 (Monday
// is column 0, row 1 the first week), the days a Julian-to-Gregorian transition leaves out
// included: only the weekdays and February's length follow the transition. Year 0 has no
// weekdays, so no day has a place.
std::vector<MonthCell> DiaryLayout(const CalendarDate& shown);

struct DiaryCell {
    int Row = 0;
    int Column = 0;
    int Day = 0;
    QString Text;
};
// The grid's day cells for the month of shown with the entries of days.
std::vector<DiaryCell> DiaryCells(const CalendarDate& shown, const DiaryDays& days);
