#include "support/BenchOptions.h"
#include "BenchListData.h"

#include "common/CommonState.h"
#include "common/NameCollator.h"
#include "common/TextHelpers.h"
#include "listwin/ItemsList.h"
#include "listwin/ListQuery.h"
#include "search/SearchHooks.h"
#include "search/SearchIndex.h"
#include "search/SearchIndexBuilder.h"
#include "search/SearchRunner.h"
#include "search/SearchStamps.h"
#include "store/Database.h"
#include "store/LogCheckpoints.h"
#include "store/SortKeys.h"

#include <QCoreApplication>
#include <QSqlQuery>

#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>
#include <map>
#include <optional>
#include <thread>

// The list window's lists and search on large databases, each next to the same SQL run through
// the engine's own interface in the same run.
//
// Every benchmark sets up all it depends on itself, so that it measures the same whether it
// runs alone (--benchmark_filter) or after any other: the database is opened afresh (an empty
// page cache, the write-ahead log moved into the file), the list state is put back to the
// window's start and then set for the list measured, and one untimed run before the timed
// ones fills the caches, on the program's side and on the raw side alike. Both sides have
// the same page cache: the raw connection takes the program connection's cache_size.
// Times are wall-clock (UseRealTime); the CPU column is printed beside them.
//
// The lists are ordered by the names' sort keys, made complete, like the search index, when a
// database is first used. "RawSql..." runs the very statement the program runs, which reads the
// keys; "RawSqlByLower..." the statement the lists ran before there were keys, ordered by the
// lower-case names' character codes, for comparison. "List...SortedHere" is a list while the keys
// are being made (set aside for the run): read unordered, then sorted in memory by keys made for
// each row.
//
// The search index is made complete when a database is first used (built at once, the first
// time, on the program's connection); the searches then use it as the program does. The
// benchmarks "...WithoutIndex" set the index aside for their run, so that the search reads
// every item as it did before the index existed.

namespace {
std::map<int, ListBenchData> Data;

const ListBenchData& use(int items) {
    auto it = Data.find(items);
    if (it == Data.end())
        it = Data.emplace(items, OpenListBenchData(items)).first;
    else
        OpenPhoneDB(it->second.Path);
    // The search index and the names' sort keys as the program keeps them, complete.
    EnsureIndexes();
    if (SearchIndexIncomplete()) {
        std::fprintf(stderr, "building the search index of %d items\n", items);
        BuildSearchIndexNow();
    }
    if (SortKeysIncomplete()) {
        std::fprintf(stderr, "making the sort keys of %d items\n", items);
        BuildSortKeysNow();
    }
    // Writes of an earlier benchmark (the search's stamps) must not be read through the log.
    ExecSql(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
    ResetListState();
    Common().PunctuationFolding = true; // the search dialog's default: punctuation ignored
    return it->second;
}

// The page cache of a connection in KiB, from its cache_size (negative: KiB; positive: pages).
double cacheKiB(int cacheSize, int pageSize) {
    return cacheSize < 0 ? -cacheSize : double(cacheSize) * pageSize / 1024;
}

int programPragma(const char* name) {
    QSqlQuery q = ExecSql(QStringLiteral("PRAGMA ") + QLatin1String(name));
    return q.next() ? q.value(0).toInt() : 0;
}

int rawPragma(sqlite3* db, const char* name) {
    sqlite3_stmt* st = nullptr;
    int value = 0;
    if (sqlite3_prepare_v2(db, (QByteArray("PRAGMA ") + name).constData(), -1, &st, nullptr) ==
            SQLITE_OK &&
        sqlite3_step(st) == SQLITE_ROW)
        value = sqlite3_column_int(st, 0);
    sqlite3_finalize(st);
    return value;
}

double programCacheKiB() {
    return cacheKiB(programPragma("cache_size"), programPragma("page_size"));
}

struct RawResult {
    long long rows = -1; // -1: the statement failed
    long long bytes = 0;
};

// Runs a statement to the end, reading every column of every row as the engine returns it.
RawResult rawRun(sqlite3* db, const QString& sql, ItemId parent) {
    RawResult r;
    sqlite3_stmt* st = nullptr;
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v2(db, text.constData(), -1, &st, nullptr) != SQLITE_OK)
        return r;
    const int p = sqlite3_bind_parameter_index(st, ":parent");
    if (p > 0)
        sqlite3_bind_int64(st, p, parent.Value());
    r.rows = 0;
    const int columns = sqlite3_column_count(st);
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        ++r.rows;
        for (int c = 0; c < columns; ++c) {
            if (sqlite3_column_type(st, c) == SQLITE_TEXT) {
                const unsigned char* t = sqlite3_column_text(st, c);
                r.bytes += sqlite3_column_bytes(st, c) + (t ? t[0] : 0);
            } else {
                r.bytes += sqlite3_column_int(st, c);
            }
        }
    }
    if (rc != SQLITE_DONE)
        r.rows = -1;
    sqlite3_finalize(st);
    return r;
}

// A read-only connection of its own, with the program connection's page cache.
sqlite3* rawOpen(benchmark::State& state, const ListBenchData& d) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(d.Path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) !=
        SQLITE_OK) {
        state.SkipWithError("the raw connection did not open");
        sqlite3_close(db);
        return nullptr;
    }
    const QByteArray pragma =
        "PRAGMA cache_size=" + QByteArray::number(programPragma("cache_size"));
    sqlite3_exec(db, pragma.constData(), nullptr, nullptr, nullptr);
    state.counters["cacheKiB"] = cacheKiB(rawPragma(db, "cache_size"), rawPragma(db, "page_size"));
    if (state.counters["cacheKiB"] != programCacheKiB())
        state.SkipWithError("the raw connection's page cache differs from the program's");
    return db;
}

// The list state the window has when the user opens the list of this kind, whatever ran
// before. The note placement is the one the list settled on (see settle).
void setListState(ListOf kind, bool lnoteBefore) {
    ResetListState();
    ListWindow().ListKind = kind;
    ListWindow().SortOrder = SortBy::Name;
    ListWindow().LnoteBefore = lnoteBefore;
}

ItemId listParent(const ListBenchData& d, ListOf kind) {
    return kind == ListOf::TopLevel ? ItemId() : kind == ListOf::LinksDown ? d.BigParent : d.Hub;
}

void buildList(ItemsList& list, const ListBenchData& d, ListOf kind) {
    if (kind == ListOf::TopLevel)
        list.BuildList();
    else
        list.ShowLinks(listParent(d, kind), QStringLiteral("bench"));
}

// The untimed first build from the window's start state. A links-across list whose notes
// move before the names is built twice the first time; the timed builds start from the note
// placement it settled on, so that each is one build of the list as the user then sees it.
bool settle(ItemsList& list, const ListBenchData& d, ListOf kind) {
    setListState(kind, true);
    buildList(list, d, kind);
    return ListWindow().LnoteBefore;
}

// Sets the complete sort keys aside for as long as it lives: lists are then sorted in memory, as
// while the keys are being made. The keys stay as they are, and are taken up again after.
class SortKeysSetAside {
public:
    SortKeysSetAside() { ExecSql(QStringLiteral("UPDATE phonebk_sortkey_state SET complete = 0")); }
    ~SortKeysSetAside() {
        ExecSql(QStringLiteral("UPDATE phonebk_sortkey_state SET complete = 1"));
    }
};

// sortedHere: with the keys set aside, as while they are being made.
void listBench(benchmark::State& state, int items, ListOf kind, bool sortedHere) {
    const ListBenchData& d = use(items);
    std::optional<SortKeysSetAside> aside;
    if (sortedHere)
        aside.emplace();
    ItemsList list;
    const bool lnoteBefore = settle(list, d, kind);
    state.counters["cacheKiB"] = programCacheKiB();
    for (auto _ : state) {
        setListState(kind, lnoteBefore);
        buildList(list, d, kind);
        benchmark::DoNotOptimize(list.Rows().Count());
    }
    state.counters["rows"] = list.Rows().Count();
    if (SortKeysReady() == sortedHere)
        state.SkipWithError("the keys were not used as asked");
}

// The list statement as it was before the sort keys: the rows ordered by their lower-case names
// (or notes) by character code.
QString byLowerNameSql(ListOf kind, bool lnoteBefore) {
    QStringList lines =
        ListQueryLines(kind, false, SortBy::Name, lnoteBefore, RowOrder::SortedHere);
    lines << (kind == ListOf::LinksAcross && lnoteBefore
                  ? QStringLiteral("ORDER BY linknote , lname")
                  : QStringLiteral("ORDER BY lname , linknote"));
    return ListQueryText(lines);
}

void rawListBench(benchmark::State& state, int items, ListOf kind, bool byLowerName) {
    const ListBenchData& d = use(items);
    // The very statement the program runs for this list (or ran before the sort keys), and the
    // rows it lists.
    ItemsList list;
    const bool lnoteBefore = settle(list, d, kind);
    setListState(kind, lnoteBefore);
    buildList(list, d, kind);
    const QString sql = byLowerName ? byLowerNameSql(kind, lnoteBefore) : list.QueryText();
    const int listed = list.Rows().Count();
    sqlite3* db = rawOpen(state, d);
    if (!db)
        return;
    const RawResult first = rawRun(db, sql, listParent(d, kind));
    if (first.rows < 0)
        state.SkipWithError(sqlite3_errmsg(db));
    else if (first.rows != listed)
        state.SkipWithError("the raw statement returns other rows than the program lists");
    for (auto _ : state)
        benchmark::DoNotOptimize(rawRun(db, sql, listParent(d, kind)).bytes);
    state.counters["rows"] = double(first.rows);
    sqlite3_close(db);
}

// Argument word: 0 to 2 one of SearchWords, 3 the absent word.
QString searchWord(int word) {
    return QString::fromLatin1(word < SearchWordCount ? SearchWords[word].Word : AbsentWord);
}

int expectedMatches(const ListBenchData& d, int word) {
    return word < SearchWordCount ? d.WordItems[word] : 0;
}

// Copies, untimed, what the log still holds of the writes before into the database, as the
// program does in the background while the user reads a list: each timed search starts as a
// search the user starts after a pause, and pays for its own writes only.
void settleLog(benchmark::State& state) {
    state.PauseTiming();
    // The marks of the search before are written, as while the user reads its list.
    FinishSearchStamps();
    ExecSql(QStringLiteral("PRAGMA wal_checkpoint(PASSIVE)"));
    state.ResumeTiming();
}

// Sets the complete index aside for as long as it lives: the search then reads every item,
// as it did before there was an index. The index stays as it is, and is taken up again after.
class IndexSetAside {
public:
    IndexSetAside() { ExecSql(QStringLiteral("UPDATE phonebk_search_state SET complete = 0")); }
    ~IndexSetAside() { ExecSql(QStringLiteral("UPDATE phonebk_search_state SET complete = 1")); }
};

// What the user waits for: the search dialog's OK to the listed results (the walk and the
// search list built; the found items' marks are written in the background after it). With
// untilMarked, the time until the last mark is written, which is how soon a later command that
// reads the marks runs without waiting.
// Arguments: word, punctuation folding 1 or 0.
void searchBench(benchmark::State& state, int items, bool withIndex, bool untilMarked = false) {
    const ListBenchData& d = use(items);
    std::optional<IndexSetAside> aside;
    if (!withIndex)
        aside.emplace();
    const QString word = searchWord(int(state.range(0)));
    ItemsList list;
    Common().PunctuationFolding = state.range(1) != 0;
    list.RunSearch(word); // untimed: fills the caches as on the raw side
    for (auto _ : state) {
        settleLog(state);
        ResetListState();
        Common().PunctuationFolding = state.range(1) != 0;
        list.RunSearch(word);
        benchmark::DoNotOptimize(list.Rows().Count());
        if (untilMarked)
            FinishSearchStamps();
    }
    FinishSearchStamps();
    state.counters["rows"] = list.Rows().Count();
    if (list.Rows().Count() != expectedMatches(d, int(state.range(0))))
        state.SkipWithError("the search did not list the items holding the word");
    if (SearchIndexReady() != withIndex)
        state.SkipWithError("the index was not used as asked");
}

// The search's walk and matching alone, without the stamps' writes and the list: the part that
// compares with the raw scan below. Arguments: word, punctuation folding 1 or 0.
void searchWalkBench(benchmark::State& state, int items) {
    const ListBenchData& d = use(items);
    const bool folding = state.range(1) != 0;
    Common().PunctuationFolding = folding;
    const QString typed = searchWord(int(state.range(0)));
    const QString prepared = PrepareSearchText(typed);
    size_t found = FindMatches(prepared, folding, typed).Ids.size(); // untimed
    for (auto _ : state) {
        found = FindMatches(prepared, folding, typed).Ids.size();
        benchmark::DoNotOptimize(found);
    }
    state.counters["rows"] = double(found);
    if (found != size_t(expectedMatches(d, int(state.range(0)))))
        state.SkipWithError("the walk did not find the items holding the word");
}

// The search's writes alone: a new stamp into each item the word is found in.
// Argument: word.
void searchStampBench(benchmark::State& state, int items) {
    use(items);
    const QString typed = searchWord(int(state.range(0)));
    const std::vector<ItemId> ids = FindMatches(PrepareSearchText(typed), true, typed).Ids;
    StampItems(ids, NextSearchStamp()); // untimed
    for (auto _ : state) {
        settleLog(state);
        StampItems(ids, NextSearchStamp());
    }
    state.counters["rows"] = double(ids.size());
}

void rawScanBench(benchmark::State& state, int items) {
    const ListBenchData& d = use(items);
    sqlite3* db = rawOpen(state, d);
    if (!db)
        return;
    const QString sql = QString::fromLatin1(SearchWalkSql);
    const RawResult first = rawRun(db, sql, ItemId());
    if (first.rows < 0)
        state.SkipWithError(sqlite3_errmsg(db));
    for (auto _ : state)
        benchmark::DoNotOptimize(rawRun(db, sql, ItemId()).bytes);
    state.counters["rows"] = double(first.rows);
    sqlite3_close(db);
}

// The raw SQL search for a word, on a connection of its own: LIKE over every name and text
// (which ignores the case of A to Z as the search does), the rows counted. Argument: word.
void rawLikeBench(benchmark::State& state, int items) {
    const ListBenchData& d = use(items);
    sqlite3* db = rawOpen(state, d);
    if (!db)
        return;
    const QString pattern = QLatin1Char('%') + searchWord(int(state.range(0))) + QLatin1Char('%');
    const QString sql = QStringLiteral("SELECT id FROM phonebk WHERE name LIKE '%1' OR text LIKE "
                                       "'%1' ORDER BY id")
                            .arg(pattern);
    const RawResult first = rawRun(db, sql, ItemId());
    if (first.rows < 0)
        state.SkipWithError(sqlite3_errmsg(db));
    else if (first.rows != expectedMatches(d, int(state.range(0))))
        state.SkipWithError("the raw scan does not find the items holding the word");
    for (auto _ : state)
        benchmark::DoNotOptimize(rawRun(db, sql, ItemId()).rows);
    state.counters["rows"] = double(first.rows);
    sqlite3_close(db);
}

// The index's own answer in raw SQL, on a connection of its own: the candidates' ids for the
// word's trigrams, without checking them. Argument: word.
void rawIndexBench(benchmark::State& state, int items) {
    const ListBenchData& d = use(items);
    sqlite3* db = rawOpen(state, d);
    if (!db)
        return;
    const QString sql =
        QStringLiteral("SELECT rowid FROM phonebk_search WHERE phonebk_search MATCH '%1'")
            .arg(SearchIndexQuery(searchWord(int(state.range(0)))));
    const RawResult first = rawRun(db, sql, ItemId());
    if (first.rows < 0)
        state.SkipWithError(sqlite3_errmsg(db));
    for (auto _ : state)
        benchmark::DoNotOptimize(rawRun(db, sql, ItemId()).rows);
    state.counters["rows"] = double(first.rows);
    state.counters["matches"] = expectedMatches(d, int(state.range(0)));
    sqlite3_close(db);
}

// The index's size beside the database's, from the engine's page statistics (one run).
void indexSizeBench(benchmark::State& state, int items) {
    use(items);
    double indexBytes = 0;
    double dbBytes = 0;
    for (auto _ : state) {
        indexBytes = 0;
        // The full-text index's own tables: its segments, their directory and its settings.
        const QStringList names{"phonebk_search_data", "phonebk_search_idx",
                                "phonebk_search_config"};
        for (const QString& name : names) {
            QSqlQuery q =
                PrepareQuery(QStringLiteral("SELECT sum(pgsize) FROM dbstat WHERE name = :name"));
            q.bindValue(QStringLiteral(":name"), name);
            ExecQuery(q);
            if (q.next())
                indexBytes += q.value(0).toDouble();
        }
        QSqlQuery pages = ExecSql(QStringLiteral(
            "SELECT page_count * page_size FROM pragma_page_count, pragma_page_size"));
        dbBytes = pages.next() ? pages.value(0).toDouble() : 0;
    }
    state.counters["indexMiB"] = indexBytes / 1048576;
    state.counters["fileMiB"] = dbBytes / 1048576;
    state.counters["withoutIndexMiB"] = (dbBytes - indexBytes) / 1048576;
    // The index against the database without it.
    state.counters["indexPct"] = 100 * indexBytes / std::max(dbBytes - indexBytes, 1.0);
}

// A build of the whole index from nothing, as the program runs it in the background: its own
// connection, steps of about a tenth of a second that each commit (one run).
void indexBuildBench(benchmark::State& state, int items) {
    use(items);
    for (auto _ : state) {
        RequestSearchIndexRebuild();
        StartSearchIndexBuild();
        SearchIndexBuildStatus status;
        while ((status = PollSearchIndexBuild()).Running)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (!status.Error.isEmpty())
            state.SkipWithError(qPrintable(status.Error));
    }
    if (!SearchIndexReady())
        state.SkipWithError("the build did not complete the index");
}

// The sort keys' size (the table and its index) beside the database's (one run).
void sortKeysSizeBench(benchmark::State& state, int items) {
    use(items);
    double keyBytes = 0;
    double dbBytes = 0;
    for (auto _ : state) {
        QSqlQuery keys = ExecSql(
            QStringLiteral("SELECT sum(pgsize) FROM dbstat WHERE name IN ('phonebk_sortkey', "
                           "'sqlite_autoindex_phonebk_sortkey_1')"));
        keyBytes = keys.next() ? keys.value(0).toDouble() : 0;
        QSqlQuery pages = ExecSql(QStringLiteral(
            "SELECT page_count * page_size FROM pragma_page_count, pragma_page_size"));
        dbBytes = pages.next() ? pages.value(0).toDouble() : 0;
    }
    state.counters["keysMiB"] = keyBytes / 1048576;
    state.counters["fileMiB"] = dbBytes / 1048576;
}

// A build of every key from nothing (the keys thrown away first, untimed), as the program runs
// it in the background after an import: its own connection, steps that each commit (one run).
// A change of locale rewrites every key in the same way.
void sortKeyBuildBench(benchmark::State& state, int items) {
    use(items);
    for (auto _ : state) {
        state.PauseTiming();
        ExecSql(QStringLiteral("DELETE FROM phonebk_sortkey"));
        RequestSortKeysRebuild();
        ExecSql(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
        state.ResumeTiming();
        StartSortKeyBuild();
        BackgroundBuildStatus status;
        while ((status = PollSortKeyBuild()).Running)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (!status.Error.isEmpty())
            state.SkipWithError(qPrintable(status.Error));
    }
    if (!SortKeysReady())
        state.SkipWithError("the build did not complete the keys");
}

// The same walk through the program's own query interface, with no matching: the floor the
// search cannot go below.
void qtScanBench(benchmark::State& state, int items) {
    use(items);
    state.counters["cacheKiB"] = programCacheKiB();
    auto walk = [] {
        QSqlQuery walk = PrepareQuery(QString::fromLatin1(SearchWalkSql));
        walk.setForwardOnly(true);
        ExecQuery(walk);
        qint64 chars = 0;
        while (walk.next())
            chars += walk.value(1).toString().size() + walk.value(2).toString().size();
        return chars;
    };
    walk(); // untimed
    for (auto _ : state)
        benchmark::DoNotOptimize(walk());
}

// Peak memory of a process that opens the database and builds its top-level list.
int peakMemory(int items) {
    use(items);
    ItemsList list;
    ResetListState();
    list.BuildList();
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    std::printf("top-level list of %d items: %d rows, peak resident memory %.1f MB\n", items,
                list.Rows().Count(), usage.ru_maxrss / 1024.0);
    return 0;
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // The database opens as the program opens it, with the search index kept.
    InstallSearchHooks();
    // The same order whatever the machine's locale: its keys are made once, with the data.
    SetCollationLocale(QStringLiteral("en_US"));
    if (argc == 3 && std::strcmp(argv[1], "--peak-memory") == 0)
        return peakMemory(std::atoi(argv[2]));
    const BenchOptions options = TakeBenchOptions(argc, argv, 0);
    const std::vector<int> sizes =
        options.Items > 0 ? std::vector<int>{options.Items} : std::vector<int>{100000, 1000000};

    for (int items : sizes) {
        // The lists take milliseconds and get more runs than the searches, which take up to
        // seconds at a million items.
        const int n = options.Iterations(items <= 100000 ? 10 : 3);
        const int listRuns = options.Iterations(items <= 100000 ? 100 : 20);
        const QString s = QString::number(items);
        auto reg = [&](const QString& name, auto fn, int iterations) {
            return benchmark::RegisterBenchmark(qPrintable(name + "/" + s), fn)
                ->Unit(benchmark::kMillisecond)
                ->Iterations(iterations)
                ->UseRealTime();
        };
        for (ListOf kind : {ListOf::TopLevel, ListOf::LinksDown, ListOf::LinksAcross}) {
            const QString label = kind == ListOf::TopLevel    ? "TopLevel"
                                  : kind == ListOf::LinksDown ? "LinksDown"
                                                              : "LinksAcross";
            reg(
                "List" + label,
                [items, kind](benchmark::State& st) { listBench(st, items, kind, false); },
                listRuns);
            reg(
                "RawSql" + label,
                [items, kind](benchmark::State& st) { rawListBench(st, items, kind, false); },
                listRuns);
            reg(
                "RawSqlByLower" + label,
                [items, kind](benchmark::State& st) { rawListBench(st, items, kind, true); },
                listRuns);
            reg(
                "List" + label + "SortedHere",
                [items, kind](benchmark::State& st) { listBench(st, items, kind, true); },
                listRuns);
        }
        auto* search = reg(
            "Search", [items](benchmark::State& st) { searchBench(st, items, true); }, n);
        auto* scanSearch = reg(
            "SearchWithoutIndex", [items](benchmark::State& st) { searchBench(st, items, false); },
            n);
        auto* marked = reg(
            "SearchUntilMarked",
            [items](benchmark::State& st) { searchBench(st, items, true, true); }, n);
        auto* rawLike = reg(
            "RawLikeScan", [items](benchmark::State& st) { rawLikeBench(st, items); }, n);
        auto* rawIndex = reg(
            "RawIndexQuery", [items](benchmark::State& st) { rawIndexBench(st, items); }, listRuns);
        auto* walk = reg(
            "SearchWalk", [items](benchmark::State& st) { searchWalkBench(st, items); }, n);
        auto* stamp = reg(
            "SearchStamp", [items](benchmark::State& st) { searchStampBench(st, items); }, n);
        search->ArgNames({"word", "folding"});
        scanSearch->ArgNames({"word", "folding"});
        marked->ArgNames({"word", "folding"});
        rawLike->ArgNames({"word"});
        rawIndex->ArgNames({"word"});
        walk->ArgNames({"word", "folding"});
        stamp->ArgNames({"word"});
        for (int word = 0; word <= SearchWordCount; ++word) {
            for (int folding : {1, 0}) {
                if (word < SearchWordCount) {
                    search->Args({word, folding});
                    scanSearch->Args({word, folding});
                }
                walk->Args({word, folding});
            }
            if (word < SearchWordCount) {
                stamp->Arg(word);
                marked->Args({word, 1});
                rawLike->Arg(word);
                rawIndex->Arg(word);
            }
        }
        reg(
            "QtScanNamesTexts", [items](benchmark::State& st) { qtScanBench(st, items); }, n);
        reg(
            "RawScanNamesTexts", [items](benchmark::State& st) { rawScanBench(st, items); }, n);
        reg(
            "SearchIndexSize", [items](benchmark::State& st) { indexSizeBench(st, items); }, 1);
        reg(
            "SearchIndexBuild", [items](benchmark::State& st) { indexBuildBench(st, items); }, 1);
        reg(
            "SortKeysSize", [items](benchmark::State& st) { sortKeysSizeBench(st, items); }, 1);
        reg(
            "SortKeyBuild", [items](benchmark::State& st) { sortKeyBuildBench(st, items); }, 1);
    }
    std::fprintf(stderr, "Search words (word argument): ");
    for (int w = 0; w < SearchWordCount; ++w)
        std::fprintf(stderr, "%d \"%s\" (%s), ", w, SearchWords[w].Word, SearchWords[w].Label);
    std::fprintf(stderr, "%d \"%s\" (in no item)\n", SearchWordCount, AbsentWord);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    ClosePhoneDB();
    return 0;
}
