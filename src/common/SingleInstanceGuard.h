#pragma once

#include <QString>

// One running program per program folder. The running instance holds an exclusive OS lock on
// LOCK.TXT for the life of the process, so a file left behind by a crash never blocks a start.
class SingleInstanceGuard {
public:
    enum class Result { Acquired, OtherInstance, Failed };

    // Creates LOCK.TXT with its explanatory text when missing (whole, or not at all), then
    // takes the lock.
    static Result Acquire(const QString& lockPath, QString* error = nullptr);
    // Takes the lock only when LOCK.TXT exists, never making it: for work beside the program
    // that must not change the folder. Failed when there is no lock file.
    static Result AcquireExisting(const QString& lockPath);
    // The text written into a new lock file.
    static QByteArray LockFileText();
    static QString AlreadyRunningMessage();
};
