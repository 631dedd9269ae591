#pragma once

#include "listwin/ListKinds.h"
#include "listwin/ListOrder.h"
#include "listwin/ListQuery.h"

#include <QString>

#include <vector>

// The rows of the list on screen and the cursor on them, with the walks over the rows that
// place the cursor and size the columns.
class ListRows {
public:
    void Reset(std::vector<ListRow> rows);
    int Count() const { return static_cast<int>(rows.size()); }
    bool IsEmpty() const { return rows.empty(); }
    const ListRow& Row(int i) const { return rows[static_cast<size_t>(i)]; }

    // The cursor row's index; -1 on an empty list.
    int Cursor() const { return cursor; }
    // Puts the cursor on row i, clamped to the list.
    void SetCursor(int i);
    // The cursor row, or an empty row (every field 0 or empty) on an empty list.
    const ListRow& CursorRow() const;
    void First() { SetCursor(0); }
    void Last() { SetCursor(Count() - 1); }
    // False (cursor unchanged) at the end or the start.
    bool Next();
    bool Prior();

    // The first row whose key is at or after text in the list's order (JumpRow); the last row
    // when none is.
    void JumpTo(const QString& text, LeadField lead, const NameCollator& collator);
    // The row with that id (and drop, in a links-across list); the last row when none has.
    void Locate(ItemId id, int drop, bool matchDrop);

    // Whether every row has a ref.
    bool AllHaveRefs() const;

private:
    std::vector<ListRow> rows;
    int cursor = -1;
};

// What the grid shows for a row.
QString DisplayName(const ListRow& row, ListOf listKind, bool lnoteBefore);
QString LinksMark(const ListRow& row, bool showCounts);

// The widths (in characters) the grid's columns need, and how the rows carry link notes.
struct ColumnMeasure {
    int NameWidth = 8;
    int RefWidth = 0; // 0: no row has a ref, the Ref column is hidden
    int Noted = 0;    // links-across rows with a note
    int Plain = 0;    // every other row
};
ColumnMeasure MeasureColumns(const ListRows& rows, ListOf listKind, bool lnoteBefore);

// The link-note placement the rows call for: before the name unless some links carry a note
// and some do not.
bool WantNoteBefore(const ColumnMeasure& measure);
