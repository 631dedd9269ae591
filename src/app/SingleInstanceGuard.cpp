#include "app/SingleInstanceGuard.h"

#include "app/Folders.h"

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

SingleInstanceGuard::Result SingleInstanceGuard::Acquire(const QString& lockPath,
                                                         QString* error) {
    const QByteArray path = QFile::encodeName(lockPath);
    auto fail = [&](const char* what) {
        if (error)
            *error = QStringLiteral("Cannot %1 lock file %2 : %3")
                         .arg(QLatin1String(what), lockPath,
                              QString::fromLocal8Bit(std::strerror(errno)));
        return Result::Failed;
    };

    // Opening never truncates or rewrites an existing file, so a second instance changes
    // nothing on disk.
    int fd = ::open(path.constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT) {
        fd = ::open(path.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0) {
            const QByteArray text = LockFileText();
            if (::write(fd, text.constData(), static_cast<size_t>(text.size())) != text.size()) {
                int saved = errno;
                ::close(fd);
                errno = saved;
                return fail("write");
            }
        } else if (errno == EEXIST) {
            fd = ::open(path.constData(), O_RDWR | O_CLOEXEC);
        }
    }
    if (fd < 0 && (errno == EACCES || errno == EROFS))
        fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC); // a read-only file still locks
    if (fd < 0)
        return fail("open");

    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK) {
            ::close(fd);
            return Result::OtherInstance;
        }
        int saved = errno;
        ::close(fd);
        errno = saved;
        return fail("lock");
    }
    // The descriptor stays open, and the lock held, until the process ends.
    return Result::Acquired;
}
