#include "common/SingleInstanceGuard.h"

#include "common/Folders.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
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

namespace {
// Writes all of text to fd; the errno of the failure, or 0.
int writeAll(int fd, const QByteArray& text) {
    qsizetype done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.constData() + done, size_t(text.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : ENOSPC;
        done += n;
    }
    return 0;
}

// Makes the lock file with its whole text, or leaves none: the text goes into a file of a
// passing name first, which takes the lock file's name only once it is written and on disk. A
// name taken meanwhile by a rival start is kept, never replaced: the rival may already hold the
// lock on that very file. 0, or the errno of the failure.
int createLockFile(const QByteArray& path) {
    QByteArray passing = path + ".new-XXXXXX";
    const int fd = ::mkstemp(passing.data());
    if (fd < 0)
        return errno;
    int code = writeAll(fd, SingleInstanceGuard::LockFileText());
    // Only its owner reads it, like every file the program keeps for a person.
    if (code == 0 && ::fchmod(fd, 0600) != 0)
        code = errno;
    if (code == 0 && ::fsync(fd) != 0)
        code = errno;
    ::close(fd);
    if (code == 0 && ::link(passing.constData(), path.constData()) != 0 && errno != EEXIST) {
        code = errno;
        // A file system without hard links: a rename that never replaces does the same.
        if ((code == EPERM || code == ENOTSUP || code == ENOSYS) &&
            (::renameat2(AT_FDCWD, passing.constData(), AT_FDCWD, path.constData(),
                         RENAME_NOREPLACE) == 0 ||
             errno == EEXIST))
            code = 0;
    }
    ::unlink(passing.constData());
    return code;
}
} // namespace

SingleInstanceGuard::Result SingleInstanceGuard::Acquire(const QString& lockPath, QString* error) {
    const QByteArray path = QFile::encodeName(lockPath);
    // Any failure other than another holder of the lock is reported as what it is (a
    // read-only folder, missing rights, a full disk), never as "already running".
    auto fail = [&](int code) {
        if (error) {
            *error = QStringLiteral("Cannot use lock file %1 : %2.")
                         .arg(lockPath, QString::fromLocal8Bit(std::strerror(code)));
            const QString advice = WriteFailureAdvice(code, QFileInfo(lockPath).absolutePath());
            if (!advice.isEmpty())
                *error += QLatin1Char(' ') + advice;
        }
        return Result::Failed;
    };

    // Opening never truncates or rewrites an existing file, so a second instance changes
    // nothing on disk.
    int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT) {
        if (const int code = createLockFile(path))
            return fail(code);
        // Made just now, or by a rival start in the same instant: open it for the lock.
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

SingleInstanceGuard::Result SingleInstanceGuard::AcquireExisting(const QString& lockPath) {
    const int fd = ::open(QFile::encodeName(lockPath).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return Result::Failed;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int code = errno;
        ::close(fd);
        return code == EWOULDBLOCK ? Result::OtherInstance : Result::Failed;
    }
    // Held until the process ends, as the program holds it.
    return Result::Acquired;
}
