#include "support/ItemFixture.h"

#include "common/Folders.h"
#include "search/SearchIndex.h"
#include "search/SearchIndexBuilder.h"
#include "store/CommandGuard.h"
#include "store/DamageCheck.h"
#include "store/HealthCheck.h"
#include "store/ItemStore.h"
#include "store/Layout.h"
#include "store/RawStatement.h"
#include "support/GarbledPage.h"
#include "support/PermissionBitsApply.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFolder.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTest>

#include <sqlite3.h>

#include <cerrno>
#include <thread>

namespace {

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The database file and its log, as they are on disk.
QByteArray onDisk() {
    return bytesOf(DatabasePath()) + "|" + bytesOf(DatabasePath() + "-wal");
}

// count items with a text each, as another program would insert them.
void fillItems(int count) {
    Exec(QStringLiteral(
             "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < ?) "
             "INSERT INTO phonebk (name, text, parent, rank, numchildren, numcousins, createdts) "
             "SELECT 'item ' || i, 'the text of item ' || i || ' ' || hex(randomblob(120)), "
             "0, 0, 0, 0, '2024-01-01 00:00:00.000' FROM n"),
         {count});
}

// A leaf page of table's rows from the middle of the file: nothing reads it at open.
int middleLeaf(const char* table) {
    return Scalar(QStringLiteral("SELECT pageno FROM dbstat WHERE name = ? AND pagetype = 'leaf' "
                                 "ORDER BY pageno LIMIT 1 OFFSET (SELECT count(*) / 2 FROM "
                                 "dbstat WHERE name = ? AND pagetype = 'leaf')"),
                  {QString::fromLatin1(table), QString::fromLatin1(table)})
        .toInt();
}

// A database of a few thousand items, all of it in the file (no log), with one leaf of the
// items in the middle of the file garbled. Returns the page.
int damagedDatabase() {
    fillItems(3000);
    const int page = middleLeaf("phonebk");
    ClosePhoneDB(); // the last connection copies the log into the file and removes it
    [&] {
        QVERIFY(page > 2);
        QVERIFY(!QFileInfo::exists(DatabasePath() + "-wal"));
        garble(DatabasePath(), page, 8, PageSize - 8);
    }();
    return page;
}

// Reads every item's text, which reads every leaf of the items.
void readEveryText() {
    RawStatement q("SELECT sum(length(text)) FROM phonebk");
    q.Step();
}

void runCommands(std::initializer_list<std::function<void()>> commands) {
    for (const auto& command : commands)
        QVERIFY(!RunCommand(command));
}

// Creates path with the statements given, through a connection of its own.
void makeDatabase(const QString& path, const QStringList& statements) {
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "layout");
        db.setDatabaseName(path);
        QVERIFY(db.open());
        for (const QString& sql : statements) {
            QSqlQuery q(db);
            QVERIFY2(q.exec(sql), qPrintable(sql));
        }
        db.close();
    }
    QSqlDatabase::removeDatabase("layout");
}

const QString ItemsTable = "CREATE TABLE phonebk (id INTEGER PRIMARY KEY AUTOINCREMENT, "
                           "name VARCHAR(80), text TEXT, numchildren INTEGER, rprts INTEGER, "
                           "srchts TIMESTAMP, tel VARCHAR(40), parent INTEGER, createdts "
                           "TIMESTAMP, editts TIMESTAMP, rank INTEGER, numcousins INTEGER)";
const QString LinksTable = "CREATE TABLE mm2 (id1 INTEGER NOT NULL, id2 INTEGER NOT NULL, "
                           "linknote VARCHAR(40), \"drop\" INTEGER NOT NULL, "
                           "PRIMARY KEY (id1, id2, \"drop\"))";
} // namespace

// A damaged database file is told once and left as it is: writes are refused with the message
// that names the file and what to do, reads go on, nothing more reaches the file. A file the
// program may only read is read, with writes refused likewise. A file that cannot be opened is
// refused in words, and a file without the tables the store relies on is named as such.
class TestDamagedDatabase : public QObject {
    Q_OBJECT
private slots:
    // The background check finds a garbled page no start-up read touches. The damage is told
    // once; every write after that (through the driver, straight on the engine, in a
    // transaction) is refused with the same message; reads of sound pages go on; and the file
    // is byte for byte as it was, also once the database is closed.
    void damageFoundInTheBackgroundIsToldOnce() {
        TestFolder folder;
        damagedDatabase();
        const QByteArray before = onDisk();
        ScriptedDialogs dialogs;
        QVERIFY(!OpenPhoneDB(DatabasePath()));
        QCOMPARE(PhoneDBWriteRefusal(), WriteRefusal::None);
        StartDamageCheck();
        const QString message = DamagedFileMessage(DatabasePath());
        QTRY_COMPARE(dialogs.Infos(), QStringList{message});
        QVERIFY(!DamageCheckRunning());
        QCOMPARE(PhoneDBWriteRefusal(), WriteRefusal::DamagedFile);
        QCOMPARE(WriteRefusalMessage(), message);

        ItemRecord diary;
        QVERIFY(LocateItem(ItemId(1), diary));
        QCOMPARE(diary.Name, QString("Diary"));
        QCOMPARE(ItemName(ItemId(3001)), QString("item 3000"));

        runCommands({[] { CreateItem("new", "", "typed"); },
                     [] { StoreLinkCount(ItemId(1), true, 5); },
                     [] { RequestSearchIndexRebuild(); },
                     [] {
                         Transaction t;
                         AddLinkAcrossRow(ItemId(1), ItemId(2), 0, "note");
                         t.Commit();
                     }});
        // Told once; each write refused after that says so in a short line.
        QCOMPARE(dialogs.Infos(), QStringList{message});
        QCOMPARE(dialogs.Flashes(), QStringList(4, RefusedWriteMessage()));
        QCOMPARE(onDisk(), before);
        ClosePhoneDB();
        QCOMPARE(onDisk(), before);
    }

    // A command that reads the damaged page tells the damage with its own error, once: the
    // engine's log of the same damage adds no second box, a second read says only that this
    // part cannot be read, and a write refused says so in a short line.
    void damageMetByACommandIsToldByIt() {
        TestFolder folder;
        damagedDatabase();
        const QByteArray before = onDisk();
        ScriptedDialogs dialogs;
        OpenPhoneDB(DatabasePath());
        const QString message = DamagedFileMessage(DatabasePath());
        QVERIFY(!RunCommand(readEveryText));
        QCOMPARE(dialogs.Infos(), QStringList{message});
        QCoreApplication::processEvents();
        QCOMPARE(dialogs.Infos(), QStringList{message});
        QVERIFY(!RunCommand(readEveryText));
        dialogs.AnswerYes();
        QVERIFY(!RunCommand([] { DeleteItem(ItemId(2)); }));
        QCOMPARE(dialogs.Infos(), (QStringList{message, DamagedPartMessage(DatabasePath())}));
        QCOMPARE(dialogs.Flashes(), QStringList{RefusedWriteMessage()});
        ClosePhoneDB();
        QCOMPARE(onDisk(), before);
    }

    // The driver ends a list at a row it cannot read as if the rows had ended there, without
    // an error: the engine's log still tells the damage, and a write made before the notice
    // arrives is refused (and is the notice).
    void damageTheDriverKeepsQuietIsToldToo() {
        TestFolder folder;
        damagedDatabase();
        const QByteArray before = onDisk();
        ScriptedDialogs dialogs;
        OpenPhoneDB(DatabasePath());
        int rows = 0;
        QVERIFY(RunCommand([&rows] {
            QSqlQuery q = ExecSql("SELECT id, text FROM phonebk ORDER BY id");
            while (q.next())
                ++rows;
        }));
        QVERIFY(rows < 3001);
        QCOMPARE(dialogs.Infos(), QStringList());
        QVERIFY(!RunCommand([] { CreateItem("new", ""); }));
        const QString message = DamagedFileMessage(DatabasePath());
        QCOMPARE(dialogs.Infos(), QStringList{message});
        QCoreApplication::processEvents();
        QCOMPARE(dialogs.Infos(), QStringList{message});
        ClosePhoneDB();
        QCOMPARE(onDisk(), before);

        // Without a write, the notice comes once the events are handled.
        OpenPhoneDB(DatabasePath());
        RunCommand([] {
            QSqlQuery q = ExecSql("SELECT id, text FROM phonebk ORDER BY id");
            while (q.next()) {
            }
        });
        QTRY_COMPARE(dialogs.Infos(), (QStringList{message, message}));
        QCOMPARE(PhoneDBWriteRefusal(), WriteRefusal::DamagedFile);
    }

    // Damage another thread met (the search index's build, the checkpoints, the check) refuses
    // the next write on the user's thread at once, and is told once.
    void damageNotedOnAnotherThread() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const int items = Scalar("SELECT count(*) FROM phonebk").toInt();
        std::thread([] { NoteDatabaseDamage(); }).join();
        QVERIFY(!RunCommand([] { CreateItem("new", ""); }));
        QCoreApplication::processEvents();
        QCOMPARE(dialogs.Infos(), QStringList{DamagedFileMessage(DatabasePath())});
        QCOMPARE(Scalar("SELECT count(*) FROM phonebk").toInt(), items);
        // The next database starts afresh.
        ClosePhoneDB();
        OpenPhoneDB(DatabasePath());
        QCOMPARE(PhoneDBWriteRefusal(), WriteRefusal::None);
        QVERIFY(RunCommand([] { CreateItem("new", ""); }));
    }

    // The notice of damage another thread met, arriving while the user's thread is inside a
    // transaction (events let through by a long index build), waits until the work is over.
    void damageNoticeWaitsForTheTransaction() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        std::thread([] { NoteDatabaseDamage(); }).join();
        {
            Transaction t;
            QCoreApplication::processEvents();
            QCOMPARE(dialogs.Infos(), QStringList());
            QCOMPARE(PhoneDBWriteRefusal(), WriteRefusal::None);
            t.Commit();
        }
        QCoreApplication::processEvents();
        QCOMPARE(dialogs.Infos(), QStringList{DamagedFileMessage(DatabasePath())});
        QCOMPARE(PhoneDBWriteRefusal(), WriteRefusal::DamagedFile);
    }

    // A garbled header, or a garbled first page of the items, is met by the open itself: the
    // file is refused in words that name it and say what to do, and is left as it was.
    void damagedStartIsRefused_data() {
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("length");
        QTest::newRow("header") << 1 << 0 << 16;
        QTest::newRow("list of tables") << 1 << 100 << 400;
        QTest::newRow("root of the items") << 2 << 0 << 200;
    }
    void damagedStartIsRefused() {
        QFETCH(int, page);
        QFETCH(int, offset);
        QFETCH(int, length);
        TestFolder folder;
        fillItems(100);
        QCOMPARE(Scalar("SELECT rootpage FROM sqlite_master WHERE name = 'phonebk'").toInt(), 2);
        ClosePhoneDB();
        garble(DatabasePath(), page, offset, length);
        const QByteArray before = onDisk();
        try {
            OpenPhoneDB(DatabasePath());
            QFAIL("opened");
        } catch (const DbError& e) {
            QVERIFY2(IsDamageCode(e.Code), qPrintable(e.Text));
            QVERIFY2(e.Text.startsWith(QStringLiteral("The database file %1 is damaged and "
                                                      "cannot be opened (")
                                           .arg(DatabasePath())),
                     qPrintable(e.Text));
            QVERIFY(e.Text.endsWith(
                QStringLiteral(
                    "Quit Cardolo and put back the newest daily backup from %1backup/ "
                    "(cardolo-yyyy-mm-dd.db) in place of cardolo.db, then start Cardolo again.")
                    .arg(DataFolder() + "/")));
        }
        QVERIFY(!PhoneDB().isOpen());
        QCOMPARE(onDisk(), before);
        QCOMPARE(FindDamage(DatabasePath()).isEmpty(), false);
    }

    // A database file the user may not write is opened for reading: the store's start runs
    // without writing, reads and the search index go on, every write is refused (the first with
    // the message that says why, the others in a short line), and the file is as it was.
    void readOnlyFileIsReadOnly() {
        TestFolder folder;
        fillItems(50);
        QVERIFY(SearchIndexReady());
        ClosePhoneDB();
        const QByteArray before = bytesOf(DatabasePath());
        QVERIFY(QFile::setPermissions(DatabasePath(), QFile::ReadOwner | QFile::ReadGroup));
        PermissionBitsApply bits;
        ScriptedDialogs dialogs;
        QVERIFY(!OpenPhoneDB(DatabasePath()));
        QCOMPARE(PhoneDBWriteRefusal(), WriteRefusal::ReadOnlyFile);
        const QString message = ReadOnlyFileMessage(DatabasePath());
        QCOMPARE(WriteRefusalMessage(), message);
        QVERIFY(CoreStartup());
        QVERIFY(SearchIndexReady());
        QCOMPARE(ItemName(ItemId(51)), QString("item 50"));
        StartSearchIndexBuild();
        QVERIFY(!PollSearchIndexBuild().Running);
        runCommands({[] { CreateItem("new", ""); }, [] { RequestSearchIndexRebuild(); },
                     [] { SetHiderBelow(ItemId(2), ItemId(2)); }});
        QCOMPARE(dialogs.Infos(), QStringList{message});
        QCOMPARE(dialogs.Flashes(), QStringList(2, RefusedWriteMessage()));
        ClosePhoneDB();
        QCOMPARE(bytesOf(DatabasePath()), before);
        // The engine made the log and its index read-only, like the file: they are gone, so
        // that a start once the file is writable again writes as ever.
        QVERIFY(!QFileInfo::exists(DatabasePath() + "-wal"));
        QVERIFY(!QFileInfo::exists(DatabasePath() + "-shm"));
        QVERIFY(QFile::setPermissions(DatabasePath(), QFile::ReadOwner | QFile::WriteOwner));
        OpenPhoneDB(DatabasePath());
        QCOMPARE(PhoneDBWriteRefusal(), WriteRefusal::None);
        QVERIFY(RunCommand([] { CreateItem("new", ""); }));
        QCOMPARE(dialogs.Infos().size(), 1);
        QCOMPARE(dialogs.Flashes().size(), 2);
    }

    // A log index left read-only beside a writable file (by an older version's read-only run,
    // or another program) would refuse every write: the start says which file to mend.
    void readOnlySideFileIsNamed() {
        TestFolder folder;
        ClosePhoneDB();
        const QString shm = DatabasePath() + "-shm";
        QFile side(shm);
        QVERIFY(side.open(QIODevice::WriteOnly));
        side.close();
        QVERIFY(QFile::setPermissions(shm, QFile::ReadOwner | QFile::ReadOther));
        PermissionBitsApply bits;
        try {
            OpenPhoneDB(DatabasePath());
            QFAIL("opened");
        } catch (const DbError& e) {
            QCOMPARE(e.Text, QStringLiteral("Cardolo cannot write the file %1 beside the "
                                            "database (Permission denied). Give your user write "
                                            "permission on it, then start Cardolo again.")
                                 .arg(shm));
        }
        QVERIFY(!PhoneDB().isOpen());
    }

    // A read-only file with no items table cannot be set up, and says so.
    void readOnlyEmptyFileIsRefused() {
        TestFolder folder(false);
        QFile empty(DatabasePath());
        QVERIFY(empty.open(QIODevice::WriteOnly));
        empty.close();
        QVERIFY(QFile::setPermissions(DatabasePath(), QFile::ReadOwner));
        PermissionBitsApply bits;
        try {
            OpenPhoneDB(DatabasePath());
            QFAIL("opened");
        } catch (const DbError& e) {
            QCOMPARE(e.Text, QStringLiteral("The database file %1 is read-only and holds no items "
                                            "yet, so Cardolo cannot set it up. Give your user "
                                            "write permission on it, then start Cardolo again.")
                                 .arg(DatabasePath()));
        }
        QVERIFY(!PhoneDB().isOpen());
        QCOMPARE(QFileInfo(DatabasePath()).size(), 0);
    }

    void openFailureMessages_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("osError");
        QTest::addColumn<QString>("expected");
        const QString file = "/home/u/cardolo/DATA/cardolo.db";
        QTest::newRow("not a database")
            << SQLITE_NOTADB << 0
            << "The database file " + file +
                   " is damaged and cannot be opened (engine text). "
                   "Quit Cardolo and put back the newest daily backup from /home/u/cardolo/DATA/"
                   "backup/ (cardolo-yyyy-mm-dd.db) in place of cardolo.db, then start Cardolo "
                   "again.";
        QTest::newRow("corrupt page")
            << SQLITE_CORRUPT_INDEX << 0
            << "The database file " + file +
                   " is damaged and cannot be opened (engine text). "
                   "Quit Cardolo and put back the newest daily backup from /home/u/cardolo/DATA/"
                   "backup/ (cardolo-yyyy-mm-dd.db) in place of cardolo.db, then start Cardolo "
                   "again.";
        const QString full = "Cannot open the database file " + file +
                             ": the disk is full. Free some space on it, then start Cardolo again.";
        QTest::newRow("full") << SQLITE_FULL << 0 << full;
        QTest::newRow("log index on a full disk") << SQLITE_IOERR_SHMSIZE << ENOSPC << full;
        QTest::newRow("quota") << SQLITE_IOERR_WRITE << EDQUOT << full;
        QTest::newRow("read-only disk")
            << SQLITE_CANTOPEN << EROFS
            << "Cannot open the database file " + file +
                   ": the disk it is on may only be read. "
                   "Start Cardolo with a folder on a writable disk (--folder DIR).";
        const QString folderRefused =
            "Cannot open the database file " + file +
            ": Cardolo may not write in the folder "
            "/home/u/cardolo/DATA. Give your user write permission on the folder, then start "
            "Cardolo again.";
        QTest::newRow("read-only folder") << SQLITE_READONLY_CANTINIT << 0 << folderRefused;
        QTest::newRow("no rights") << SQLITE_CANTOPEN << EACCES << folderRefused;
        QTest::newRow("other system error")
            << SQLITE_IOERR_READ << EIO
            << "Cannot open the database file " + file + ": Input/output error.";
        QTest::newRow("other engine error")
            << SQLITE_ERROR << 0 << "Cannot open the database file " + file + ": engine text.";
    }
    void openFailureMessages() {
        QFETCH(int, code);
        QFETCH(int, osError);
        QFETCH(QString, expected);
        QCOMPARE(
            OpenFailureMessage("/home/u/cardolo/DATA/cardolo.db", code, "engine text", osError),
            expected);
    }

    // What a file lacks of the layout the store relies on at a DBVN, in words. A file holding
    // tables of other names is not taken for a new one and filled.
    void missingLayout_data() {
        QTest::addColumn<QStringList>("statements");
        QTest::addColumn<int>("dbvn");
        QTest::addColumn<QString>("missing");
        const QString oldLinks = "CREATE TABLE mm (id1 INTEGER, id2 INTEGER)";
        const QString oldLinksWithNote =
            "CREATE TABLE mm (id1 INTEGER, id2 INTEGER, linknote VARCHAR(40))";
        QString itemsBefore1000 = ItemsTable;
        itemsBefore1000.replace(", numcousins INTEGER", "");
        QString itemsWithoutRank = itemsBefore1000;
        itemsWithoutRank.replace(", rank INTEGER", "");
        QTest::newRow("current") << QStringList{ItemsTable, LinksTable} << 1100 << "";
        QTest::newRow("DBVN that runs no step") << QStringList{ItemsTable, LinksTable} << 800 << "";
        QTest::newRow("no links across") << QStringList{ItemsTable} << 1100 << "table mm2";
        QTest::newRow("columns missing") << QStringList{itemsWithoutRank, LinksTable} << 1100
                                         << "columns rank, numcousins of table phonebk";
        QTest::newRow("another program's file")
            << QStringList{"CREATE TABLE notes (id INTEGER PRIMARY KEY, body TEXT)"} << 1100
            << "tables phonebk, mm2";
        QTest::newRow("before step 1000")
            << QStringList{itemsBefore1000, LinksTable, oldLinks} << 703 << "";
        QTest::newRow("before step 1000, no older links")
            << QStringList{itemsBefore1000, LinksTable} << 704 << "table mm";
        QTest::newRow("before step 1001")
            << QStringList{ItemsTable, LinksTable, oldLinks} << 1000 << "";
        QTest::newRow("before step 1100, note missing")
            << QStringList{ItemsTable, LinksTable, oldLinks} << 1001
            << "column linknote of table mm";
        QTest::newRow("before step 1100")
            << QStringList{ItemsTable, LinksTable, oldLinksWithNote} << 1001 << "";
    }
    void missingLayout() {
        QFETCH(QStringList, statements);
        QFETCH(int, dbvn);
        QFETCH(QString, missing);
        TestFolder folder(false);
        makeDatabase(DatabasePath(), statements);
        QVERIFY(!OpenPhoneDB(DatabasePath()));
        QCOMPARE(MissingLayout(dbvn), missing);
        QCOMPARE(Scalar("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name NOT LIKE "
                        "'sqlite%'")
                     .toInt(),
                 int(statements.size()));
    }
};

QTEST_GUILESS_MAIN(TestDamagedDatabase)
#include "TestDamagedDatabase.moc"
