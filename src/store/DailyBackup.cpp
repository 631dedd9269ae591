#include "store/DailyBackup.h"

#include "common/Clock.h"
#include "common/Dialogs.h"
#include "common/Folders.h"
#include "store/Database.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>

DailyBackup::DailyBackup(const QString& database, const QString& folder, QObject* parent)
    : QObject(parent), database(database), folder(folder) {
    // From the first check on, the timer runs at the longer interval.
    connect(&timer, &QTimer::timeout, this, [this] {
        timer.setInterval(recheckInterval);
        CheckNow();
    });
}

DailyBackup::~DailyBackup() {
    Stop();
}

void DailyBackup::Start(int firstCheckMs, int recheckMs) {
    recheckInterval = recheckMs;
    timer.start(firstCheckMs);
}

void DailyBackup::Stop() {
    timer.stop();
    stop = true;
    join();
}

void DailyBackup::join() {
    if (thread.joinable())
        thread.join();
}

void DailyBackup::CheckNow() {
    if (busy)
        return;
    // A file found damaged is not copied: its copy would push out the good ones of earlier
    // days, and the damage has been told already.
    if (DatabaseDamageSeen() || PhoneDBWriteRefusal() == WriteRefusal::DamagedFile)
        return;
    join();
    const QString target = QDir(folder).filePath(DailyBackupName(CurrentDateTime().date()));
    const bool made = QFileInfo::exists(target);
    if (made && cleaned)
        return;
    stop = false;
    busy = true;
    thread = std::thread([this, target, made] { run(made ? QString() : target); });
}

// The thread: the first run's cleanup, then the copy to target (none when target is empty).
void DailyBackup::run(const QString& target) {
    QString error;
    bool made = false;
    try {
        if (!MakePrivateFolder(folder))
            throw DbError(QStringLiteral("Cannot create the folder %1")
                              .arg(QDir::toNativeSeparators(folder)));
        if (!cleaned) {
            RemoveStaleBackupParts(folder);
            cleaned = true;
        }
        if (!target.isEmpty()) {
            BackupOptions options = Options;
            options.Stop = &stop;
            made = BackupDatabase(database, target, options) == BackupResult::Made;
            if (made)
                // The copy just made stays even when a clock set back gives it an old date.
                PruneDailyBackups(folder, DailyBackupsKept, QFileInfo(target).fileName());
        }
    } catch (const DbError& e) {
        // Damage met while reading the database is told as damage, once, by the store.
        if (IsDamageCode(e.Code))
            NoteDatabaseDamage();
        else
            error = e.Text;
    }
    const bool report = !target.isEmpty() && (made || !error.isEmpty());
    if (!error.isEmpty())
        std::fprintf(stderr, "cardolo: %s\n", error.toLocal8Bit().constData());
    busy = false;
    // Told on the user's thread; nothing arrives once this object is gone.
    if (report)
        QMetaObject::invokeMethod(
            this,
            [this, target, error] {
                if (!error.isEmpty() && TellFailure && !failureTold) {
                    failureTold = true;
                    ShowInfo(QStringLiteral("The daily backup of the database could not be "
                                            "made: %1")
                                 .arg(error));
                }
                emit Finished(target, error);
            },
            Qt::QueuedConnection);
}
