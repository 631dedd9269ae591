#include "app/ExportCommand.h"

#include "app/StopOnSignal.h"
#include "common/Folders.h"
#include "common/Settings.h"
#include "common/SingleInstanceGuard.h"
#include "store/Conversion.h"
#include "store/Import.h"
#include "store/JsonLines.h"
#include "store/SideFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>

#include <cstdio>
#include <unistd.h>

namespace {
int fail(const QString& text) {
    std::fprintf(stderr, "cardolo: %s\n", text.toLocal8Bit().constData());
    return 1;
}

// The program folder given, or the default one; false (with the message said) when the folder
// given does not exist.
bool useFolder(const QString& folder) {
    if (folder.isEmpty()) {
        SetProgramFolder(DefaultProgramFolder(QCoreApplication::applicationDirPath()));
        return true;
    }
    if (!QFileInfo(folder).isDir()) {
        fail(QStringLiteral("Folder %1 does not exist").arg(folder));
        return false;
    }
    SetProgramFolder(folder);
    return true;
}

// Progress of long work on a terminal, on one line rewritten as the percentage grows; false
// once a signal asked the work to stop.
JsonProgress progressOnTerminal(const char* what, const StopOnSignal& stop) {
    const bool terminal = ::isatty(STDERR_FILENO) == 1;
    return [what, terminal, &stop, shown = qint64(-1)](qint64 done, qint64 total) mutable {
        const qint64 percent = total > 0 ? done * 100 / total : -1;
        if (terminal && percent >= 0 && percent != shown) {
            std::fprintf(stderr, "\r%s: %lld%%", what, static_cast<long long>(percent));
            std::fflush(stderr);
            shown = percent;
        }
        return !stop.Stopped().load();
    };
}

void endProgressLine() {
    if (::isatty(STDERR_FILENO) == 1)
        std::fprintf(stderr, "\n");
}
} // namespace

int RunExportCommand(const QString& folder, const QString& path) {
    if (!useFolder(folder))
        return 1;
    const QString database = DatabasePath();
    if (!QFileInfo(database).isFile())
        return fail(
            QStringLiteral("Database %1 not found").arg(QDir::toNativeSeparators(database)));
    // A database at rest (no program running: no log beside it) is read with the folder's lock
    // held, and the log and index its reading connection makes go again afterwards.
    const QStringList sideFilesMade = MissingSideFiles(database);
    const bool atRest = sideFilesMade.contains(database + QStringLiteral("-wal")) &&
                        SingleInstanceGuard::AcquireExisting(LockFilePath()) ==
                            SingleInstanceGuard::Result::Acquired;
    const auto removeSideFiles = qScopeGuard([&] {
        if (atRest)
            RemoveEmptySideFiles(sideFilesMade);
    });
    const Settings settings = ReadSettingsFrom(SettingsPath());
    JsonExportHeader header;
    header.Program = QStringLiteral(CARDOLO_VERSION);
    header.DiaryId = settings.DiaryId;
    header.ArchiveId = settings.ArchiveId;
    const StopOnSignal stop;
    QString error;
    const bool ok = ExportJsonLines(database, QFileInfo(path).absoluteFilePath(), header, error,
                                    progressOnTerminal("Exporting", stop));
    endProgressLine();
    return ok ? 0 : fail(error);
}

int RunRestoreCommand(const QString& folder, const QString& file) {
    if (!useFolder(folder))
        return 1;
    if (!QFileInfo(file).isFile())
        return fail(QStringLiteral("%1 not found").arg(QDir::toNativeSeparators(file)));
    // The program folder is held while its database is made, as a running program holds it.
    QString error;
    switch (SingleInstanceGuard::Acquire(LockFilePath(), &error)) {
    case SingleInstanceGuard::Result::Acquired:
        break;
    case SingleInstanceGuard::Result::OtherInstance:
        return fail(SingleInstanceGuard::AlreadyRunningMessage());
    case SingleInstanceGuard::Result::Failed:
        return fail(error);
    }
    if (!EnsureDataFolder(&error))
        return fail(error);
    if (QFileInfo::exists(DatabasePath()) && DatabaseHoldsUserItems(DatabasePath()))
        return fail(QStringLiteral("%1 holds items of your own; --restore-jsonl makes a new "
                                   "database only. Restore into another program folder (--folder "
                                   "DIR), or move %1 away first.")
                        .arg(QDir::toNativeSeparators(DatabasePath())));
    const StopOnSignal stop;
    JsonRestored restored;
    const bool ok = RestoreJsonLines(file, DatabasePath(), restored, error,
                                     progressOnTerminal("Restoring", stop));
    endProgressLine();
    if (!ok)
        return fail(
            QStringLiteral("%1 was not restored: %2").arg(QDir::toNativeSeparators(file), error));
    // The settings the items depend on come with them; the rest are the folder's own.
    Settings settings = ReadSettingsFrom(SettingsPath());
    settings.DiaryId = restored.DiaryId;
    settings.ArchiveId = restored.ArchiveId;
    settings.Dbvn = NewestDbvn;
    if (!WriteSettingsTo(SettingsPath(), settings))
        return fail(QStringLiteral("The items are in %1, but %2 could not be written: it must hold "
                                   "DIARYID=%3 and ARCHIVEID=%4")
                        .arg(QDir::toNativeSeparators(DatabasePath()),
                             QDir::toNativeSeparators(SettingsPath()))
                        .arg(restored.DiaryId)
                        .arg(restored.ArchiveId));
    std::printf("%lld items, %lld links restored\n", static_cast<long long>(restored.Items),
                static_cast<long long>(restored.Links));
    return 0;
}
