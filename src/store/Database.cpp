#include "store/Database.h"

#include "common/Clock.h"
#include "common/Dialogs.h"
#include "store/ConnectionHooks.h"
#include "store/DamageCheck.h"
#include "store/EngineLibrary.h"
#include "store/ItemChanges.h"
#include "store/LogCheckpoints.h"
#include "store/SideFiles.h"
#include "store/SortKeys.h"
#include "store/StoreState.h"
#include "store/WriteGate.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>

#include <sqlite3.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <thread>
#include <unistd.h>

const char* const PhoneDBName = "PhoneDB";

namespace {
bool isWrite(const QString& sql) {
    const QString head = sql.trimmed().left(8).toUpper();
    return !head.startsWith(QLatin1String("SELECT")) && !head.startsWith(QLatin1String("PRAGMA"));
}

// A writing statement that changes the file, as its text tells: the statements that begin, end
// or mark a transaction change nothing themselves. (A write the text hides is refused by the
// engine, told to refuse writes.)
bool changesFile(const QString& sql) {
    if (!isWrite(sql))
        return false;
    const QString head = sql.trimmed().section(QLatin1Char(' '), 0, 0).toUpper();
    for (const char* control : {"BEGIN", "SAVEPOINT", "RELEASE", "ROLLBACK", "COMMIT", "END"})
        if (head == QLatin1String(control))
            return false;
    return true;
}

// Set, from any thread, once the engine has reported damage to PhoneDB's file; cleared when
// PhoneDB closes.
std::atomic<bool> DamageSeen{false};
// Counts PhoneDB's openings, so that a notice posted for one connection is dropped when it
// arrives after PhoneDB has been closed.
std::atomic<unsigned> Openings{0};
// The thread PhoneDB was opened on and is used on; none while it is closed.
std::atomic<std::thread::id> PhoneDBThread{std::thread::id()};
// PhoneDB's handle once its engine is checked.
std::atomic<sqlite3*> SeenHandle{nullptr};

// The engine logs every damage it meets, also where the driver keeps the error to itself (a row
// that cannot be read ends QSqlQuery::next() as if the rows had ended there). Only what happens
// on PhoneDB's thread is taken as damage to its file: other threads read other files too (the
// copies the backups make and check), and the store's own threads report what they find.
void engineLog(void*, int code, const char*) {
    if (IsDamageCode(code) && std::this_thread::get_id() == PhoneDBThread.load())
        NoteDatabaseDamage();
}

// The engine takes a log only before it starts, so the log is set as the program loads.
[[maybe_unused]] const bool EngineLogSet =
    sqlite3_config(SQLITE_CONFIG_LOG, engineLog, nullptr) == SQLITE_OK;

QString nativePath(const QString& path) {
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
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
} // namespace

sqlite3* PhoneDBHandleSeen() {
    return SeenHandle.load();
}

WriteRefusal PhoneDBWriteRefusal() {
    return TheStoreState.Refusal;
}

QString WriteRefusalMessage() {
    switch (TheStoreState.Refusal) {
    case WriteRefusal::None:
        break;
    case WriteRefusal::ReadOnlyFile:
        return ReadOnlyFileMessage(PhoneDB().databaseName());
    case WriteRefusal::DamagedFile:
        return DamagedFileMessage(PhoneDB().databaseName());
    }
    return QString();
}

void RefuseWrites(WriteRefusal reason) {
    StoreState& s = TheStoreState;
    if (int(reason) <= int(s.Refusal))
        return;
    const bool first = s.Refusal == WriteRefusal::None;
    s.Refusal = reason;
    RunWritesRefusedHooks(reason, first);
    if (!first)
        return;
    StopSortKeyBuild();
    StopLogCheckpoints();
    QSqlQuery queryOnly(PhoneDB());
    queryOnly.exec(QStringLiteral("PRAGMA query_only=1"));
    // The last connection to close would otherwise copy the log into the file.
    if (s.LinkedEngine)
        sqlite3_db_config(PhoneDBHandle(), SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
}

namespace {
// The damage is told from here on: once on standard error, whatever tells it to the user.
void noteDamageTold() {
    StoreState& s = TheStoreState;
    if (s.DamageTold)
        return;
    s.DamageTold = true;
    std::fprintf(stderr, "Cardolo: %s\n",
                 DamagedFileMessage(PhoneDB().databaseName()).toLocal8Bit().constData());
}

// The refusal of a write, said in full the first time and in a short line after that.
[[noreturn]] void throwRefusal(int engineCode) {
    StoreState& s = TheStoreState;
    bool& told = s.Refusal == WriteRefusal::DamagedFile ? s.DamageTold : s.ReadOnlyTold;
    if (told) {
        DbError e(RefusedWriteMessage(), engineCode);
        e.Told = true;
        throw e;
    }
    // The refusal of a damaged file tells the damage, also on standard error.
    if (s.Refusal == WriteRefusal::DamagedFile)
        noteDamageTold();
    told = true;
    throw DbError(WriteRefusalMessage(), engineCode);
}
} // namespace

QString RefusedWriteMessage() {
    switch (TheStoreState.Refusal) {
    case WriteRefusal::None:
        break;
    case WriteRefusal::ReadOnlyFile:
        return QStringLiteral("Not saved: the database file is read-only.");
    case WriteRefusal::DamagedFile:
        return QStringLiteral("Not saved: the database file is damaged; Cardolo saves no changes "
                              "until it is restarted.");
    }
    return QString();
}

void MarkWriteRefusalTold() {
    StoreState& s = TheStoreState;
    if (s.Refusal == WriteRefusal::ReadOnlyFile)
        s.ReadOnlyTold = true;
    else if (s.Refusal == WriteRefusal::DamagedFile)
        noteDamageTold();
}

bool DatabaseDamageSeen() {
    return DamageSeen.load();
}

void RefuseWriteWhenRefused() {
    StoreState& s = TheStoreState;
    if (DamageSeen.load() && s.Refusal != WriteRefusal::DamagedFile && !s.Opening &&
        PhoneDB().isOpen())
        RefuseWrites(WriteRefusal::DamagedFile);
    if (s.Refusal == WriteRefusal::None)
        return;
    throwRefusal(SQLITE_READONLY);
}

namespace {
// TellDatabaseDamage on the user's thread, when its events next run, for this connection only.
void postTellDamage() {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return;
    const unsigned opening = Openings.load();
    QMetaObject::invokeMethod(
        app,
        [opening] {
            if (opening == Openings.load())
                TellDatabaseDamage();
        },
        Qt::QueuedConnection);
}
} // namespace

void NoteDatabaseDamage() {
    if (DamageSeen.exchange(true))
        return;
    postTellDamage();
}

void TellDatabaseDamage() {
    StoreState& s = TheStoreState;
    if (!DamageSeen.load() || s.Opening || !PhoneDB().isOpen())
        return;
    // Events let through in the middle of a statement (the progress of a long index build) do
    // not change the connection under it: the notice comes again once the work is over.
    if (s.TransactionDepth > 0) {
        postTellDamage();
        return;
    }
    RefuseWrites(WriteRefusal::DamagedFile);
    if (s.DamageTold)
        return;
    noteDamageTold();
    ShowInfo(DamagedFileMessage(PhoneDB().databaseName()));
}

void ThrowEngineError(const QString& engineText, int engineCode) {
    StoreState& s = TheStoreState;
    if (IsDamageCode(engineCode) && !s.Opening && PhoneDB().isOpen()) {
        DamageSeen = true;
        RefuseWrites(WriteRefusal::DamagedFile);
        const QString path = PhoneDB().databaseName();
        if (s.DamageTold)
            throw DbError(DamagedPartMessage(path), engineCode);
        noteDamageTold();
        throw DbError(DamagedFileMessage(path), engineCode);
    }
    if (s.Refusal != WriteRefusal::None && (engineCode & 0xff) == SQLITE_READONLY)
        throwRefusal(engineCode);
    throw DbError(engineText, engineCode);
}

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

void ThrowDriverError(const QSqlError& error) {
    ThrowEngineError(engineText(error), engineCode(error));
}

QSqlDatabase PhoneDB() {
    return QSqlDatabase::database(QLatin1String(PhoneDBName), false);
}

QSqlQuery PrepareQuery(const QString& sql) {
    QSqlQuery q(PhoneDB());
    if (!q.prepare(sql))
        ThrowDriverError(q.lastError());
    return q;
}

void FailNextWrites(const QString& engineText, int count) {
    TheStoreState.InjectedFailureText = engineText;
    TheStoreState.InjectedFailures = count;
}

void ExecQuery(QSqlQuery& query) {
    StoreState& state = TheStoreState;
    // The text is looked at only while writes may be refused.
    if ((state.Refusal != WriteRefusal::None || DamageSeen.load()) &&
        changesFile(query.lastQuery()))
        RefuseWriteWhenRefused();
    if (state.InjectedFailures > 0 && isWrite(query.lastQuery())) {
        --state.InjectedFailures;
        throw DbError(state.InjectedFailureText);
    }
    // A write outside a transaction takes the user's turn for itself.
    std::optional<UserWriteTurn> turn;
    if (state.TransactionDepth == 0 && changesFile(query.lastQuery()))
        turn.emplace();
    if (!query.exec())
        ThrowDriverError(query.lastError());
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

namespace {
// The items table's first and last rows and those of the links across: the pages from the root
// of each table down to its two ends. Reading them costs a few pages whatever the size of the
// file, and finds a damaged root (which would leave every list empty) at once.
// Each end is asked on its own: min() and max() together would be read from the smallest index
// instead.
void readTableEnds(bool items, bool linksAcross) {
    if (items) {
        QSqlQuery ends = ExecSql(
            QStringLiteral("SELECT (SELECT min(id) FROM phonebk), (SELECT max(id) FROM phonebk)"));
        ends.finish();
    }
    if (linksAcross) {
        QSqlQuery links = ExecSql(
            QStringLiteral("SELECT (SELECT min(rowid) FROM mm2), (SELECT max(rowid) FROM mm2)"));
        links.finish();
    }
}

// A side file the engine would open for writing and cannot: the next write would fail
// with the engine's "attempt to write a readonly database". The errno, or 0.
int unwritableSideFile(const QString& path, QString& file) {
    for (const QString& side : SideFilesOf(path)) {
        const int fd = ::open(QFile::encodeName(side).constData(), O_RDWR | O_CLOEXEC);
        if (fd >= 0) {
            ::close(fd);
            continue;
        }
        if (errno == ENOENT)
            continue;
        file = side;
        return errno;
    }
    return 0;
}

// Whether PhoneDB's file is in WAL mode already (asking changes nothing).
bool inWriteAheadLog() {
    QSqlQuery mode = ExecSql(QStringLiteral("PRAGMA journal_mode"));
    const bool wal = mode.next() && mode.value(0).toString().compare(QLatin1String("wal"),
                                                                     Qt::CaseInsensitive) == 0;
    mode.finish();
    return wal;
}

// Reads the ends of the links-across table, which a file without damage there passes. Damage
// there alone leaves every item readable: the file is used without writing to it, so that the
// user can copy the items out, and the damage is told once the program is up.
void readLinkEnds() {
    try {
        readTableEnds(false, true);
    } catch (const DbError& e) {
        if (!IsDamageCode(e.Code))
            throw;
        DamageSeen = true;
        RefuseWrites(WriteRefusal::DamagedFile);
        postTellDamage();
    }
}

// OpenPhoneDB once the driver has opened the file on the linked engine. Nothing is written to
// an existing file here: one with another program's tables is refused by its layout before
// anything changed its bytes (UseWriteAheadLog switches the file once the layout is accepted).
bool setUpPhoneDB(const QString& path) {
    RegisterEngineFunctions();
    ExecSql(QStringLiteral("PRAGMA busy_timeout=5000"));
    // The engine opens a file it may not write for reading only, without a word.
    const bool readOnlyFile = sqlite3_db_readonly(PhoneDBHandle(), "main") == 1;
    QString side;
    if (readOnlyFile) {
        RefuseWrites(WriteRefusal::ReadOnlyFile);
    } else if (const int error = unwritableSideFile(path, side)) {
        throw DbError(QStringLiteral("Cardolo cannot write the file %1 beside the database (%2). "
                                     "Give your user write permission on it, then start Cardolo "
                                     "again.")
                          .arg(nativePath(side), QString::fromLocal8Bit(std::strerror(error))));
    } else {
        ExecSql(QStringLiteral("PRAGMA synchronous=FULL"));
        // The log is cut back to this size whenever it starts over, so one large write does
        // not leave a log the size of the database behind.
        ExecSql(QStringLiteral("PRAGMA journal_size_limit=%1").arg(JournalSizeLimit));
    }
    // Marking a large branch changes rows spread over the whole file in one transaction; with
    // the engine's small default cache the same pages would spill to the journal again and
    // again. Up to 64 MiB of pages, taken only as they are used.
    ExecSql(QStringLiteral("PRAGMA cache_size=-65536"));
    // All of the engine's memory in the process (every connection's pages, sorts, the search
    // index's lists) is held near EngineMemoryLimit: beyond it the caches take pages back from
    // what is not in use rather than growing, so that a list of hundreds of thousands of rows,
    // sorted by the engine, does not add its sort to full caches.
    sqlite3_soft_heap_limit64(EngineMemoryLimit);
    // A file without any table is new, also when an earlier first start was cut off after the
    // engine had made the file but before the tables were committed. A file with tables of
    // other names is not filled with the program's own: its layout is for the caller to judge.
    QSqlQuery probe = ExecSql(QStringLiteral(
        "SELECT count(*), count(CASE WHEN name = 'phonebk' THEN 1 END), "
        "count(CASE WHEN name = 'mm2' THEN 1 END) FROM sqlite_master WHERE type = 'table'"));
    const bool read = probe.next();
    const bool isNew = !read || probe.value(0).toInt() == 0;
    const bool hasItems = read && probe.value(1).toInt() > 0;
    const bool hasLinks = read && probe.value(2).toInt() > 0;
    probe.finish();
    if (hasItems)
        readTableEnds(true, false);
    if (hasLinks)
        readLinkEnds();
    if (isNew && readOnlyFile)
        throw DbError(QStringLiteral("The database file %1 is read-only and holds no items yet, "
                                     "so Cardolo cannot set it up. Give your user write "
                                     "permission on it, then start Cardolo again.")
                          .arg(nativePath(path)));
    // A new file, and one in WAL mode already, change nothing by it.
    if (isNew || inWriteAheadLog())
        UseWriteAheadLog();
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

// The engine's errno for a failure of the system, when the failure was one.
int systemError(int engineCode) {
    const int primary = engineCode & 0xff;
    if (primary != SQLITE_IOERR && primary != SQLITE_CANTOPEN && primary != SQLITE_FULL &&
        primary != SQLITE_READONLY)
        return 0;
    if (!TheStoreState.LinkedEngine || !PhoneDB().isOpen())
        return 0;
    try {
        return sqlite3_system_errno(PhoneDBHandle());
    } catch (const DbError&) {
        return 0;
    }
}
} // namespace

void UseWriteAheadLog() {
    StoreState& s = TheStoreState;
    if (s.Refusal != WriteRefusal::None || s.LogInUse)
        return;
    ExecSql(QStringLiteral("PRAGMA journal_mode=WAL"));
    s.LogInUse = true;
    StartLogCheckpoints();
}

bool OpenPhoneDB(const QString& path) {
    ClosePhoneDB();
    const QStringList sideFilesMade = MissingSideFiles(path);
    QSqlError openError;
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QLatin1String(PhoneDBName));
        db.setDatabaseName(path);
        const OpenWatch watch;
        if (!db.open())
            openError = db.lastError();
    }
    if (openError.isValid()) {
        ClosePhoneDB();
        // The program holds its folder's lock: no one else uses what a failed open made.
        RemoveEmptySideFiles(sideFilesMade);
        throw DbError(OpenFailureMessage(path, engineCode(openError), engineText(openError), 0),
                      engineCode(openError));
    }
    PhoneDBThread = std::this_thread::get_id();
    StoreState& s = TheStoreState;
    s.Opening = true;
    s.SideFilesMade = sideFilesMade;
    try {
        CheckEngineLibrary();
        s.LinkedEngine = true;
        SeenHandle = PhoneDBHandle();
        WatchItemChanges(SeenHandle);
        const bool isNew = setUpPhoneDB(path);
        s.Opening = false;
        return isNew;
    } catch (const DbError& e) {
        // The texts the steps word themselves carry no engine code.
        QString text = e.Text;
        if (e.Code != 0)
            text = OpenFailureMessage(path, e.Code, e.Text, systemError(e.Code));
        ClosePhoneDB();
        RemoveEmptySideFiles(sideFilesMade);
        throw DbError(text, e.Code);
    }
}

void ClosePhoneDB() {
    const QString name = QLatin1String(PhoneDBName);
    RunClosingHooks();
    StopDamageCheck();
    RunForgetHooks();
    ForgetSortKeys();
    StopLogCheckpoints();
    // The side files a read-only file's connection made go with it (below).
    const bool readOnlyFile = TheStoreState.Refusal == WriteRefusal::ReadOnlyFile;
    const QStringList sideFilesMade = TheStoreState.SideFilesMade;
    TheStoreState.ForgetConnection();
    ++Openings;
    DamageSeen = false;
    PhoneDBThread = std::thread::id();
    SeenHandle = nullptr;
    if (!QSqlDatabase::contains(name))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        if (db.isOpen())
            db.close();
    }
    QSqlDatabase::removeDatabase(name);
    // The engine makes the log and its index with the rights of the file they belong to, so
    // those a read-only file's connection made are read-only too, and would keep the next
    // start from writing once the file is made writable. They hold nothing: nothing was
    // written. (A damaged file's are left as they are, as is all of it.)
    if (readOnlyFile)
        RemoveEmptySideFiles(sideFilesMade);
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

QVariant IdToDb(ItemId id) {
    return id.Value();
}

ItemId IdFromDb(const QVariant& value) {
    return ItemId(value.toInt());
}
