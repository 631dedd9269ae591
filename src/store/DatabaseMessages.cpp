#include "store/Database.h"

#include <QDir>
#include <QFileInfo>

#include <sqlite3.h>

#include <cerrno>
#include <cstring>

// The texts that tell the user what became of the database file, naming it by its full path
// and saying what to do.

namespace {
QString nativePath(const QString& path) {
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

QString whereBackupsAre(const QString& path) {
    return QStringLiteral("put back the newest daily backup from %1 (cardolo-yyyy-mm-dd.db) in "
                          "place of %2")
        .arg(QDir::toNativeSeparators(BackupFolderOf(path)), QFileInfo(path).fileName());
}
} // namespace

bool IsDamageCode(int engineCode) {
    const int primary = engineCode & 0xff;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

QString BackupFolderOf(const QString& path) {
    return QFileInfo(path).absolutePath() + QStringLiteral("/backup/");
}

QString ReadOnlyFileMessage(const QString& path) {
    return QStringLiteral("The database file %1 is read-only. Cardolo shows your items but cannot "
                          "save any change to them. To make changes, quit Cardolo, give your user "
                          "write permission on the file and start Cardolo again.")
        .arg(nativePath(path));
}

QString DamagedFileMessage(const QString& path) {
    return QStringLiteral("The database file %1 is damaged. Cardolo saves no more changes to it "
                          "until it is restarted; you can still look at your items and copy them "
                          "out. To mend it, quit Cardolo and %2, or run Tools > Database "
                          "healthcheck (cardolo --check) to see what is damaged.")
        .arg(nativePath(path), whereBackupsAre(path));
}

QString DamagedPartMessage(const QString& path) {
    return QStringLiteral("This part of the database file %1 cannot be read: the file is damaged.")
        .arg(nativePath(path));
}

QString OpenFailureMessage(const QString& path, int engineCode, const QString& engineText,
                           int osError) {
    const QString file = nativePath(path);
    const QString folder = QDir::toNativeSeparators(QFileInfo(path).absolutePath());
    const int primary = engineCode & 0xff;
    if (IsDamageCode(engineCode))
        return QStringLiteral("The database file %1 is damaged and cannot be opened (%2). Quit "
                              "Cardolo and %3, then start Cardolo again.")
            .arg(file, engineText, whereBackupsAre(path));
    if (primary == SQLITE_FULL || osError == ENOSPC || osError == EDQUOT)
        return QStringLiteral("Cannot open the database file %1: the disk is full. Free some "
                              "space on it, then start Cardolo again.")
            .arg(file);
    if (osError == EROFS)
        return QStringLiteral("Cannot open the database file %1: the disk it is on may only be "
                              "read. Start Cardolo with a folder on a writable disk (--folder "
                              "DIR).")
            .arg(file);
    if (primary == SQLITE_READONLY || osError == EACCES || osError == EPERM)
        return QStringLiteral("Cannot open the database file %1: Cardolo may not write in the "
                              "folder %2. Give your user write permission on the folder, then "
                              "start Cardolo again.")
            .arg(file, folder);
    const QString cause =
        osError != 0 ? QString::fromLocal8Bit(std::strerror(osError)) : engineText;
    return QStringLiteral("Cannot open the database file %1: %2.").arg(file, cause);
}
