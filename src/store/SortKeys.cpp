#include "store/SortKeys.h"

#include "common/NameCollator.h"
#include "common/WorkProgress.h"
#include "store/Database.h"
#include "store/RawStatement.h"
#include "store/StoreState.h"

#include <sqlite3.h>

#include <limits>
#include <memory>

namespace {
// Raised whenever what a key holds changes meaning (the key's layout, the table's): keys of
// another format are made again at open.
constexpr int KeyFormat = 1;
// At open, this many items or fewer left to do are done at once instead of in the background.
constexpr int BuildAtOnceLimit = 2000;
// Rows per step of a build on PhoneDB.
constexpr int StepRows = 5000;

const char* const FunctionName = "cardolo_sort_key";

// The key with the parent beside it, so that the unique index (parent, key, id) that the table's
// constraint makes orders each item's links down; the id is the item's.
const char* const CreateKeysSql = "CREATE TABLE phonebk_sortkey (\n"
                                  "  id INTEGER PRIMARY KEY,\n"
                                  "  parent INTEGER,\n"
                                  "  key BLOB NOT NULL,\n"
                                  "  UNIQUE (parent, key, id))";
// One row. collation names the rules the keys were made by (NameCollator::Identity); changes
// counts the writes of every program (the triggers in the file), seen those of this program (its
// own triggers); builtupto is the last item done.
const char* const CreateStateSql = "CREATE TABLE phonebk_sortkey_state (\n"
                                   "  id INTEGER PRIMARY KEY CHECK (id = 1),\n"
                                   "  format INTEGER NOT NULL,\n"
                                   "  collation TEXT NOT NULL,\n"
                                   "  changes INTEGER NOT NULL,\n"
                                   "  seen INTEGER NOT NULL,\n"
                                   "  builtupto INTEGER NOT NULL,\n"
                                   "  complete INTEGER NOT NULL)";
const char* const InsertStateSql =
    "INSERT INTO phonebk_sortkey_state (id, format, collation, changes, seen, builtupto, "
    "complete) VALUES (1, :format, :collation, 0, 0, 0, 0)";
const char* const ReadStateSql =
    "SELECT format, collation, changes, seen, complete FROM phonebk_sortkey_state";
// The build goes over every item again; the keys there are not thrown away first, since the
// build replaces each one it finds changed (after another program's few writes, nearly none).
const char* const RebuildStateSql =
    "UPDATE phonebk_sortkey_state SET format = :format, collation = :collation, "
    "seen = changes, builtupto = 0, complete = 0";
const char* const ReadySql = "SELECT complete = 1 AND changes = seen AND format = :format AND "
                             "collation = :collation FROM phonebk_sortkey_state";
const char* const ObjectExistsSql = "SELECT 1 FROM sqlite_master WHERE name = :name";

// The counting triggers in the file: plain SQL, so that every program writing the items runs
// them. An id, a name or a parent changed is what the keys depend on.
const char* const CountingTriggerNames[] = {"phonebk_sortkey_counted_insert",
                                            "phonebk_sortkey_counted_delete",
                                            "phonebk_sortkey_counted_update"};
const char* const CountingTriggers[] = {
    "CREATE TRIGGER IF NOT EXISTS phonebk_sortkey_counted_insert AFTER INSERT ON phonebk "
    "BEGIN UPDATE phonebk_sortkey_state SET changes = changes + 1; END",
    "CREATE TRIGGER IF NOT EXISTS phonebk_sortkey_counted_delete AFTER DELETE ON phonebk "
    "BEGIN UPDATE phonebk_sortkey_state SET changes = changes + 1; END",
    "CREATE TRIGGER IF NOT EXISTS phonebk_sortkey_counted_update AFTER UPDATE OF id, name, "
    "parent ON phonebk BEGIN UPDATE phonebk_sortkey_state SET changes = changes + 1; END",
};

// This connection's own triggers: they keep the keys in step for the items the build has
// passed, and count this program's writes. The old row goes first in every case, so that the
// insert never meets a row of the same id, whatever conflict rule the statement that fired the
// trigger imposes on it.
const char* const KeepingTriggers[] = {
    "CREATE TEMP TRIGGER IF NOT EXISTS phonebk_sortkey_insert AFTER INSERT ON main.phonebk "
    "BEGIN "
    "DELETE FROM phonebk_sortkey WHERE id = new.id; "
    "INSERT INTO phonebk_sortkey (id, parent, key) "
    "SELECT new.id, new.parent, cardolo_sort_key(new.name) FROM phonebk_sortkey_state "
    "WHERE complete = 1 OR new.id <= builtupto; "
    "UPDATE phonebk_sortkey_state SET seen = seen + 1; "
    "END",
    "CREATE TEMP TRIGGER IF NOT EXISTS phonebk_sortkey_delete AFTER DELETE ON main.phonebk "
    "BEGIN "
    "DELETE FROM phonebk_sortkey WHERE id = old.id; "
    "UPDATE phonebk_sortkey_state SET seen = seen + 1; "
    "END",
    "CREATE TEMP TRIGGER IF NOT EXISTS phonebk_sortkey_update "
    "AFTER UPDATE OF id, name, parent ON main.phonebk "
    "BEGIN "
    "DELETE FROM phonebk_sortkey WHERE id = old.id OR id = new.id; "
    "INSERT INTO phonebk_sortkey (id, parent, key) "
    "SELECT new.id, new.parent, cardolo_sort_key(new.name) FROM phonebk_sortkey_state "
    "WHERE complete = 1 OR new.id <= builtupto; "
    "UPDATE phonebk_sortkey_state SET seen = seen + 1; "
    "END",
};

// The next rows to do after :from, their keys (written only where they changed), and the keys
// of items gone between :from and :to.
const char* const NextRowsSql = "SELECT count(*), max(id) FROM (SELECT id FROM phonebk "
                                "WHERE id > :from ORDER BY id LIMIT :rows)";
const char* const KeyRowsSql =
    "INSERT INTO phonebk_sortkey (id, parent, key) "
    "SELECT id, parent, cardolo_sort_key(name) FROM phonebk WHERE id > :from AND id <= :to "
    "ON CONFLICT (id) DO UPDATE SET parent = excluded.parent, key = excluded.key "
    "WHERE parent IS NOT excluded.parent OR key IS NOT excluded.key";
const char* const DropGoneSql =
    "DELETE FROM phonebk_sortkey WHERE id > :from AND id <= :to AND NOT EXISTS "
    "(SELECT 1 FROM phonebk p WHERE p.id = phonebk_sortkey.id)";
const char* const StepDoneSql =
    "UPDATE phonebk_sortkey_state SET builtupto = :builtupto, complete = :complete";
const char* const LastIdSql = "SELECT max(id) FROM phonebk";

std::unique_ptr<BackgroundBuild> Current;

// cardolo_sort_key(name): the key the name sorts by, under the connection's collator. A name
// another program stored as a number sorts as its text, as the list shows it.
void sortKey(sqlite3_context* context, int, sqlite3_value** args) {
    const auto* collator = static_cast<const NameCollator*>(sqlite3_user_data(context));
    QString name;
    if (sqlite3_value_type(args[0]) != SQLITE_NULL) {
        const auto* bytes = reinterpret_cast<const char*>(sqlite3_value_text(args[0]));
        if (!bytes) {
            sqlite3_result_error_nomem(context);
            return;
        }
        name = QString::fromUtf8(bytes, sqlite3_value_bytes(args[0]));
    }
    const QByteArray key = collator->SortKey(name);
    sqlite3_result_blob(context, key.constData(), int(key.size()), SQLITE_TRANSIENT);
}

void freeCollator(void* collator) {
    delete static_cast<NameCollator*>(collator);
}

bool objectExists(const char* name) {
    RawStatement q(ObjectExistsSql);
    q.Bind(":name", QString::fromLatin1(name));
    return q.Step();
}

bool countingTriggersKept() {
    bool kept = true;
    for (const char* name : CountingTriggerNames)
        kept = kept && objectExists(name);
    return kept;
}

// How many items (up to limit + 1) are left to do after the last one done.
int itemsLeft(qint64 builtUpTo, int limit) {
    RawStatement q("SELECT count(*) FROM (SELECT 1 FROM phonebk WHERE id > :from LIMIT :n)");
    q.Bind(":from", QVariant(builtUpTo));
    q.Bind(":n", limit + 1);
    q.Step();
    return q.Int(0);
}

void markRebuild(const QString& collation) {
    RawStatement rebuild(RebuildStateSql);
    rebuild.Bind(":format", KeyFormat);
    rebuild.Bind(":collation", collation);
    rebuild.Step();
}

// The user's collation as the keys record it.
QString userCollation() {
    return UserNameCollator().Identity();
}
} // namespace

void RegisterSortKeyFunction(sqlite3* db, const QString& locale) {
    auto* collator = new NameCollator(locale);
    // The engine frees the collator with the function, also when registering fails.
    const int rc = sqlite3_create_function_v2(db, FunctionName, 1,
                                              SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS,
                                              collator, sortKey, nullptr, nullptr, freeCollator);
    if (rc != SQLITE_OK)
        throw DbError(QString::fromUtf8(sqlite3_errmsg(db)), rc);
}

void PrepareSortKeys() {
    sqlite3* db = PhoneDBHandle();
    RegisterSortKeyFunction(db, CollationLocale());
    // A file that takes no writes keeps its keys as they are: used when complete, in step and
    // made for the user's collation (no write of this program can put them out of step), else
    // the lists sort their rows in memory.
    if (PhoneDBWriteRefusal() != WriteRefusal::None) {
        if (objectExists("phonebk_sortkey") && objectExists("phonebk_sortkey_state") &&
            countingTriggersKept())
            TheStoreState.SortKeysPreparedOn = db;
        return;
    }
    const QString collation = userCollation();
    qint64 builtUpTo = 0;
    bool complete = false;
    {
        Transaction t;
        const bool hasKeys = objectExists("phonebk_sortkey");
        if (!hasKeys)
            ExecSql(QString::fromLatin1(CreateKeysSql));
        if (!objectExists("phonebk_sortkey_state"))
            ExecSql(QString::fromLatin1(CreateStateSql));
        const bool countingKept = countingTriggersKept();
        RawStatement state(ReadStateSql);
        if (!state.Step()) {
            // The state is lost (another program emptied the table, or it is new): every item
            // is done again, which also drops the keys of items gone meanwhile.
            state.Reset();
            RawStatement insert(InsertStateSql);
            insert.Bind(":format", KeyFormat);
            insert.Bind(":collation", collation);
            insert.Step();
        } else {
            const bool inStep = state.Int(0) == KeyFormat && state.Text(1) == collation &&
                                state.Int64(2) == state.Int64(3);
            complete = state.Int(4) == 1;
            state.Reset();
            // Writes nobody counted, or counted by another program, keys of another collation,
            // or a table made afresh just now: the keys are not what the items say.
            if (!inStep || !countingKept || !hasKeys) {
                markRebuild(collation);
                complete = false;
            }
        }
        {
            RawStatement done("SELECT builtupto FROM phonebk_sortkey_state");
            done.Step();
            builtUpTo = done.Int64(0);
        }
        for (const char* sql : CountingTriggers)
            ExecSql(QString::fromLatin1(sql));
        for (const char* sql : KeepingTriggers)
            ExecSql(QString::fromLatin1(sql));
        t.Commit();
    }
    TheStoreState.SortKeysPreparedOn = db;
    if (!complete && itemsLeft(builtUpTo, BuildAtOnceLimit) <= BuildAtOnceLimit)
        BuildSortKeysNow();
}

bool SortKeysReady() {
    if (!PhoneDB().isOpen() || PhoneDBHandle() != TheStoreState.SortKeysPreparedOn)
        return false;
    // In a file known to be damaged the keys' pages are as suspect as any: the lists read the
    // items alone and sort them in memory.
    if (DatabaseDamageSeen() || PhoneDBWriteRefusal() == WriteRefusal::DamagedFile)
        return false;
    RawStatement q(ReadySql);
    q.Bind(":format", KeyFormat);
    q.Bind(":collation", userCollation());
    return q.Step() && q.Int(0) == 1;
}

bool SortKeysIncomplete() {
    if (!PhoneDB().isOpen() || PhoneDBHandle() != TheStoreState.SortKeysPreparedOn)
        return false;
    RawStatement q("SELECT complete FROM phonebk_sortkey_state");
    return q.Step() && q.Int(0) != 1;
}

BackgroundStep BuildSortKeysStep(sqlite3* db, int rows) {
    BackgroundStep result;
    {
        RawStatement last(db, LastIdSql);
        last.Step();
        result.LastId = last.Int64(0);
    }
    {
        RawStatement state(db, "SELECT builtupto, complete FROM phonebk_sortkey_state");
        if (!state.Step())
            throw DbError(QStringLiteral("The names' sort keys have lost their state"));
        result.BuiltUpTo = state.Int64(0);
        result.Complete = state.Int(1) == 1;
    }
    if (result.Complete)
        return result;
    int count = 0;
    qint64 to = result.BuiltUpTo;
    {
        RawStatement next(db, NextRowsSql);
        next.Bind(":from", QVariant(result.BuiltUpTo));
        next.Bind(":rows", rows);
        next.Step();
        count = next.Int(0);
        if (count > 0)
            to = next.Int64(1);
    }
    if (count > 0) {
        RawStatement keys(db, KeyRowsSql);
        keys.Bind(":from", QVariant(result.BuiltUpTo));
        keys.Bind(":to", QVariant(to));
        keys.Step();
    }
    result.Complete = count < rows;
    {
        // The last step also drops the keys above the last item.
        RawStatement gone(db, DropGoneSql);
        gone.Bind(":from", QVariant(result.BuiltUpTo));
        gone.Bind(":to", QVariant(result.Complete ? std::numeric_limits<qint64>::max() : to));
        gone.Step();
    }
    result.BuiltUpTo = to;
    RawStatement done(db, StepDoneSql);
    done.Bind(":builtupto", QVariant(to));
    done.Bind(":complete", result.Complete ? 1 : 0);
    done.Step();
    return result;
}

bool BuildSortKeysNow(WorkProgress* progress) {
    for (;;) {
        BackgroundStep step;
        {
            Transaction t;
            step = BuildSortKeysStep(PhoneDBHandle(), StepRows);
            t.Commit();
        }
        if (step.Complete)
            return true;
        if (progress && !progress->Step(step.BuiltUpTo, step.LastId))
            return false;
    }
}

void RequestSortKeysRebuild() {
    markRebuild(userCollation());
}

void StartSortKeyBuild() {
    if (Current && !Current->Done())
        return;
    StopSortKeyBuild();
    if (PhoneDBWriteRefusal() != WriteRefusal::None || !SortKeysIncomplete())
        return;
    const QString locale = CollationLocale();
    Current = std::make_unique<BackgroundBuild>(
        PhoneDB().databaseName(), [locale](sqlite3* db) { RegisterSortKeyFunction(db, locale); },
        BuildSortKeysStep);
}

void StopSortKeyBuild() {
    Current.reset();
}

BackgroundBuildStatus PollSortKeyBuild() {
    if (!Current)
        return BackgroundBuildStatus();
    const BackgroundBuildStatus status = Current->Status();
    if (status.Finished)
        Current.reset();
    return status;
}

void ForgetSortKeys() {
    StopSortKeyBuild();
    TheStoreState.SortKeysPreparedOn = nullptr;
}
