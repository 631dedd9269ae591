#pragma once

#include "common/ItemId.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

#include <stdexcept>

// The items database: one SQLite file reached through the named connection PhoneDB.
// Every change is committed with synchronous FULL, so it is on disk when the call returns.

// An error raised by the database engine, carrying the engine's own text. Store code lets it
// travel up to the command the user started, which shows the text in an error box.
class DbError : public std::runtime_error {
public:
    explicit DbError(const QString& engineText, int engineCode = 0)
        : std::runtime_error(engineText.toStdString()), Text(engineText), Code(engineCode) {}
    // Whether the engine refused a row because its key (or another unique value) is taken:
    // the one engine error that an operation may answer as a refusal instead of passing on.
    bool IsKeyClash() const;
    QString Text;
    // The engine's extended result code; 0 when the error did not come from the engine.
    int Code = 0;
    // The user has been told the reason already (a write refused while the file is damaged or
    // read-only, after the first such message): the text is one short line, to be shown as
    // such rather than in another box.
    bool Told = false;
};

struct sqlite3;

extern const char* const PhoneDBName; // "PhoneDB"

// Widths the tables keep; longer values are cut by the store, never rejected.
constexpr int NameWidth = 80;
constexpr int TelWidth = 40;
constexpr int LinkNoteWidth = 40;

// The memory the engine keeps for all its connections in the process, in bytes, past which it
// reuses what it holds rather than taking more.
constexpr qint64 EngineMemoryLimit = 48 * 1024 * 1024;

// Opens PhoneDB on path, creating the file with the current layout (and the top-level item
// "Diary") when it does not exist or holds no tables at all. Returns true when it created the
// file. A file the engine may only read is opened for reading: writes are refused
// (WriteRefusal::ReadOnlyFile). Throws DbError, with PhoneDB closed, when the Qt driver does not
// run the SQLite library the program links, and, with a text naming the file and saying what to
// do (OpenFailureMessage), when the file cannot be opened: its header, its list of tables or the
// first and last rows of the items cannot be read, the disk is full, the folder may not be
// written.
bool OpenPhoneDB(const QString& path);
// Closes PhoneDB and forgets everything the store kept for the connection: prepared queries,
// armed failures, the year-item cache.
void ClosePhoneDB();
// The message OpenPhoneDB fails with when the driver's engine is not the linked SQLite library;
// empty when it is. driverVersion is sqlite_version() as the driver's engine answers it,
// openedHere whether the linked library opened the driver's connection.
QString EngineLibraryMismatch(const QString& driverVersion, bool openedHere);
// Brings a file made by an older version up to what the store's queries rely on: creates the
// indexes that are missing and stores every empty Ref in the one form the store writes (null),
// so that lists sorted by Ref keep the items without one together. Run once the tables have
// their current layout; costs two index look-ups when there is nothing to do.
void EnsureIndexes();
// Puts PhoneDB's file into WAL mode (a write that changes its header), with the log's
// checkpoints, unless writes are refused or it is done. OpenPhoneDB does so for a new file and
// one in WAL mode already; EnsureIndexes for any other, once its layout is accepted.
void UseWriteAheadLog();
QSqlDatabase PhoneDB();
// The engine's handle under PhoneDB; throws DbError when PhoneDB is not open on the engine.
sqlite3* PhoneDBHandle();

// Prepares sql on PhoneDB; throws DbError when the engine refuses it.
QSqlQuery PrepareQuery(const QString& sql);
// Runs a prepared query; throws DbError on failure.
void ExecQuery(QSqlQuery& query);
// Prepares and runs a statement with no parameters.
QSqlQuery ExecSql(const QString& sql);

// Why PhoneDB takes no changes: it takes them (None), its file may only be read (the engine
// opened it so), or the engine found the file damaged. Once refused, writes stay refused until
// PhoneDB closes: every writing statement of the store throws DbError with the refusal's message
// before it reaches the engine (which is also told to refuse writes, should one slip past),
// reads run as before, no log checkpoint or search index build runs, and closing PhoneDB leaves
// the file as it is.
enum class WriteRefusal { None, ReadOnlyFile, DamagedFile };
WriteRefusal PhoneDBWriteRefusal();
// The text the first refused write shows: ReadOnlyFileMessage or DamagedFileMessage of PhoneDB's
// file; empty while writes are taken. Once it has been said (MarkWriteRefusalTold), each later
// refused write says only RefusedWriteMessage, with DbError::Told set.
QString WriteRefusalMessage();
QString RefusedWriteMessage();
// The refusal has been said to the user (the program says a read-only file at start).
void MarkWriteRefusalTold();
// Whether the engine has reported damage to PhoneDB's file, on any thread, since it was opened.
bool DatabaseDamageSeen();
// Refuses writes from now on; a damaged file outranks a read-only one.
void RefuseWrites(WriteRefusal reason);

// The texts of the refusals and of a failed open, naming the file by its full path.
QString ReadOnlyFileMessage(const QString& path);
QString DamagedFileMessage(const QString& path);
// What a read of a damaged part of the file says once the damage has been told.
QString DamagedPartMessage(const QString& path);
// What OpenPhoneDB says when the engine (result code engineCode, engineText, the system's
// errno osError or 0) cannot open path.
QString OpenFailureMessage(const QString& path, int engineCode, const QString& engineText,
                           int osError);
// The folder the daily copies of the database at path are kept in: DATA/backup beside it.
QString BackupFolderOf(const QString& path);

// Whether an engine result code, primary or extended, says the file is damaged (SQLITE_CORRUPT,
// SQLITE_NOTADB).
bool IsDamageCode(int engineCode);
// The engine found PhoneDB's file damaged, on any connection and any thread. The user's thread
// refuses writes from its next store call on; the damage is told once, in a box and on standard
// error, when the user's thread next handles events, unless a command has told it by then.
void NoteDatabaseDamage();
// Tells the damage NoteDatabaseDamage noted, unless it has been told (the notice it posts).
void TellDatabaseDamage();
// Throws the DbError for an engine failure on PhoneDB: the engine's text, except that damage
// refuses writes from now on and says so (DamagedFileMessage the first time, DamagedPartMessage
// after that), and a write the engine refused while writes are refused says why.
[[noreturn]] void ThrowEngineError(const QString& engineText, int engineCode);

// Makes the next `count` writing statements (anything but SELECT and PRAGMA) fail as the engine
// would, with engineText, before they reach the engine. For tests of the paths that must keep
// what the user typed when a save fails; 0 disarms it. Forgotten when PhoneDB closes.
void FailNextWrites(const QString& engineText, int count = 1);

// A query prepared once per open connection and kept for reuse: the store's frequent statements
// would otherwise be parsed anew on every call. The caller binds, runs and finishes it before
// anything else uses the same text. Forgotten when PhoneDB closes.
QSqlQuery& StoredQuery(const QString& sql);

// Time stamps are stored as text that sorts in time order and round-trips to the millisecond.
QVariant StampToDb(const QDateTime& stamp);
QDateTime StampFromDb(const QVariant& value);
// Ids are stored as the integers they are; a null reads as 0, no item.
QVariant IdToDb(ItemId id);
ItemId IdFromDb(const QVariant& value);

// Groups the writes of one operation: commits on Commit(), rolls back if the scope is left
// by an error first. Nests: an inner guard is a savepoint whose writes are undone alone when
// it is left without Commit.
class Transaction {
public:
    Transaction();
    ~Transaction();
    void Commit();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

private:
    bool outermost = false;
    bool done = false;
    int depth = 0;
};
