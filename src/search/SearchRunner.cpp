#include "search/SearchRunner.h"

#include "common/CommonState.h"
#include "common/KeyBlock.h"
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
#include <string>
#include <string_view>
#include <thread>

const char* const SearchWalkSql =
    "SELECT id, name, text, parent, srchts, rank, length(tel) FROM phonebk ORDER BY id";
const char* const SearchLastIdSql = "SELECT max(id) FROM phonebk";

QDateTime LastSearchStamp;

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
        const ItemId id = walk.Id(0);
        // Ids come in key order, so the id read tells how far the walk has come.
        if (progress && !progress->Step(id.Value(), lastId)) {
            found.Stopped = true;
            break;
        }
        if (!matches(1, false) && !matches(2, true))
            continue;
        found.Ids.push_back(id);
        if (!keepRows)
            found.PriorStamps.push_back(walk.IsNull(4) ? QString() : walk.Text(4));
        else
            found.Rows.Add(walk.Id(5), walk.Int64(6), walk.TextData(1), walk.TextSize(1));
        if (walk.Id(3) == id && walk.Text16(1) == typed)
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
    SearchMatches found = FindMatches(out.Prepared, Common().PunctuationFolding, typed, progress);
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
    SearchMatches found = FindMatches(out.Prepared, Common().PunctuationFolding, typed, progress,
                                      SearchWay::Best, true);
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
    return rank.IsNone() || rank == hider;
}

ItemId SearchListHider(const std::vector<ItemId>& hiders, ItemId shownHider) {
    return hiders.empty() ? shownHider : hiders.back();
}

namespace {
// The sort keys of count matches, from listed on.
void makeKeys(KeyBlock& keys, const SearchHits& hits, const quint32* listed, size_t count,
              const NameCollator& collator) {
    keys.Reserve(count, count * 40);
    for (size_t k = 0; k < count; ++k) {
        const QByteArray key = collator.SortKey(hits.Name(listed[k]));
        keys.Add(key.constData(), size_t(key.size()));
    }
}

// Below this many matches listed, their keys are made on the user's thread alone.
constexpr size_t KeysOnTwoThreadsFrom = 20000;
} // namespace

std::vector<RowRef> SearchRefs(const SearchFound& found, ItemId hider,
                               const NameCollator& collator) {
    // As the list of the stamps shows them: the items not hidden, or hidden by the hider shown,
    // in the order of their names' keys, then their ids. The keys go into one block, and the
    // listed matches are sorted by their places in it.
    const SearchHits& hits = found.Rows;
    std::vector<quint32> listed;
    listed.reserve(hits.Count());
    for (size_t i = 0; i < hits.Count(); ++i)
        if (SearchListShows(hits.Ranks[i], hider))
            listed.push_back(quint32(i));

    // Many keys are made on two threads, the second half with a collator of its own.
    KeyBlock keys;
    if (listed.size() < KeysOnTwoThreadsFrom) {
        makeKeys(keys, hits, listed.data(), listed.size(), collator);
    } else {
        const size_t half = listed.size() / 2;
        KeyBlock second;
        std::thread helper([&] {
            const NameCollator own(collator.Locale());
            makeKeys(second, hits, listed.data() + half, listed.size() - half, own);
        });
        makeKeys(keys, hits, listed.data(), half, collator);
        helper.join();
        keys.Append(second);
    }
    const std::vector<quint32> order = keys.Order(
        [&](quint32 a, quint32 b) { return found.Ids[listed[a]] < found.Ids[listed[b]]; });
    std::vector<RowRef> refs;
    refs.reserve(order.size());
    for (quint32 k : order) {
        const size_t i = listed[k];
        RowRef r;
        r.Id = r.Id2 = found.Ids[i];
        // An items list carries the rank where a list of links carries the Drop.
        r.Drop2 = hits.Ranks[i].Value();
        r.NameLength = quint16(std::min(hits.NameLength(i), 0xFFFF));
        r.RefLength = hits.RefLengths[i];
        r.NoteLength = r.RefLength; // an items list's note is its lower-case Ref
        refs.push_back(r);
    }
    return refs;
}
