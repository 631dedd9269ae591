#include "listwin/ListRows.h"

#include <algorithm>

namespace {
const ListRow& emptyRow() {
    static const ListRow row;
    return row;
}
} // namespace

RowRef RefOf(const ListRow& row) {
    const auto length = [](const QString& s) {
        return quint16(std::min<qsizetype>(s.size(), 0xFFFF));
    };
    RowRef r;
    r.Id = row.Id;
    r.Id2 = row.Id2;
    r.Drop2 = row.Drop2;
    r.NameLength = length(row.Name);
    r.RefLength = length(row.Tel);
    r.NoteLength = length(row.LinkNote);
    return r;
}

void ListRows::Reset(std::vector<ListRow> newRows) {
    refs.clear();
    refs.reserve(newRows.size());
    for (const ListRow& r : newRows)
        refs.push_back(RefOf(r));
    held = std::make_shared<const std::vector<ListRow>>(std::move(newRows));
    loader = nullptr;
    pages.clear();
    cursor = refs.empty() ? -1 : 0;
}

void ListRows::Reset(std::vector<RowRef> newRefs, RowLoader newLoader) {
    refs = std::move(newRefs);
    held.reset();
    loader = std::move(newLoader);
    pages.clear();
    cursor = refs.empty() ? -1 : 0;
}

ListRow ListRows::Row(int i) const {
    if (held)
        return (*held)[size_t(i)];
    const int page = i / PageRows;
    const size_t offset = size_t(i % PageRows);
    for (auto it = pages.begin(); it != pages.end(); ++it) {
        if (it->first != page)
            continue;
        // The page used last is kept longest.
        std::rotate(it, it + 1, pages.end());
        return pages.back().second[offset];
    }
    const size_t first = size_t(page) * PageRows;
    const size_t end = std::min(refs.size(), first + PageRows);
    std::vector<ListRow> read =
        loader(std::vector<RowRef>(refs.begin() + long(first), refs.begin() + long(end)));
    // A row the loader could not read (its item deleted since the list was made) shows as an
    // empty row.
    read.resize(end - first);
    if (int(pages.size()) >= PagesKept)
        pages.erase(pages.begin());
    pages.emplace_back(page, std::move(read));
    return pages.back().second[offset];
}

void ListRows::SetCursor(int i) {
    if (refs.empty()) {
        cursor = -1;
        return;
    }
    cursor = std::clamp(i, 0, Count() - 1);
}

ListRow ListRows::CursorRow() const {
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
    if (refs.empty())
        return;
    const int row = JumpRow(
        Count(), [this](int i) { return Row(i); }, text, lead, collator);
    cursor = row >= 0 ? row : Count() - 1;
}

void ListRows::Locate(ItemId id, int drop, bool matchDrop) {
    if (refs.empty())
        return;
    for (int i = 0; i < Count(); ++i) {
        const RowRef& r = Ref(i);
        if (r.Id == id && (!matchDrop || r.Drop2 == drop)) {
            cursor = i;
            return;
        }
    }
    cursor = Count() - 1;
}

bool ListRows::AllHaveRefs() const {
    return std::all_of(refs.begin(), refs.end(), [](const RowRef& r) { return r.RefLength > 0; });
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

ColumnMeasure MeasureColumns(const ListRows& rows, ListOf listKind, bool) {
    ColumnMeasure m;
    int longestName = 7;
    int longestRef = 0;
    for (int i = 0; i < rows.Count(); ++i) {
        const RowRef& r = rows.Ref(i);
        // DisplayName's length: the name, and in a links-across list a note with its brackets
        // (as wide before the name as after it).
        const bool noted = listKind == ListOf::LinksAcross && r.NoteLength > 0;
        longestName = std::max(longestName, r.NameLength + (noted ? r.NoteLength + 6 : 0));
        longestRef = std::max(longestRef, int(r.RefLength));
        if (noted)
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
