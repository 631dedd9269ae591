#include "common/Settings.h"
#include "search/SearchHooks.h"
#include "store/Database.h"
#include "store/ExportAll.h"
#include "support/BenchOptions.h"
#include "support/GenerateItems.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <sys/stat.h>

// Every item of a generated database (100,000 items by default) written out in each form the
// program has: JSON Lines to one file, and a folder of Markdown files. Each run writes a new
// target beside a database that stays open, as a running program keeps it. Besides the time,
// the counters give the bytes written and the space they take on disk (a file takes whole
// blocks, which matters for many small files), and the files made.

namespace {
QString Database;
QString Out;

struct Written {
    qint64 Bytes = 0;
    qint64 OnDisk = 0;
    qint64 Files = 0;
};

Written measure(const QString& target) {
    Written w;
    const auto add = [&w](const QString& path) {
        struct stat st {};
        if (::stat(QFile::encodeName(path).constData(), &st) != 0)
            return;
        w.OnDisk += qint64(st.st_blocks) * 512;
        if (S_ISREG(st.st_mode)) {
            w.Bytes += st.st_size;
            ++w.Files;
        }
    };
    add(target);
    QDirIterator it(target, QDir::AllEntries | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext())
        add(it.next());
    return w;
}

void exportAll(benchmark::State& state, ExportFormat format, const char* name) {
    Written written;
    int run = 0;
    for (auto _ : state) {
        const QString target = Out + QStringLiteral("/%1-%2").arg(QLatin1String(name)).arg(run++);
        QString error;
        if (!ExportAllItems(format, Database, target, Settings(), error)) {
            state.SkipWithError(qPrintable(error));
            break;
        }
        state.PauseTiming();
        written = measure(target);
        if (format == ExportFormat::Markdown)
            QDir(target).removeRecursively();
        else
            QFile::remove(target);
        state.ResumeTiming();
    }
    state.counters["bytes"] = double(written.Bytes);
    state.counters["on_disk"] = double(written.OnDisk);
    state.counters["files"] = double(written.Files);
}

void BM_ExportJsonLines(benchmark::State& state) {
    exportAll(state, ExportFormat::JsonLines, "all.jsonl");
}

void BM_ExportMarkdown(benchmark::State& state) {
    exportAll(state, ExportFormat::Markdown, "notes");
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // The database opens as the program opens it, with the search index kept.
    InstallSearchHooks();
    const BenchOptions options = TakeBenchOptions(argc, argv, ItemsShape().ItemCount);
    const auto ms = benchmark::kMillisecond;
    benchmark::RegisterBenchmark("BM_ExportJsonLines", BM_ExportJsonLines)
        ->Iterations(options.Quick ? 1 : 3)
        ->Unit(ms);
    benchmark::RegisterBenchmark("BM_ExportMarkdown", BM_ExportMarkdown)
        ->Iterations(options.Quick ? 1 : 3)
        ->Unit(ms);
    benchmark::Initialize(&argc, argv);
    QTemporaryDir dir;
    Database = dir.filePath(QStringLiteral("cardolo.db"));
    Out = dir.path();
    try {
        OpenPhoneDB(Database);
        QElapsedTimer timer;
        timer.start();
        const GeneratedItems made = GenerateItems(ShapeFor(options.Items));
        std::printf("Generated %d items, %zu links across in %lld ms (%s)\n", options.Items,
                    made.Linked.size(), timer.elapsed(), qPrintable(Database));
        // The generator's one large transaction is moved into the file first, so that the
        // first export does not read it from the log.
        ExecSql(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
        benchmark::RunSpecifiedBenchmarks();
    } catch (const DbError& e) {
        std::fprintf(stderr, "Database error: %s\n", qPrintable(e.Text));
        return 1;
    }
    ClosePhoneDB();
    benchmark::Shutdown();
    return 0;
}
