#include "store/BackgroundBuild.h"

#include "store/Database.h"
#include "store/WriteGate.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>

namespace {
// A step aims at this long: the write lock is never held for longer than a few milliseconds,
// and a write of the window that comes meanwhile interrupts the step anyway.
constexpr int StepTargetMs = 10;
constexpr int FirstStepRows = 200;
constexpr int MinStepRows = 20;
constexpr int MaxStepRows = 20000;
// How long a step waits for a lock another program holds before it tries again later.
constexpr int BusyWaitMs = 2000;
// How often a build held back by a search, or by the user's writes, looks again.
constexpr int PauseWaitMs = 5;
// How many of the engine's virtual machine steps pass between two looks at the user's thread.
constexpr int InterruptCheckSteps = 1000;
// A step under way finishes when the user's thread has waited for its turn no longer than this;
// after that it is interrupted (and its work done again later). Most steps end within it,
// so little work is thrown away, and no commit of the user's waits longer for the build.
constexpr int PatienceMs = 2;

void exec(sqlite3* db, const char* sql) {
    char* message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
        const QString text = QString::fromUtf8(message ? message : sqlite3_errmsg(db));
        const int code = sqlite3_extended_errcode(db);
        sqlite3_free(message);
        throw DbError(text, code);
    }
}

// Busy: another program held the lock a long while. Interrupted: the user's thread wanted to
// write in the middle of the step. Either way the step is undone and tried again later.
bool isGivenWay(const DbError& e) {
    const int code = e.Code & 0xff;
    return code == SQLITE_BUSY || code == SQLITE_LOCKED || code == SQLITE_INTERRUPT;
}

// Stops the statement under way once the user's thread has waited for its turn a moment, or
// the build is to stop.
int giveWay(void* stop) {
    return BackgroundWriteTurn::UserWaitingLongerThan(PatienceMs) ||
                   static_cast<std::atomic<bool>*>(stop)->load()
               ? 1
               : 0;
}

sqlite3* openConnection(const QString& path, std::atomic<bool>* stop) {
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    if (rc != SQLITE_OK) {
        const QString text = QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
        sqlite3_close(db);
        throw DbError(text, rc);
    }
    sqlite3_busy_timeout(db, BusyWaitMs);
    sqlite3_progress_handler(db, InterruptCheckSteps, giveWay, stop);
    // Emptying an old table frees many pages; they hold keys and ids only, so they are not
    // overwritten one by one.
    exec(db, "PRAGMA secure_delete=FAST");
    // Each step's commit waits for the disk (as the engine does by default): left to the
    // user's next commit, the steps' pages would make that commit wait for them instead.
    exec(db, "PRAGMA cache_size=-16384");
    return db;
}

void pause() {
    std::this_thread::sleep_for(std::chrono::milliseconds(PauseWaitMs));
}
} // namespace

std::recursive_mutex& BackgroundStepLock() {
    static std::recursive_mutex lock;
    return lock;
}

BackgroundBuild::BackgroundBuild(const QString& path, Prepare prepare, Step step)
    : path(path), prepare(std::move(prepare)), step(std::move(step)) {
    thread = std::thread([this] { run(); });
}

// Also at the program's end without ClosePhoneDB: a thread is never left running.
BackgroundBuild::~BackgroundBuild() {
    stop = true;
    if (thread.joinable())
        thread.join();
}

BackgroundBuildStatus BackgroundBuild::Status() {
    BackgroundBuildStatus status;
    const qint64 last = lastId;
    status.Percent = last > 0 ? int(std::clamp<qint64>(builtUpTo * 100 / last, 0, 100)) : 0;
    if (!done) {
        status.Running = true;
        return status;
    }
    status.Finished = true;
    {
        const std::lock_guard<std::mutex> lock(errorLock);
        status.Error = error;
    }
    if (status.Error.isEmpty())
        status.Percent = 100;
    return status;
}

void BackgroundBuild::run() {
    sqlite3* db = nullptr;
    try {
        db = openConnection(path, &stop);
        prepare(db);
        // One step in its own write transaction, taken at once so that no other writer slips
        // in between what the step reads and what it writes.
        auto oneStep = [this, db](int rows) {
            exec(db, "BEGIN IMMEDIATE");
            try {
                const BackgroundStep result = step(db, rows);
                exec(db, "COMMIT");
                return result;
            } catch (...) {
                sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
                throw;
            }
        };
        int rows = FirstStepRows;
        while (!stop) {
            // Waits for a search to end, and for the user's writes, but never blocks on either:
            // the window may stop the build from inside a search's events (a shutdown), and
            // the user's thread may hold its turn while it waits for the search lock.
            std::unique_lock<std::recursive_mutex> lock(BackgroundStepLock(), std::try_to_lock);
            BackgroundWriteTurn turn;
            if (!lock.owns_lock() || !turn.TryAcquire()) {
                turn.Release();
                if (lock.owns_lock())
                    lock.unlock();
                pause();
                continue;
            }
            const auto started = std::chrono::steady_clock::now();
            BackgroundStep result;
            try {
                result = oneStep(rows);
            } catch (const DbError& e) {
                if (!isGivenWay(e))
                    throw;
                // Given way to the user, or held up by another program: tried again, smaller
                // when it was the step's length that made the user wait.
                turn.Release();
                lock.unlock();
                rows = std::max(MinStepRows, rows * 3 / 4);
                pause();
                continue;
            }
            turn.Release();
            lock.unlock();
            builtUpTo = std::max<qint64>(result.BuiltUpTo, 0);
            lastId = result.LastId;
            if (result.Complete)
                break;
            const auto us = std::chrono::duration_cast<std::chrono::microseconds>(
                                std::chrono::steady_clock::now() - started)
                                .count();
            rows =
                int(std::clamp<qint64>(qint64(rows) * StepTargetMs * 1000 / std::max<qint64>(us, 1),
                                       MinStepRows, MaxStepRows));
            // Leaves the locks free for a moment, for the window's writes and searches.
            std::this_thread::yield();
        }
    } catch (const DbError& e) {
        // Damage is told once, as damage, and writes are refused from then on.
        if (IsDamageCode(e.Code)) {
            NoteDatabaseDamage();
        } else {
            const std::lock_guard<std::mutex> lock(errorLock);
            error = e.Text;
        }
    }
    sqlite3_close(db);
    done = true;
}
