#include "StoreTestSupport.h"
#include "app/Folders.h"
#include "store/Database.h"
#include "store/ItemStore.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFolder.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>

namespace {
QStringList Columns(const QString& table) {
    QStringList columns;
    const QSqlRecord record = PhoneDB().record(table);
    for (int i = 0; i < record.count(); ++i)
        columns << record.fieldName(i);
    return columns;
}
} // namespace

// The database file: its layout when new, its durability and the indexes its queries use.
class TestItemDatabase : public QObject {
    Q_OBJECT
private slots:
    void newFileHasLayoutAndDiary() {
        TestFolder folder;
        QCOMPARE(Columns("phonebk"),
                 QStringList({"id", "name", "text", "numchildren", "rprts", "srchts", "tel",
                              "parent", "createdts", "editts", "rank", "numcousins"}));
        QCOMPARE(Columns("mm2"), QStringList({"id1", "id2", "linknote", "drop"}));
        QCOMPARE(Scalar("PRAGMA journal_mode").toString(), QString("wal"));
        QCOMPARE(Scalar("SELECT name FROM phonebk WHERE id = 1").toString(), QString("Diary"));
        // The links-across key refuses a second row with the same three values.
        Exec("INSERT INTO mm2 (id1, id2, linknote, \"drop\") VALUES (1, 2, '', 0)");
        QSqlQuery dup(PhoneDB());
        QVERIFY(!dup.exec("INSERT INTO mm2 (id1, id2, linknote, \"drop\") VALUES (1, 2, 'x', 0)"));
        Exec("INSERT INTO mm2 (id1, id2, linknote, \"drop\") VALUES (1, 2, 'x', 1)");
    }

    void fileWithoutTablesIsMadeNew() {
        TestFolder folder(false);
        {
            // What a first start cut off before its tables were committed leaves behind.
            QSqlDatabase empty =
                QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("empty"));
            empty.setDatabaseName(DatabasePath());
            QVERIFY(empty.open());
            QSqlQuery q(empty);
            QVERIFY(q.exec("PRAGMA journal_mode=WAL"));
            empty.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("empty"));
        QVERIFY(OpenPhoneDB(DatabasePath()));
        QCOMPARE(Scalar("SELECT name FROM phonebk WHERE id = 1").toString(), QString("Diary"));
        ClosePhoneDB();
        QVERIFY(!OpenPhoneDB(DatabasePath()));
        QCOMPARE(Scalar("SELECT COUNT(*) FROM phonebk").toInt(), 1);
    }

    void refusedLinkInsideLongerOperationStoresNothing() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId a = CreateItem("a", "");
        const ItemId b = CreateItem("b", "");
        const ItemId c = CreateItem("c", "");
        // A stray mirror row makes the second row of the a-b link collide.
        Exec("INSERT INTO mm2 (id1, id2, linknote, \"drop\") VALUES (?, ?, '', 0)", {b, a});
        Transaction outer;
        QCOMPARE(LinkItems(a, c, 2), int(LinkOk));
        QCOMPARE(LinkItems(a, b, 2), int(LinkRefused));
        outer.Commit();
        QCOMPARE(Scalar("SELECT COUNT(*) FROM mm2 WHERE id1 = ? AND id2 = ?", {a, b}).toInt(), 0);
        QCOMPARE(Scalar("SELECT COUNT(*) FROM mm2 WHERE id1 = ? AND id2 = ?", {a, c}).toInt(), 1);
        QCOMPARE(Field(a, "numcousins"), 1); // the a-c link only
    }

    void changeIsOnDiskForSecondConnection() {
        TestFolder folder;
        const ItemId parent = CreateItem("Parent", "");
        const ItemId child = CreateItem("Child", "");
        QCOMPARE(LinkItems(parent, child, 1), int(LinkOk));
        {
            QSqlDatabase second =
                QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("second"));
            second.setDatabaseName(DatabasePath());
            QVERIFY(second.open());
            QSqlQuery q(second);
            QVERIFY(
                q.exec(QStringLiteral("SELECT c.parent, p.numchildren FROM phonebk c, phonebk p "
                                      "WHERE c.id = %1 AND p.id = %2")
                           .arg(child)
                           .arg(parent)));
            QVERIFY(q.next());
            QCOMPARE(q.value(0).toInt(), parent);
            QCOMPARE(q.value(1).toInt(), 1);
        }
        QSqlDatabase::removeDatabase(QStringLiteral("second"));
    }

    // Indexes missing from an older file are added at start-up; the diary's month query uses one.
    void indexesAddedAndUsed() {
        TestFolder folder;
        Exec("DROP INDEX phonebk_parent");
        Exec("DROP INDEX phonebk_tel");
        CoreStartup();
        QCOMPARE(Scalar("SELECT COUNT(*) FROM sqlite_master WHERE type = 'index' AND name IN "
                        "('phonebk_parent', 'phonebk_tel')")
                     .toInt(),
                 2);
        QSqlQuery q(PhoneDB());
        QVERIFY(q.prepare("EXPLAIN QUERY PLAN select * from phonebk where (tel like '2024-05%')\n"
                          "and ( ( rank = 0 ) or ( rank = :hider ) )"));
        q.bindValue(":hider", 0);
        QVERIFY(q.exec());
        QString plan;
        while (q.next())
            plan += q.value(3).toString() + '\n';
        QVERIFY2(plan.contains("USING INDEX phonebk_tel"), qPrintable(plan));
    }

    void stampsCountsAndIds() {
        TestFolder folder;
        const QDateTime stamp(QDate(2024, 5, 17), QTime(13, 4, 5, 678));
        const ItemId id = CreateItem("x", "");
        Exec("UPDATE phonebk SET srchts = ?, numchildren = NULL, numcousins = NULL WHERE id = ?",
             {StampToDb(stamp), id});
        ItemRecord item;
        QVERIFY(LocateItem(id, item));
        QCOMPARE(item.SrchTs, stamp);
        QCOMPARE(item.Numchildren, 0);
        QCOMPARE(item.numcousins, 0);
        QCOMPARE(
            Scalar("SELECT COUNT(*) FROM phonebk WHERE srchts = ?", {StampToDb(stamp)}).toInt(), 1);
        // The id of a deleted item is never given out again.
        Exec("DELETE FROM phonebk WHERE id = ?", {id});
        QVERIFY(CreateItem("b", "") > id);
    }

    void engineErrorCarriesEngineText() {
        TestFolder folder;
        try {
            ExecSql("SELECT nosuchcolumn FROM phonebk");
            QFAIL("no error raised");
        } catch (const DbError& e) {
            QVERIFY2(e.Text.contains("nosuchcolumn"), qPrintable(e.Text));
        }
    }
};

QTEST_GUILESS_MAIN(TestItemDatabase)
#include "TestItemDatabase.moc"
