#include "support/BenchOptions.h"
#include "search/SearchHooks.h"
#include "search/SearchIndex.h"
#include "search/SearchIndexBuilder.h"
#include "store/Database.h"
#include "store/ItemFields.h"
#include "store/ItemStore.h"
#include "store/SortKeys.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

// The user's commits while the search index, or the names' sort keys, are built in the
// background, as on the first start after an import: each commit's time from the call to its
// return (on disk), the worst and the median, and how many were refused. The build gives way to
// every one of them.
//
//   BenchIndexBuild [--items=N] [--idle] [benchmark options]   (N: 200000 by default; --idle:
//   no commits, for the build's own time)

namespace {
int Items = 200000;
// --idle: no commits while the build runs, for the build's own time.
bool Idle = false;
QString Path;

// Fills the file with items the way another program would: without this program's triggers,
// so that the index must be built from the first item at the next open.
void fill(const QString& path, int count) {
    sqlite3* db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    const QByteArray sql =
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
        QByteArray::number(count) +
        ") INSERT INTO phonebk (name, text, parent, rank, numchildren, numcousins, createdts) "
        "SELECT 'item ' || i || ' ' || substr(hex(randomblob(8)), 1, 12), "
        "'the text of item ' || i || char(13, 10) || hex(randomblob(200)), 0, 0, 0, 0, "
        "'2024-01-01 00:00:00.000' FROM n";
    char* error = nullptr;
    if (sqlite3_exec(db, sql.constData(), nullptr, nullptr, &error) != SQLITE_OK)
        std::fprintf(stderr, "fill: %s\n", error);
    sqlite3_free(error);
    sqlite3_close(db);
}

// start begins the build measured, poll follows it.
void commitsDuringBuild(benchmark::State& state, void (*start)(), BackgroundBuildStatus (*poll)()) {
    for (auto _ : state) {
        state.PauseTiming();
        ClosePhoneDB();
        QFile::remove(Path);
        QFile::remove(Path + "-wal");
        QFile::remove(Path + "-shm");
        OpenPhoneDB(Path);
        ClosePhoneDB();
        fill(Path, Items);
        OpenPhoneDB(Path);
        EnsureIndexes();
        state.ResumeTiming();

        QElapsedTimer build;
        build.start();
        start();
        std::vector<double> ms;
        int refused = 0;
        BackgroundBuildStatus status;
        for (status = poll(); status.Running; status = poll()) {
            if (Idle) {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                continue;
            }
            const ItemId id = ItemId(2 + (ms.size() * 7919) % size_t(Items));
            QElapsedTimer one;
            one.start();
            try {
                WriteItemFields(id, QStringLiteral("edited %1").arg(ms.size()), QString(),
                                QStringLiteral("typed while the build runs"));
            } catch (const DbError&) {
                ++refused;
            }
            ms.push_back(double(one.nsecsElapsed()) / 1e6);
            // A user types and saves now and then, not in a tight loop.
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        state.PauseTiming();
        std::sort(ms.begin(), ms.end());
        state.counters["items"] = Items;
        state.counters["build_s"] = double(build.elapsed()) / 1000;
        state.counters["commits"] = double(ms.size());
        state.counters["refused"] = refused;
        state.counters["median_ms"] = ms.empty() ? 0 : ms[ms.size() / 2];
        state.counters["p99_ms"] = ms.empty() ? 0 : ms[ms.size() * 99 / 100];
        state.counters["worst_ms"] = ms.empty() ? 0 : ms.back();
        if (!status.Error.isEmpty())
            state.SkipWithError(qPrintable(status.Error));
        state.ResumeTiming();
    }
}

void BM_CommitsDuringIndexBuild(benchmark::State& state) {
    commitsDuringBuild(state, StartSearchIndexBuild, PollSearchIndexBuild);
}

// The same while the names' sort keys are made, as on the first start after an import or a
// change of the user's locale.
void BM_CommitsDuringSortKeyBuild(benchmark::State& state) {
    commitsDuringBuild(state, StartSortKeyBuild, PollSortKeyBuild);
}
} // namespace

BENCHMARK(BM_CommitsDuringIndexBuild)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_CommitsDuringSortKeyBuild)->Iterations(1)->Unit(benchmark::kSecond);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // The database opens as the program opens it, with the search index kept.
    InstallSearchHooks();
    const BenchOptions options = TakeBenchOptions(argc, argv, Items);
    Items = std::max(1000, options.Items);
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--idle") == 0)
            Idle = true;
    benchmark::Initialize(&argc, argv);
    QTemporaryDir dir;
    Path = dir.filePath(QStringLiteral("cardolo.db"));
    try {
        benchmark::RunSpecifiedBenchmarks();
    } catch (const DbError& e) {
        std::fprintf(stderr, "Database error: %s\n", qPrintable(e.Text));
        return 1;
    }
    ClosePhoneDB();
    benchmark::Shutdown();
    return 0;
}
