#include "listwin/ListOrder.h"

#include "common/NameCollator.h"

#include <algorithm>

namespace {
const QString& leadText(const ListRow& row, LeadField lead) {
    return lead == LeadField::Ref ? row.Tel : row.LinkNote;
}

// A link across to an item that no longer exists: the engine's key for it is null, which sorts
// first.
bool isMissing(const ListRow& row) {
    return row.Id.IsNone();
}

char32_t codePointAt(const QString& s, qsizetype i) {
    const QChar c = s.at(i);
    if (c.isHighSurrogate() && i + 1 < s.size() && s.at(i + 1).isLowSurrogate())
        return QChar::surrogateToUcs4(c, s.at(i + 1));
    return c.unicode();
}
} // namespace

LeadField ListLead(ListOf listKind, SortBy sortOrder, bool lnoteBefore) {
    if (sortOrder == SortBy::Ref)
        return LeadField::Ref;
    if (listKind == ListOf::LinksAcross && lnoteBefore)
        return LeadField::LinkNote;
    return LeadField::None;
}

int CompareCodePoints(const QString& a, const QString& b) {
    // Code points, not UTF-16 units: the engine orders its UTF-8 text byte by byte, which puts
    // characters outside the basic plane after U+FFFF, where their surrogates would not.
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const char32_t ca = codePointAt(a, i);
        const char32_t cb = codePointAt(b, j);
        if (ca != cb)
            return ca < cb ? -1 : 1;
        i += ca > 0xFFFF ? 2 : 1;
        j += cb > 0xFFFF ? 2 : 1;
    }
    if (i < a.size())
        return 1;
    return j < b.size() ? -1 : 0;
}

void SortListRows(std::vector<ListRow>& rows, ListOf listKind, LeadField lead,
                  const NameCollator& collator) {
    struct Keyed {
        size_t Index;
        QByteArray Key;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(rows.size());
    for (size_t i = 0; i < rows.size(); ++i)
        keyed.push_back({i, isMissing(rows[i]) ? QByteArray() : collator.SortKey(rows[i].Name)});
    const bool noteTie = listKind == ListOf::LinksAcross && lead == LeadField::None;
    std::sort(keyed.begin(), keyed.end(), [&](const Keyed& x, const Keyed& y) {
        const ListRow& a = rows[x.Index];
        const ListRow& b = rows[y.Index];
        if (lead != LeadField::None) {
            if (const int c = CompareCodePoints(leadText(a, lead), leadText(b, lead)))
                return c < 0;
        }
        if (isMissing(a) != isMissing(b))
            return isMissing(a);
        if (const int c = x.Key.compare(y.Key))
            return c < 0;
        if (noteTie) {
            if (const int c = CompareCodePoints(a.LinkNote, b.LinkNote))
                return c < 0;
        }
        if (a.Id2 != b.Id2)
            return a.Id2 < b.Id2;
        return a.Drop2 < b.Drop2;
    });
    std::vector<ListRow> sorted;
    sorted.reserve(rows.size());
    for (Keyed& k : keyed)
        sorted.push_back(std::move(rows[k.Index]));
    rows = std::move(sorted);
}

int JumpRow(int count, const std::function<ListRow(int)>& rowAt, const QString& text,
            LeadField lead, const NameCollator& collator) {
    if (lead == LeadField::None) {
        // The rows are in their names' key order (a missing item's empty name has the least
        // key, as its null one sorts first): the first row at or after the text is found by
        // halving, with a few rows read and keys made rather than one for every row.
        const QByteArray typed = collator.SortKey(text);
        int low = 0, high = count;
        while (low < high) {
            const int middle = low + (high - low) / 2;
            if (collator.SortKey(rowAt(middle).Name) < typed)
                low = middle + 1;
            else
                high = middle;
        }
        return low < count ? low : -1;
    }
    for (int i = 0; i < count; ++i) {
        const ListRow row = rowAt(i);
        const QString& leadValue = leadText(row, lead);
        if (!leadValue.isEmpty() && text.size() > leadValue.size() && text.startsWith(leadValue)) {
            if (collator.SortKey(row.Name) >= collator.SortKey(text.mid(leadValue.size())))
                return i;
            continue;
        }
        if (CompareCodePoints(leadValue, text) >= 0)
            return i;
    }
    return -1;
}

int JumpRow(const std::vector<ListRow>& rows, const QString& text, LeadField lead,
            const NameCollator& collator) {
    return JumpRow(
        int(rows.size()), [&rows](int i) { return rows[size_t(i)]; }, text, lead, collator);
}
