#include "store/SearchIndexBuilder.h"

#include "store/Database.h"
#include "store/RawStatement.h"
#include "store/SearchIndex.h"

#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

namespace {
// A step aims at this long, so that a write of the window never waits long for the lock.
constexpr int StepTargetMs = 100;
constexpr int FirstStepRows = 500;
constexpr int MinStepRows = 100;
constexpr int MaxStepRows = 20000;
// How long a step waits for a lock the window holds before it tries again later.
constexpr int BusyWaitMs = 2000;
// How often a build held by a search looks again.
constexpr int PauseWaitMs = 20;

// Held by the build for each step and by a search for all of it.
std::recursive_mutex StepLock;

struct Build {
    std::thread Thread;
    QString Path;
    std::atomic<bool> Stop{false};
    std::atomic<bool> Done{false};
    std::atomic<qint64> BuiltUpTo{0};
    std::atomic<qint64> LastId{0};
    std::mutex ErrorLock;
    QString Error;

    // Also at the program's end without ClosePhoneDB: a thread is never left running.
    ~Build() {
        Stop = true;
        if (Thread.joinable())
            Thread.join();
    }
};
std::unique_ptr<Build> Current;

void exec(sqlite3* db, const char* sql) {
    char* message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
        const QString text = QString::fromUtf8(message ? message : sqlite3_errmsg(db));
        const int code = sqlite3_extended_errcode(db);
        sqlite3_free(message);
        throw DbError(text, code);
    }
}

bool isBusy(const DbError& e) {
    return (e.Code & 0xff) == SQLITE_BUSY || (e.Code & 0xff) == SQLITE_LOCKED;
}

sqlite3* openConnection(const QString& path) {
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    if (rc != SQLITE_OK) {
        const QString text = QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
        sqlite3_close(db);
        throw DbError(text, rc);
    }
    sqlite3_busy_timeout(db, BusyWaitMs);
    RegisterSearchIndexFunction(db);
    // Emptying an old index frees many pages; they hold trigrams and ids only, so they are not
    // overwritten one by one.
    exec(db, "PRAGMA secure_delete=FAST");
    exec(db, "PRAGMA cache_size=-16384");
    return db;
}

// One step in its own write transaction, taken at once so that no other writer slips in
// between what the step reads and what it writes.
SearchIndexStepResult step(sqlite3* db, int rows) {
    exec(db, "BEGIN IMMEDIATE");
    try {
        const SearchIndexStepResult result = BuildSearchIndexStep(db, rows);
        exec(db, "COMMIT");
        return result;
    } catch (...) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

void runBuild(Build* build) {
    sqlite3* db = nullptr;
    try {
        db = openConnection(build->Path);
        int rows = FirstStepRows;
        while (!build->Stop) {
            const auto started = std::chrono::steady_clock::now();
            // Waits for a search to end, but not past a stop: the window may stop the build
            // from inside the search's events (a shutdown), and would wait for it forever.
            std::unique_lock<std::recursive_mutex> lock(StepLock, std::try_to_lock);
            if (!lock.owns_lock()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(PauseWaitMs));
                continue;
            }
            SearchIndexStepResult result;
            try {
                result = step(db, rows);
                lock.unlock();
            } catch (const DbError& e) {
                if (!isBusy(e))
                    throw;
                // The window held the lock a long while: the step is tried again.
                continue;
            }
            build->BuiltUpTo = std::max<qint64>(result.BuiltUpTo, 0);
            build->LastId = result.LastId;
            if (result.Complete)
                break;
            const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                                std::chrono::steady_clock::now() - started)
                                .count();
            rows = int(std::clamp<qint64>(qint64(rows) * StepTargetMs / std::max<qint64>(ms, 1),
                                          MinStepRows, MaxStepRows));
            // Leaves the locks free for a moment, for the window's writes and searches.
            std::this_thread::yield();
        }
    } catch (const DbError& e) {
        // Damage is told once, as damage, and writes are refused from then on.
        if (IsDamageCode(e.Code)) {
            NoteDatabaseDamage();
        } else {
            const std::lock_guard<std::mutex> lock(build->ErrorLock);
            build->Error = e.Text;
        }
    }
    sqlite3_close(db);
    build->Done = true;
}
} // namespace

void StartSearchIndexBuild() {
    if (Current && !Current->Done)
        return;
    StopSearchIndexBuild();
    if (PhoneDBWriteRefusal() != WriteRefusal::None || !SearchIndexIncomplete())
        return;
    auto build = std::make_unique<Build>();
    build->Path = PhoneDB().databaseName();
    Build* b = build.get();
    build->Thread = std::thread([b] { runBuild(b); });
    Current = std::move(build);
}

void StopSearchIndexBuild() {
    Current.reset();
}

SearchIndexBuildStatus PollSearchIndexBuild() {
    SearchIndexBuildStatus status;
    if (!Current)
        return status;
    const qint64 last = Current->LastId;
    status.Percent =
        last > 0 ? int(std::clamp<qint64>(Current->BuiltUpTo * 100 / last, 0, 100)) : 0;
    if (!Current->Done) {
        status.Running = true;
        return status;
    }
    status.Finished = true;
    {
        const std::lock_guard<std::mutex> lock(Current->ErrorLock);
        status.Error = Current->Error;
    }
    if (status.Error.isEmpty())
        status.Percent = 100;
    Current.reset();
    return status;
}

SearchIndexPause::SearchIndexPause() : held(&StepLock) {
    held->lock();
}

SearchIndexPause::~SearchIndexPause() {
    held->unlock();
}
