#include "BenchListData.h"

#include "app/TextHelpers.h"
#include "listwin/ItemsList.h"
#include "listwin/ListQuery.h"
#include "listwin/SearchRunner.h"
#include "store/Database.h"

#include <QCoreApplication>
#include <QSqlQuery>

#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <sys/resource.h>

#include <cstdio>
#include <cstring>
#include <map>

// The list window's lists and search on large databases, each next to the same SQL run through
// the engine's own interface in the same run.

namespace {
std::map<int, ListBenchData> Data;

const ListBenchData& use(int items) {
    auto it = Data.find(items);
    if (it == Data.end())
        it = Data.emplace(items, OpenListBenchData(items)).first;
    else
        OpenPhoneDB(it->second.Path);
    return it->second;
}

// Runs a statement to the end, reading every column of every row as the engine returns it.
long long rawRun(sqlite3* db, const QString& sql, int parent) {
    sqlite3_stmt* st = nullptr;
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v2(db, text.constData(), -1, &st, nullptr) != SQLITE_OK)
        return -1;
    const int p = sqlite3_bind_parameter_index(st, ":parent");
    if (p > 0)
        sqlite3_bind_int(st, p, parent);
    long long bytes = 0;
    const int columns = sqlite3_column_count(st);
    while (sqlite3_step(st) == SQLITE_ROW) {
        for (int c = 0; c < columns; ++c) {
            if (sqlite3_column_type(st, c) == SQLITE_TEXT) {
                const unsigned char* t = sqlite3_column_text(st, c);
                bytes += sqlite3_column_bytes(st, c) + (t ? t[0] : 0);
            } else {
                bytes += sqlite3_column_int(st, c);
            }
        }
    }
    sqlite3_finalize(st);
    return bytes;
}

sqlite3* rawOpen(const ListBenchData& d) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(d.Path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    return db;
}

void listBench(benchmark::State& state, int items, char kind) {
    const ListBenchData& d = use(items);
    ItemsList list;
    for (auto _ : state) {
        ListKind = kind;
        SortOrder = 'N';
        SearchStamp = QDateTime();
        if (kind == 'T')
            list.BuildList();
        else
            list.ShowLinks(kind == '1' ? d.BigParent : d.Hub, QStringLiteral("bench"));
        benchmark::DoNotOptimize(list.Rows().Count());
    }
    state.counters["rows"] = list.Rows().Count();
}

void rawListBench(benchmark::State& state, int items, char kind) {
    const ListBenchData& d = use(items);
    sqlite3* db = rawOpen(d);
    const QString sql = ListQueryText(ListQueryLines(kind, false, 'N', kind == '2' ? false : true));
    const int parent = kind == 'T' ? 0 : kind == '1' ? d.BigParent : d.Hub;
    for (auto _ : state)
        benchmark::DoNotOptimize(rawRun(db, sql, parent));
    sqlite3_close(db);
}

void searchBench(benchmark::State& state, int items) {
    use(items);
    ItemsList list;
    // The search dialog's default: punctuation ignored.
    PunctuationFolding = state.range(0) != 0;
    for (auto _ : state) {
        ResetListState();
        list.RunSearch(QString::fromLatin1(RareWord));
        benchmark::DoNotOptimize(list.Rows().Count());
    }
    state.counters["rows"] = list.Rows().Count();
}

// The search's walk and matching alone, without the stamps' writes and the list: the part that
// compares with the raw scan below.
// Argument 0 or 1: punctuation folding off or on; 2: folding on, a word of common letters found
// nowhere, so that every text is prepared and searched in full.
void searchWalkBench(benchmark::State& state, int items) {
    use(items);
    const bool folding = state.range(0) != 0;
    PunctuationFolding = folding;
    const QString typed =
        state.range(0) == 2 ? QStringLiteral("tensor") : QString::fromLatin1(RareWord);
    const QString prepared = PrepareSearchText(typed);
    size_t found = 0;
    for (auto _ : state) {
        found = FindMatches(prepared, folding, typed).Ids.size();
        benchmark::DoNotOptimize(found);
    }
    state.counters["rows"] = double(found);
}

// The search's writes alone: a new stamp into each item the search word finds.
void searchStampBench(benchmark::State& state, int items) {
    use(items);
    PunctuationFolding = true;
    const QString typed = QString::fromLatin1(RareWord);
    const std::vector<ItemId> ids = FindMatches(PrepareSearchText(typed), true, typed).Ids;
    for (auto _ : state)
        StampItems(ids, NextSearchStamp());
    state.counters["rows"] = double(ids.size());
}

void rawScanBench(benchmark::State& state, int items) {
    const ListBenchData& d = use(items);
    sqlite3* db = rawOpen(d);
    for (auto _ : state)
        benchmark::DoNotOptimize(rawRun(db, QString::fromLatin1(SearchWalkSql), 0));
    sqlite3_close(db);
}

// The same walk through the program's own query interface, with no matching: the floor the
// search cannot go below.
void qtScanBench(benchmark::State& state, int items) {
    use(items);
    for (auto _ : state) {
        QSqlQuery walk = PrepareQuery(QString::fromLatin1(SearchWalkSql));
        walk.setForwardOnly(true);
        ExecQuery(walk);
        qint64 chars = 0;
        while (walk.next())
            chars += walk.value(1).toString().size() + walk.value(2).toString().size();
        benchmark::DoNotOptimize(chars);
    }
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
    if (argc == 3 && std::strcmp(argv[1], "--peak-memory") == 0)
        return peakMemory(std::atoi(argv[2]));

    for (int items : {100000, 1000000}) {
        const int n = items == 100000 ? 10 : 3;
        const QString s = QString::number(items);
        auto reg = [&](const QString& name, auto fn, int iterations) {
            benchmark::RegisterBenchmark(qPrintable(name + "/" + s), fn)
                ->Unit(benchmark::kMillisecond)
                ->Iterations(iterations);
        };
        for (char kind : {'T', '1', '2'}) {
            const QString label = kind == 'T'   ? "TopLevel"
                                  : kind == '1' ? "LinksDown"
                                                : "LinksAcross";
            reg(
                "List" + label, [items, kind](benchmark::State& st) { listBench(st, items, kind); },
                n);
            reg(
                "RawSql" + label,
                [items, kind](benchmark::State& st) { rawListBench(st, items, kind); }, n);
        }
        benchmark::RegisterBenchmark(qPrintable("Search/" + s),
                                     [items](benchmark::State& st) { searchBench(st, items); })
            ->Unit(benchmark::kMillisecond)
            ->Iterations(n)
            ->Arg(1)
            ->Arg(0);
        benchmark::RegisterBenchmark(qPrintable("SearchWalk/" + s),
                                     [items](benchmark::State& st) { searchWalkBench(st, items); })
            ->Unit(benchmark::kMillisecond)
            ->Iterations(n)
            ->Arg(1)
            ->Arg(0)
            ->Arg(2);
        reg(
            "SearchStamp", [items](benchmark::State& st) { searchStampBench(st, items); }, n);
        reg(
            "QtScanNamesTexts", [items](benchmark::State& st) { qtScanBench(st, items); }, n);
        reg(
            "RawScanNamesTexts", [items](benchmark::State& st) { rawScanBench(st, items); }, n);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    ClosePhoneDB();
    return 0;
}
