#pragma once

#include "calendar/CalendarDate.h"
#include "diary/DiaryDays.h"
#include "store/DiaryMonth.h"
#include "store/ItemStore.h"

#include <QString>

#include <array>
#include <vector>

// The diary's decisions, without a window: the date shown, the month's entries and where each
// day sits in the grid, the years the year chooser offers, and what choosing a cell means. The
// diary window shows this state and passes the user's commands to it; a cell's caption only
// shows what the session laid out, and a choice is made from the cell's place, never from its
// text.
//
// The diary has nothing to save and asks nothing: every way of closing it just hides it, and
// the date shown and the year list stay as they are for the next opening.
class DiarySession {
public:
    static constexpr int YearCount = 9;
    static constexpr int FirstOfferedYear = 1998;

    // Shows today; the year chooser offers nine years from firstYear.
    explicit DiarySession(int firstYear = FirstOfferedYear);

    // The month of the shown date with the entries that are not hidden, or are hidden by hider;
    // the shown date's weekday is computed and the month laid out in the grid.
    void Load(ItemId hider);
    // The same with the month's entries as the store reads them.
    void LoadEntries(const std::vector<DiaryRow>& rows);
    // The day cells of the month last loaded, with its entries.
    const std::vector<DiaryCell>& Cells() const { return cells; }

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
        ItemId Id; // the entry for OpenEntry
    };
    // Choosing the cell at row and column of the grid as last loaded (row 0 holds the weekday
    // headings). Opening an entry leaves the shown date alone; an empty day becomes the shown
    // day, with its weekday, ready for the new entry's Ref.
    Choice Choose(int row, int column);

    const CalendarDate& Shown() const { return shown; }
    const std::array<int, YearCount>& Years() const { return years; }

private:
    // The grid's cells for the shown month and the days as loaded.
    void layOut();

    CalendarDate shown;
    DiaryDays days;
    std::vector<DiaryCell> cells;
    std::array<int, YearCount> years;
};
