#include "app/CheckCommand.h"

#include "common/Folders.h"
#include "common/SingleInstanceGuard.h"
#include "store/SideFiles.h"
#include "repair/HealthCheckScan.h"
#include "store/DamageCheck.h"
#include "store/Database.h"
#include "store/HealthCheck.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QScopeGuard>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <unistd.h>

namespace {
constexpr int FoundNothing = 0;
constexpr int FoundProblems = 1;
constexpr int CannotRun = 2;
// A damaged file: the check cannot run on it either.
constexpr int Damaged = 2;
// The engine's damage report is cut after this many lines: the first ones tell the most.
constexpr int MaxDamageLines = 20;

void printError(const QString& text) {
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

// The report on standard output and the countdown on standard error. Empty lines are written
// only when another line follows them, so the output ends with the last summary line. The
// countdown is shown only on a terminal, and wiped before each report line so that the two
// never share a line there.
class CheckOutput {
public:
    CheckOutput() : progress(::isatty(STDERR_FILENO) == 1) {}
    ~CheckOutput() { wipe(); }
    CheckOutput(const CheckOutput&) = delete;
    CheckOutput& operator=(const CheckOutput&) = delete;

    void Line(const QString& line) {
        if (line.isEmpty()) {
            ++blanks;
            return;
        }
        wipe();
        for (; blanks > 0; --blanks)
            std::fputs("\n", stdout);
        std::fprintf(stdout, "%s\n", line.toLocal8Bit().constData());
        std::fflush(stdout);
    }

    void Status(const QString& text) {
        if (!progress)
            return;
        if (text.trimmed().isEmpty()) {
            wipe();
            return;
        }
        const QByteArray shown = text.toLocal8Bit();
        std::fprintf(stderr, "\r%s", shown.constData());
        // Blanks over what is left of a longer number shown before.
        for (int i = int(shown.size()); i < shownWidth; ++i)
            std::fputc(' ', stderr);
        shownWidth = std::max(shownWidth, int(shown.size()));
        std::fflush(stderr);
    }

private:
    void wipe() {
        if (shownWidth == 0)
            return;
        std::fprintf(stderr, "\r%*s\r", shownWidth, "");
        std::fflush(stderr);
        shownWidth = 0;
    }

    const bool progress;
    int blanks = 0;
    int shownWidth = 0;
};

// The engine's check of the file's structure; true, with the damage reported on standard
// error, when the file is damaged.
bool reportDamage(const QString& database) {
    const QStringList damage = FindDamage(database, MaxDamageLines);
    if (damage.isEmpty())
        return false;
    for (const QString& line : damage)
        printError(QStringLiteral("Damaged : ") + line);
    printError(QStringLiteral("The database file %1 is damaged. Put back the newest daily backup "
                              "from %2 (cardolo-yyyy-mm-dd.db) in place of %3.")
                   .arg(database, BackupFolderOf(database), QFileInfo(database).fileName()));
    return true;
}
} // namespace

int RunCheckCommand(const CheckCommandOptions& options) {
    if (!options.folder.isEmpty()) {
        if (!QFileInfo(options.folder).isDir()) {
            printError(QStringLiteral("Folder %1 does not exist").arg(options.folder));
            return CannotRun;
        }
        SetProgramFolder(options.folder);
    } else {
        SetProgramFolder(DefaultProgramFolder(QCoreApplication::applicationDirPath()));
    }
    // Asked before the lock is taken, so that a folder without a database is left as it was.
    const QString database = DatabasePath();
    if (!QFileInfo(database).isFile()) {
        printError(QStringLiteral("Database %1 not found").arg(database));
        return CannotRun;
    }

    // A running copy may be writing the database: the check waits for no one.
    QString error;
    switch (SingleInstanceGuard::Acquire(LockFilePath(), &error)) {
    case SingleInstanceGuard::Result::Acquired:
        break;
    case SingleInstanceGuard::Result::OtherInstance:
        printError(SingleInstanceGuard::AlreadyRunningMessage());
        return CannotRun;
    case SingleInstanceGuard::Result::Failed:
        printError(error);
        return CannotRun;
    }

    // The check holds the folder's lock: the engine's side files it makes are its own, and go
    // again when it ends (a -shm made for a log a crash left stays only while that log holds
    // something; the next start reads it).
    const QStringList sideFilesMade = MissingSideFiles(database);
    const auto removeSideFiles = qScopeGuard([&sideFilesMade] {
        ClosePhoneDB();
        RemoveEmptySideFiles(sideFilesMade);
    });
    CheckOutput output;
    try {
        // Read first without the right to write: a file that holds no items table is refused
        // here, before opening it for a repair could take it for a new database and fill it.
        std::optional<ReadOnlyPhoneDB> readOnly(std::in_place, database);
        // The file's structure before its rows: a damaged file is reported as such, and neither
        // scanned (its rows may read as anything) nor repaired (a write may spread the damage).
        if (reportDamage(database)) {
            readOnly.reset();
            return Damaged;
        }
        CountHealthItems();
        CountHealthLinks();
        if (options.repair) {
            readOnly.reset();
            OpenPhoneDB(database);
        }

        HealthCheckScan scan;
        scan.CheckCounts = options.counts;
        scan.AppendLine = [&output](const QString& line) { output.Line(line); };
        scan.ShowStatus = [&output](const QString& text) { output.Status(text); };
        scan.Run(options.repair ? HealthCheckScan::Command::Repair
                                : HealthCheckScan::Command::Check);
        readOnly.reset();
        ClosePhoneDB();
        if (!scan.Completed())
            return CannotRun;
        return scan.ProblemCount + scan.CountProblems == 0 ? FoundNothing : FoundProblems;
    } catch (const DbError& e) {
        ClosePhoneDB();
        output.Status(QStringLiteral(" "));
        printError(e.Text);
        return CannotRun;
    }
}
