#include "common/SingleInstanceGuard.h"

#include "common/Folders.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

QByteArray SingleInstanceGuard::LockFileText() {
    return QStringLiteral("This file LOCK.TXT is used to prevent multiple instances of program "
                          "\"%1\" running on your PC.\r\nIf the file is absent it will be "
                          "created automatically.")
        .arg(ApplicationTitle)
        .toUtf8();
}

QString SingleInstanceGuard::AlreadyRunningMessage() {
    return QStringLiteral("Program \"%1\" is already running").arg(ApplicationTitle);
}

SingleInstanceGuard::Result SingleInstanceGuard::Acquire(const QString& lockPath, QString* error) {
    const QByteArray path = QFile::encodeName(lockPath);
    // Any failure other than another holder of the lock is reported as what it is (a
    // read-only folder, missing rights), never as "already running".
    auto fail = [&](int code) {
        if (error)
            *error = QStringLiteral("Cannot use lock file %1 : %2")
                         .arg(lockPath, QString::fromLocal8Bit(std::strerror(code)));
        return Result::Failed;
    };

    // Opening never truncates or rewrites an existing file, so a second instance changes
    // nothing on disk.
    int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT) {
        fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0 && errno != EEXIST)
            return fail(errno);
        if (fd >= 0) {
            const QByteArray text = LockFileText();
            ssize_t written = ::write(fd, text.constData(), static_cast<size_t>(text.size()));
            int code = errno;
            ::close(fd);
            if (written != text.size())
                return fail(written < 0 ? code : ENOSPC);
        }
        // Created just now, or by a rival start in the same instant: open it for the lock.
        fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    }
    if (fd < 0)
        return fail(errno);

    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        int code = errno;
        ::close(fd);
        if (code == EWOULDBLOCK)
            return Result::OtherInstance;
        return fail(code);
    }
    // The descriptor stays open, and the lock held, until the process ends.
    return Result::Acquired;
}
