#include "common/Folders.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

const QString ApplicationTitle = QStringLiteral("Cardolo");

namespace {
QString& programFolderHolder() {
    static QString folder;
    return folder;
}

QString withSeparator(const QString& folder) {
    QString f = QDir::cleanPath(QDir(folder).absolutePath());
    if (!f.endsWith(QLatin1Char('/')))
        f += QLatin1Char('/');
    return f;
}
} // namespace

QString ProgramFolder() {
    return programFolderHolder();
}

void SetProgramFolder(const QString& folder) {
    programFolderHolder() = withSeparator(folder);
}

QString DataFolder() {
    return ProgramFolder() + QStringLiteral("DATA");
}

bool EnsureDataFolder(QString* error) {
    QDir dir(DataFolder());
    if (dir.exists())
        return true;
    if (QDir().mkpath(DataFolder()))
        return true;
    if (error)
        *error = QStringLiteral("Cannot create folder ") + DataFolder();
    return false;
}

QString SettingsPath() {
    return DataFolder() + QStringLiteral("/PHONEBK.INI");
}

QString LockFilePath() {
    return ProgramFolder() + QStringLiteral("LOCK.TXT");
}

QString DatabasePath() {
    return DataFolder() + QStringLiteral("/cardolo.db");
}

QString DefaultProgramFolder(const QString& executableFolder) {
    QFileInfo info(executableFolder);
    if (info.isDir() && info.isWritable())
        return withSeparator(executableFolder);
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.local/share");
    QString folder = base + QStringLiteral("/cardolo");
    QDir().mkpath(folder);
    return withSeparator(folder);
}
