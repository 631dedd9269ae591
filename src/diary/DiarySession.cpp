#include "diary/DiarySession.h"

#include "common/TextHelpers.h"
#include "calendar/DateText.h"

#include <algorithm>

DiarySession::DiarySession(int firstYear) : shown(TodayDate()) {
    for (int i = 0; i < YearCount; ++i)
        years[size_t(i)] = firstYear + i;
}

// The cells change only once the month's entries are read: when the store fails, they stay the
// ones the grid still shows.
void DiarySession::Load(ItemId hider) {
    ComputeWeekday(shown);
    days.Load(shown, hider);
    layOut();
}

void DiarySession::LoadEntries(const std::vector<DiaryRow>& rows) {
    ComputeWeekday(shown);
    days.Clear();
    days.Fill(rows);
    layOut();
}

void DiarySession::layOut() {
    cells = DiaryCells(shown, days);
}

void DiarySession::Step(void (*stepper)(CalendarDate&)) {
    stepper(shown);
    shown.weekday = 0;
}

void DiarySession::SetMonth(int month) {
    if (month < 1 || month > 12)
        return;
    shown.month = quint16(month);
    shown.weekday = 0;
}

void DiarySession::ShowToday() {
    shown = TodayDate();
}

bool DiarySession::PickYear(const QString& caption) {
    int year = 0;
    if (!TryParseInt(caption.trimmed(), year) || year < 0 || year > 9999)
        return false;
    shown.year = quint16(year);
    shown.weekday = 0;
    return true;
}

// The list stays within the years a date can hold: a move past year 0 or 9999 leaves it as it
// is.
void DiarySession::MovePastYears() {
    const int first = years[0];
    if (first - YearCount < 0)
        return;
    for (int i = 0; i < YearCount; ++i)
        years[size_t(i)] = first - YearCount + i;
}

void DiarySession::MoveFutureYears() {
    const int last = years[YearCount - 1];
    if (last + YearCount > 9999)
        return;
    for (int i = 0; i < YearCount; ++i)
        years[size_t(i)] = last + 1 + i;
}

DiarySession::Choice DiarySession::Choose(int row, int column) {
    Choice choice;
    const auto cell = std::find_if(cells.begin(), cells.end(), [row, column](const DiaryCell& c) {
        return c.Row == row && c.Column == column;
    });
    if (cell == cells.end())
        return choice;
    choice.Day = cell->Day;
    const DaySlot& slot = days.Slot(choice.Day);
    if (slot.Id.IsValid()) {
        choice.Kind = ChoiceKind::OpenEntry;
        choice.Id = slot.Id;
        return choice;
    }
    choice.Kind = ChoiceKind::NewEntry;
    shown.day = quint16(choice.Day);
    // The weekday of the day before would otherwise go into the new entry's Ref.
    shown.weekday = 0;
    ComputeWeekday(shown);
    return choice;
}
