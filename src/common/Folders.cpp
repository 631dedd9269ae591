#include "common/Folders.h"

#include "common/CommonState.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

const QString ApplicationTitle = QStringLiteral("Cardolo");

namespace {
QString withSeparator(const QString& folder) {
    QString f = QDir::cleanPath(QDir(folder).absolutePath());
    if (!f.endsWith(QLatin1Char('/')))
        f += QLatin1Char('/');
    return f;
}
} // namespace

QString ProgramFolder() {
    return Common().ProgramFolderPath;
}

void SetProgramFolder(const QString& folder) {
    Common().ProgramFolderPath = withSeparator(folder);
}

QString DataFolder() {
    return ProgramFolder() + QStringLiteral("DATA");
}

QString WriteFailureAdvice(int osError, const QString& folder) {
    switch (osError) {
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("The disk is full: free some space on it, then start Cardolo "
                              "again.");
    case EROFS:
        return QStringLiteral("The disk may only be read: start Cardolo with a folder on a "
                              "writable disk (--folder DIR).");
    case EACCES:
    case EPERM:
        return QStringLiteral("Give your user write permission on the folder %1, or start "
                              "Cardolo with another folder (--folder DIR).")
            .arg(QDir::toNativeSeparators(folder));
    default:
        return QString();
    }
}

bool EnsureDataFolder(QString* error) {
    const QString folder = DataFolder();
    const QByteArray path = QFile::encodeName(folder);
    auto fail = [&](const QString& what, int code) {
        if (error) {
            *error = what.arg(QDir::toNativeSeparators(folder),
                              QString::fromLocal8Bit(std::strerror(code)));
            const QString advice = WriteFailureAdvice(code, folder);
            if (!advice.isEmpty())
                *error += QLatin1Char(' ') + advice;
        }
        return false;
    };
    struct stat st;
    if (::stat(path.constData(), &st) == 0) {
        if (!S_ISDIR(st.st_mode)) {
            if (error)
                *error = QStringLiteral("%1 is a file, but Cardolo keeps its items and settings "
                                        "in a folder of that name. Rename or move the file, then "
                                        "start Cardolo again.")
                             .arg(QDir::toNativeSeparators(folder));
            return false;
        }
    } else if (errno != ENOENT || ::mkdir(path.constData(), 0700) != 0) {
        return fail(QStringLiteral("Cannot create the folder %1: %2."), errno);
    }
    // Every file of the folder is written while the program runs (the database's log beside
    // it, the settings): a folder that takes no new file stops the start here, in words, instead
    // of at the first write. Asked of the disk itself, which knows every reason.
    QByteArray probe = path + "/.cardolo-write-test-XXXXXX";
    const int fd = ::mkstemp(probe.data());
    if (fd < 0)
        return fail(QStringLiteral("Cannot write in the folder %1: %2."), errno);
    ::close(fd);
    ::unlink(probe.constData());
    return true;
}

void KeepNewFilesPrivate() {
    const mode_t mask = ::umask(077);
    ::umask(mask | 077);
}

bool MakePrivateFolder(const QString& folder) {
    const QByteArray path = QFile::encodeName(folder);
    if (::mkdir(path.constData(), 0700) == 0)
        return true;
    struct stat st;
    if (errno == EEXIST && ::stat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode))
        return true;
    if (errno == EEXIST)
        errno = ENOTDIR;
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

QString ChooseProgramFolder(const QString& executableFolder, bool executableFolderWritable,
                            const QString& userDataFolder) {
    // An installed copy's folder holds programs, not a user's files, even where the user may
    // write to it (~/.local/bin, or /usr/local/bin for root).
    const bool installed =
        QDir(QDir::cleanPath(executableFolder)).dirName() == QLatin1String("bin");
    if (executableFolderWritable && !installed)
        return withSeparator(executableFolder);
    return withSeparator(userDataFolder + QStringLiteral("/cardolo"));
}

QString DefaultProgramFolder(const QString& executableFolder) {
    QFileInfo info(executableFolder);
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.local/share");
    const QString folder =
        ChooseProgramFolder(executableFolder, info.isDir() && info.isWritable(), base);
    if (folder != withSeparator(executableFolder))
        QDir().mkpath(folder);
    return folder;
}
