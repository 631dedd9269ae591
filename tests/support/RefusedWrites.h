#pragma once

#include <QFile>
#include <QString>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

// Makes the program folder refuse writes while it lives: the folder is made read-only, and,
// because permission bits do not stop root, files may also grow no larger than maxBytes (a
// write past that fails as on a full disk). Both are undone when it goes.
class RefusedWrites {
public:
    explicit RefusedWrites(const QString& folder, rlim_t maxBytes = 0) : folder(folder) {
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
        std::signal(SIGXFSZ, SIG_IGN); // the write fails with EFBIG instead of ending the test
        ::getrlimit(RLIMIT_FSIZE, &saved);
        rlimit limit = saved;
        limit.rlim_cur = maxBytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~RefusedWrites() { Undo(); }
    void Undo() {
        if (undone)
            return;
        undone = true;
        ::setrlimit(RLIMIT_FSIZE, &saved);
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

private:
    QString folder;
    rlimit saved{};
    bool undone = false;
};
