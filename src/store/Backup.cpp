#include "store/Backup.h"

#include "common/Folders.h"
#include "common/WholeFile.h"
#include "store/Database.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const QLatin1String PartialSuffix(".cardolo-partial");
// Files the engine may keep beside a database while it writes it.
const char* const SideSuffixes[] = {"-journal", "-wal", "-shm"};
// How long the copy's reads wait for a lock the engine holds a moment (a log being recovered).
constexpr int BusyTimeoutMs = 5000;
// How often the quick check looks whether it should stop, in engine instructions.
constexpr int StopCheckInstructions = 10000;

QString systemError(const QString& what, const QString& path) {
    return QStringLiteral("%1 %2: %3")
        .arg(what, QDir::toNativeSeparators(path), QString::fromLocal8Bit(std::strerror(errno)));
}

bool stopped(const BackupOptions& options) {
    return options.Stop && options.Stop->load();
}

// One connection of the linked engine, closed when it goes; every failure thrown as DbError.
class Connection {
public:
    Connection(const QString& path, int flags) {
        const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, flags, nullptr);
        if (rc != SQLITE_OK) {
            const QString text = QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
            Close();
            throw DbError(text, rc);
        }
        sqlite3_busy_timeout(db, BusyTimeoutMs);
    }
    ~Connection() { Close(); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    sqlite3* Handle() const { return db; }
    void Close() {
        sqlite3_close_v2(db);
        db = nullptr;
    }
    void Exec(const char* sql) {
        const int rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK)
            fail(rc);
    }
    // The first column of the first row sql gives, as text.
    QString Value(const char* sql) {
        sqlite3_stmt* stmt = nullptr;
        int rc = sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr);
        if (rc != SQLITE_OK)
            fail(rc);
        rc = sqlite3_step(stmt);
        QString value;
        if (rc == SQLITE_ROW)
            value = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
        sqlite3_finalize(stmt);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE)
            fail(rc);
        return value;
    }
    [[noreturn]] void fail(int rc) const {
        const QString text = QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
        throw DbError(text, db ? sqlite3_extended_errcode(db) : rc);
    }

private:
    sqlite3* db = nullptr;
};

// Takes the lock that marks a temporary file as being written; false when another copy holds it.
bool lockPart(int fd) {
    return ::flock(fd, LOCK_EX | LOCK_NB) == 0;
}

void removeWithSideFiles(const QString& path) {
    QFile::remove(path);
    for (const char* suffix : SideSuffixes)
        QFile::remove(path + QLatin1String(suffix));
}

// The temporary file a copy is written to, created by the copy itself and locked for as long as
// it lives, so that a cleanup by another process leaves it alone. Removed with the engine's side
// files when it goes, unless it took the copy's name. The engine's connections to it must be
// closed before it goes: closing this descriptor would drop their locks.
class PartFile {
public:
    explicit PartFile(const QString& target) : path(PartialBackupPath(target)) {
        const QByteArray name = QFile::encodeName(path);
        fd = ::open(name.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 && errno == EEXIST) {
            if (!removeIfAbandoned(path))
                throw DbError(QStringLiteral("Another copy is being written to %1")
                                  .arg(QDir::toNativeSeparators(path)));
            fd = ::open(name.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        }
        if (fd < 0)
            throw DbError(systemError(QStringLiteral("Cannot create"), path));
        struct stat opened {};
        struct stat named {};
        // A cleanup that removed the file between its creation and the lock leaves this
        // descriptor on a file without a name.
        if (!lockPart(fd) || ::fstat(fd, &opened) != 0 || ::stat(name.constData(), &named) != 0 ||
            opened.st_ino != named.st_ino) {
            ::close(fd);
            throw DbError(QStringLiteral("Another copy is being written to %1")
                              .arg(QDir::toNativeSeparators(path)));
        }
    }
    ~PartFile() {
        if (!named)
            removeWithSideFiles(path);
        ::close(fd);
    }
    PartFile(const PartFile&) = delete;
    PartFile& operator=(const PartFile&) = delete;

    const QString& Path() const { return path; }
    // Pushes what was written so far to the disk.
    void Flush(bool withSize) {
        if ((withSize ? ::fsync(fd) : ::fdatasync(fd)) != 0)
            throw DbError(systemError(QStringLiteral("Cannot write"), path));
    }
    // Gives the file the name target, which must be free, and makes the new name durable.
    void Rename(const QString& target) {
        const QByteArray from = QFile::encodeName(path);
        const QByteArray to = QFile::encodeName(target);
        int rc =
            ::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE);
        if (rc != 0 && (errno == EINVAL || errno == ENOSYS)) {
            // A file system that cannot refuse an existing name itself.
            if (QFileInfo::exists(target)) {
                errno = EEXIST;
            } else {
                rc = ::rename(from.constData(), to.constData());
            }
        }
        if (rc != 0)
            throw DbError(systemError(QStringLiteral("Cannot name the copy"), target));
        named = true;
        const QByteArray folder = QFile::encodeName(QFileInfo(target).absolutePath());
        const int dir = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        const bool synced = dir >= 0 && ::fsync(dir) == 0;
        const int syncError = errno;
        if (dir >= 0)
            ::close(dir);
        errno = syncError;
        // The copy is whole and synced under its name by now: a folder entry not yet on disk
        // is said, but the copy stands (the next check finds it and makes no other that day).
        if (!synced)
            std::fprintf(
                stderr, "cardolo: %s\n",
                systemError(QStringLiteral("Cannot write"), folder).toLocal8Bit().constData());
    }

    // Removes the temporary file at path when no copy holds it. False when one does.
    static bool removeIfAbandoned(const QString& path) {
        const QByteArray name = QFile::encodeName(path);
        const int other = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
        if (other < 0) {
            if (errno != ENOENT)
                return false;
            // Only side files are left; the name itself may be a new copy's by now.
            for (const char* suffix : SideSuffixes)
                QFile::remove(path + QLatin1String(suffix));
            return true;
        }
        const bool abandoned = lockPart(other);
        if (abandoned)
            removeWithSideFiles(path);
        ::close(other);
        return abandoned;
    }

private:
    QString path;
    int fd = -1;
    bool named = false;
};

// The engine's report on a copy that failed its check is kept here, beside the copy, when it is
// too long to be said in a message.
QString CheckReportPath(const QString& copy) {
    return QFileInfo(copy).absolutePath() + QStringLiteral("/backup-check-report.txt");
}

// Stops the quick check when the copy is to stop.
int stopRequested(void* stop) {
    return static_cast<const std::atomic<bool>*>(stop)->load() ? 1 : 0;
}

// Opens the finished temporary file afresh and checks that it holds the snapshot's pages (and,
// when asked, passes the quick check). False when stopped meanwhile.
bool checkCopy(const QString& path, int pages, const BackupOptions& options) {
    Connection copy(path, SQLITE_OPEN_READONLY);
    const int held = copy.Value("PRAGMA page_count").toInt();
    if (held != pages)
        throw DbError(QStringLiteral("The copy holds %1 pages instead of %2").arg(held).arg(pages));
    if (!options.QuickCheck)
        return true;
    if (options.Stop)
        sqlite3_progress_handler(copy.Handle(), StopCheckInstructions, stopRequested,
                                 const_cast<std::atomic<bool>*>(options.Stop));
    QString verdict;
    try {
        verdict = copy.Value("PRAGMA quick_check");
    } catch (const DbError&) {
        if (stopped(options))
            return false;
        throw;
    }
    if (verdict != QLatin1String("ok"))
        throw DbError(QStringLiteral("The copy failed its check: %1")
                          .arg(ShortReport(verdict, CheckReportPath(path))));
    return true;
}

BackupResult copyDatabase(const QString& database, const QString& target,
                          const BackupOptions& options) {
    if (QFileInfo::exists(target) || QFileInfo(target).isSymLink())
        throw DbError(QStringLiteral("The file exists"));
    // The snapshot: a read transaction held from the first step to the last, so that no commit
    // of another connection makes the engine start the copy over, and none waits for it.
    Connection source(database, SQLITE_OPEN_READONLY);
    source.Exec("BEGIN");
    source.Value("SELECT count(*) FROM sqlite_master");

    PartFile part(target);
    int pages = 0;
    {
        Connection copy(part.Path(), SQLITE_OPEN_READWRITE);
        // Nothing to roll back into and nothing to sync: a copy cut off is thrown away, and
        // this file is flushed step by step and synced before it takes its name.
        copy.Exec("PRAGMA journal_mode=OFF");
        copy.Exec("PRAGMA synchronous=OFF");
        sqlite3_backup* backup =
            sqlite3_backup_init(copy.Handle(), "main", source.Handle(), "main");
        if (!backup)
            copy.fail(SQLITE_ERROR);
        // A step's flush or report that throws must still end the copy: until it is ended, the
        // engine keeps the source connection open with its snapshot, which would hold the
        // program's log from starting over for the rest of the run.
        struct EndCopy {
            sqlite3_backup*& backup;
            ~EndCopy() {
                if (backup)
                    sqlite3_backup_finish(backup);
            }
        } endCopy{backup};
        int rc = SQLITE_OK;
        while (!stopped(options)) {
            rc = sqlite3_backup_step(backup, options.PagesPerStep);
            if (rc == SQLITE_DONE)
                break;
            if (rc != SQLITE_OK && rc != SQLITE_BUSY && rc != SQLITE_LOCKED)
                break;
            part.Flush(false);
            if (options.AfterStep)
                options.AfterStep(sqlite3_backup_remaining(backup),
                                  sqlite3_backup_pagecount(backup));
            if (options.PauseMs > 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(options.PauseMs));
        }
        pages = sqlite3_backup_pagecount(backup);
        const int finished = sqlite3_backup_finish(backup);
        backup = nullptr;
        if (rc != SQLITE_DONE && stopped(options))
            return BackupResult::Stopped;
        if (rc != SQLITE_DONE || finished != SQLITE_OK)
            copy.fail(rc != SQLITE_DONE ? rc : finished);
        source.Close();
        // The pages carry the source's WAL mark; the copy is to be one file on its own.
        copy.Exec("PRAGMA journal_mode=DELETE");
    }
    if (options.BeforeCheck)
        options.BeforeCheck(part.Path());
    if (stopped(options) || !checkCopy(part.Path(), pages, options))
        return BackupResult::Stopped;
    part.Flush(true);
    part.Rename(target);
    return BackupResult::Made;
}
} // namespace

QString BackupFolder() {
    return DataFolder() + QStringLiteral("/backup");
}

QString DailyBackupName(const QDate& date) {
    return QStringLiteral("cardolo-%1.db").arg(date.toString(QStringLiteral("yyyy-MM-dd")));
}

QDate DailyBackupDate(const QString& fileName) {
    static const QRegularExpression pattern(QRegularExpression::anchoredPattern(
        QStringLiteral("cardolo-(\\d{4})-(\\d{2})-(\\d{2})\\.db")));
    const QRegularExpressionMatch match = pattern.match(fileName);
    if (!match.hasMatch())
        return {};
    return QDate(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt());
}

QString ShortReport(const QString& report, const QString& file, int lines) {
    const QStringList all = report.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    if (all.size() <= lines)
        return report;
    QString error;
    const bool kept = WriteWholeFile(file, (report + QLatin1Char('\n')).toUtf8(), error);
    const QString rest = kept ? QStringLiteral("... and %1 more lines, all of them in %2")
                                    .arg(all.size() - lines)
                                    .arg(QDir::toNativeSeparators(file))
                              : QStringLiteral("... and %1 more lines").arg(all.size() - lines);
    return (all.mid(0, lines) + QStringList{rest}).join(QLatin1Char('\n'));
}

QString NewestDailyBackup(const QString& folder) {
    const QDir dir(folder);
    QDate newest;
    QString name;
    for (const QString& file : dir.entryList(QDir::Files | QDir::Hidden)) {
        const QDate date = DailyBackupDate(file);
        if (date.isValid() && (!newest.isValid() || date > newest)) {
            newest = date;
            name = file;
        }
    }
    return name.isEmpty() ? QString() : dir.filePath(name);
}

QString LostDatabaseMessage(const QString& path) {
    const QFileInfo file(path);
    if (file.exists() && (!file.isFile() || file.size() > 0))
        return QString();
    const QString newest = NewestDailyBackup(BackupFolderOf(path));
    if (newest.isEmpty())
        return QString();
    const QString data = QDir::toNativeSeparators(file.absolutePath());
    return QStringLiteral("The database file %1 is %2, but the folder %3 holds daily backups of "
                          "it; the newest is %4.\r\rTo put that backup back, answer No: Cardolo "
                          "quits without changing anything. Then delete cardolo.db-wal and "
                          "cardolo.db-shm in %5 if they are there, copy %4 over %1, and start "
                          "Cardolo again.\r\rStart with a new, empty database instead?")
        .arg(QDir::toNativeSeparators(file.absoluteFilePath()),
             file.exists() ? QStringLiteral("empty") : QStringLiteral("missing"),
             QDir::toNativeSeparators(BackupFolderOf(path)), QDir::toNativeSeparators(newest),
             data);
}

QString PartialBackupPath(const QString& target) {
    return target + PartialSuffix;
}

BackupResult BackupDatabase(const QString& database, const QString& target,
                            const BackupOptions& options) {
    try {
        return copyDatabase(database, target, options);
    } catch (const DbError& e) {
        throw DbError(QStringLiteral("Cannot copy the database to %1: %2")
                          .arg(QDir::toNativeSeparators(target), e.Text),
                      e.Code);
    }
}

int RemoveStaleBackupParts(const QString& folder) {
    const QDir dir(folder);
    const QStringList names =
        dir.entryList({QStringLiteral("*") + PartialSuffix + QLatin1Char('*')},
                      QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        // A side file goes with its temporary file, or alone when that is gone.
        QString main = name;
        for (const char* suffix : SideSuffixes)
            if (name.endsWith(PartialSuffix + QLatin1String(suffix)))
                main.chop(int(std::strlen(suffix)));
        if (main.endsWith(PartialSuffix) && QFileInfo::exists(dir.filePath(name)))
            PartFile::removeIfAbandoned(dir.filePath(main));
    }
    return int(std::count_if(names.begin(), names.end(), [&dir](const QString& name) {
        return !QFileInfo::exists(dir.filePath(name));
    }));
}

QStringList PruneDailyBackups(const QString& folder, int keep, const QString& justMade) {
    const QDir dir(folder);
    std::vector<std::pair<QDate, QString>> copies;
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden)) {
        const QDate date = DailyBackupDate(name);
        if (date.isValid())
            copies.emplace_back(date, name);
    }
    std::sort(copies.begin(), copies.end(),
              [](const auto& a, const auto& b) { return a.first > b.first; });
    if (copies.empty())
        return {};
    // The weeks and months are counted back from the newest copy, not from today: a program
    // that was not run for a while keeps the history it had.
    const QDate newest = copies.front().first;
    const auto weekOf = [](const QDate& d) { return d.addDays(1 - d.dayOfWeek()); };
    const auto monthOf = [](const QDate& d) { return d.year() * 12 + d.month(); };
    std::vector<bool> kept(copies.size(), false);
    std::vector<bool> weekTaken(WeeklyBackupsKept, false);
    std::vector<bool> monthTaken(MonthlyBackupsKept, false);
    for (size_t i = 0; i < copies.size(); ++i) {
        const QDate date = copies[i].first;
        if (i < size_t(std::max(keep, 0)) || copies[i].second == justMade)
            kept[i] = true;
        // Newest first: the first copy met in a week or month is that week's or month's newest.
        const qint64 weeksBack = weekOf(date).daysTo(weekOf(newest)) / 7;
        if (weeksBack < WeeklyBackupsKept && !weekTaken[size_t(weeksBack)]) {
            weekTaken[size_t(weeksBack)] = true;
            kept[i] = true;
        }
        const int monthsBack = monthOf(newest) - monthOf(date);
        if (monthsBack < MonthlyBackupsKept && !monthTaken[size_t(monthsBack)]) {
            monthTaken[size_t(monthsBack)] = true;
            kept[i] = true;
        }
    }
    QStringList deleted;
    for (size_t i = 0; i < copies.size(); ++i)
        if (!kept[i] && QFile::remove(dir.filePath(copies[i].second)))
            deleted << copies[i].second;
    return deleted;
}
