#include "search/SearchStamps.h"

#include "common/WorkProgress.h"
#include "store/Database.h"
#include "store/LogCheckpoints.h"
#include "store/RawStatement.h"
#include "store/StoreState.h"
#include "store/WriteGate.h"

#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>

namespace {
// An item that holds the stamp already is left as it is: no page is written for it.
const char* const StampSql =
    "UPDATE phonebk SET srchts = :srchts WHERE id = :id AND srchts IS NOT :srchts";
// Marks written in one transaction at most; the user's wish to write ends one sooner.
constexpr size_t MarksPerStep = 2000;
// How often the writer looks whether the user's thread wants to write, in marks.
constexpr size_t LookEvery = 16;
constexpr int PauseMs = 2;
// How often the user's thread, waiting for the marks, tells its progress at the most.
constexpr int FinishReportMs = 50;

struct Job {
    std::vector<ItemId> Ids;
    QByteArray Stamp;
    QByteArray Path;
    std::thread Thread;
    std::atomic<size_t> Done{0};
    std::atomic<bool> Finished{false};
    std::atomic<bool> Stop{false}; // the user's thread writes the rest itself
    QDateTime StampTime;
    // Guards Error and Held; Changed is told after each commit, at the end and on release.
    std::mutex Lock;
    std::condition_variable Changed;
    QString Error;
    bool Held = false; // the thread waits before it writes anything

    void Release() {
        {
            const std::lock_guard<std::mutex> lock(Lock);
            Held = false;
        }
        Changed.notify_all();
    }
    // Also at the program's end: a thread is never left running.
    ~Job() {
        Release();
        if (Thread.joinable())
            Thread.join();
    }
};
std::unique_ptr<Job> Current;

QString engineText(sqlite3* db) {
    return QString::fromUtf8(db ? sqlite3_errmsg(db) : "cannot open the database");
}

bool exec(sqlite3* db, const char* sql) {
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

void pause() {
    std::this_thread::sleep_for(std::chrono::milliseconds(PauseMs));
}

// The thread: the marks in short transactions, each taken only while the user's thread neither
// writes nor wants to, and ended as soon as it wants to (what was written so far is committed:
// each mark stands on its own).
void run(Job* job) {
    {
        std::unique_lock<std::mutex> lock(job->Lock);
        job->Changed.wait(lock, [job] { return !job->Held; });
    }
    sqlite3* db = nullptr;
    sqlite3_stmt* update = nullptr;
    QString error;
    if (sqlite3_open_v2(job->Path.constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK ||
        sqlite3_prepare_v2(db, StampSql, -1, &update, nullptr) != SQLITE_OK) {
        error = engineText(db);
    } else {
        sqlite3_busy_timeout(db, 5000);
        // The log is copied by the checkpoints' own thread, asked after each commit here.
        sqlite3_wal_autocheckpoint(db, 0);
        sqlite3_bind_text(update, 1, job->Stamp.constData(), int(job->Stamp.size()), SQLITE_STATIC);
    }
    size_t i = 0;
    const size_t count = job->Ids.size();
    while (error.isEmpty() && i < count && !job->Stop) {
        BackgroundWriteTurn turn;
        if (!turn.TryAcquire()) {
            pause();
            continue;
        }
        if (!exec(db, "BEGIN IMMEDIATE")) {
            turn.Release();
            pause();
            continue;
        }
        const size_t end = std::min(count, i + MarksPerStep);
        size_t j = i;
        for (; j < end; ++j) {
            if ((j - i) % LookEvery == LookEvery - 1 &&
                (BackgroundWriteTurn::UserWants() || job->Stop))
                break;
            sqlite3_bind_int64(update, 2, job->Ids[j].Value());
            const int rc = sqlite3_step(update);
            sqlite3_reset(update);
            if (rc != SQLITE_DONE) {
                error = engineText(db);
                break;
            }
        }
        if (error.isEmpty() && !exec(db, "COMMIT"))
            error = engineText(db);
        if (!error.isEmpty()) {
            exec(db, "ROLLBACK");
            break;
        }
        turn.Release();
        RequestLogCheckpoint();
        i = j;
        job->Done = i;
        job->Changed.notify_all();
    }
    sqlite3_finalize(update);
    sqlite3_close(db);
    const std::lock_guard<std::mutex> lock(job->Lock);
    job->Error = error;
    job->Finished = true;
    job->Changed.notify_all();
}
} // namespace

namespace {
[[noreturn]] void throwFailure(const QString& engineText) {
    throw DbError(QStringLiteral("The marks of the last search could not all be written: ") +
                  engineText);
}
} // namespace

void StartSearchStamps(std::vector<ItemId> ids, const QDateTime& stamp, bool held) {
    FinishSearchStamps();
    RefuseWriteWhenRefused();
    if (ids.empty())
        return;
    auto job = std::make_unique<Job>();
    job->Ids = std::move(ids);
    job->Stamp = StampToDb(stamp).toString().toUtf8();
    job->StampTime = stamp;
    job->Path = PhoneDB().databaseName().toUtf8();
    job->Held = held;
    Job* raw = job.get();
    job->Thread = std::thread([raw] { run(raw); });
    Current = std::move(job);
}

void ReleaseSearchStamps() noexcept {
    if (Current)
        Current->Release();
}

bool SearchStampsPending() {
    return Current && !Current->Finished;
}

void FinishSearchStamps(WorkProgress* progress) {
    if (!Current)
        return;
    Job* job = Current.get();
    job->Release();
    const qint64 total = qint64(job->Ids.size());
    // Within the user's own write (a transaction open), the thread could never take its turn:
    // it stops, and what it has not written is written here, in that transaction.
    if (HoldsUserWrite()) {
        job->Stop = true;
        job->Thread.join();
        std::unique_ptr<Job> stopped = std::move(Current);
        if (!stopped->Error.isEmpty())
            throwFailure(stopped->Error);
        const std::vector<ItemId> rest(stopped->Ids.begin() + qsizetype(stopped->Done.load()),
                                       stopped->Ids.end());
        WriteSearchStamps(rest, stopped->StampTime);
        return;
    }
    {
        std::unique_lock<std::mutex> lock(job->Lock);
        while (!job->Finished) {
            job->Changed.wait_for(lock, std::chrono::milliseconds(FinishReportMs));
            if (progress && !job->Finished) {
                lock.unlock();
                progress->Step(qint64(job->Done.load()), total);
                lock.lock();
            }
        }
    }
    job->Thread.join();
    const QString error = job->Error;
    Current.reset();
    if (!error.isEmpty())
        throwFailure(error);
}

namespace {
// Writes each id's value (a null text: NULL) in one transaction.
void putBack(const std::vector<ItemId>& ids, size_t count, const std::vector<QString>* prior) {
    Transaction t;
    {
        RawStatement update("UPDATE phonebk SET srchts = :srchts WHERE id = :id");
        for (size_t i = 0; i < count; ++i) {
            update.Bind(":srchts", prior ? QVariant((*prior)[i]) : QVariant());
            update.Bind(":id", ids[i]);
            update.Step();
            update.Reset();
        }
    } // finished before the commit
    t.Commit();
}
} // namespace

bool WriteSearchStamps(const std::vector<ItemId>& ids, const QDateTime& stamp,
                       WorkProgress* progress, const std::vector<QString>* prior) {
    FinishSearchStamps();
    const QVariant value = StampToDb(stamp);
    const qint64 total = qint64(ids.size());
    size_t done = 0;
    while (done < ids.size()) {
        // A transaction runs until a report is due, so that the user's events (and any save a
        // timer starts) never run inside it.
        bool reportDue = false;
        Transaction t;
        {
            RawStatement update(StampSql);
            update.Bind(":srchts", value);
            while (done < ids.size() && !reportDue) {
                update.Bind(":id", ids[done]);
                update.Step();
                update.Reset();
                ++done;
                reportDue = progress && progress->Note(qint64(done), total);
            }
        } // finished before the commit
        t.Commit();
        if (reportDue && !progress->Report()) {
            // Stopped: the items stamped so far get their earlier stamps back.
            putBack(ids, done, prior);
            return false;
        }
    }
    return true;
}
