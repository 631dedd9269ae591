#include "app/BackupCommand.h"

#include "app/StopOnSignal.h"

#include "common/Folders.h"
#include "common/SingleInstanceGuard.h"
#include "store/Backup.h"
#include "store/Database.h"
#include "store/SideFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>

#include <atomic>
#include <csignal>
#include <cstdio>

namespace {
void printError(const QString& text) {
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}
} // namespace

int RunBackupCommand(const QString& folder, const QString& file) {
    if (!folder.isEmpty()) {
        if (!QFileInfo(folder).isDir()) {
            printError(QStringLiteral("Folder %1 does not exist").arg(folder));
            return 1;
        }
        SetProgramFolder(folder);
    } else {
        SetProgramFolder(DefaultProgramFolder(QCoreApplication::applicationDirPath()));
    }
    const QString database = DatabasePath();
    if (!QFileInfo(database).isFile()) {
        printError(QStringLiteral("Database %1 not found").arg(QDir::toNativeSeparators(database)));
        return 1;
    }
    const QFileInfo target(file);
    if (target.exists() || target.isSymLink()) {
        printError(QStringLiteral("%1 already exists; the backup is not written over a file")
                       .arg(QDir::toNativeSeparators(file)));
        return 1;
    }

    // A database at rest has no log beside it (a running program always keeps one). The copy's
    // connection would leave an empty log and its index there: with the folder's lock held, no
    // program opens the file meanwhile, and they go again after the copy. A running program's
    // own side files are never touched.
    const QStringList sideFilesMade = MissingSideFiles(database);
    const bool atRest = sideFilesMade.contains(database + QStringLiteral("-wal")) &&
                        SingleInstanceGuard::AcquireExisting(LockFilePath()) ==
                            SingleInstanceGuard::Result::Acquired;
    const auto removeSideFiles = qScopeGuard([&] {
        if (atRest)
            RemoveEmptySideFiles(sideFilesMade);
    });

    const StopOnSignal stopOnSignal;
    BackupOptions options;
    options.Stop = &stopOnSignal.Stopped();
    try {
        if (BackupDatabase(database, target.absoluteFilePath(), options) == BackupResult::Made)
            return 0;
        printError(QStringLiteral("Backup to %1 interrupted; no file written")
                       .arg(QDir::toNativeSeparators(file)));
    } catch (const DbError& e) {
        printError(e.Text);
    }
    return 1;
}
