#include "support/ItemFixture.h"

#include "common/Clock.h"
#include "common/Folders.h"
#include "store/Backup.h"
#include "store/CopyReader.h"
#include "store/DailyBackup.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFolder.h"

#include <QDir>
#include <QSignalSpy>
#include <QTest>

#include <atomic>
#include <chrono>
#include <thread>

namespace {
void SetDay(const QDate& date, const QTime& time = QTime(10, 0)) {
    const QDateTime now(date, time);
    SetClockForTesting([now] { return now; });
}

QStringList FilesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

QString ItemCount(const QString& copy) {
    return CopyReader(copy).Value("SELECT count(*) FROM phonebk");
}
} // namespace

// The day's copy made by the program as it runs: once a day by the program's clock, in the
// background, the oldest beyond seven removed, a killed run's temporary files cleared, and a
// copy under way abandoned without a trace when the program stops it.
class TestDailyBackup : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { ResetAllState(); }

    // The first check clears what a killed copy left and makes the day's copy; later checks on
    // the same day make none, also after more writes; the next day's check makes the next copy,
    // which holds them. A failure is told with the file's name and leaves no file.
    void makesEachDaysCopyOnce() {
        TestFolder folder;
        const QString dir = BackupFolder();
        QVERIFY(QDir().mkpath(dir));
        QFile stale(PartialBackupPath(dir + "/cardolo-2024-03-04.db"));
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.close();
        DailyBackup backup(DatabasePath(), dir);
        backup.Options.PauseMs = 0;
        QSignalSpy finished(&backup, &DailyBackup::Finished);

        SetDay(QDate(2024, 3, 5));
        backup.CheckNow();
        QTRY_COMPARE(finished.count(), 1);
        const QString first = dir + "/cardolo-2024-03-05.db";
        QCOMPARE(finished.at(0), (QVariantList{first, QString()}));
        QCOMPARE(FilesIn(dir), QStringList{"cardolo-2024-03-05.db"});
        QCOMPARE(ItemCount(first), QString("1"));

        MakeItem("written later that day");
        SetDay(QDate(2024, 3, 5), QTime(23, 59, 59));
        backup.CheckNow();
        QVERIFY(!backup.Running());
        QCoreApplication::processEvents();
        QCOMPARE(finished.count(), 1);
        QCOMPARE(ItemCount(first), QString("1"));

        SetDay(QDate(2024, 3, 6), QTime(0, 0, 1));
        backup.CheckNow();
        QTRY_COMPARE(finished.count(), 2);
        QCOMPARE(FilesIn(dir), (QStringList{"cardolo-2024-03-05.db", "cardolo-2024-03-06.db"}));
        QCOMPARE(ItemCount(dir + "/cardolo-2024-03-06.db"), QString("2"));

        // A failure told to the user is told once, however often the hourly check fails again.
        ScriptedDialogs dialogs;
        DailyBackup failing(folder.Path() + "no such.db", dir);
        failing.TellFailure = true;
        QSignalSpy failed(&failing, &DailyBackup::Finished);
        SetDay(QDate(2024, 3, 7));
        failing.CheckNow();
        QTRY_COMPARE(failed.count(), 1);
        QVERIFY2(failed.at(0).at(1).toString().contains("cardolo-2024-03-07.db"),
                 qPrintable(failed.at(0).at(1).toString()));
        QCOMPARE(FilesIn(dir), (QStringList{"cardolo-2024-03-05.db", "cardolo-2024-03-06.db"}));
        failing.CheckNow();
        QTRY_COMPARE(failed.count(), 2);
        QCOMPARE(dialogs.Infos(),
                 QStringList{"The daily backup of the database could not be made: " +
                             failed.at(0).at(1).toString()});
    }

    // Started, the first check comes from the timer; after nine days of copies (across the end
    // of a month) the newest seven are left beside the user's own file.
    void keepsTheNewestSevenCopies() {
        TestFolder folder;
        const QString dir = BackupFolder();
        QVERIFY(QDir().mkpath(dir));
        QFile own(dir + "/my notes.txt");
        QVERIFY(own.open(QIODevice::WriteOnly));
        own.close();
        DailyBackup backup(DatabasePath(), dir);
        backup.Options.PauseMs = 0;
        QSignalSpy finished(&backup, &DailyBackup::Finished);
        SetDay(QDate(2024, 2, 25));
        backup.Start(0);
        QTRY_COMPARE(finished.count(), 1);
        for (int day = 1; day < 9; ++day) {
            SetDay(QDate(2024, 2, 25).addDays(day));
            backup.CheckNow();
            QTRY_COMPARE(finished.count(), day + 1);
        }
        // Beside the newest seven, the first copy stays as the newest of its week (Sunday
        // 2024-02-25 ends the week two weeks back).
        QStringList expected{"my notes.txt", DailyBackupName(QDate(2024, 2, 25))};
        for (int day = 2; day < 9; ++day)
            expected << DailyBackupName(QDate(2024, 2, 25).addDays(day));
        expected.sort();
        QCOMPARE(FilesIn(dir), expected);
    }

    // A file found damaged (by the background check, or while it was copied) is not copied:
    // its copy would push out the good ones, and the damage is told once, by the store, not as
    // a failed backup.
    void damagedFileIsNotCopied() {
        TestFolder folder;
        const QString dir = BackupFolder();
        ScriptedDialogs dialogs;
        DailyBackup backup(DatabasePath(), dir);
        backup.Options.PauseMs = 0;
        backup.TellFailure = true;
        QSignalSpy finished(&backup, &DailyBackup::Finished);
        SetDay(QDate(2024, 3, 5));
        NoteDatabaseDamage();
        backup.CheckNow();
        QVERIFY(!backup.Running());
        QCoreApplication::processEvents();
        QCOMPARE(finished.count(), 0);
        QVERIFY(!QFileInfo::exists(dir + "/cardolo-2024-03-05.db"));
        QCOMPARE(dialogs.Infos(), QStringList{DamagedFileMessage(DatabasePath())});
    }

    // Stop during a copy: it returns once the copy's thread is gone, leaving neither the copy
    // nor its temporary file, and nothing is reported.
    void stopAbandonsACopyUnderWay() {
        TestFolder folder;
        Transaction t;
        for (int i = 0; i < 100; ++i)
            CreateItem(QString::number(i), QString(), QString(1000, QLatin1Char('x')));
        t.Commit();
        const QString dir = BackupFolder();
        DailyBackup backup(DatabasePath(), dir);
        std::atomic<bool> stepped{false};
        std::atomic<bool> release{false};
        backup.Options.PagesPerStep = 1;
        backup.Options.PauseMs = 5;
        // The first step waits for the test, so Stop finds the copy under way.
        backup.Options.AfterStep = [&](int, int) {
            stepped = true;
            while (!release)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        };
        QSignalSpy finished(&backup, &DailyBackup::Finished);
        SetDay(QDate(2024, 3, 5));
        backup.CheckNow();
        QTRY_VERIFY(stepped);
        QVERIFY(backup.Running());
        QVERIFY(QFile::exists(PartialBackupPath(dir + "/cardolo-2024-03-05.db")));
        release = true;
        backup.Stop();
        QVERIFY(!backup.Running());
        QCOMPARE(FilesIn(dir), QStringList());
        QCoreApplication::processEvents();
        QCOMPARE(finished.count(), 0);
    }
};

QTEST_GUILESS_MAIN(TestDailyBackup)
#include "TestDailyBackup.moc"
