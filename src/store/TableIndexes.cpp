#include "store/Database.h"

#include "common/WorkProgress.h"
#include "store/ConnectionHooks.h"
#include "store/SortKeys.h"

#include <QSqlQuery>

#include <sqlite3.h>

namespace {
struct TableIndex {
    const char* Name;
    const char* Sql;
};

const TableIndex TableIndexes[] = {
    {"phonebk_parent", "CREATE INDEX IF NOT EXISTS phonebk_parent ON phonebk(parent)"},
    {"phonebk_srchts", "CREATE INDEX IF NOT EXISTS phonebk_srchts ON phonebk(srchts)"},
    // The diary's month query matches tel with LIKE, which ignores case: a NOCASE index
    // lets the engine use it for the prefix.
    {"phonebk_tel", "CREATE INDEX IF NOT EXISTS phonebk_tel ON phonebk(tel COLLATE NOCASE)"},
    // Items are looked up by exact name (the diary item, the year items).
    {"phonebk_name", "CREATE INDEX IF NOT EXISTS phonebk_name ON phonebk(name)"},
    // Deleting an item looks for links-across rows naming it at either end.
    {"mm2_id2", "CREATE INDEX IF NOT EXISTS mm2_id2 ON mm2(id2)"},
};

// An empty Ref is stored as null, as an empty text is; older versions stored some as ''. The
// comparison under NOCASE (which matches only '' itself) lets the engine use phonebk_tel.
const char* const EmptyRefExists = "SELECT 1 FROM phonebk WHERE tel = '' COLLATE NOCASE LIMIT 1";
const char* const EmptyRefsToNull = "UPDATE phonebk SET tel = NULL WHERE tel = '' COLLATE NOCASE";

// The engine's instructions between two looks at the time while an index is built.
constexpr int InstructionsPerNote = 1000;

// The indexes the file does not have yet.
std::vector<const TableIndex*> missingIndexes() {
    std::vector<const TableIndex*> missing;
    QSqlQuery q = PrepareQuery(
        QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'index' AND name = :name"));
    for (const TableIndex& index : TableIndexes) {
        q.bindValue(QStringLiteral(":name"), QString::fromLatin1(index.Name));
        ExecQuery(q);
        if (!q.next())
            missing.push_back(&index);
        q.finish();
    }
    return missing;
}

// Building an index over a large table takes seconds (a database that comes from an import or
// an older version has none): the progress is told as the engine works, index by index. Runs
// before any window of the program, so the events a report lets through touch no table.
struct IndexBuildWatch {
    WorkProgress Work{QStringLiteral("Preparing the database: building its indexes"), false};
    qint64 Done = 0;
    qint64 Total = 0;

    static int note(void* self) {
        auto* watch = static_cast<IndexBuildWatch*>(self);
        if (watch->Work.Note(watch->Done, watch->Total))
            watch->Work.Report(); // the build goes on: an index cannot be skipped
        return 0;
    }
};
} // namespace

void EnsureIndexes() {
    // A file that takes no writes is read as it is.
    if (PhoneDBWriteRefusal() == WriteRefusal::None) {
        UseWriteAheadLog();
        const std::vector<const TableIndex*> missing = missingIndexes();
        if (!missing.empty()) {
            IndexBuildWatch watch;
            watch.Total = qint64(missing.size());
            sqlite3* handle = PhoneDBHandle();
            sqlite3_progress_handler(handle, InstructionsPerNote, &IndexBuildWatch::note, &watch);
            try {
                // Each index is committed as it is made, so that a start cut short keeps those
                // built.
                for (const TableIndex* index : missing) {
                    Transaction t;
                    ExecSql(QString::fromLatin1(index->Sql));
                    t.Commit();
                    ++watch.Done;
                }
            } catch (...) {
                sqlite3_progress_handler(handle, 0, nullptr, nullptr);
                throw;
            }
            sqlite3_progress_handler(handle, 0, nullptr, nullptr);
        }
        Transaction t;
        // Asked first, so that a file with nothing to change is only read.
        QSqlQuery probe = ExecSql(QString::fromLatin1(EmptyRefExists));
        const bool emptyRefs = probe.next();
        probe.finish();
        if (emptyRefs)
            ExecSql(QString::fromLatin1(EmptyRefsToNull));
        t.Commit();
    }
    RunTablesReadyHooks();
    PrepareSortKeys();
}
