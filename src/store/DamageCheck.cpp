#include "store/DamageCheck.h"

#include "store/Database.h"

#include <sqlite3.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

namespace {
struct Check {
    std::thread Thread;
    std::mutex Lock;
    sqlite3* Db = nullptr; // while the check runs; interrupted under Lock
    std::atomic<bool> Stop{false};
    std::atomic<bool> Done{false};

    // Also at the program's end without ClosePhoneDB: a thread is never left running.
    ~Check() {
        {
            const std::lock_guard<std::mutex> lock(Lock);
            Stop = true;
            if (Db)
                sqlite3_interrupt(Db);
        }
        if (Thread.joinable())
            Thread.join();
    }
};
std::unique_ptr<Check> Current;

// The check yields the disk and the processor to everything else: the idle disk class (where
// the disk's scheduler knows classes) and the lowest processor share, for this thread only.
void lowerPriority() {
    constexpr int ioprioClassIdle = 3;
    constexpr int ioprioClassShift = 13;
    constexpr int ioprioWhoProcess = 1; // with 0: the calling thread
    syscall(SYS_ioprio_set, ioprioWhoProcess, 0, ioprioClassIdle << ioprioClassShift);
    setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), 19);
}

void run(Check* c, sqlite3* db) {
    lowerPriority();
    bool damaged = false;
    try {
        damaged = !FindDamage(db).isEmpty();
    } catch (const DbError& e) {
        damaged = IsDamageCode(e.Code);
    }
    {
        const std::lock_guard<std::mutex> lock(c->Lock);
        c->Db = nullptr;
    }
    sqlite3_close(db);
    if (damaged && !c->Stop)
        NoteDatabaseDamage();
    c->Done = true;
}
} // namespace

sqlite3* OpenForDamageCheck(const QString& path) {
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    if (rc != SQLITE_OK) {
        const QString text = QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
        sqlite3_close(db);
        throw DbError(text, rc);
    }
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, 5000);
    return db;
}

QStringList FindDamage(sqlite3* db, int maxLines) {
    QStringList problems;
    const QByteArray sql = "PRAGMA quick_check(" + QByteArray::number(maxLines) + ")";
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &stmt, nullptr);
    if (rc == SQLITE_OK) {
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
            const char* line = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
            const QString text = QString::fromUtf8(line ? line : "");
            // A problem may come as several lines, under a heading naming the schema.
            for (const QString& part : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
                if (part != QLatin1String("ok") && !part.startsWith(QLatin1String("*** ")))
                    problems << part;
        }
    }
    const int code = sqlite3_extended_errcode(db);
    const QString message = QString::fromUtf8(sqlite3_errmsg(db));
    sqlite3_finalize(stmt);
    if (rc == SQLITE_DONE)
        return problems.mid(0, maxLines);
    if (IsDamageCode(code))
        return problems << message;
    throw DbError(message, code);
}

QStringList FindDamage(const QString& path, int maxLines) {
    sqlite3* db = OpenForDamageCheck(path);
    try {
        QStringList problems = FindDamage(db, maxLines);
        sqlite3_close(db);
        return problems;
    } catch (const DbError&) {
        sqlite3_close(db);
        throw;
    }
}

void StartDamageCheck() {
    StopDamageCheck();
    sqlite3* db = OpenForDamageCheck(PhoneDB().databaseName());
    auto c = std::make_unique<Check>();
    c->Db = db;
    Check* raw = c.get();
    c->Thread = std::thread([raw, db] { run(raw, db); });
    Current = std::move(c);
}

void StopDamageCheck() {
    Current.reset();
}

bool DamageCheckRunning() {
    return Current && !Current->Done;
}
