#pragma once

#include "listwin/ListKinds.h"
#include "listwin/ListOrder.h"
#include "listwin/ListQuery.h"

#include <QString>

#include <functional>
#include <memory>

#include <vector>

// Reads the whole rows of a page of refs, in their order.
using RowLoader = std::function<std::vector<ListRow>(const std::vector<RowRef>& page)>;

// The rows of the list on screen and the cursor on them, with the walks over the rows that
// place the cursor and size the columns.
//
// A list of any length is held as its refs in the order shown; whole rows are read a page at
// a time when they are asked for (the grid asks for those in view), and only a few pages are
// kept. So a list of every item of a large database takes little memory, and its first rows
// show as soon as the refs are read.
class ListRows {
public:
    // Rows held whole: a list made here (and in tests).
    void Reset(std::vector<ListRow> rows);
    // Rows read as they are asked for, through loader.
    void Reset(std::vector<RowRef> refs, RowLoader loader);
    int Count() const { return static_cast<int>(refs.size()); }
    bool IsEmpty() const { return refs.empty(); }
    // Row i, read with its page when it is not at hand.
    ListRow Row(int i) const;
    const RowRef& Ref(int i) const { return refs[static_cast<size_t>(i)]; }

    // The cursor row's index; -1 on an empty list.
    int Cursor() const { return cursor; }
    // Puts the cursor on row i, clamped to the list.
    void SetCursor(int i);
    // The cursor row, or an empty row (every field 0 or empty) on an empty list.
    ListRow CursorRow() const;
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

    // Rows a page holds, and pages kept.
    static constexpr int PageRows = 256;
    static constexpr int PagesKept = 16;
    // A list up to this long is read whole when it is made (ItemsList): what it shows and the
    // order it is in stay together until it is made again. Only a longer list reads its further
    // rows as they are shown, fresh from the file.
    static constexpr int ReadWholeUpTo = PageRows * PagesKept;

private:
    std::vector<RowRef> refs;
    // A list held whole: its rows; else empty, and rows are read through the loader.
    std::shared_ptr<const std::vector<ListRow>> held;
    RowLoader loader;
    int cursor = -1;
    // The pages read, the one used last at the back.
    mutable std::vector<std::pair<int, std::vector<ListRow>>> pages;
};

// The ref of a whole row.
RowRef RefOf(const ListRow& row);

// What the grid shows for a row.
QString DisplayName(const ListRow& row, ListOf listKind, bool lnoteBefore);
QString LinksMark(const ListRow& row, bool showCounts);

// The widths (in characters) the grid's columns need, and how the rows carry link notes, from
// the rows' refs alone.
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
