#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

#include <sys/stat.h>

// True once the process pid holds its lock on the file at path, as the kernel's lock table says
// (so the test never takes the lock itself). The program takes its folder's lock early in its
// start, after it has set up the handling of shutdown signals.
inline bool HoldsLock(qint64 pid, const QString& path) {
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    QFile locks(QStringLiteral("/proc/locks"));
    if (!locks.open(QIODevice::ReadOnly))
        return false;
    const QByteArray inode = ":" + QByteArray::number(qulonglong(st.st_ino));
    const QByteArray process = QByteArray::number(pid);
    for (const QByteArray& line : locks.readAll().split('\n')) {
        const QList<QByteArray> f = line.simplified().split(' ');
        if (f.size() >= 6 && f[1] == "FLOCK" && f[4] == process && f[5].endsWith(inode))
            return true;
    }
    return false;
}
