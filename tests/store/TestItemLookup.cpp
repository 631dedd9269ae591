#include "support/ItemFixture.h"
#include "common/Clock.h"
#include "common/Settings.h"
#include "store/Database.h"
#include "store/ItemFields.h"
#include "store/ItemStore.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFolder.h"

#include <QTest>

// Reading items, their ancestry, creating them, the diary item and the year items.
class TestItemLookup : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { ResetAllState(); }

    void locateAndCreate() {
        TestFolder folder;
        ItemRecord item;
        QVERIFY(!LocateItem(ItemId(0), item));
        QVERIFY(!LocateItem(ItemId(-1), item));
        QVERIFY(!LocateItem(ItemId(999), item));
        QVERIFY(LocateItem(ItemId(1), item));
        QCOMPARE(item.Name, QString("Diary"));
        QCOMPARE(ItemName(ItemId(999)), QString());
        ScriptedDialogs dialogs;
        ItemNotFound(ItemId(42));
        QCOMPARE(dialogs.Infos(), QStringList{"Item #42 not found"});

        // A new item: name and tel cut to their widths, stamped with the clock, top-level.
        const QDateTime now(QDate(2024, 2, 29), QTime(23, 59, 58, 7));
        SetClockForTesting([now] { return now; });
        const ItemId id = CreateItem(QString(100, 'n'), QString(50, 't'));
        QVERIFY(LocateItem(id, item));
        QCOMPARE(item.Name, QString(80, 'n'));
        QCOMPARE(item.Tel, QString(40, 't'));
        QVERIFY(item.TextIsNull);
        QCOMPARE(item.CreatedTS, now);
        QCOMPARE(item.Parent, ItemId(0));
        QCOMPARE(item.Rank, ItemId(0));
        QVERIFY(LocateItem(CreateItem("with text", "", "line 1\nline 2"), item));
        QVERIFY(!item.TextIsNull);
        QCOMPARE(item.Text, QString("line 1\nline 2"));
    }

    void ancestry() {
        TestFolder folder;
        const ItemId g = MakeItem("G");
        const ItemId p = MakeItem("P", g);
        const ItemId x = MakeItem("X", p);
        QCOMPARE(AncestryText(x, false), QString("G : P : "));
        QCOMPARE(AncestryText(x, true), QString("G : P : X : "));
        QCOMPARE(AncestryText(g, false), QString());
        QCOMPARE(AncestryText(g, true), QString("G : "));
        QCOMPARE(AncestryText(ItemId(0), true), QString());
        // A self-linked item above ends the chain and is named once.
        Exec("UPDATE phonebk SET parent = id WHERE id = ?", {IdToDb(g)});
        QCOMPARE(AncestryText(x, true), QString("G : P : X : "));
        // A missing parent shortens the text.
        Exec("DELETE FROM phonebk WHERE id = ?", {IdToDb(g)});
        QCOMPARE(AncestryText(x, false), QString("P : "));
        // A loop of parents is cut off after 100 names.
        Exec("UPDATE phonebk SET parent = ? WHERE id = ?", {IdToDb(x), IdToDb(p)});
        const QString text = AncestryText(p, true);
        QCOMPARE(text.count(" : "), 99);
        QVERIFY(text.endsWith("X : P : "));
    }

    void diaryAtStartup() {
        TestFolder folder;
        const ItemId second = MakeItem("Diary");
        ScriptedDialogs dialogs;
        CoreStartup();
        QCOMPARE(AppSettings().DiaryId, ItemId(1));
        Exec("UPDATE phonebk SET name = 'Old diary' WHERE id = 1");
        AppSettings().DiaryId = ItemId(0);
        CoreStartup();
        QCOMPARE(AppSettings().DiaryId, second);
        // A DIARYID already set is left alone, even when it names nothing.
        AppSettings().DiaryId = ItemId(77);
        CoreStartup();
        QCOMPARE(AppSettings().DiaryId, ItemId(77));
        QVERIFY(dialogs.Calls.isEmpty());
        // The name must match exactly, case included.
        Exec("UPDATE phonebk SET name = 'diary' WHERE id = ?", {IdToDb(second)});
        AppSettings().DiaryId = ItemId(0);
        CoreStartup();
        QCOMPARE(AppSettings().DiaryId, ItemId(0));
        QCOMPARE(dialogs.Infos(), QStringList{"Item \"Diary\" not found"});
    }

    void yearItemCreatedOnceUnderDiary() {
        TestFolder folder;
        AppSettings().DiaryId = ItemId(1);
        ScriptedDialogs dialogs;
        const ItemId y = FindOrCreateYearItem(2024);
        QCOMPARE(dialogs.Infos(),
                 QStringList{QString("Creating item #%1 \"2024\"").arg(y.Value())});
        QCOMPARE(Field(y, "parent"), 1);
        QCOMPARE(Field(ItemId(1), "numchildren"), 1);
        // The second call is answered from the cache: a rename is not noticed.
        Exec("UPDATE phonebk SET name = 'renamed' WHERE id = ?", {IdToDb(y)});
        QCOMPARE(FindOrCreateYearItem(2024), y);
        QCOMPARE(dialogs.Calls.size(), 1);
        QCOMPARE(FindOrCreateYearItem(987), ItemId(y.Value() + 1));
        QCOMPARE(ItemName(ItemId(y.Value() + 1)), QString("0987"));
        // A deleted year item is forgotten and made again.
        dialogs.AnswerYes();
        QVERIFY(DeleteItem(y));
        const ItemId again = FindOrCreateYearItem(2024);
        QVERIFY(again != y);
        QCOMPARE(ItemName(again), QString("2024"));
        QCOMPARE(Field(ItemId(1), "numchildren"), 2);
    }

    // Found under any parent; made top-level when there is no diary or it is gone.
    void yearItemElsewhereOrWithoutDiary() {
        TestFolder folder;
        AppSettings().DiaryId = ItemId(1);
        const ItemId elsewhere = MakeItem("2024", MakeItem("Projects"));
        ScriptedDialogs dialogs;
        QCOMPARE(FindOrCreateYearItem(2024), elsewhere);
        QVERIFY(dialogs.Calls.isEmpty());
        AppSettings().DiaryId = ItemId(0);
        QCOMPARE(Field(FindOrCreateYearItem(2030), "parent"), 0);
        QCOMPARE(Field(ItemId(1), "numchildren"), 0);
        AppSettings().DiaryId = ItemId(1);
        Exec("DELETE FROM phonebk WHERE id = 1");
        QCOMPARE(Field(FindOrCreateYearItem(2031), "parent"), 0);
        QCOMPARE(dialogs.Infos().size(), 2);
    }

    // Under a hidden diary a new year item is hidden with it, and so is every day filed
    // under the year: the new entries do not show in searches while the rest of the diary
    // stays hidden.
    void yearItemTakesDiaryRank() {
        TestFolder folder;
        const ItemId hider = MakeItem("Private");
        Exec("UPDATE phonebk SET parent = id, rank = id, numchildren = 2 WHERE id = ?",
             {IdToDb(hider)});
        Exec("UPDATE phonebk SET parent = ?, rank = ? WHERE id = 1",
             {IdToDb(hider), IdToDb(hider)});
        AppSettings().DiaryId = ItemId(1);
        ScriptedDialogs dialogs;
        const ItemId y = FindOrCreateYearItem(2024);
        QCOMPARE(Field(y, "parent"), 1);
        QCOMPARE(IdField(y, "rank"), hider);
        // A day filed under the year takes its rank as a link down gives it.
        const ItemId day = CreateItem("Dentist", "2024-05-17");
        dialogs.AnswerYes(); // a loop exists above every item under a hider
        QCOMPARE(LinkItems(y, day, 1), int(LinkOk));
        QCOMPARE(IdField(day, "rank"), hider);
        // The diary itself self-linked: its own id is its rank, and the year's.
        ResetYearCache();
        Exec("UPDATE phonebk SET parent = 1, rank = 1 WHERE id = 1");
        QCOMPARE(Field(FindOrCreateYearItem(2025), "rank"), 1);
        // A visible diary's years are visible.
        ResetYearCache();
        Exec("UPDATE phonebk SET parent = 0, rank = 0 WHERE id = 1");
        QCOMPARE(Field(FindOrCreateYearItem(2026), "rank"), 0);
    }

    // Name and Ref are cut to 80 and 40 UTF-16 units at a whole character; an empty Ref is
    // stored as null, whichever way the caller gives it.
    void createCutsAtWholeCharactersAndNullsEmptyRef() {
        TestFolder folder;
        const QString emoji = QStringLiteral("\U0001F600");
        const QString accented = QStringLiteral("e\u0301"); // e and a combining acute
        ItemRecord item;
        // Widths count characters as a reader does: an emoji or an accented letter is one.
        const ItemId cut = CreateItem(QString(80, 'n') + emoji, QString(40, 't') + emoji);
        QVERIFY(LocateItem(cut, item));
        QCOMPARE(item.Name, QString(80, 'n'));
        QCOMPARE(item.Tel, QString(40, 't'));
        // The file holds the letters and no byte of half an emoji after them.
        QCOMPARE(Field(cut, "length(CAST(name AS BLOB))"), 80);
        QCOMPARE(Field(cut, "length(CAST(tel AS BLOB))"), 40);
        QVERIFY(LocateItem(
            CreateItem(QString(79, 'n') + emoji + "x", QString(39, 't') + emoji + "y"), item));
        QCOMPARE(item.Name, QString(79, 'n') + emoji);
        QCOMPARE(item.Tel, QString(39, 't') + emoji);
        const ItemId id = CreateItem(QString(79, 'n') + accented + "x", QString());
        QCOMPARE(ItemName(id), QString(79, 'n') + accented);
        const ItemId empty = CreateItem("E", "");
        for (ItemId e : {id, empty})
            QCOMPARE(Scalar("SELECT tel IS NULL FROM phonebk WHERE id = ?", {IdToDb(e)}).toInt(),
                     1);
        QVERIFY(WriteItemFields(empty, "E", QString(41, 'r'), QString()));
        QCOMPARE(Field(empty, "length(tel)"), 40);
        QVERIFY(WriteItemFields(empty, "E", "", QString()));
        QCOMPARE(Scalar("SELECT tel IS NULL FROM phonebk WHERE id = ?", {IdToDb(empty)}).toInt(),
                 1);
    }

    void failedYearInsertKeepsCache() {
        TestFolder folder;
        AppSettings().DiaryId = ItemId(1);
        ScriptedDialogs dialogs;
        const ItemId y2024 = FindOrCreateYearItem(2024);
        Exec("CREATE TRIGGER refuse BEFORE INSERT ON phonebk WHEN NEW.name = '2025' "
             "BEGIN SELECT RAISE(ABORT, 'refused'); END");
        QVERIFY_THROWS_EXCEPTION(DbError, FindOrCreateYearItem(2025));
        QCOMPARE(Field(ItemId(1), "numchildren"), 1);
        Exec("DROP TRIGGER refuse");
        // The failed year is asked again rather than answered with the previous year's id.
        const ItemId y2025 = FindOrCreateYearItem(2025);
        QVERIFY(y2025 != y2024);
        QCOMPARE(ItemName(y2025), QString("2025"));
        QCOMPARE(dialogs.Infos().size(), 2);
    }
};

QTEST_GUILESS_MAIN(TestItemLookup)
#include "TestItemLookup.moc"
