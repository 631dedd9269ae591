#include "listwin/ListRows.h"

#include <algorithm>

namespace {
const ListRow& emptyRow() {
    static const ListRow row;
    return row;
}
} // namespace

void ListRows::Reset(std::vector<ListRow> newRows) {
    rows = std::move(newRows);
    cursor = rows.empty() ? -1 : 0;
}

void ListRows::SetCursor(int i) {
    if (rows.empty()) {
        cursor = -1;
        return;
    }
    cursor = std::clamp(i, 0, Count() - 1);
}

const ListRow& ListRows::CursorRow() const {
    return cursor < 0 ? emptyRow() : Row(cursor);
}

bool ListRows::Next() {
    if (cursor < 0 || cursor + 1 >= Count())
        return false;
    ++cursor;
    return true;
}

bool ListRows::Prior() {
    if (cursor <= 0)
        return false;
    --cursor;
    return true;
}

void ListRows::JumpTo(const QString& text, LeadField lead, const NameCollator& collator) {
    if (rows.empty())
        return;
    const int row = JumpRow(rows, text, lead, collator);
    cursor = row >= 0 ? row : Count() - 1;
}

void ListRows::Locate(ItemId id, int drop, bool matchDrop) {
    if (rows.empty())
        return;
    for (int i = 0; i < Count(); ++i) {
        const ListRow& r = Row(i);
        if (r.Id == id && (!matchDrop || r.Drop2 == drop)) {
            cursor = i;
            return;
        }
    }
    cursor = Count() - 1;
}

bool ListRows::AllHaveRefs() const {
    return std::all_of(rows.begin(), rows.end(), [](const ListRow& r) { return !r.Tel.isEmpty(); });
}

QString DisplayName(const ListRow& row, ListOf listKind, bool lnoteBefore) {
    if (listKind != ListOf::LinksAcross || row.LinkNote.isEmpty())
        return row.Name;
    if (lnoteBefore)
        return QStringLiteral("[ ") + row.LinkNote + QStringLiteral(" ]  ") + row.Name;
    return row.Name + QStringLiteral("  [ ") + row.LinkNote + QStringLiteral(" ]");
}

QString LinksMark(const ListRow& row, bool showCounts) {
    // Added in 64 bits: each count may be as large as a stored integer gets.
    const qint64 total = qint64(row.NumChildren) + qint64(row.NumCousins);
    if (total <= 0)
        return QString();
    return showCounts ? QString::number(total) : QString(QChar(0xBB));
}

ColumnMeasure MeasureColumns(const ListRows& rows, ListOf listKind, bool lnoteBefore) {
    ColumnMeasure m;
    int longestName = 7;
    int longestRef = 0;
    for (int i = 0; i < rows.Count(); ++i) {
        const ListRow& r = rows.Row(i);
        longestName = std::max(longestName, int(DisplayName(r, listKind, lnoteBefore).size()));
        longestRef = std::max(longestRef, int(r.Tel.size()));
        if (listKind == ListOf::LinksAcross && !r.LinkNote.isEmpty())
            ++m.Noted;
        else
            ++m.Plain;
    }
    m.NameWidth = longestName < 10 ? longestName + 1 : longestName;
    if (longestRef > 0)
        m.RefWidth = longestRef < 10 ? longestRef + 1 : longestRef;
    return m;
}

bool WantNoteBefore(const ColumnMeasure& measure) {
    return !(measure.Noted > 0 && measure.Plain > 0);
}
