#include "common/Dialogs.h"
#include "search/SearchHooks.h"
#include "store/Database.h"
#include "store/ItemRows.h"
#include "store/ItemStore.h"
#include "support/BenchOptions.h"
#include "support/GenerateItems.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>

// The store's operations on a database of 100,000 items, each with its commit to disk.

namespace {
// Answers every question with Yes and every prompt with a short note, silently.
class YesDialogs : public DialogBackend {
public:
    void ShowInfoBox(const QString&, const QString&) override {}
    char AskYesNoCancelBox(const QString&, const QString&) override { return 'Y'; }
    bool InputString(const QString&, QString& text) override {
        text = QStringLiteral("again");
        return true;
    }
    int ChooseOption(const QString&, const QString&, const QString&) override { return 1; }
    void FlashMessage(const QString&) override {}
};

GeneratedItems Made;

void BM_LinkDown(benchmark::State& state) {
    // A leaf moves between two parents: the replace question, both counts and its Parent.
    const ItemId leaf = Made.Leaves[100];
    const ItemId parents[2] = {Made.Parents[10], Made.Parents[20]};
    // Each move goes to the parent the leaf is not under (also in a repetition after an odd
    // number of moves, or where the generator put it under one of the two).
    ItemRecord record;
    LocateItem(leaf, record);
    int turn = record.Parent == parents[0] ? 1 : 0;
    for (auto _ : state) {
        if (LinkItems(parents[turn], leaf, 1) != LinkOk)
            state.SkipWithError("link down failed");
        turn = 1 - turn;
    }
}

void BM_LinkAcross(benchmark::State& state) {
    size_t next = 0;
    for (auto _ : state) {
        const ItemId a = Made.Leaves[(next * 7919) % Made.Leaves.size()];
        const ItemId b = Made.Parents[(next * 104729) % Made.Parents.size()];
        ++next;
        if (a != b && LinkItems(a, b, 2) != LinkOk)
            state.SkipWithError("link across failed");
    }
}

void BM_DelinkAcross(benchmark::State& state) {
    // Carried over from one repetition to the next, which goes on with pairs still linked; a
    // pair whose link an earlier run took (more runs than pairs) is linked again, untimed.
    static size_t next = 0;
    for (auto _ : state) {
        const auto& pair = Made.Linked[next++ % Made.Linked.size()];
        if (!LinkAcrossRowExists(pair.first, pair.second, 0)) {
            state.PauseTiming();
            LinkItems(pair.first, pair.second, 2);
            state.ResumeTiming();
        }
        if (!DelinkAcross(pair.first, pair.second, 0))
            state.SkipWithError("delink across failed");
    }
}

void BM_DeleteItem(benchmark::State& state) {
    const ItemId parent = Made.BigParent;
    for (auto _ : state) {
        state.PauseTiming();
        const ItemId id = CreateItem(QStringLiteral("Short-lived"), QString());
        LinkItems(parent, id, 1);
        state.ResumeTiming();
        if (!DeleteItem(id))
            state.SkipWithError("delete failed");
    }
}

// One row changed and committed: what the disk's flush alone costs each operation above.
void BM_CommitOneRow(benchmark::State& state) {
    QSqlQuery q = PrepareQuery(QStringLiteral("UPDATE phonebk SET rprts = :n WHERE id = :id"));
    int n = 0;
    for (auto _ : state) {
        Transaction t;
        q.bindValue(QStringLiteral(":n"), ++n);
        q.bindValue(QStringLiteral(":id"), IdToDb(Made.BigParent));
        ExecQuery(q);
        t.Commit();
    }
}

void BM_AncestryTextDeepest(benchmark::State& state) {
    const ItemId deep = Made.DeepestItems.front();
    for (auto _ : state)
        benchmark::DoNotOptimize(AncestryText(deep, true));
}

// The big branch marked and unmarked in turn, so that every run changes every row.
void BM_SetHiderBelowBigBranch(benchmark::State& state) {
    ItemId hider = Made.BigBranchRoot;
    for (auto _ : state) {
        SetHiderBelow(Made.BigBranchRoot, hider);
        hider = hider.IsNone() ? Made.BigBranchRoot : ItemId();
    }
    state.counters["items"] = Made.BigBranchLast.Value() - Made.BigBranchFirst.Value() + 1;
}

// The same rows marked by one statement in one transaction: the floor for the walk above.
void BM_OneUpdateBigBranch(benchmark::State& state) {
    ItemId hider = Made.BigBranchRoot;
    QSqlQuery q = PrepareQuery(
        QStringLiteral("UPDATE phonebk SET rank = :hider WHERE id BETWEEN :first AND :last"));
    for (auto _ : state) {
        Transaction t;
        q.bindValue(QStringLiteral(":hider"), IdToDb(hider));
        q.bindValue(QStringLiteral(":first"), IdToDb(Made.BigBranchFirst));
        q.bindValue(QStringLiteral(":last"), IdToDb(Made.BigBranchLast));
        ExecQuery(q);
        t.Commit();
        hider = hider.IsNone() ? Made.BigBranchRoot : ItemId();
    }
}
// Registered at run time, so that --quick can take the iteration counts down.
void registerBenchmarks(const BenchOptions& o) {
    const auto ms = benchmark::kMillisecond;
    benchmark::RegisterBenchmark("BM_LinkDown", BM_LinkDown)
        ->Iterations(o.Iterations(2000))
        ->Unit(ms);
    benchmark::RegisterBenchmark("BM_LinkAcross", BM_LinkAcross)
        ->Iterations(o.Iterations(2000))
        ->Unit(ms);
    benchmark::RegisterBenchmark("BM_DelinkAcross", BM_DelinkAcross)
        ->Iterations(o.Iterations(2000))
        ->Unit(ms);
    benchmark::RegisterBenchmark("BM_DeleteItem", BM_DeleteItem)
        ->Iterations(o.Iterations(2000))
        ->Unit(ms);
    benchmark::RegisterBenchmark("BM_CommitOneRow", BM_CommitOneRow)
        ->Iterations(o.Iterations(2000))
        ->Unit(ms);
    auto* ancestry = benchmark::RegisterBenchmark("BM_AncestryTextDeepest", BM_AncestryTextDeepest)
                         ->Unit(benchmark::kMicrosecond);
    if (o.Quick)
        ancestry->Iterations(o.Iterations(1000));
    // Twice each, in turn: the second pair runs on the pages the first left.
    for (int round = 0; round < 2; ++round) {
        benchmark::RegisterBenchmark("BM_SetHiderBelowBigBranch", BM_SetHiderBelowBigBranch)
            ->Iterations(o.Iterations(10))
            ->Unit(ms);
        benchmark::RegisterBenchmark("BM_OneUpdateBigBranch", BM_OneUpdateBigBranch)
            ->Iterations(o.Iterations(10))
            ->Unit(ms);
    }
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // The database opens as the program opens it, with the search index kept.
    InstallSearchHooks();
    const BenchOptions options = TakeBenchOptions(argc, argv, ItemsShape().ItemCount);
    registerBenchmarks(options);
    benchmark::Initialize(&argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("cardolo.db"));
    YesDialogs dialogs;
    SetDialogBackend(&dialogs);
    try {
        OpenPhoneDB(path);
        QElapsedTimer timer;
        timer.start();
        Made = GenerateItems(ShapeFor(options.Items));
        std::printf("Generated %d-item branch, %zu other parents, %zu leaves, %zu links across "
                    "in %lld ms (%s)\n",
                    Made.BigBranchLast.Value() - Made.BigBranchFirst.Value() + 1,
                    Made.Parents.size(), Made.Leaves.size(), Made.Linked.size(), timer.elapsed(),
                    qPrintable(path));
        // The generator's one large transaction is moved into the file now, so that the first
        // benchmark does not pay for it.
        ExecSql(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
        benchmark::RunSpecifiedBenchmarks();
    } catch (const DbError& e) {
        std::fprintf(stderr, "Database error: %s\n", qPrintable(e.Text));
        return 1;
    }
    ClosePhoneDB();
    SetDialogBackend(nullptr);
    benchmark::Shutdown();
    return 0;
}
