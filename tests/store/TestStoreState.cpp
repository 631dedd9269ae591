#include "support/ItemFixture.h"
#include "common/Folders.h"
#include "common/Settings.h"
#include "store/Database.h"
#include "store/ItemStore.h"
#include "store/StoreState.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFolder.h"

#include <QTest>

// What the store keeps between calls: the settings it is told, what it forgets when the
// database closes, and the one reset of all of it.
class TestStoreState : public QObject {
    Q_OBJECT
    // Holders of the store's settings owned by the test rather than by the program's settings:
    // members, so that the store never reads a holder that is gone.
    ItemId diaryId;
    ItemId archiveId;

private slots:
    void init() {
        diaryId = ItemId(0);
        archiveId = ItemId(0);
    }
    void cleanup() { ResetAllState(); }

    // Bound to holders of its own choosing, the store reads and writes those and never the
    // program's settings.
    void storeUsesTheHoldersItIsBoundTo() {
        TestFolder folder;
        BindStoreSettings(diaryId, archiveId);
        AppSettings().DiaryId = ItemId(0);
        ScriptedDialogs dialogs;
        CoreStartup();
        QCOMPARE(diaryId, ItemId(1));
        QCOMPARE(AppSettings().DiaryId, ItemId(0));
        const ItemId year = FindOrCreateYearItem(2024);
        QCOMPARE(Field(year, "parent"), 1);

        // Deleting offers the archive only when the bound holder names one.
        const ItemId archive = MakeItem("Archive");
        const ItemId item = MakeItem("X");
        AppSettings().ArchiveId = archive;
        dialogs.AnswerCancel();
        QVERIFY(!DeleteItem(item));
        QCOMPARE(dialogs.Questions(), QStringList{"Delete item \"X\"  - OK?"});
        archiveId = archive;
        AppSettings().ArchiveId = ItemId(0);
        dialogs.AnswerChoice(2);
        QVERIFY(DeleteItem(item));
        QCOMPARE(IdField(item, "parent"), archive);
    }

    // The year item found in one database is not the answer in the next one opened.
    void closingForgetsWhatBelongsToTheDatabase() {
        ItemId firstYear;
        {
            TestFolder first;
            AppSettings().DiaryId = ItemId(1);
            for (const char* name : {"a", "b", "c"})
                MakeItem(name);
            ScriptedDialogs dialogs;
            firstYear = FindOrCreateYearItem(2024);
            FailNextWrites("disk I/O error", 5);
        }
        TestFolder second;
        AppSettings().DiaryId = ItemId(1);
        ScriptedDialogs dialogs;
        const ItemId year = FindOrCreateYearItem(2024);
        QVERIFY(year != firstYear);
        QCOMPARE(ItemName(year), QString("2024"));
        QCOMPARE(Field(year, "parent"), 1);
        QCOMPARE(dialogs.Infos(),
                 QStringList{QString("Creating item #%1 \"2024\"").arg(year.Value())});
        // The failures armed on the first database are not spent on the second.
        QVERIFY(CreateItem("written", "") > year);
    }

    // One call puts the store back as it starts: closed, loud links off, no hider, no cache,
    // nothing armed; a binding of the settings stays.
    void resetPutsEverythingBack() {
        TestFolder folder;
        BindStoreSettings(diaryId, archiveId);
        diaryId = ItemId(1);
        ScriptedDialogs dialogs;
        const ItemId year = FindOrCreateYearItem(2024);
        TheStoreState.QuietLinking = false;
        TheStoreState.CurrentHider = year;
        FailNextWrites("disk I/O error", 5);
        ResetStoreState();
        QVERIFY(!PhoneDB().isOpen());
        QVERIFY(TheStoreState.QuietLinking);
        QCOMPARE(TheStoreState.CurrentHider, ItemId(0));

        QVERIFY(!OpenPhoneDB(DatabasePath()));
        // Answered from the file again: a renamed year item is no longer the year's.
        Exec("UPDATE phonebk SET name = 'renamed' WHERE id = ?", {IdToDb(year)});
        const ItemId again = FindOrCreateYearItem(2024);
        QVERIFY(again != year);
        QCOMPARE(ItemName(again), QString("2024"));
        diaryId = ItemId(0);
        CoreStartup();
        QCOMPARE(diaryId, ItemId(1));
    }
};

QTEST_GUILESS_MAIN(TestStoreState)
#include "TestStoreState.moc"
