#include "app/ExportCommand.h"

#include "app/CommandSupport.h"
#include "app/ReadingBeside.h"
#include "app/StopOnSignal.h"
#include "common/Folders.h"
#include "common/Settings.h"
#include "common/SingleInstanceGuard.h"
#include "store/Conversion.h"
#include "store/Import.h"
#include "store/ExportAll.h"
#include "store/JsonLines.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace {
int fail(const QString& text) {
    return CommandFailure(text, 1);
}
} // namespace

int RunExportCommand(const QString& folder, const QString& path, ExportFormat format) {
    const ReadingBeside reading(folder);
    if (!reading.Error().isEmpty())
        return CommandFailure(reading.Error(), 1);
    const Settings settings = ReadSettingsFrom(SettingsPath());
    const StopOnSignal stop;
    QString error;
    const bool ok = ExportAllItems(format, reading.Database(), path, settings, error,
                                   ProgressOnTerminal("Exporting", stop));
    EndProgressLine();
    if (!ok && error == QLatin1String("Stopped"))
        error = QStringLiteral("Stopped by a signal; nothing was written");
    return ok ? 0 : CommandFailure(error, 1);
}

int RunRestoreCommand(const QString& folder, const QString& file) {
    QString error;
    if (!UseProgramFolder(folder, error))
        return CommandFailure(error, 1);
    if (!QFileInfo(file).isFile())
        return fail(QStringLiteral("%1 not found").arg(QDir::toNativeSeparators(file)));
    // The program folder is held while its database is made, as a running program holds it.
    if (!HoldProgramFolder(error))
        return fail(error);
    if (QFileInfo::exists(DatabasePath()) && DatabaseHoldsUserItems(DatabasePath()))
        return fail(QStringLiteral("%1 holds items of your own; --restore-jsonl makes a new "
                                   "database only. Restore into another program folder (--folder "
                                   "DIR), or move %1 away first.")
                        .arg(QDir::toNativeSeparators(DatabasePath())));
    const StopOnSignal stop;
    JsonRestored restored;
    const bool ok = RestoreJsonLines(file, DatabasePath(), restored, error,
                                     ProgressOnTerminal("Restoring", stop));
    EndProgressLine();
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
                        .arg(restored.DiaryId.Value())
                        .arg(restored.ArchiveId.Value()));
    std::printf("%lld items, %lld links restored\n", static_cast<long long>(restored.Items),
                static_cast<long long>(restored.Links));
    return 0;
}
