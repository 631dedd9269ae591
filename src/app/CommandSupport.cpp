#include "app/CommandSupport.h"

#include "app/StopOnSignal.h"
#include "common/Folders.h"
#include "common/SingleInstanceGuard.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>
#include <unistd.h>

int CommandFailure(const QString& text, int code) {
    std::fprintf(stderr, "cardolo: %s\n", text.toLocal8Bit().constData());
    return code;
}

bool UseProgramFolder(const QString& folder, QString& error) {
    if (folder.isEmpty()) {
        SetProgramFolder(DefaultProgramFolder(QCoreApplication::applicationDirPath()));
        return true;
    }
    if (!QFileInfo(folder).isDir()) {
        error = QStringLiteral("Folder %1 does not exist").arg(folder);
        return false;
    }
    SetProgramFolder(folder);
    return true;
}

std::function<bool(qint64, qint64)> ProgressOnTerminal(const char* what, const StopOnSignal& stop) {
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

void EndProgressLine() {
    if (::isatty(STDERR_FILENO) == 1)
        std::fprintf(stderr, "\n");
}

bool HoldProgramFolder(QString& error) {
    switch (SingleInstanceGuard::Acquire(LockFilePath(), &error)) {
    case SingleInstanceGuard::Result::Acquired:
        break;
    case SingleInstanceGuard::Result::OtherInstance:
        error = SingleInstanceGuard::AlreadyRunningMessage();
        return false;
    case SingleInstanceGuard::Result::Failed:
        return false;
    }
    return EnsureDataFolder(&error);
}
