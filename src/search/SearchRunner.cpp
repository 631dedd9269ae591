#include "search/SearchRunner.h"

#include "common/NameCollator.h"

#include "common/Clock.h"
#include "common/TextHelpers.h"
#include "common/WorkProgress.h"
#include "search/SearchIndex.h"
#include "search/SearchIndexBuilder.h"
#include "search/SearchStamps.h"
#include "store/Database.h"
#include "store/LogCheckpoints.h"
#include "store/RawStatement.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>

const char* const SearchWalkSql =
    "SELECT id, name, text, parent, srchts, rank, length(tel) FROM phonebk ORDER BY id";
const char* const SearchLastIdSql = "SELECT max(id) FROM phonebk";

namespace {
QDateTime LastStamp;
} // namespace

QDateTime& LastSearchStamp = LastStamp;

namespace {
bool isBreak(QChar c) {
    return c == QLatin1Char('\n') || c == QLatin1Char('\r');
}

// What each ASCII byte of a text becomes when folded: its lower-case letter or its digit, or 0
// when folding drops it. Bytes of other characters also give 0; the caller notices them.
struct FoldTables {
    unsigned char fold[256];
    // The same, with a line break kept as one separator: the prepared search never holds one,
    // so no match can run from one line into the next.
    unsigned char foldLines[256];
    FoldTables() {
        for (int c = 0; c < 256; ++c) {
            const int l = (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c;
            const bool alnum = (l >= 'a' && l <= 'z') || (l >= '0' && l <= '9');
            fold[c] = alnum ? static_cast<unsigned char>(l) : 0;
            foldLines[c] = (c == '\n' || c == '\r') ? '\n' : fold[c];
        }
    }
};
const FoldTables Tables;

constexpr uint64_t EachByte(unsigned char b) {
    return 0x0101010101010101ULL * b;
}

// Whether all n bytes are ASCII characters (no byte of a longer UTF-8 sequence).
bool allAscii(const unsigned char* in, size_t n) {
    uint64_t seen = 0;
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t w;
        std::memcpy(&w, in + i, 8);
        seen |= w;
    }
    for (; i < n; ++i)
        seen |= in[i];
    return (seen & EachByte(0x80)) == 0;
}

// Lowers the ASCII letters of n ASCII bytes into out, eight at a time.
void lowerBytes(const unsigned char* in, size_t n, char* out) {
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t w;
        std::memcpy(&w, in + i, 8);
        // Per byte: A to Z set the high bit of the first sum and not of the second; bytes
        // below 0x80 never carry into the next byte.
        const uint64_t upper =
            (w + EachByte(0x80 - 'A')) & ~(w + EachByte(0x80 - 'Z' - 1)) & EachByte(0x80);
        w |= upper >> 2; // 0x80 >> 2 is the case bit
        std::memcpy(out + i, &w, 8);
    }
    for (; i < n; ++i) {
        const unsigned char c = in[i];
        out[i] = static_cast<char>((c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c);
    }
}

// Folds n bytes into out through table, keeping the bytes it does not map to 0; returns the
// number kept.
size_t foldBytes(const unsigned char* in, size_t n, const unsigned char* table, char* out) {
    size_t kept = 0;
    for (size_t i = 0; i < n; ++i) {
        const unsigned char f = table[in[i]];
        out[kept] = static_cast<char>(f); // written always, kept only when not 0
        kept += f != 0;
    }
    return kept;
}

// How seldom a byte occurs in ordinary text: the lower, the rarer.
int Rarity(unsigned char c) {
    static const char* const rareFirst = "zqxjkv0123456789bpygfwmucldrhsnioate";
    if (c == ' ')
        return 100;
    const char* at = std::strchr(rareFirst, c);
    return at && c ? int(at - rareFirst) : 20;
}
} // namespace

QString PrepareSearchText(const QString& text, bool folding) {
    QString t = LowerText(text);
    if (folding)
        t = KeepAlphanumerics(t);
    return t;
}

QString PrepareSearchText(const QString& text) {
    return PrepareSearchText(text, PunctuationFolding);
}

SearchMatcher::SearchMatcher(const QString& prepared, bool folding)
    : search(prepared), folding(folding) {
    searchHasBreak = search.contains(QLatin1Char('\n')) || search.contains(QLatin1Char('\r'));
    searchAscii =
        std::all_of(search.cbegin(), search.cend(), [](QChar c) { return c.unicode() < 128; });
    if (searchAscii && !search.isEmpty()) {
        searchBytes = search.toStdString();
        // Lowering and folding leave every other byte as it is, so a text that holds the
        // search holds this byte as it stands, or a lower-case letter in upper case.
        rareByte = static_cast<unsigned char>(searchBytes[0]);
        for (char c : searchBytes)
            if (Rarity(static_cast<unsigned char>(c)) < Rarity(rareByte))
                rareByte = static_cast<unsigned char>(c);
        if (rareByte >= 'a' && rareByte <= 'z')
            rareUpper = static_cast<unsigned char>(rareByte - ('a' - 'A'));
    }
}

bool SearchMatcher::lineHolds(const QString& line) const {
    if (search.isEmpty() || line.isEmpty())
        return false;
    QString t = LowerText(line);
    if (folding)
        t = KeepAlphanumerics(t);
    return t.contains(search);
}

bool SearchMatcher::NameMatches(const QString& name) const {
    return lineHolds(name);
}

bool SearchMatcher::TextMatches(const QString& text) const {
    if (searchHasBreak)
        return false; // a line never holds a line break
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && !isBreak(text.at(i)))
            continue;
        // CR LF leaves an empty line between its two characters, which matches nothing.
        if (i > start && lineHolds(text.mid(start, i - start)))
            return true;
        start = i + 1;
    }
    return false;
}

SearchMatcher::Answer SearchMatcher::scanAscii(const char* bytes, size_t size,
                                               const unsigned char* foldTable) const {
    const unsigned char* in = reinterpret_cast<const unsigned char*>(bytes);
    if (!allAscii(in, size))
        return NotAscii;
    // An ASCII text cannot hold a search with another character in it.
    if (!searchAscii)
        return No;
    // Most texts lack the search's rarest character (in either case): they are turned down
    // before being prepared.
    if (!std::memchr(in, rareByte, size) && (!rareUpper || !std::memchr(in, rareUpper, size)))
        return No;
    buffer.resize(size);
    size_t n = size;
    if (foldTable)
        n = foldBytes(in, size, foldTable, buffer.data());
    else
        lowerBytes(in, size, buffer.data());
    return memmem(buffer.data(), n, searchBytes.data(), searchBytes.size()) ? Yes : No;
}

SearchMatcher::Answer SearchMatcher::NameMatchesAscii(const char* bytes, size_t size) const {
    // A prepared text is never longer in characters than its UTF-8 form is in bytes.
    if (search.isEmpty() || size < size_t(search.size()))
        return No;
    return scanAscii(bytes, size, folding ? Tables.fold : nullptr);
}

SearchMatcher::Answer SearchMatcher::TextMatchesAscii(const char* bytes, size_t size) const {
    if (search.isEmpty() || searchHasBreak || size < size_t(search.size()))
        return No;
    // Without folding the breaks stay in the lowered text, where a search without breaks
    // cannot cross them.
    return scanAscii(bytes, size, folding ? Tables.foldLines : nullptr);
}

QDateTime NextSearchStamp() {
    QDateTime stamp = CurrentDateTime();
    if (LastSearchStamp.isValid() && stamp <= LastSearchStamp)
        stamp = LastSearchStamp.addMSecs(1);
    LastSearchStamp = stamp;
    return stamp;
}

namespace {
// Collects the items of walk (in key order, with the columns of SearchWalkSql) that the matcher
// finds. progress, when given, hears of each item read against lastId and may stop the walk.
void collectMatches(RawStatement& walk, const QString& prepared, bool folding, const QString& typed,
                    WorkProgress* progress, qint64 lastId, bool keepRows, SearchMatches& found) {
    const SearchMatcher matcher(prepared, folding);
    // A text with other than ASCII characters is decoded as the engine hands it out in
    // UTF-16, so it is matched exactly as read through the driver.
    auto matches = [&](int column, bool lines) {
        const char* bytes = walk.TextData(column); // the bytes first, then their count
        const size_t size = size_t(walk.TextSize(column));
        const SearchMatcher::Answer a =
            lines ? matcher.TextMatchesAscii(bytes, size) : matcher.NameMatchesAscii(bytes, size);
        if (a != SearchMatcher::NotAscii)
            return a == SearchMatcher::Yes;
        const QString decoded = walk.Text16(column);
        return lines ? matcher.TextMatches(decoded) : matcher.NameMatches(decoded);
    };
    while (walk.Step()) {
        const ItemId id = walk.Int(0);
        if (progress && !progress->Step(id, lastId)) {
            found.Stopped = true;
            break;
        }
        if (!matches(1, false) && !matches(2, true))
            continue;
        found.Ids.push_back(id);
        if (!keepRows)
            found.PriorStamps.push_back(walk.IsNull(4) ? QString() : walk.Text(4));
        else
            found.Rows.Add(walk.Int(5), walk.Int64(6), walk.TextData(1), walk.TextSize(1));
        if (walk.Int(3) == id && walk.Text16(1) == typed)
            found.Hiders.push_back(id);
    }
}
} // namespace

SearchMatches FindMatches(const QString& prepared, bool folding, const QString& typed,
                          WorkProgress* progress, SearchWay way, bool keepRows) {
    SearchMatches found;
    if (prepared.isEmpty())
        return found; // an empty prepared text matches nothing
    const QString query = way == SearchWay::Scan ? QString() : SearchIndexQuery(prepared);
    found.UsedIndex = !query.isEmpty() && SearchIndexReady();
    // Items come in key order either way: the last id tells how far the search has come.
    qint64 lastId = 0;
    if (progress) {
        RawStatement last(SearchLastIdSql);
        if (last.Step())
            lastId = last.Int64(0);
    }
    RawStatement walk(found.UsedIndex ? SearchCandidatesSql : SearchWalkSql);
    if (found.UsedIndex)
        walk.Bind(":query", query);
    collectMatches(walk, prepared, folding, typed, progress, lastId, keepRows, found);
    return found;
}

SearchMatches FindMatchesOn(sqlite3* connection, const QString& prepared, bool folding,
                            const QString& typed) {
    SearchMatches found;
    if (prepared.isEmpty())
        return found;
    RawStatement walk(connection, SearchWalkSql);
    collectMatches(walk, prepared, folding, typed, nullptr, 0, true, found);
    return found;
}

bool StampItems(const std::vector<ItemId>& ids, const QDateTime& stamp, WorkProgress* progress,
                const std::vector<QString>* priorStamps) {
    return WriteSearchStamps(ids, stamp, progress, priorStamps);
}

SearchOutcome StampSearch(const QString& typed, WorkProgress* progress) {
    SearchOutcome out;
    out.Prepared = PrepareSearchText(typed);
    // The marks of an earlier search are written before this one's.
    FinishSearchStamps(progress);
    // A build of the index waits while the search reads and writes.
    const SearchIndexPause pause;
    SearchMatches found = FindMatches(out.Prepared, PunctuationFolding, typed, progress);
    out.UsedIndex = found.UsedIndex;
    if (found.Stopped) {
        out.Stopped = true;
        return out;
    }
    out.Stamp = NextSearchStamp();
    out.Matches = static_cast<int>(found.Ids.size());
    out.Hiders = std::move(found.Hiders);
    if (progress)
        progress->SetWhat(QStringLiteral("Marking the items found"));
    if (!StampItems(found.Ids, out.Stamp, progress, &found.PriorStamps)) {
        out.Stopped = true;
        out.Matches = 0;
        out.Hiders.clear();
    }
    // A search that marked many items has written about as many pages into the log: it is
    // copied and cut back in the background.
    if (WriteAheadLogBytes() > JournalSizeLimit)
        RequestLogCheckpoint();
    return out;
}

SearchFound FindSearch(const QString& typed, WorkProgress* progress) {
    SearchFound out;
    out.Prepared = PrepareSearchText(typed);
    // The marks of an earlier search are written before this one finds anything: the walk reads
    // the stamps the items have.
    FinishSearchStamps(progress);
    const SearchIndexPause pause;
    SearchMatches found =
        FindMatches(out.Prepared, PunctuationFolding, typed, progress, SearchWay::Best, true);
    out.UsedIndex = found.UsedIndex;
    if (found.Stopped) {
        out.Stopped = true;
        return out;
    }
    out.Stamp = NextSearchStamp();
    out.Hiders = std::move(found.Hiders);
    out.Ids = std::move(found.Ids);
    out.Rows = std::move(found.Rows);
    return out;
}

void SearchHits::Add(ItemId rank, qint64 refLength, const char* name, int nameBytes) {
    Ranks.push_back(rank);
    RefLengths.push_back(quint16(std::clamp<qint64>(refLength, 0, 0xFFFF)));
    if (name)
        Names.append(name, size_t(nameBytes));
    NameEnds.push_back(quint32(Names.size()));
}

QString SearchHits::Name(size_t i) const {
    const quint32 start = i ? NameEnds[i - 1] : 0;
    return QString::fromUtf8(Names.data() + start, qsizetype(NameEnds[i] - start));
}

int SearchHits::NameLength(size_t i) const {
    const quint32 start = i ? NameEnds[i - 1] : 0;
    int n = 0;
    for (quint32 b = start; b < NameEnds[i]; ++b)
        n += (static_cast<unsigned char>(Names[b]) & 0xC0) != 0x80 ? 1 : 0;
    return n;
}

bool SearchListShows(ItemId rank, ItemId hider) {
    return rank == 0 || rank == hider;
}

ItemId SearchListHider(const std::vector<ItemId>& hiders, ItemId shownHider) {
    return hiders.empty() ? shownHider : hiders.back();
}

std::vector<RowRef> SearchRefs(const SearchFound& found, ItemId hider,
                               const NameCollator& collator) {
    // As the list of the stamps shows them: the items not hidden, or hidden by the hider shown,
    // in the order of their names' keys, then their ids. The keys go into one block, and the
    // listed matches are sorted by their places in it.
    const SearchHits& hits = found.Rows;
    std::vector<quint32> listed;
    std::string keys;
    std::vector<quint32> keyEnds;
    for (size_t i = 0; i < hits.Count(); ++i) {
        if (!SearchListShows(hits.Ranks[i], hider))
            continue;
        const QByteArray key = collator.SortKey(hits.Name(i));
        keys.append(key.constData(), size_t(key.size()));
        keyEnds.push_back(quint32(keys.size()));
        listed.push_back(quint32(i));
    }
    std::vector<quint32> order(listed.size());
    for (size_t k = 0; k < order.size(); ++k)
        order[k] = quint32(k);
    const auto keyOf = [&](quint32 k) {
        const quint32 start = k ? keyEnds[k - 1] : 0;
        return std::string_view(keys.data() + start, keyEnds[k] - start);
    };
    std::sort(order.begin(), order.end(), [&](quint32 a, quint32 b) {
        const int c = keyOf(a).compare(keyOf(b));
        if (c != 0)
            return c < 0;
        return found.Ids[listed[a]] < found.Ids[listed[b]];
    });
    std::vector<RowRef> refs;
    refs.reserve(order.size());
    for (quint32 k : order) {
        const size_t i = listed[k];
        RowRef r;
        r.Id = r.Id2 = found.Ids[i];
        r.Drop2 = int(hits.Ranks[i]);
        r.NameLength = quint16(std::min(hits.NameLength(i), 0xFFFF));
        r.RefLength = hits.RefLengths[i];
        r.NoteLength = r.RefLength; // an items list's note is its lower-case Ref
        refs.push_back(r);
    }
    return refs;
}
