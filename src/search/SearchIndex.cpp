#include "search/SearchIndex.h"

#include "common/WorkProgress.h"
#include "search/SearchFolding.h"
#include "search/SearchIndexBuilder.h"
#include "store/Database.h"
#include "store/RawStatement.h"

#include <QSet>
#include <QStringList>

#include <sqlite3.h>

#include <string>

namespace {
// Raised whenever what the index holds for an item changes meaning (the folding, the layout):
// an index of another format is rebuilt at open.
constexpr int IndexFormat = 1;
// At open, this many items or fewer left to index are indexed at once instead of in the
// background.
constexpr int BuildAtOnceLimit = 2000;
// Rows per step of a build on PhoneDB.
constexpr int StepRows = 5000;
// A longer search is narrowed by its first this many distinct trigrams: any of them keeps the
// candidates a superset, and more add little.
constexpr int MaxTrigrams = 64;

const char* const FunctionName = "cardolo_search_body";

// Rowids only: no text kept (content), no positions (detail), no lengths for ranking
// (columnsize). The bodies are lower case already.
const char* const CreateIndexSql =
    "CREATE VIRTUAL TABLE phonebk_search USING fts5(body, content='', detail=none, "
    "columnsize=0, tokenize='trigram case_sensitive 1')";
// One row. changes counts the writes of every program (the triggers in the file), seen those of
// this program (its own triggers); builtupto is the last item indexed, -1 when the index must
// be emptied first.
const char* const CreateStateSql = "CREATE TABLE phonebk_search_state (\n"
                                   "  id INTEGER PRIMARY KEY CHECK (id = 1),\n"
                                   "  format INTEGER NOT NULL,\n"
                                   "  changes INTEGER NOT NULL,\n"
                                   "  seen INTEGER NOT NULL,\n"
                                   "  builtupto INTEGER NOT NULL,\n"
                                   "  complete INTEGER NOT NULL)";
const char* const InsertStateSql =
    "INSERT INTO phonebk_search_state (id, format, changes, seen, builtupto, complete) "
    "VALUES (1, :format, 0, 0, :builtupto, 0)";
const char* const ReadStateSql =
    "SELECT format, changes, seen, builtupto, complete FROM phonebk_search_state";
const char* const RebuildStateSql = "UPDATE phonebk_search_state SET format = :format, "
                                    "seen = changes, builtupto = -1, complete = 0";
const char* const ReadySql = "SELECT complete = 1 AND changes = seen AND format = :format "
                             "FROM phonebk_search_state";
const char* const ObjectExistsSql = "SELECT 1 FROM sqlite_master WHERE name = :name";

// The counting triggers in the file: plain SQL, so that every program writing the items runs
// them. An id, a name or a text changed is what the index depends on.
const char* const CountingTriggerNames[] = {"phonebk_counted_insert", "phonebk_counted_delete",
                                            "phonebk_counted_update"};
const char* const CountingTriggers[] = {
    "CREATE TRIGGER IF NOT EXISTS phonebk_counted_insert AFTER INSERT ON phonebk BEGIN "
    "UPDATE phonebk_search_state SET changes = changes + 1; END",
    "CREATE TRIGGER IF NOT EXISTS phonebk_counted_delete AFTER DELETE ON phonebk BEGIN "
    "UPDATE phonebk_search_state SET changes = changes + 1; END",
    "CREATE TRIGGER IF NOT EXISTS phonebk_counted_update AFTER UPDATE OF id, name, text ON "
    "phonebk BEGIN UPDATE phonebk_search_state SET changes = changes + 1; END",
};

// This connection's own triggers: they keep the index in step for the items the build has
// passed, and count this program's writes. (A temporary trigger finds the tables of the file by
// their plain names: the engine allows no schema name on what a trigger writes.) A contentless
// index forgets a row only when told the very body it was given, which the deterministic function
// gives again from the old values.
const char* const KeepingTriggers[] = {
    "CREATE TEMP TRIGGER IF NOT EXISTS phonebk_search_insert AFTER INSERT ON main.phonebk "
    "BEGIN "
    "INSERT INTO phonebk_search (rowid, body) "
    "SELECT new.id, cardolo_search_body(new.name, new.text) FROM phonebk_search_state "
    "WHERE complete = 1 OR new.id <= builtupto; "
    "UPDATE phonebk_search_state SET seen = seen + 1; "
    "END",
    "CREATE TEMP TRIGGER IF NOT EXISTS phonebk_search_delete AFTER DELETE ON main.phonebk "
    "BEGIN "
    "INSERT INTO phonebk_search (phonebk_search, rowid, body) "
    "SELECT 'delete', old.id, cardolo_search_body(old.name, old.text) "
    "FROM phonebk_search_state WHERE complete = 1 OR old.id <= builtupto; "
    "UPDATE phonebk_search_state SET seen = seen + 1; "
    "END",
    "CREATE TEMP TRIGGER IF NOT EXISTS phonebk_search_update "
    "AFTER UPDATE OF id, name, text ON main.phonebk "
    "BEGIN "
    "INSERT INTO phonebk_search (phonebk_search, rowid, body) "
    "SELECT 'delete', old.id, cardolo_search_body(old.name, old.text) "
    "FROM phonebk_search_state WHERE complete = 1 OR old.id <= builtupto; "
    "INSERT INTO phonebk_search (rowid, body) "
    "SELECT new.id, cardolo_search_body(new.name, new.text) FROM phonebk_search_state "
    "WHERE complete = 1 OR new.id <= builtupto; "
    "UPDATE phonebk_search_state SET seen = seen + 1; "
    "END",
};

// The next rows to index after :from, and the index's share of them.
const char* const NextRowsSql = "SELECT count(*), max(id) FROM (SELECT id FROM phonebk "
                                "WHERE id > :from ORDER BY id LIMIT :rows)";
const char* const IndexRowsSql = "INSERT INTO phonebk_search (rowid, body) "
                                 "SELECT id, cardolo_search_body(name, text) FROM phonebk "
                                 "WHERE id > :from AND id <= :to";
const char* const EmptyIndexSql =
    "INSERT INTO phonebk_search (phonebk_search) VALUES ('delete-all')";
const char* const StepDoneSql =
    "UPDATE phonebk_search_state SET builtupto = :builtupto, complete = :complete";
const char* const LastIdSql = "SELECT max(id) FROM phonebk";

// The connection PrepareSearchIndex set the index up on.
sqlite3* PreparedOn = nullptr;

void appendFolded(const QString& line, std::string& out) {
    const QString folded = PrepareSearchText(line, true);
    for (QChar c : folded)
        out.push_back(static_cast<char>(c.unicode())); // letters a to z and digits only
}

// Appends a name (lines false) or a text, folded as the search folds it: a text line by line,
// as the search compares it. ASCII text is folded byte by byte; any other is taken in UTF-16 as
// the engine converts it, the form the search reads it in.
void appendValue(sqlite3_value* value, bool lines, std::string& out) {
    if (sqlite3_value_type(value) == SQLITE_NULL)
        return;
    const unsigned char* bytes = sqlite3_value_text(value);
    const int size = sqlite3_value_bytes(value);
    if (!bytes)
        return;
    bool ascii = true;
    for (int i = 0; i < size && ascii; ++i)
        ascii = bytes[i] < 0x80;
    if (ascii) {
        const unsigned char* fold = AsciiFoldTable();
        for (int i = 0; i < size; ++i)
            if (const unsigned char f = fold[bytes[i]])
                out.push_back(static_cast<char>(f));
        return;
    }
    const void* wide = sqlite3_value_text16(value);
    if (!wide)
        return;
    const QString text(static_cast<const QChar*>(wide), sqlite3_value_bytes16(value) / 2);
    if (!lines) {
        appendFolded(text, out);
        return;
    }
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text.at(i) != QLatin1Char('\n') && text.at(i) != QLatin1Char('\r'))
            continue;
        if (i > start)
            appendFolded(text.mid(start, i - start), out);
        start = i + 1;
    }
}

// cardolo_search_body(name, text): what the index holds for an item.
void searchBody(sqlite3_context* context, int, sqlite3_value** args) {
    std::string body;
    appendValue(args[0], false, body);
    appendValue(args[1], true, body);
    sqlite3_result_text(context, body.data(), int(body.size()), SQLITE_TRANSIENT);
}

bool objectExists(const char* name) {
    RawStatement q(ObjectExistsSql);
    q.Bind(":name", QString::fromLatin1(name));
    return q.Step();
}

void run(sqlite3* db, const char* sql) {
    RawStatement q(db, sql);
    q.Step();
}

// How many items (up to limit + 1) are left to index after the last one indexed; a rebuild
// waiting to empty the index counts every item.
int itemsLeft(qint64 builtUpTo, int limit) {
    RawStatement q("SELECT count(*) FROM (SELECT 1 FROM phonebk WHERE id > :from LIMIT :n)");
    q.Bind(":from", QVariant(qMax<qint64>(builtUpTo, 0)));
    q.Bind(":n", limit + 1);
    q.Step();
    return q.Int(0);
}
} // namespace

const char* const SearchCandidatesSql =
    "SELECT p.id, p.name, p.text, p.parent, p.srchts, p.rank, length(p.tel) FROM phonebk_search f "
    "JOIN phonebk p ON p.id = f.rowid WHERE phonebk_search MATCH :query ORDER BY f.rowid";

void RegisterSearchIndexFunction(sqlite3* db) {
    const int rc = sqlite3_create_function_v2(db, FunctionName, 2,
                                              SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS,
                                              nullptr, searchBody, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        throw DbError(QString::fromUtf8(sqlite3_errmsg(db)), rc);
}

void PrepareSearchIndex() {
    sqlite3* db = PhoneDBHandle();
    RegisterSearchIndexFunction(db);
    // A file that takes no writes keeps its index as it is: used when complete and in step (no
    // write of this program can put it out of step), else the search reads every item.
    if (PhoneDBWriteRefusal() != WriteRefusal::None) {
        bool kept = objectExists("phonebk_search") && objectExists("phonebk_search_state");
        for (const char* name : CountingTriggerNames)
            kept = kept && objectExists(name);
        if (kept)
            PreparedOn = db;
        return;
    }
    // A row that INSERT OR REPLACE puts out of the way is deleted through the delete triggers
    // only when triggers may run from within triggers' statements.
    ExecSql(QStringLiteral("PRAGMA recursive_triggers=ON"));
    qint64 builtUpTo = 0;
    bool complete = false;
    {
        Transaction t;
        const bool hasIndex = objectExists("phonebk_search");
        if (!hasIndex)
            ExecSql(QString::fromLatin1(CreateIndexSql));
        if (!objectExists("phonebk_search_state"))
            ExecSql(QString::fromLatin1(CreateStateSql));
        bool countingKept = true;
        for (const char* name : CountingTriggerNames)
            countingKept = countingKept && objectExists(name);
        RawStatement state(ReadStateSql);
        if (!state.Step()) {
            // The state is lost (another program emptied the table, or it is new): the index
            // may hold anything, so it is emptied and built again.
            state.Reset();
            RawStatement insert(InsertStateSql);
            insert.Bind(":format", IndexFormat);
            insert.Bind(":builtupto", hasIndex ? -1 : 0);
            insert.Step();
            builtUpTo = hasIndex ? -1 : 0;
            complete = false;
        } else {
            const bool inStep = state.Int(0) == IndexFormat && state.Int64(1) == state.Int64(2);
            builtUpTo = state.Int64(3);
            complete = state.Int(4) == 1;
            state.Reset();
            // Writes nobody counted, or counted by another program, or an index made afresh
            // just now: what the index holds is not what the items say.
            if (!inStep || !countingKept || !hasIndex) {
                RawStatement rebuild(RebuildStateSql);
                rebuild.Bind(":format", IndexFormat);
                rebuild.Step();
                builtUpTo = -1;
                complete = false;
            }
        }
        for (const char* sql : CountingTriggers)
            ExecSql(QString::fromLatin1(sql));
        for (const char* sql : KeepingTriggers)
            ExecSql(QString::fromLatin1(sql));
        t.Commit();
    }
    PreparedOn = db;
    if (!complete && itemsLeft(builtUpTo, BuildAtOnceLimit) <= BuildAtOnceLimit)
        BuildSearchIndexNow();
}

bool SearchIndexReady() {
    sqlite3* db = PhoneDBHandle();
    if (db != PreparedOn)
        return false;
    RawStatement q(ReadySql);
    q.Bind(":format", IndexFormat);
    return q.Step() && q.Int(0) == 1;
}

bool SearchIndexIncomplete() {
    if (!PhoneDB().isOpen() || PhoneDBHandle() != PreparedOn)
        return false;
    RawStatement q("SELECT complete FROM phonebk_search_state");
    return q.Step() && q.Int(0) != 1;
}

QString SearchIndexQuery(const QString& prepared) {
    const QString key = PrepareSearchText(prepared, true);
    QStringList terms;
    QSet<QString> taken;
    for (qsizetype i = 0; i + 3 <= key.size() && terms.size() < MaxTrigrams; ++i) {
        const QString trigram = key.mid(i, 3);
        if (taken.contains(trigram))
            continue;
        taken.insert(trigram);
        // Letters and digits only: nothing inside the quotes needs escaping.
        terms << QLatin1Char('"') + trigram + QLatin1Char('"');
    }
    return terms.join(QStringLiteral(" AND "));
}

SearchIndexStepResult BuildSearchIndexStep(sqlite3* db, int rows) {
    SearchIndexStepResult result;
    {
        RawStatement last(db, LastIdSql);
        last.Step();
        result.LastId = last.Int64(0);
    }
    {
        RawStatement state(db, "SELECT builtupto, complete FROM phonebk_search_state");
        if (!state.Step())
            throw DbError(QStringLiteral("The search index has lost its state"));
        result.BuiltUpTo = state.Int64(0);
        result.Complete = state.Int(1) == 1;
    }
    if (result.Complete)
        return result;
    if (result.BuiltUpTo < 0) {
        run(db, EmptyIndexSql);
        RawStatement done(db, StepDoneSql);
        done.Bind(":builtupto", 0);
        done.Bind(":complete", 0);
        done.Step();
        result.BuiltUpTo = 0;
        return result;
    }
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
        RawStatement index(db, IndexRowsSql);
        index.Bind(":from", QVariant(result.BuiltUpTo));
        index.Bind(":to", QVariant(to));
        index.Step();
    }
    result.BuiltUpTo = to;
    result.Complete = count < rows;
    RawStatement done(db, StepDoneSql);
    done.Bind(":builtupto", QVariant(to));
    done.Bind(":complete", result.Complete ? 1 : 0);
    done.Step();
    return result;
}

bool BuildSearchIndexNow(WorkProgress* progress) {
    for (;;) {
        SearchIndexStepResult step;
        {
            Transaction t;
            step = BuildSearchIndexStep(PhoneDBHandle(), StepRows);
            t.Commit();
        }
        if (step.Complete)
            return true;
        if (progress && !progress->Step(qMax<qint64>(step.BuiltUpTo, 0), step.LastId))
            return false;
    }
}

void RequestSearchIndexRebuild() {
    RawStatement rebuild(RebuildStateSql);
    rebuild.Bind(":format", IndexFormat);
    rebuild.Step();
}

void ForgetSearchIndex() {
    StopSearchIndexBuild();
    PreparedOn = nullptr;
}
