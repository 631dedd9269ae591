#pragma once

#include "calendar/CalendarDate.h"
#include "diary/DiaryDays.h"
#include "store/ItemStore.h"

#include <QString>

#include <array>
#include <vector>

// The diary's decisions, without a window: the date shown, the month's entries, the years the
// year chooser offers, and what choosing a day's cell means. The diary window shows this
// state and passes the user's commands to it.
class DiarySession {
public:
    static constexpr int YearCount = 9;

    // Shows today; the year chooser offers 1998 to 2006.
    DiarySession();

    // The month of the shown date with the entries that are not hidden, or are hidden by hider;
    // the shown date's weekday is computed.
    void Load(ItemId hider);
    // The day cells of the shown month with the entries last loaded.
    std::vector<DiaryCell> Cells() const;

    // Year and month steps (NextYear, PreviousMonth ...), keeping the day as it is.
    void Step(void (*stepper)(CalendarDate&));
    // The month from the month chooser, 1..12.
    void SetMonth(int month);
    void ShowToday();
    // A year item's caption: the shown year becomes it when it is a whole number the date can
    // hold (0..9999); anything else leaves the year alone and gives false.
    bool PickYear(const QString& caption);
    // The year chooser moves nine years back (before its first year) or forward (after its
    // last), never past year 0 or 9999.
    void MovePastYears();
    void MoveFutureYears();

    enum class ChoiceKind {
        Nothing,   // no day in the cell
        OpenEntry, // the day has an entry: open its text
        NewEntry,  // the day is empty: the shown date is now that day; start a new entry
    };
    struct Choice {
        ChoiceKind Kind = ChoiceKind::Nothing;
        int Day = 0;
        ItemId Id = 0; // the entry for OpenEntry
    };
    // Choosing a cell. Opening an entry leaves the shown date alone; an empty day becomes the
    // shown day, with its weekday, ready for the new entry's Ref.
    Choice Choose(const QString& cellText);

    CalendarDate Shown;
    DiaryDays Days;
    std::array<int, YearCount> Years;
};
