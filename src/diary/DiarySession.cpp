#include "diary/DiarySession.h"

#include "common/TextHelpers.h"
#include "calendar/DateText.h"

namespace {
constexpr int FirstOfferedYear = 1998;
}

DiarySession::DiarySession() : Shown(TodayDate()) {
    for (int i = 0; i < YearCount; ++i)
        Years[size_t(i)] = FirstOfferedYear + i;
}

void DiarySession::Load(ItemId hider) {
    ComputeWeekday(Shown);
    Days.Load(Shown, hider);
}

std::vector<DiaryCell> DiarySession::Cells() const {
    return DiaryCells(Shown, Days);
}

void DiarySession::Step(void (*stepper)(CalendarDate&)) {
    stepper(Shown);
    Shown.weekday = 0;
}

void DiarySession::SetMonth(int month) {
    if (month < 1 || month > 12)
        return;
    Shown.month = quint16(month);
    Shown.weekday = 0;
}

void DiarySession::ShowToday() {
    Shown = TodayDate();
}

bool DiarySession::PickYear(const QString& caption) {
    int year = 0;
    if (!TryParseInt(caption.trimmed(), year) || year < 0 || year > 9999)
        return false;
    Shown.year = quint16(year);
    Shown.weekday = 0;
    return true;
}

// The list stays within the years a date can hold: a move past year 0 or 9999 leaves it as it
// is.
void DiarySession::MovePastYears() {
    const int first = Years[0];
    if (first - YearCount < 0)
        return;
    for (int i = 0; i < YearCount; ++i)
        Years[size_t(i)] = first - YearCount + i;
}

void DiarySession::MoveFutureYears() {
    const int last = Years[YearCount - 1];
    if (last + YearCount > 9999)
        return;
    for (int i = 0; i < YearCount; ++i)
        Years[size_t(i)] = last + 1 + i;
}

DiarySession::Choice DiarySession::Choose(const QString& cellText) {
    Choice choice;
    choice.Day = CellDay(cellText);
    if (choice.Day == 0)
        return choice;
    const DaySlot& slot = Days.Slot(choice.Day);
    if (slot.Id > 0) {
        choice.Kind = ChoiceKind::OpenEntry;
        choice.Id = slot.Id;
        return choice;
    }
    choice.Kind = ChoiceKind::NewEntry;
    Shown.day = quint16(choice.Day);
    // The weekday of the day before would otherwise go into the new entry's Ref.
    Shown.weekday = 0;
    ComputeWeekday(Shown);
    return choice;
}
