#include "support/ItemFixture.h"
#include "common/Folders.h"
#include "common/TextHelpers.h"
#include "store/Database.h"
#include "store/ItemStore.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFolder.h"

#include <QHash>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>

#include <sqlite3.h>

#include <type_traits>

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
        // A link of an item across to itself: its mirror row has the key of its first row.
        Transaction outer;
        QCOMPARE(LinkItems(a, c, 2), int(LinkOk));
        QCOMPARE(LinkItems(b, b, 2), int(LinkRefused));
        outer.Commit();
        QCOMPARE(
            Scalar("SELECT COUNT(*) FROM mm2 WHERE id1 = ? AND id2 = ?", {IdToDb(b), IdToDb(b)})
                .toInt(),
            0);
        QCOMPARE(
            Scalar("SELECT COUNT(*) FROM mm2 WHERE id1 = ? AND id2 = ?", {IdToDb(a), IdToDb(c)})
                .toInt(),
            1);
        QCOMPARE(Field(a, "numcousins"), 1); // the a-c link only
        QCOMPARE(Field(b, "numcousins"), 0);
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
                           .arg(child.Value())
                           .arg(parent.Value())));
            QVERIFY(q.next());
            QCOMPARE(IdFromDb(q.value(0)), parent);
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
             {StampToDb(stamp), IdToDb(id)});
        ItemRecord item;
        QVERIFY(LocateItem(id, item));
        QCOMPARE(item.SrchTs, stamp);
        QCOMPARE(item.Numchildren, 0);
        QCOMPARE(item.numcousins, 0);
        QCOMPARE(
            Scalar("SELECT COUNT(*) FROM phonebk WHERE srchts = ?", {StampToDb(stamp)}).toInt(), 1);
        // The id of a deleted item is never given out again.
        Exec("DELETE FROM phonebk WHERE id = ?", {IdToDb(id)});
        QVERIFY(CreateItem("b", "") > id);
    }

    // An id passes for no other integer, either way; it is stored, read back, compared and
    // hashed as the number it holds.
    void idsAreNoPlainIntegers() {
        static_assert(!std::is_convertible_v<int, ItemId>);
        static_assert(!std::is_convertible_v<ItemId, int>);
        static_assert(!std::is_convertible_v<qint64, ItemId>);
        static_assert(!std::is_convertible_v<ItemId, bool>);
        static_assert(ItemId().IsNone() && !ItemId().IsValid() && ItemId(1).IsValid());
        static_assert(!ItemId(-1).IsNone() && !ItemId(-1).IsValid() && ItemId(-1) < ItemId());
        TestFolder folder;
        const ItemId a = CreateItem("a", "");
        const ItemId b = CreateItem("b", "");
        QCOMPARE(Scalar("SELECT id FROM phonebk WHERE name = 'b'").toInt(), b.Value());
        const ItemId readA = IdFromDb(Scalar("SELECT id FROM phonebk WHERE name = 'a'"));
        QCOMPARE(readA, a);
        QCOMPARE(IdFromDb(QVariant()), ItemId()); // a null parent or rank: no item
        QVERIFY(a < b && b > a && a != b && a <= readA && a >= readA);
        // As hash keys, an id made afresh from the same number finds what is kept under it.
        const QSet<ItemId> kept{a, b};
        QVERIFY(kept.contains(ItemId(b.Value())));
        QVERIFY(!kept.contains(ItemId(b.Value() + 1)));
        const QHash<ItemId, QString> names{{a, "a"}, {b, "b"}};
        QCOMPARE(names.value(readA), QString("a"));
        QCOMPARE(names.value(ItemId(b.Value())), QString("b"));
    }

    // A recounted count goes to its own column of its own item; a write that fails leaves it as
    // it was, and a missing item gets no row.
    void recountedLinkCountsStored() {
        TestFolder folder;
        const ItemId a = CreateItem("a", "");
        const ItemId b = CreateItem("b", "");
        StoreLinkCount(a, true, 4);
        StoreLinkCount(b, false, 7);
        QCOMPARE(Field(a, "numchildren"), 4);
        QCOMPARE(Field(a, "numcousins"), 0);
        QCOMPARE(Field(b, "numchildren"), 0);
        QCOMPARE(Field(b, "numcousins"), 7);
        FailNextWrites("disk I/O error");
        QVERIFY_THROWS_EXCEPTION(DbError, StoreLinkCount(a, true, 9));
        QCOMPARE(Field(a, "numchildren"), 4);
        StoreLinkCount(ItemId(b.Value() + 1), true, 3);
        QCOMPARE(Scalar("SELECT COUNT(*) FROM phonebk WHERE id > ?", {IdToDb(b)}).toInt(), 0);
    }

    // An older file's empty Refs stored as '' become null at start-up, the one form the
    // store writes, so that lists sorted by Ref keep the items without one together.
    void emptyRefsMadeOneFormAtStartup() {
        TestFolder folder;
        const ItemId a = CreateItem("a", "r");
        const ItemId b = CreateItem("b", "");
        const ItemId c = CreateItem("c", QString());
        Exec("UPDATE phonebk SET tel = '' WHERE id IN (?, ?)", {IdToDb(b), IdToDb(c)});
        QCOMPARE(Scalar("SELECT COUNT(*) FROM phonebk WHERE tel = ''").toInt(), 2);
        CoreStartup();
        QCOMPARE(Scalar("SELECT COUNT(*) FROM phonebk WHERE tel = ''").toInt(), 0);
        QCOMPARE(Scalar("SELECT COUNT(*) FROM phonebk WHERE tel IS NULL").toInt(), 3); // + Diary
        QCOMPARE(Scalar("SELECT tel FROM phonebk WHERE id = ?", {IdToDb(a)}).toString(),
                 QString("r"));
        // The look-up and the change use the index on tel rather than reading every item.
        QSqlQuery q(PhoneDB());
        QVERIFY(q.exec("EXPLAIN QUERY PLAN UPDATE phonebk SET tel = NULL "
                       "WHERE tel = '' COLLATE NOCASE"));
        QString plan;
        while (q.next())
            plan += q.value(3).toString() + '\n';
        QVERIFY2(plan.contains("USING INDEX phonebk_tel"), qPrintable(plan));
    }

    // LOWER() on PhoneDB lowers every letter as the search does, keeps null and turns numbers
    // into text as the engine's own did.
    void lowerFoldsEveryLetter() {
        TestFolder folder;
        QString ascii;
        for (int c = 1; c < 128; ++c)
            ascii += QChar(c);
        const QStringList texts = {ascii,
                                   "ALL CAPS",
                                   "already lower",
                                   QStringLiteral("\u00c9clair"),
                                   QStringLiteral("ZO\u00cb \u00d6LFASS \u0130stanbul"),
                                   QStringLiteral("\u0391\u0392\u0393 \u0414\u0416"),
                                   QStringLiteral("Smile \U0001F600 \U00010400"),
                                   ""};
        for (const QString& t : texts)
            QCOMPARE(Scalar("SELECT lower(?)", {t}).toString(), LowerText(t));
        QCOMPARE(Scalar("SELECT LOWER(?)", {QStringLiteral("\u00c9CLAIR")}).toString(),
                 QStringLiteral("\u00e9clair"));
        QVERIFY(Scalar("SELECT lower(NULL) IS NULL").toBool());
        QCOMPARE(Scalar("SELECT lower(12)").toString(), QString("12"));
        QCOMPARE(Scalar("SELECT typeof(lower(12))").toString(), QString("text"));
        // Registered again with every opening of the connection.
        ClosePhoneDB();
        OpenPhoneDB(DatabasePath());
        QCOMPARE(Scalar("SELECT lower(?)", {QStringLiteral("\u00c9")}).toString(),
                 QStringLiteral("\u00e9"));
    }

    // Only a taken key counts as a key clash; the engine's code travels with its text.
    void engineErrorsCarryTheirCode() {
        TestFolder folder;
        Exec("INSERT INTO mm2 (id1, id2, linknote, \"drop\") VALUES (1, 2, '', 0)");
        try {
            ExecSql("INSERT INTO mm2 (id1, id2, linknote, \"drop\") VALUES (1, 2, 'x', 0)");
            QFAIL("no error raised");
        } catch (const DbError& e) {
            QVERIFY(e.IsKeyClash());
            QVERIFY2(e.Text.contains("UNIQUE constraint failed"), qPrintable(e.Text));
        }
        try {
            ExecSql("INSERT INTO mm2 (id1, id2, linknote, \"drop\") VALUES (NULL, 2, 'x', 0)");
            QFAIL("no error raised");
        } catch (const DbError& e) {
            QVERIFY(!e.IsKeyClash()); // a missing value is no clash
            QVERIFY(e.Code != 0);
        }
        QVERIFY(!DbError("injected").IsKeyClash());
    }

    // Open only when the driver runs the SQLite library the program links: the driver's own
    // answer to sqlite_version() is the linked library's, at every opening.
    void driverRunsTheLinkedLibrary() {
        TestFolder folder;
        const QString linked = QString::fromLatin1(sqlite3_libversion());
        QCOMPARE(Scalar("SELECT sqlite_version()").toString(), linked);
        QCOMPARE(Scalar("SELECT sqlite_source_id()").toString(),
                 QString::fromLatin1(sqlite3_sourceid()));
        ClosePhoneDB();
        QVERIFY(!OpenPhoneDB(DatabasePath()));
        QCOMPARE(Scalar("SELECT lower('\u00c9')").toString(), QStringLiteral("\u00e9"));
    }

    void libraryMismatchNamesBothVersions_data() {
        QTest::addColumn<QString>("driverVersion");
        QTest::addColumn<bool>("openedHere");
        QTest::addColumn<QString>("shown"); // empty: no mismatch
        const int n = sqlite3_libversion_number();
        const QString linked = QString::fromLatin1(sqlite3_libversion());
        const QString nextPatch =
            QStringLiteral("%1.%2.%3").arg(n / 1000000).arg(n / 1000 % 1000).arg(n % 1000 + 1);
        QTest::newRow("the linked library") << linked << true << QString();
        QTest::newRow("a copy of the same version") << linked << false << linked;
        QTest::newRow("older") << "3.7.17" << true << "3.7.17";
        QTest::newRow("next patch") << nextPatch << true << nextPatch;
        QTest::newRow("no version") << "" << true << "(version unknown)";
        QTest::newRow("not a version") << "3.x.1" << true << "3.x.1";
    }
    void libraryMismatchNamesBothVersions() {
        QFETCH(QString, driverVersion);
        QFETCH(bool, openedHere);
        QFETCH(QString, shown);
        const QString expected =
            shown.isEmpty()
                ? QString()
                : QStringLiteral("The Qt SQLite driver uses SQLite %1; this program is linked "
                                 "with SQLite %2 and needs the driver to use that same library")
                      .arg(shown, QString::fromLatin1(sqlite3_libversion()));
        QCOMPARE(EngineLibraryMismatch(driverVersion, openedHere), expected);
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
