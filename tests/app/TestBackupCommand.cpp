#include "support/ItemFixture.h"

#include "app/BackupCommand.h"
#include "common/Folders.h"
#include "common/SingleInstanceGuard.h"
#include "store/Backup.h"
#include "store/CopyReader.h"
#include "support/TestFolder.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryFile>
#include <QTest>

#include <cstdio>
#include <functional>
#include <unistd.h>

namespace {
struct Outcome {
    int Code = -1;
    QString Err;
};

// Runs the command with standard error caught.
Outcome Run(const QString& folder, const QString& file) {
    QTemporaryFile caught;
    if (!caught.open())
        return {};
    std::fflush(stderr);
    const int saved = ::dup(STDERR_FILENO);
    ::dup2(caught.handle(), STDERR_FILENO);
    Outcome outcome;
    outcome.Code = RunBackupCommand(folder, file);
    std::fflush(stderr);
    ::dup2(saved, STDERR_FILENO);
    ::close(saved);
    caught.seek(0);
    outcome.Err = QString::fromLocal8Bit(caught.readAll());
    return outcome;
}
} // namespace

// cardolo --backup FILE: a good copy of the program folder's database while the program holds
// its lock and keeps the database open, and refusals that name the file and write nothing.
class TestBackupCommand : public QObject {
    Q_OBJECT
private slots:
    void writesAGoodCopyWhileTheProgramRuns() {
        TestFolder folder;
        for (int i = 0; i < 20; ++i)
            MakeItem(QStringLiteral("item %1").arg(i));
        QString error;
        QCOMPARE(SingleInstanceGuard::Acquire(LockFilePath(), &error),
                 SingleInstanceGuard::Result::Acquired);
        const QString file = folder.Path() + "copy of cardolo.db";
        const Outcome made = Run(folder.Path(), file);
        QCOMPARE(made.Err, QString());
        QCOMPARE(made.Code, 0);
        const CopyReader copy(file);
        QCOMPARE(copy.Value("PRAGMA quick_check"), QString("ok"));
        QCOMPARE(copy.Value(ItemsDigestSql), Scalar(ItemsDigestSql).toString());
        QVERIFY(!QFile::exists(PartialBackupPath(file)));
    }

    // A database at rest (no program running, no log beside it): the copy leaves its folder
    // as it was, without the log and index its reading connection makes.
    void copyOfADatabaseAtRestLeavesItsFolder() {
        TestFolder folder;
        MakeItem("at rest");
        ClosePhoneDB();
        QFile lock(LockFilePath());
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.write(SingleInstanceGuard::LockFileText());
        lock.close();
        const QStringList before = QDir(DataFolder()).entryList(QDir::Files | QDir::Hidden);
        QCOMPARE(before, QStringList{"cardolo.db"});
        const QString file = folder.Path() + "copy.db";
        const Outcome made = Run(folder.Path(), file);
        QCOMPARE(made.Code, 0);
        QCOMPARE(QDir(DataFolder()).entryList(QDir::Files | QDir::Hidden), before);
        QCOMPARE(CopyReader(file).Value("SELECT count(*) FROM phonebk"), QString("2"));
    }

    void refusesAndNamesTheFile() {
        TestFolder folder;
        const QString file = folder.Path() + "taken.db";
        QFile taken(file);
        QVERIFY(taken.open(QIODevice::WriteOnly));
        taken.write("mine");
        taken.close();
        const Outcome refused = Run(folder.Path(), file);
        QCOMPARE(refused.Code, 1);
        QVERIFY2(refused.Err.contains(file), qPrintable(refused.Err));
        QVERIFY(taken.open(QIODevice::ReadOnly));
        QCOMPARE(taken.readAll(), QByteArray("mine"));

        const QString elsewhere = folder.Path() + "no folder/copy.db";
        const Outcome failed = Run(folder.Path(), elsewhere);
        QCOMPARE(failed.Code, 1);
        QVERIFY2(failed.Err.contains(elsewhere), qPrintable(failed.Err));

        ClosePhoneDB();
        QVERIFY(QFile::remove(DatabasePath()));
        const Outcome missing = Run(folder.Path(), folder.Path() + "copy.db");
        QCOMPARE(missing.Code, 1);
        QVERIFY2(missing.Err.contains(DatabasePath()), qPrintable(missing.Err));
        QCOMPARE(QDir(folder.Path()).entryList(QDir::Files), QStringList{"taken.db"});
    }

    // The program's own command line: --backup FILE makes the copy and ends, and --backup
    // without a file is a usage error.
    void theProgramMakesTheCopy() {
        TestFolder folder;
        for (int i = 0; i < 5; ++i)
            MakeItem(QStringLiteral("item %1").arg(i));
        const QString digest = Scalar(ItemsDigestSql).toString();
        ClosePhoneDB();
        const QString file = folder.Path() + "copy.db";
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            env.remove(name);
        p.setProcessEnvironment(env);
        p.start(qEnvironmentVariable("CARDOLO_BIN"), {"--folder", folder.Path(), "--backup", file});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 0);
        QCOMPARE(p.readAllStandardError(), QByteArray());
        const CopyReader copy(file);
        QCOMPARE(copy.Value(ItemsDigestSql), digest);

        p.start(qEnvironmentVariable("CARDOLO_BIN"), {"--folder", folder.Path(), "--backup"});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 2);
        QVERIFY(p.readAllStandardError().contains("--backup needs the name of the copy"));
    }
};

QTEST_GUILESS_MAIN(TestBackupCommand)
#include "TestBackupCommand.moc"
