#include "common/Folders.h"
#include "support/GarbledPage.h"
#include "support/ItemFixture.h"
#include "support/SharedFontConfig.h"
#include "support/TestFolder.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <grp.h>
#include <sys/mount.h>
#include <unistd.h>

namespace {
// The unprivileged user the program runs as, when the tests run as root, wherever permission
// bits must apply to it.
constexpr uid_t Nobody = 65534;

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// What the program wrote to standard error, without the platform's and the font library's own
// notes.
QStringList messages(const QByteArray& err) {
    QStringList out;
    for (const QString& line : QString::fromLocal8Bit(err).split('\n', Qt::SkipEmptyParts))
        if (!line.startsWith("QStandardPaths:") && !line.startsWith("This plugin does not") &&
            !line.startsWith("Fontconfig "))
            out << line;
    return out;
}

// A folder the unprivileged user may enter and write (and root, as ever).
void openToAll(const QString& path) {
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                    QFile::ReadOther | QFile::WriteOther | QFile::ExeOther);
}

// The real program on a prepared program folder, offscreen.
class Run {
public:
    Run(const QString& folder, bool asNobody = false, QStringList extra = {}) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        if (asNobody && ::geteuid() == 0)
            env = WithSharedFontConfig(env, CopyDir);
        process.setProcessEnvironment(env);
        if (asNobody && ::geteuid() == 0)
            process.setChildProcessModifier([] {
                if (::setgroups(0, nullptr) != 0 || ::setgid(Nobody) != 0 || ::setuid(Nobody) != 0)
                    ::_exit(99);
            });
        process.start(binary(asNobody), QStringList{"--folder", folder} + extra);
    }
    ~Run() {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(10000);
        }
    }

    // Waits until standard error holds text (or the program has ended).
    void ErrorsOnceShown(const QByteArray& text) {
        const auto seen = [&] {
            err += process.readAllStandardError();
            return err.contains(text) || process.state() == QProcess::NotRunning;
        };
        QTRY_VERIFY_WITH_TIMEOUT(seen(), 30000);
    }
    // Closes the program as a system shutdown would (the message box it waits on too); its
    // exit code, or -1 when it did not end normally.
    int Stop() {
        if (process.state() != QProcess::NotRunning)
            ::kill(pid_t(process.processId()), SIGTERM);
        if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit)
            return -1;
        err += process.readAllStandardError();
        return process.exitCode();
    }
    // Waits for the program to end by itself; its exit code, or -1.
    int Finish() {
        if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
            return -1;
        err += process.readAllStandardError();
        return process.exitCode();
    }
    QByteArray Errors() const { return err; }
    QByteArray Output() { return process.readAllStandardOutput(); }

    // The unprivileged user runs a copy beside the test's folders: the build folder may be
    // closed to it.
    static QString CopyDir;

private:
    static QString binary(bool asNobody) {
        const QString built = qEnvironmentVariable("CARDOLO_BIN");
        if (!asNobody || ::geteuid() != 0)
            return built;
        const QString copy = CopyDir + "/cardolo";
        if (!QFileInfo::exists(copy))
            QFile::copy(built, copy);
        return copy;
    }

    QProcess process;
    QByteArray err;
};
QString Run::CopyDir;

// A program folder with a database of a few thousand items, all of it in the file.
void makeItems(const QString& folder, int count) {
    SetProgramFolder(folder);
    EnsureDataFolder();
    OpenPhoneDB(DatabasePath());
    Exec(QStringLiteral(
             "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < ?) "
             "INSERT INTO phonebk (name, text, parent, rank, numchildren, numcousins, createdts) "
             "SELECT 'item ' || i, 'the text of item ' || i || ' ' || hex(randomblob(120)), "
             "0, 0, 0, 0, '2024-01-01 00:00:00.000' FROM n"),
         {count});
    ClosePhoneDB();
}

int middleLeaf(const QString& database) {
    OpenPhoneDB(database);
    const int page =
        Scalar("SELECT pageno FROM dbstat WHERE name = 'phonebk' AND pagetype = 'leaf' "
               "ORDER BY pageno LIMIT 1 OFFSET (SELECT count(*) / 2 FROM dbstat "
               "WHERE name = 'phonebk' AND pagetype = 'leaf')")
            .toInt();
    ClosePhoneDB();
    return page;
}
} // namespace

// The real program started on folders it cannot use as they are: each failure is one message
// in plain words on standard error (and in a box), naming the file and what to do, and the
// program ends before it makes a window (a shutdown signal then ends it with code 1, where a
// program with its window up would end with 0). A database it may only read, or one found
// damaged, is used without writing to it.
class TestStartupFailures : public QObject {
    Q_OBJECT

    QTemporaryDir top;
    int folders = 0;

    // A new program folder the unprivileged user may write.
    QString newFolder() {
        const QString folder = top.path() + "/prog" + QString::number(++folders);
        QDir().mkpath(folder);
        openToAll(folder);
        return folder;
    }

private slots:
    void initTestCase() {
        QVERIFY(QFileInfo(qEnvironmentVariable("CARDOLO_BIN")).isExecutable());
        openToAll(top.path());
        Run::CopyDir = top.path();
    }

    void cleanup() { ResetAllState(); }

    void dataIsAFile() {
        const QString folder = newFolder();
        QFile data(folder + "/DATA");
        QVERIFY(data.open(QIODevice::WriteOnly));
        data.write("a file");
        data.close();
        Run run(folder);
        run.ErrorsOnceShown("start Cardolo again.");
        QCOMPARE(run.Stop(), 1);
        QCOMPARE(messages(run.Errors()),
                 QStringList{folder + "/DATA is a file, but Cardolo keeps its items and settings "
                                      "in a folder of that name. Rename or move the file, then "
                                      "start Cardolo again."});
        QCOMPARE(readAll(folder + "/DATA"), QByteArray("a file"));
        QCOMPARE(QDir(folder).entryList(QDir::Files), (QStringList{"DATA", "LOCK.TXT"}));
    }

    // The database gone or emptied while daily backups of it are there: said once, naming the
    // newest copy and how to put it back, and nothing is changed unless a new database is asked
    // for (a shutdown answers the question as No).
    void lostDatabaseWithBackups_data() {
        QTest::addColumn<bool>("empty");
        QTest::newRow("missing") << false;
        QTest::newRow("empty") << true;
    }
    void lostDatabaseWithBackups() {
        QFETCH(bool, empty);
        const QString folder = newFolder();
        const QString data = folder + "/DATA";
        QVERIFY(QDir().mkpath(data + "/backup"));
        for (const char* day : {"2024-05-02", "2024-05-03", "2024-04-30"}) {
            QFile copy(data + QStringLiteral("/backup/cardolo-%1.db").arg(day));
            QVERIFY(copy.open(QIODevice::WriteOnly));
            copy.write(day);
        }
        if (empty) {
            QFile db(data + "/cardolo.db");
            QVERIFY(db.open(QIODevice::WriteOnly));
        }
        const QStringList before =
            QDir(data).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        Run run(folder);
        run.ErrorsOnceShown("Start with a new, empty database instead?");
        QCOMPARE(run.Stop(), 1);
        QCOMPARE(messages(run.Errors()),
                 QStringList{QStringLiteral(
                                 "The database file %1/cardolo.db is %2, but the folder "
                                 "%1/backup/ holds daily backups of it; the newest is "
                                 "%1/backup/cardolo-2024-05-03.db.  To put that backup back, "
                                 "answer No: Cardolo quits without changing anything. Then delete "
                                 "cardolo.db-wal and cardolo.db-shm in %1 if they are there, copy "
                                 "%1/backup/cardolo-2024-05-03.db over %1/cardolo.db, and start "
                                 "Cardolo again.  Start with a new, empty database instead?")
                                 .arg(data, empty ? "empty" : "missing")});
        QCOMPARE(QDir(data).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 before);
        QCOMPARE(QFileInfo::exists(data + "/cardolo.db"), empty);
        QCOMPARE(QFileInfo(data + "/cardolo.db").size(), 0);
        QCOMPARE(readAll(data + "/backup/cardolo-2024-05-03.db"), QByteArray("2024-05-03"));
    }

    void dataFolderReadOnly() {
        const QString folder = newFolder();
        QVERIFY(QDir().mkdir(folder + "/DATA"));
        QVERIFY(QFile::setPermissions(folder + "/DATA", QFile::ReadOwner | QFile::ExeOwner |
                                                            QFile::ReadOther | QFile::ExeOther));
        Run run(folder, true);
        run.ErrorsOnceShown("(--folder DIR).");
        QCOMPARE(run.Stop(), 1);
        QCOMPARE(messages(run.Errors()),
                 QStringList{QStringLiteral("Cannot write in the folder %1/DATA: Permission "
                                            "denied. Give your user write permission on the "
                                            "folder %1/DATA, or start Cardolo with another "
                                            "folder (--folder DIR).")
                                 .arg(folder)});
        QCOMPARE(QDir(folder + "/DATA")
                     .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList());
    }

    // Said at start, then the program runs: its window comes up, reads the items, and the
    // file is never written.
    void databaseReadOnly() {
        const QString folder = newFolder();
        makeItems(folder, 100);
        const QString database = folder + "/DATA/cardolo.db";
        openToAll(folder + "/DATA");
        QVERIFY(QFile::setPermissions(database, QFile::ReadOwner | QFile::ReadOther));
        const QByteArray before = readAll(database);
        Run run(folder, true);
        const QString message =
            QStringLiteral("The database file %1 is read-only. Cardolo shows your items but "
                           "cannot save any change to them. To make changes, quit Cardolo, give "
                           "your user write permission on the file and start Cardolo again.")
                .arg(database);
        run.ErrorsOnceShown("start Cardolo again.");
        QCOMPARE(run.Stop(), 0);
        QCOMPARE(messages(run.Errors()), QStringList{message});
        QCOMPARE(readAll(database), before);
        QVERIFY(QFileInfo::exists(folder + "/DATA/PHONEBK.INI"));
    }

    // One message naming what is missing; nothing is added to the file.
    void unknownLayout() {
        const QString folder = newFolder();
        QVERIFY(QDir().mkdir(folder + "/DATA"));
        const QString database = folder + "/DATA/cardolo.db";
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "other");
            db.setDatabaseName(database);
            QVERIFY(db.open());
            QSqlQuery q(db);
            QVERIFY(q.exec("CREATE TABLE phonebk (id INTEGER PRIMARY KEY, name TEXT, text TEXT, "
                           "parent INTEGER)"));
            QVERIFY(q.exec("INSERT INTO phonebk (name, parent) VALUES ('one', 0)"));
            db.close();
        }
        QSqlDatabase::removeDatabase("other");
        const QByteArray before = readAll(database);
        Run run(folder);
        run.ErrorsOnceShown("daily backup");
        QCOMPARE(run.Stop(), 1);
        // Refused before anything changed its bytes (its journal mode among them).
        QCOMPARE(readAll(database), before);
        QCOMPARE(messages(run.Errors()),
                 QStringList{QStringLiteral(
                                 "The database file %1 is not one Cardolo can use: it has no "
                                 "table mm2; columns numchildren, srchts, tel, createdts, editts, "
                                 "rank, numcousins of table phonebk. Start Cardolo with the "
                                 "folder of your own database (--folder DIR), or put back a "
                                 "daily backup from %2/DATA/backup/.")
                                 .arg(database, folder)});
        QCOMPARE(QDir(folder + "/DATA").entryList(QDir::Files), QStringList{"cardolo.db"});
        OpenPhoneDB(database);
        QCOMPARE(Scalar("SELECT group_concat(name) FROM sqlite_master").toString(),
                 QString("phonebk"));
        QCOMPARE(Scalar("SELECT group_concat(name) FROM phonebk").toString(), QString("one"));
        ClosePhoneDB();
    }

    // A garbled header ends the start with the damage named.
    void damagedHeader() {
        const QString folder = newFolder();
        makeItems(folder, 100);
        const QString database = folder + "/DATA/cardolo.db";
        garble(database, 1, 0, 16);
        const QByteArray before = readAll(database);
        Run run(folder);
        run.ErrorsOnceShown("start Cardolo again.");
        QCOMPARE(run.Stop(), 1);
        QCOMPARE(messages(run.Errors()),
                 QStringList{QStringLiteral(
                                 "The database file %1 is damaged and cannot be opened (file is "
                                 "not a database). Quit Cardolo and put back the newest daily "
                                 "backup from %2/DATA/backup/ (cardolo-yyyy-mm-dd.db) in place of "
                                 "cardolo.db, then start Cardolo again.")
                                 .arg(database, folder)});
        QCOMPARE(readAll(database), before);
    }

    // A garbled page in the middle of the file: the program starts, the check in the background
    // finds the damage and tells it once, and nothing more is written to the file, also at the
    // end. --check reports the damage with exit code 2.
    void damagedPage() {
        const QString folder = newFolder();
        makeItems(folder, 3000);
        const QString database = folder + "/DATA/cardolo.db";
        garble(database, middleLeaf(database), 8, PageSize - 8);
        const QByteArray before = readAll(database);
        {
            Run run(folder);
            run.ErrorsOnceShown("is damaged.");
            QCOMPARE(run.Stop(), 0);
            QCOMPARE(messages(run.Errors()),
                     QStringList{QStringLiteral(
                                     "Cardolo: The database file %1 is damaged. Cardolo saves no "
                                     "more changes to it until it is restarted; you can still "
                                     "look at your items and copy them out. To mend it, quit "
                                     "Cardolo and put back the newest daily backup from "
                                     "%2/DATA/backup/ (cardolo-yyyy-mm-dd.db) in place of "
                                     "cardolo.db, or run Tools > Database healthcheck (cardolo "
                                     "--check) to see what is damaged.")
                                     .arg(database, folder)});
        }
        QCOMPARE(readAll(database), before);
        QCOMPARE(readAll(database + "-wal"), QByteArray());

        Run check(folder, false, {"--check"});
        QCOMPARE(check.Finish(), 2);
        QCOMPARE(check.Output(), QByteArray());
        const QStringList report = QString::fromLocal8Bit(check.Errors()).split('\n');
        QVERIFY2(report.first().startsWith("Damaged : "), qPrintable(report.join('\n')));
        QCOMPARE(report.at(report.size() - 2),
                 QStringLiteral("The database file %1 is damaged. Put back the newest daily "
                                "backup from %2/DATA/backup/ (cardolo-yyyy-mm-dd.db) in place of "
                                "cardolo.db.")
                     .arg(database, folder));
        QCOMPARE(readAll(database), before);
    }

    // The links-across table's root garbled: every item still reads, so the program starts
    // and runs without writing, the damage said once (on standard error and in its box), and
    // ends cleanly on a shutdown signal with the file as it was.
    void linksTableDamaged() {
        const QString folder = newFolder();
        makeItems(folder, 500);
        const QString database = folder + "/DATA/cardolo.db";
        OpenPhoneDB(database);
        Exec("INSERT INTO mm2 (id1, id2, linknote, \"drop\") "
             "SELECT id, id + 1, 'note', 0 FROM phonebk WHERE id < 300");
        const int root = Scalar("SELECT rootpage FROM sqlite_master WHERE name = 'mm2'").toInt();
        ClosePhoneDB();
        QVERIFY(root > 1);
        garble(database, root, 0, 16);
        const QByteArray before = readAll(database);
        {
            Run run(folder);
            run.ErrorsOnceShown("is damaged.");
            QCOMPARE(run.Stop(), 0);
            const QStringList said = messages(run.Errors());
            QCOMPARE(said.size(), 1);
            QVERIFY2(said.first().startsWith(
                         QStringLiteral("Cardolo: The database file %1 is damaged. Cardolo saves "
                                        "no more changes to it until it is restarted")
                             .arg(database)),
                     qPrintable(said.first()));
        }
        QCOMPARE(readAll(database), before);
        QVERIFY(!QFileInfo::exists(folder + "/DATA/backup"));
    }

    // A shutdown signal that comes while the start is busy (the indexes of a large database
    // being built, with the events let through for the progress window) leaves no box waiting
    // after it: the start's next message ("Item "Diary" not found" here) opens none, and the
    // program ends as a shutdown ends it.
    void shutdownDuringTheStartOpensNoBoxAfterIt() {
        const QString folder = newFolder();
        SetProgramFolder(folder);
        EnsureDataFolder();
        const QString database = DatabasePath();
        OpenPhoneDB(database);
        Exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 600000) "
             "INSERT INTO phonebk (name, parent, rank, numchildren, numcousins, tel) "
             "SELECT 'item ' || (i * 7919 % 600000), i % 1000, 0, 0, 0, 'ref ' || (i % 977) "
             "FROM n");
        Exec("DELETE FROM phonebk WHERE name = 'Diary'");
        for (const char* index :
             {"phonebk_parent", "phonebk_srchts", "phonebk_tel", "phonebk_name", "mm2_id2"})
            Exec(QStringLiteral("DROP INDEX IF EXISTS %1").arg(index));
        ClosePhoneDB();
        openToAll(folder + "/DATA");
        Run run(folder);
        // The database is open (its log is made then): the signal comes during the build.
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(database + "-wal"), 30000);
        QCOMPARE(run.Stop(), 0);
    }

    // A full disk, on a small disk of the test's own (root only: it is mounted): with no room
    // at all the lock file is not left behind half made; with room for it but not for the
    // database, the database's start says the disk is full.
    void fullDisk_data() {
        QTest::addColumn<int>("freeKiB");
        QTest::addColumn<QString>("message");
        QTest::newRow("no room") << 0
                                 << "Cannot use lock file %1/LOCK.TXT : No space left on device. "
                                    "The disk is full: free some space on it, then start Cardolo "
                                    "again.";
        const QString database = "Cannot open the database file %1/DATA/cardolo.db: the disk is "
                                 "full. Free some space on it, then start Cardolo again.";
        QTest::newRow("room for the lock") << 8 << database;
        QTest::newRow("room for part of the database") << 24 << database;
        QTest::newRow("room for the database but not its log") << 48 << database;
    }
    void fullDisk() {
        QFETCH(int, freeKiB);
        QFETCH(QString, message);
        const QString disk = top.path() + "/disk" + QString::number(++folders);
        QVERIFY(QDir().mkdir(disk));
        if (::mount("tmpfs", QFile::encodeName(disk).constData(), "tmpfs", 0, "size=1m") != 0)
            QSKIP("a small disk cannot be mounted here (tests not run as root)");
        struct Unmount {
            QString path;
            ~Unmount() { ::umount2(QFile::encodeName(path).constData(), MNT_DETACH); }
        } unmount{disk};
        const QString folder = disk + "/prog";
        QVERIFY(QDir().mkdir(folder));
        {
            QFile fill(disk + "/fill");
            QVERIFY(fill.open(QIODevice::WriteOnly));
            const QByteArray block(PageSize, 'x');
            while (fill.write(block) == block.size() && fill.flush())
                ;
            fill.close();
            QVERIFY(fill.resize(qMax<qint64>(0, fill.size() - freeKiB * 1024)));
        }
        Run run(folder);
        run.ErrorsOnceShown("start Cardolo again.");
        QCOMPARE(run.Stop(), 1);
        QCOMPARE(messages(run.Errors()), QStringList{message.arg(folder)});
        const QByteArray lock = readAll(folder + "/LOCK.TXT");
        QVERIFY2(lock.isEmpty() ? !QFileInfo::exists(folder + "/LOCK.TXT")
                                : lock.endsWith("created automatically."),
                 lock.constData());
        // The engine's side files made for the database that could not be opened go again.
        const QStringList data = QDir(folder + "/DATA").entryList(QDir::Files | QDir::Hidden);
        QVERIFY2(data.filter("-wal").isEmpty() && data.filter("-shm").isEmpty(),
                 qPrintable(data.join(' ')));
    }
};

QTEST_GUILESS_MAIN(TestStartupFailures)
#include "TestStartupFailures.moc"
