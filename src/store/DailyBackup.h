#pragma once

#include "store/Backup.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <atomic>
#include <thread>

// Makes the day's copy of the database (DailyBackupName of the program clock's date) in the
// backup folder while the program runs: first some time after start, then again every hour, so
// a program left running over midnight makes the next day's copy. The copy runs on a thread of
// its own with its own connections; the user's thread only looks whether the day's copy exists.
// The first run also removes the temporary files of copies a killed program left; each copy
// made is followed by the removal of the copies beyond the newest DailyBackupsKept. Stop
// abandons a copy under way at its next step, removing its temporary file.
class DailyBackup : public QObject {
    Q_OBJECT
public:
    static constexpr int FirstCheckMs = 30 * 1000;
    static constexpr int RecheckMs = 60 * 60 * 1000;

    DailyBackup(const QString& database, const QString& folder, QObject* parent = nullptr);
    ~DailyBackup() override; // stops as Stop does
    DailyBackup(const DailyBackup&) = delete;
    DailyBackup& operator=(const DailyBackup&) = delete;

    // Checks after firstCheckMs, then every recheckMs.
    void Start(int firstCheckMs = FirstCheckMs, int recheckMs = RecheckMs);
    // Stops the checks and any copy under way, and waits for its thread (a step at most).
    void Stop();
    // The timer's check: starts the day's copy when it does not exist and none is under way.
    void CheckNow();
    // A copy (or the first run's cleanup) is under way.
    bool Running() const { return busy.load(); }

    // How the copies are made (their pace and check); Stop is always the object's own.
    BackupOptions Options;
    // A failed copy is also told to the user through the dialog seam, the first one only: the
    // hourly checks would otherwise repeat it while the cause lasts (a full disk).
    bool TellFailure = false;

signals:
    // After each attempt at the day's copy, on the user's thread: file is the copy's path, error
    // empty when it was made, else the text of the failure. Not sent for a copy stopped.
    void Finished(const QString& file, const QString& error);

private:
    void run(const QString& target);
    void join();

    const QString database;
    const QString folder;
    QTimer timer;
    std::thread thread;
    std::atomic<bool> stop{false};
    std::atomic<bool> busy{false};
    int recheckInterval = RecheckMs;
    bool cleaned = false; // the first run removed what killed copies left
    bool failureTold = false;
};
