#include "store/Database.h"

#include "common/Clock.h"
#include "common/TextHelpers.h"
#include "store/LogCheckpoints.h"
#include "store/SearchIndex.h"
#include "store/StoreState.h"

#include <QSqlDriver>
#include <QSqlError>

#include <sqlite3.h>

#include <cstring>
#include <memory>

const char* const PhoneDBName = "PhoneDB";

namespace {
bool isWrite(const QString& sql) {
    const QString head = sql.trimmed().left(8).toUpper();
    return !head.startsWith(QLatin1String("SELECT")) && !head.startsWith(QLatin1String("PRAGMA"));
}

const char* const CreateStatements[] = {
    "CREATE TABLE phonebk (\n"
    "  id INTEGER PRIMARY KEY AUTOINCREMENT,\n"
    "  name VARCHAR(80),\n"
    "  text TEXT,\n"
    "  numchildren INTEGER,\n"
    "  rprts INTEGER,\n"
    "  srchts TIMESTAMP,\n"
    "  tel VARCHAR(40),\n"
    "  parent INTEGER,\n"
    "  createdts TIMESTAMP,\n"
    "  editts TIMESTAMP,\n"
    "  rank INTEGER,\n"
    "  numcousins INTEGER)",
    "CREATE TABLE mm2 (\n"
    "  id1 INTEGER NOT NULL,\n"
    "  id2 INTEGER NOT NULL,\n"
    "  linknote VARCHAR(40),\n"
    "  \"drop\" INTEGER NOT NULL,\n"
    "  PRIMARY KEY (id1, id2, \"drop\"))",
};

const char* const IndexStatements[] = {
    "CREATE INDEX IF NOT EXISTS phonebk_parent ON phonebk(parent)",
    "CREATE INDEX IF NOT EXISTS phonebk_srchts ON phonebk(srchts)",
    // The diary's month query matches tel with LIKE, which ignores case: a NOCASE index
    // lets the engine use it for the prefix.
    "CREATE INDEX IF NOT EXISTS phonebk_tel ON phonebk(tel COLLATE NOCASE)",
    // Items are looked up by exact name (the diary item, the year items).
    "CREATE INDEX IF NOT EXISTS phonebk_name ON phonebk(name)",
    // Deleting an item looks for links-across rows naming it at either end.
    "CREATE INDEX IF NOT EXISTS mm2_id2 ON mm2(id2)",
};

// An empty Ref is stored as null, as an empty text is; older versions stored some as ''. The
// comparison under NOCASE (which matches only '' itself) lets the engine use phonebk_tel.
const char* const EmptyRefExists = "SELECT 1 FROM phonebk WHERE tel = '' COLLATE NOCASE LIMIT 1";
const char* const EmptyRefsToNull = "UPDATE phonebk SET tel = NULL WHERE tel = '' COLLATE NOCASE";

QString engineText(const QSqlError& e) {
    QString t = e.databaseText();
    if (t.isEmpty())
        t = e.text();
    return t;
}

// The driver reports the engine's extended result code as its native code.
int engineCode(const QSqlError& e) {
    return e.nativeErrorCode().toInt();
}

// LOWER() on PhoneDB: the program's own lower-case folding (LowerText, the one the search
// uses), so that lists sort "Éclair" with "éclair" as they sort "Apple" with "apple". The
// engine's built-in one lowers A to Z only. Texts of ASCII characters, nearly every name, are
// lowered here byte by byte; any other text goes through LowerText.
void unicodeLower(sqlite3_context* context, int, sqlite3_value** args) {
    sqlite3_value* value = args[0];
    if (sqlite3_value_type(value) == SQLITE_NULL)
        return; // the result stays null
    const unsigned char* in = sqlite3_value_text(value);
    const int size = sqlite3_value_bytes(value);
    if (!in) {
        sqlite3_result_error_nomem(context);
        return;
    }
    int firstUpper = -1;
    bool ascii = true;
    for (int i = 0; i < size; ++i) {
        const unsigned char c = in[i];
        if (c >= 0x80) {
            ascii = false;
            break;
        }
        if (firstUpper < 0 && c >= 'A' && c <= 'Z')
            firstUpper = i;
    }
    if (ascii) {
        if (firstUpper < 0) {
            sqlite3_result_text(context, reinterpret_cast<const char*>(in), size, SQLITE_TRANSIENT);
            return;
        }
        char* out = static_cast<char*>(sqlite3_malloc(size + 1));
        if (!out) {
            sqlite3_result_error_nomem(context);
            return;
        }
        std::memcpy(out, in, size_t(firstUpper));
        for (int i = firstUpper; i < size; ++i) {
            const unsigned char c = in[i];
            out[i] = static_cast<char>((c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c);
        }
        out[size] = 0;
        sqlite3_result_text(context, out, size, sqlite3_free);
        return;
    }
    const QByteArray lowered =
        LowerText(QString::fromUtf8(reinterpret_cast<const char*>(in), size)).toUtf8();
    sqlite3_result_text(context, lowered.constData(), int(lowered.size()), SQLITE_TRANSIENT);
}

// Notes each connection the linked engine opens while OpenPhoneDB waits for the driver: a
// connection the driver opened with a copy of the engine of its own never passes through here.
int noteOpenedHandle(sqlite3* handle, const char**, const sqlite3_api_routines*) {
    TheStoreState.OpenedHandle = handle;
    return SQLITE_OK;
}

// Watches the connections the linked engine opens for as long as it lives. The engine calls
// its automatic extensions for every connection it opens, whoever asks for it.
class OpenWatch {
public:
    OpenWatch() {
        TheStoreState.OpenedHandle = nullptr;
        sqlite3_auto_extension(entry());
    }
    ~OpenWatch() { sqlite3_cancel_auto_extension(entry()); }
    OpenWatch(const OpenWatch&) = delete;
    OpenWatch& operator=(const OpenWatch&) = delete;

private:
    static void (*entry())() { return reinterpret_cast<void (*)()>(&noteOpenedHandle); }
};

// "3.40.1" as sqlite3_libversion_number() gives it, 3040001; 0 when it is no version.
int versionNumber(const QString& version) {
    const QStringList parts = version.split(QLatin1Char('.'));
    if (parts.size() < 3)
        return 0;
    int number = 0;
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        const int part = parts[i].toInt(&ok);
        if (!ok || part < 0 || (i > 0 && part > 999))
            return 0;
        number = number * 1000 + part;
    }
    return number;
}

// The store calls the linked library on the driver's handle (its LOWER, RawStatement). That is
// sound only when the driver runs that same library: a copy of its own, even of the same
// version, keeps its own memory and locks. The driver answers sqlite_version() with its
// engine's version; the watch saw whether the linked library opened the handle. Run before
// anything of the linked library touches the handle; on a mismatch PhoneDB is closed again.
void checkEngineLibrary() {
    QString driverVersion;
    {
        QSqlQuery q = ExecSql(QStringLiteral("SELECT sqlite_version()"));
        if (q.next())
            driverVersion = q.value(0).toString();
    }
    const bool openedHere = TheStoreState.OpenedHandle == PhoneDBHandle();
    TheStoreState.OpenedHandle = nullptr;
    const QString mismatch = EngineLibraryMismatch(driverVersion, openedHere);
    if (mismatch.isEmpty())
        return;
    ClosePhoneDB();
    throw DbError(mismatch);
}

void registerFunctions() {
    sqlite3* handle = PhoneDBHandle();
    // Deterministic: the same text always lowers the same way, so the engine may evaluate it
    // once per value and use it wherever a deterministic function is allowed.
    const int rc =
        sqlite3_create_function_v2(handle, "lower", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                                   unicodeLower, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        throw DbError(QString::fromUtf8(sqlite3_errmsg(handle)), rc);
}
} // namespace

bool DbError::IsKeyClash() const {
    // A driver that reports only primary codes gives the plain constraint code for a clash.
    return Code == SQLITE_CONSTRAINT_PRIMARYKEY || Code == SQLITE_CONSTRAINT_UNIQUE ||
           Code == SQLITE_CONSTRAINT;
}

sqlite3* PhoneDBHandle() {
    const QSqlDatabase db = PhoneDB();
    if (!db.isOpen() || !db.driver())
        throw DbError(QStringLiteral("Database PhoneDB is not open"));
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || std::strcmp(handle.typeName(), "sqlite3*") != 0)
        throw DbError(QStringLiteral("Database PhoneDB has no SQLite handle"));
    sqlite3* h = *static_cast<sqlite3* const*>(handle.constData());
    if (!h)
        throw DbError(QStringLiteral("Database PhoneDB is not open"));
    return h;
}

QString EngineLibraryMismatch(const QString& driverVersion, bool openedHere) {
    if (openedHere && versionNumber(driverVersion) == sqlite3_libversion_number())
        return QString();
    const QString shown =
        driverVersion.isEmpty() ? QStringLiteral("(version unknown)") : driverVersion;
    return QStringLiteral("The Qt SQLite driver uses SQLite %1; this program is linked with "
                          "SQLite %2 and needs the driver to use that same library")
        .arg(shown, QString::fromLatin1(sqlite3_libversion()));
}

QSqlDatabase PhoneDB() {
    return QSqlDatabase::database(QLatin1String(PhoneDBName), false);
}

QSqlQuery PrepareQuery(const QString& sql) {
    QSqlQuery q(PhoneDB());
    if (!q.prepare(sql))
        throw DbError(engineText(q.lastError()), engineCode(q.lastError()));
    return q;
}

void FailNextWrites(const QString& engineText, int count) {
    TheStoreState.InjectedFailureText = engineText;
    TheStoreState.InjectedFailures = count;
}

void ExecQuery(QSqlQuery& query) {
    StoreState& state = TheStoreState;
    if (state.InjectedFailures > 0 && isWrite(query.lastQuery())) {
        --state.InjectedFailures;
        throw DbError(state.InjectedFailureText);
    }
    if (!query.exec())
        throw DbError(engineText(query.lastError()), engineCode(query.lastError()));
}

QSqlQuery ExecSql(const QString& sql) {
    QSqlQuery q = PrepareQuery(sql);
    ExecQuery(q);
    return q;
}

QSqlQuery& StoredQuery(const QString& sql) {
    auto& stored = TheStoreState.StoredQueries;
    auto found = stored.find(sql);
    if (found == stored.end())
        found = stored.insert(sql, std::make_shared<QSqlQuery>(PrepareQuery(sql)));
    return *found.value();
}

bool OpenPhoneDB(const QString& path) {
    ClosePhoneDB();
    QSqlDatabase db =
        QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QLatin1String(PhoneDBName));
    db.setDatabaseName(path);
    {
        const OpenWatch watch;
        if (!db.open())
            throw DbError(engineText(db.lastError()), engineCode(db.lastError()));
    }
    checkEngineLibrary();
    registerFunctions();
    ExecSql(QStringLiteral("PRAGMA journal_mode=WAL"));
    ExecSql(QStringLiteral("PRAGMA synchronous=FULL"));
    ExecSql(QStringLiteral("PRAGMA busy_timeout=5000"));
    // The log is cut back to this size whenever it starts over, so one large write does not
    // leave a log the size of the database behind.
    ExecSql(QStringLiteral("PRAGMA journal_size_limit=%1").arg(JournalSizeLimit));
    StartLogCheckpoints();
    // Marking a large branch changes rows spread over the whole file in one transaction; with
    // the engine's small default cache the same pages would spill to the journal again and
    // again. Up to 64 MiB of pages, taken only as they are used.
    ExecSql(QStringLiteral("PRAGMA cache_size=-65536"));
    // A file without the items table is new, also when an earlier first start was cut off
    // after the engine had made the file but before the tables were committed.
    QSqlQuery probe = ExecSql(QStringLiteral(
        "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = 'phonebk'"));
    const bool isNew = !probe.next() || probe.value(0).toInt() == 0;
    probe.finish();
    if (isNew) {
        Transaction t;
        for (const char* sql : CreateStatements)
            ExecSql(QString::fromLatin1(sql));
        EnsureIndexes();
        QSqlQuery q = PrepareQuery(QStringLiteral(
            "INSERT INTO phonebk (name, parent, rank, numchildren, numcousins, createdts) "
            "VALUES (:name, 0, 0, 0, 0, :createdts)"));
        q.bindValue(QStringLiteral(":name"), QStringLiteral("Diary"));
        q.bindValue(QStringLiteral(":createdts"), StampToDb(CurrentDateTime()));
        ExecQuery(q);
        t.Commit();
    }
    return isNew;
}

void EnsureIndexes() {
    Transaction t;
    for (const char* sql : IndexStatements)
        ExecSql(QString::fromLatin1(sql));
    // Asked first, so that a file with nothing to change is only read.
    QSqlQuery probe = ExecSql(QString::fromLatin1(EmptyRefExists));
    const bool emptyRefs = probe.next();
    probe.finish();
    if (emptyRefs)
        ExecSql(QString::fromLatin1(EmptyRefsToNull));
    t.Commit();
    PrepareSearchIndex();
}

void ClosePhoneDB() {
    const QString name = QLatin1String(PhoneDBName);
    ForgetSearchIndex();
    StopLogCheckpoints();
    TheStoreState.ForgetConnection();
    if (!QSqlDatabase::contains(name))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        if (db.isOpen())
            db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

QVariant StampToDb(const QDateTime& stamp) {
    if (!stamp.isValid())
        return QVariant(QMetaType::fromType<QString>());
    return stamp.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
}

QDateTime StampFromDb(const QVariant& value) {
    if (value.isNull())
        return QDateTime();
    return QDateTime::fromString(value.toString(), QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
}

namespace {
QString savepointName(int depth) {
    return QStringLiteral("cardolo_sp%1").arg(depth);
}
} // namespace

// A guard inside another one is a savepoint: leaving it without Commit undoes its own writes
// only, and the outer operation goes on with what it had done before.
Transaction::Transaction() {
    int& transactionDepth = TheStoreState.TransactionDepth;
    if (transactionDepth == 0) {
        // The write lock is taken at once: a transaction that read first would be refused its
        // first write when another connection (the search index's build) committed meanwhile.
        // A connection opened for reading only cannot take it and reads as before.
        const bool readOnly = sqlite3_db_readonly(PhoneDBHandle(), "main") == 1;
        QSqlQuery begin(PhoneDB());
        if (!begin.exec(readOnly ? QStringLiteral("BEGIN") : QStringLiteral("BEGIN IMMEDIATE")))
            throw DbError(engineText(begin.lastError()), engineCode(begin.lastError()));
        outermost = true;
    } else {
        ExecSql(QStringLiteral("SAVEPOINT ") + savepointName(transactionDepth));
    }
    depth = transactionDepth;
    ++transactionDepth;
}

void Transaction::Commit() {
    if (done)
        return;
    done = true;
    --TheStoreState.TransactionDepth;
    if (outermost) {
        if (!PhoneDB().commit()) {
            QString text = engineText(PhoneDB().lastError());
            PhoneDB().rollback();
            throw DbError(text);
        }
    } else {
        ExecSql(QStringLiteral("RELEASE ") + savepointName(depth));
    }
}

Transaction::~Transaction() {
    if (done)
        return;
    --TheStoreState.TransactionDepth;
    if (outermost) {
        PhoneDB().rollback();
    } else {
        // No throwing from here: a failure leaves the outer guard to roll everything back.
        QSqlQuery q(PhoneDB());
        q.exec(QStringLiteral("ROLLBACK TO ") + savepointName(depth));
        q.exec(QStringLiteral("RELEASE ") + savepointName(depth));
    }
}
