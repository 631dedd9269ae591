#include "common/Folders.h"
#include "support/ItemFixture.h"
#include "support/TestFolder.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {
struct Outcome {
    int Code = -1;
    QByteArray Out;
    QByteArray Err;
};

// The built program run on folder with no display to connect to.
Outcome Cardolo(const QString& folder, QStringList args) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        env.remove(name);
    p.setProcessEnvironment(env);
    if (!folder.isEmpty())
        args = QStringList{"--folder", folder} + args;
    p.start(qEnvironmentVariable("CARDOLO_BIN"), args);
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit)
        return {};
    return {p.exitCode(), p.readAllStandardOutput(), p.readAllStandardError()};
}

// Every file under folder with a digest of its contents.
QMap<QString, QByteArray> Files(const QString& folder) {
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile f(it.next());
        f.open(QIODevice::ReadOnly);
        files[f.fileName()] = QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
    }
    return files;
}

QByteArray Lines(const QStringList& lines) {
    return (lines.join('\n') + '\n').toUtf8();
}
} // namespace

// cardolo --check [--repair] [--counts]: the report on standard output, the exit codes, a
// check that leaves every file as it was, and the cases in which it cannot run.
class TestCheckCommand : public QObject {
    Q_OBJECT
private slots:
    // 0 for a clean database, 1 for problems; either way every file is byte for byte what it
    // was, also with --counts. No countdown where standard error is no terminal.
    void checkWritesNothing() {
        TestFolder folder;
        ClosePhoneDB();
        const Outcome clean = Cardolo(folder.Path(), {"--check"});
        QCOMPARE(clean.Code, 0);
        QCOMPARE(clean.Out, Lines({"PHONEBK.DB 1 records", "MM.DB (links across) 0 records",
                                   "Scan complete, 0 errors"}));
        QCOMPARE(clean.Err, QByteArray());

        OpenPhoneDB(DatabasePath());
        Exec("INSERT INTO phonebk (id, name, parent, rank) VALUES (10, 'x', 0, NULL)");
        Exec("INSERT INTO mm2 (id1, id2, linknote, \"drop\") VALUES (1, 50, 'n', 0)");
        SetField(ItemId(1), "numchildren", 2);
        ClosePhoneDB();
        const QMap<QString, QByteArray> before = Files(folder.Path());
        const QStringList report{"PHONEBK.DB 2 records", "Problem : Item 10 null rank shd be 0",
                                 "MM.DB (links across) 1 records", "Problem : 1-50 : id2 not found",
                                 "Scan complete, 2 errors"};
        const Outcome check = Cardolo(folder.Path(), {"--check"});
        QCOMPARE(check.Code, 1);
        QCOMPARE(check.Out, Lines(report));
        const Outcome counts = Cardolo(folder.Path(), {"--counts", "--check"});
        QCOMPARE(counts.Code, 1);
        QCOMPARE(counts.Out,
                 Lines(report + QStringList{"", "Problem : Item 1 numchildren 2 should be 0",
                                            "Problem : Item 1 numcousins 0 should be 1",
                                            "Counts complete, 2 errors"}));
        QCOMPARE(Files(folder.Path()), before);
    }

    // A log a crash left beside the database (committed rows not yet copied into the file):
    // the check reads them, and leaves the folder as it found it, without the log's index the
    // engine makes to read it. The next start still finds the rows.
    void checkOfACrashLeftLogLeavesTheFolder() {
        TestFolder folder;
        MakeItem("in the log");
        // The files as a program killed now would leave them: the database and its log.
        const QString crashed = folder.Path() + "crashed/";
        QVERIFY(QDir().mkpath(crashed + "DATA"));
        QVERIFY(QFileInfo(DatabasePath() + "-wal").size() > 0);
        for (const QString& suffix : {QString(), QStringLiteral("-wal")})
            QVERIFY(QFile::copy(DatabasePath() + suffix, crashed + "DATA/cardolo.db" + suffix));
        ClosePhoneDB();
        const QMap<QString, QByteArray> before = Files(crashed);
        const Outcome check = Cardolo(crashed, {"--check"});
        QCOMPARE(check.Code, 0);
        QVERIFY2(check.Out.startsWith("PHONEBK.DB 2 records"), check.Out.constData());
        QMap<QString, QByteArray> after = Files(crashed);
        // The check holds the folder's lock, which makes LOCK.TXT.
        QVERIFY(after.remove(crashed + "LOCK.TXT") == 1);
        QCOMPARE(after, before);
    }

    // --repair writes what the window's Repair writes and exits by its recheck; --counts adds
    // the counts and the missing mirrors.
    void repair() {
        TestFolder folder;
        const ItemId a = MakeItem("A");
        Exec("INSERT INTO phonebk (id, name, parent, rank) VALUES (10, 'x', NULL, 0)");
        Exec("INSERT INTO mm2 (id1, id2, linknote, \"drop\") VALUES (70, 71, 'n', 0), "
             "(?, 1, 'n', 0)",
             {IdToDb(a)});
        ClosePhoneDB();
        const Outcome o = Cardolo(folder.Path(), {"--check", "--repair"});
        QCOMPARE(o.Code, 0);
        QCOMPARE(o.Out,
                 Lines({"Repairing ...", "PHONEBK.DB 3 records",
                        "Problem : Item 10 null parent shd be 0 (repaired)",
                        "MM.DB (links across) 2 records", "Problem : 70-71 : id1 not found",
                        "Problem : 70-71 : id1 not foundid2 not found", "Scan complete, 3 errors",
                        "", "Rechecking ...", "PHONEBK.DB 3 records",
                        "MM.DB (links across) 1 records", "Scan complete, 0 errors"}));

        const Outcome counts = Cardolo(folder.Path(), {"--check", "--repair", "--counts"});
        QCOMPARE(counts.Code, 0);
        QVERIFY2(counts.Out.contains("Problem : Item 1 numcousins 0 should be 1 (repaired)\n"),
                 counts.Out.constData());
        QVERIFY(counts.Out.endsWith("Scan complete, 0 errors\n\nCounts complete, 0 errors\n"));
        OpenPhoneDB(DatabasePath());
        QCOMPARE(Field(ItemId(10), "parent IS NULL"), 0);
        QCOMPARE(CountLinkRows(), 2);
        SetField(a, "rank", 1); // a wrong rank is never repaired
        ClosePhoneDB();
        const Outcome left = Cardolo(folder.Path(), {"--check", "--repair"});
        QCOMPARE(left.Code, 1);
        QVERIFY(left.Out.endsWith("Scan complete, 1 errors\n"));
    }

    // 2 when the check cannot run, with the reason on standard error and no report.
    void cannotRun() {
        TestFolder folder;
        ClosePhoneDB();
        const int fd =
            ::open(QFile::encodeName(LockFilePath()).constData(), O_RDWR | O_CREAT, 0644);
        QVERIFY(fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0); // as a running copy holds it
        const Outcome held = Cardolo(folder.Path(), {"--check"});
        ::close(fd);
        QCOMPARE(held.Code, 2);
        QCOMPARE(held.Err, QByteArray("Program \"Cardolo\" is already running\n"));
        QCOMPARE(held.Out, QByteArray());

        QFile junk(DatabasePath());
        QVERIFY(junk.open(QIODevice::WriteOnly | QIODevice::Truncate));
        junk.write(QByteArray(4096, 'x'));
        junk.close();
        const QMap<QString, QByteArray> before = Files(folder.Path());
        for (const QStringList& args : {QStringList{"--check"}, {"--check", "--repair"}}) {
            const Outcome o = Cardolo(folder.Path(), args);
            QCOMPARE(o.Code, 2);
            QVERIFY2(o.Err.contains("not a database") && o.Out.isEmpty(), o.Err.constData());
        }
        QCOMPARE(Files(folder.Path()), before);

        QTemporaryDir empty; // no database: the folder is left as it was found
        QCOMPARE(Cardolo(empty.path(), {"--check"}).Code, 2);
        QVERIFY(QDir(empty.path()).isEmpty());
        QCOMPARE(Cardolo(empty.path() + "/nowhere", {"--check"}).Code, 2);
        const Outcome alone = Cardolo(QString(), {"--repair"});
        QCOMPARE(alone.Code, 2);
        QVERIFY(alone.Err.startsWith("cardolo: --repair needs --check\n"));
    }
};

QTEST_GUILESS_MAIN(TestCheckCommand)
#include "TestCheckCommand.moc"
