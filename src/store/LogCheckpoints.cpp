#include "store/LogCheckpoints.h"

#include "common/Dialogs.h"
#include "store/Database.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <sqlite3.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace {
// How soon a checkpoint that a reader or writer held up is tried again.
constexpr int RetryMs = 50;
// A checkpoint starts this long after the commit that asked for it, so that it does not compete
// for the disk with the rest of the command that committed (a search goes on to read its list).
constexpr int DelayMs = 250;

struct Checkpoints {
    std::thread Thread;
    std::mutex Lock;
    std::condition_variable Wake;
    bool Wanted = false;
    bool Stop = false;
    sqlite3* Watched = nullptr; // PhoneDB's handle, whose commits wake the thread

    // Also at the program's end without ClosePhoneDB: a thread is never left running.
    ~Checkpoints() {
        {
            const std::lock_guard<std::mutex> lock(Lock);
            Stop = true;
        }
        Wake.notify_one();
        if (Thread.joinable())
            Thread.join();
    }
};
std::unique_ptr<Checkpoints> Current;

void want(Checkpoints* c) {
    {
        const std::lock_guard<std::mutex> lock(c->Lock);
        c->Wanted = true;
    }
    c->Wake.notify_one();
}

// Called by the engine after each commit on PhoneDB, with the pages now in the log.
int afterCommit(void* arg, sqlite3*, const char*, int pages) {
    if (pages >= CheckpointAfterPages)
        want(static_cast<Checkpoints*>(arg));
    return SQLITE_OK;
}

// A failure is told on the user's thread, once until a checkpoint succeeds again.
void report(const QString& text) {
    if (QCoreApplication* app = QCoreApplication::instance())
        QMetaObject::invokeMethod(
            app, [text] { ShowInfo(text); }, Qt::QueuedConnection);
}

// Copies what it can of the log into the database without holding up the program's writes.
// True when all of it is copied. It never starts the log over itself: that would make PhoneDB
// drop every page it holds in memory; PhoneDB starts it over at its next write, cutting the
// file back to JournalSizeLimit.
bool checkpoint(sqlite3* db, QString& error) {
    int log = 0;
    int copied = 0;
    const int rc = sqlite3_wal_checkpoint_v2(db, "main", SQLITE_CHECKPOINT_PASSIVE, &log, &copied);
    if (rc == SQLITE_OK)
        return log == copied;
    // Damage is told once, as damage, and the checkpoints stop with the writes.
    if (IsDamageCode(rc))
        NoteDatabaseDamage();
    else if ((rc & 0xff) != SQLITE_BUSY && (rc & 0xff) != SQLITE_LOCKED)
        error = QString::fromUtf8(sqlite3_errmsg(db));
    return false;
}

void run(Checkpoints* c, sqlite3* db) {
    QString lastError;
    std::unique_lock<std::mutex> lock(c->Lock);
    for (;;) {
        c->Wake.wait(lock, [c] { return c->Wanted || c->Stop; });
        if (c->Stop)
            break;
        if (c->Wake.wait_for(lock, std::chrono::milliseconds(DelayMs), [c] { return c->Stop; }))
            break;
        c->Wanted = false;
        lock.unlock();
        QString error;
        const bool copied = checkpoint(db, error);
        if (!error.isEmpty() && error != lastError)
            report(error);
        lastError = error;
        lock.lock();
        // Held up by a reader or a writer: tried again shortly, or at once when a commit asks.
        if (!copied && error.isEmpty() && !c->Stop && !c->Wanted) {
            c->Wake.wait_for(lock, std::chrono::milliseconds(RetryMs),
                             [c] { return c->Wanted || c->Stop; });
            c->Wanted = true;
        }
    }
    lock.unlock();
    sqlite3_close(db);
}
} // namespace

void StartLogCheckpoints() {
    StopLogCheckpoints();
    sqlite3* watched = PhoneDBHandle();
    sqlite3* db = nullptr;
    const QByteArray path = PhoneDB().databaseName().toUtf8();
    if (sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        const QString text = QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_close(db);
        throw DbError(text);
    }
    // The connection knows the file is in WAL mode only once it has read it.
    sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    auto c = std::make_unique<Checkpoints>();
    c->Watched = watched;
    // Replaces the engine's own checkpoints after commits on PhoneDB.
    sqlite3_wal_hook(watched, afterCommit, c.get());
    Checkpoints* raw = c.get();
    c->Thread = std::thread([raw, db] { run(raw, db); });
    Current = std::move(c);
}

void StopLogCheckpoints() {
    if (!Current)
        return;
    sqlite3_wal_hook(Current->Watched, nullptr, nullptr);
    Current.reset();
}

void RequestLogCheckpoint() {
    if (Current)
        want(Current.get());
}

qint64 WriteAheadLogBytes() {
    const QFileInfo log(PhoneDB().databaseName() + QStringLiteral("-wal"));
    return log.exists() ? log.size() : 0;
}
