#include "common/NamedStack.h"
#include "common/Settings.h"
#include "store/ItemStore.h"
#include "store/StoreState.h"
#include "support/ItemFixture.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFolder.h"

#include <QTest>

namespace {
const char* const LinksDownRefusal =
    "Cannot delete while links-down exist (these should first be reassigned)";
const char* const LinksAcrossRefusal = "Cannot delete while links-across exist";
} // namespace

// Deleting and archiving items, and the hiding marks on whole branches.
class TestDeleting : public QObject {
    Q_OBJECT
private slots:
    void init() { ResetAllState(); }
    void cleanup() { ResetAllState(); }

    void deleteCountsDownParent_data() {
        QTest::addColumn<bool>("yes");
        QTest::newRow("yes") << true;
        QTest::newRow("no") << false;
    }
    void deleteCountsDownParent() {
        QFETCH(bool, yes);
        TestFolder folder;
        const ItemId p = MakeItem("P");
        const ItemId c = MakeItem("Fish & Chips", p);
        ScriptedDialogs dialogs;
        yes ? dialogs.AnswerYes() : dialogs.AnswerCancel();
        QCOMPARE(DeleteItem(c), yes);
        QCOMPARE(dialogs.Questions(), QStringList{"Delete item \"Fish & Chips\"  - OK?"});
        QCOMPARE(Scalar("SELECT COUNT(*) FROM phonebk WHERE id = ?", {IdToDb(c)}).toInt(),
                 yes ? 0 : 1);
        QCOMPARE(Field(p, "numchildren"), yes ? 0 : 1);
        QVERIFY(!DeleteItem(ItemId(9999)));
        QCOMPARE(dialogs.Calls.size(), 1);
    }

    void refusals_data() {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("message");
        QTest::newRow("children counted")
            << "UPDATE phonebk SET numchildren = 1 WHERE id = :x" << LinksDownRefusal;
        QTest::newRow("child row, count 0")
            << "UPDATE phonebk SET parent = :x WHERE id = :y" << LinksDownRefusal;
        QTest::newRow("self-linked hider") << "UPDATE phonebk SET parent = id, numchildren = 1 "
                                              "WHERE id = :x"
                                           << LinksDownRefusal;
        QTest::newRow("links across counted")
            << "UPDATE phonebk SET numcousins = 2 WHERE id = :x" << LinksAcrossRefusal;
        QTest::newRow("row naming it, count 0")
            << "INSERT INTO mm2 (id1, id2, linknote, \"drop\") VALUES (:y, :x, '', 0)"
            << LinksAcrossRefusal;
    }
    void refusals() {
        QFETCH(QString, setup);
        QFETCH(QString, message);
        TestFolder folder;
        AppSettings().ArchiveId = ItemId(1); // the chooser never comes after a refusal
        const ItemId x = MakeItem("X");
        const ItemId y = MakeItem("Y");
        Exec(setup.replace(":x", QString::number(x.Value()))
                 .replace(":y", QString::number(y.Value())));
        ScriptedDialogs dialogs;
        QVERIFY(!DeleteItem(x));
        QCOMPARE(dialogs.Infos(), QStringList{message});
        QCOMPARE(dialogs.Calls.size(), 1);
        QCOMPARE(Scalar("SELECT COUNT(*) FROM phonebk WHERE id = ?", {IdToDb(x)}).toInt(), 1);
    }

    void chooserAnswers_data() {
        QTest::addColumn<int>("choice");
        QTest::addColumn<bool>("result");
        QTest::addColumn<int>("parentAfter");
        QTest::newRow("cancel") << 0 << false << 0;
        QTest::newRow("archive") << 2 << true << 1; // 1 stands for the archive item
        QTest::newRow("delete") << 1 << true << -1; // -1: the row is gone
    }
    void chooserAnswers() {
        QFETCH(int, choice);
        QFETCH(bool, result);
        QFETCH(int, parentAfter);
        TestFolder folder;
        const ItemId archive = MakeItem("Archive");
        AppSettings().ArchiveId = archive;
        const ItemId x = MakeItem("X");
        ScriptedDialogs dialogs;
        dialogs.AnswerChoice(choice);
        if (choice == 1)
            dialogs.AnswerYes();
        QCOMPARE(DeleteItem(x), result);
        QCOMPARE(dialogs.Calls.first().text, QString("Delete item \"X\"  - or Archive ?"));
        QCOMPARE(dialogs.Calls.first().extra, QStringList({"Delete", "Archive"}));
        if (parentAfter < 0) {
            QCOMPARE(dialogs.Questions(), QStringList{"Delete item \"X\"  - OK?"});
            QCOMPARE(Scalar("SELECT COUNT(*) FROM phonebk WHERE id = ?", {IdToDb(x)}).toInt(), 0);
        } else {
            QCOMPARE(IdField(x, "parent"), parentAfter ? archive : ItemId());
            QCOMPARE(Field(archive, "numchildren"), parentAfter);
            QCOMPARE(dialogs.Flashes(), choice == 2 ? QStringList{"Archived OK"} : QStringList());
        }
    }

    void archiveAsksReplaceAndHidesUnderSelfLinkedArchive() {
        TestFolder folder;
        const ItemId archive = MakeItem("Archive");
        Exec("UPDATE phonebk SET parent = id, rank = id, numchildren = 1 WHERE id = ?",
             {IdToDb(archive)});
        AppSettings().ArchiveId = archive;
        const ItemId p = MakeItem("P");
        const ItemId x = MakeItem("X", p);
        const ItemId leaf = MakeItem("Leaf", MakeItem("Mid", x));
        // Archive only what has no links: move the branch's links aside first.
        Exec("UPDATE phonebk SET numchildren = 0 WHERE id = ?", {IdToDb(x)});
        Exec("UPDATE phonebk SET parent = 0 WHERE parent = ?", {IdToDb(x)});
        const ItemId mid =
            IdFromDb(Scalar("SELECT parent FROM phonebk WHERE id = ?", {IdToDb(leaf)}));
        ScriptedDialogs dialogs;
        dialogs.AnswerChoice(2);
        dialogs.AnswerYes(); // replace P as parent
        dialogs.AnswerYes(); // the loop that a self-linked archive always shows
        QVERIFY(DeleteItem(x));
        QCOMPARE(dialogs.Questions().size(), 2);
        QVERIFY(dialogs.Questions().first().startsWith("\"Archive\"  will replace \"P\" "));
        QCOMPARE(IdField(x, "parent"), archive);
        QCOMPARE(IdField(x, "rank"), archive);
        QCOMPARE(Field(p, "numchildren"), 0);
        QCOMPARE(Field(archive, "numchildren"), 2);
        QCOMPARE(Field(mid, "rank"), 0); // moved out before, keeps its mark
        QCOMPARE(dialogs.Flashes(), QStringList{"Archived OK"});
    }

    void declinedReplaceStillReportsArchived() {
        TestFolder folder;
        const ItemId archive = MakeItem("Archive");
        AppSettings().ArchiveId = archive;
        const ItemId p = MakeItem("P");
        const ItemId x = MakeItem("X", p);
        ScriptedDialogs dialogs;
        dialogs.AnswerChoice(2);
        dialogs.AnswerNo();
        QVERIFY(DeleteItem(x));
        QCOMPARE(IdField(x, "parent"), p);
        QCOMPARE(dialogs.Flashes(), QStringList{"Archived OK"});
    }

    void hidingMarksBranchAndShowingIsAnnounced() {
        TestFolder folder;
        const ItemId top = MakeItem("Top");
        const ItemId a = MakeItem("A", top);
        const ItemId b = MakeItem("B", a);
        const ItemId c = MakeItem("C", b);
        const ItemId d = MakeItem("D", a);
        // A loop back to the top and a child under a count that says 0.
        Exec("UPDATE phonebk SET parent = ?, numchildren = 1 WHERE id = ?",
             {IdToDb(c), IdToDb(top)});
        Exec("UPDATE phonebk SET numchildren = numchildren + 1 WHERE id = ?", {IdToDb(c)});
        const ItemId unseen = MakeItem("Unseen", d);
        Exec("UPDATE phonebk SET numchildren = 0 WHERE id = ?", {IdToDb(d)});
        const ItemId outside = MakeItem("Outside");
        PushInteger(outside.Value()); // left over from elsewhere: not walked
        SetHiderBelow(a, ItemId(77));
        for (ItemId id : {top, a, b, c, d})
            QCOMPARE(Field(id, "rank"), 77);
        QCOMPARE(Field(unseen, "rank"), 0);
        QCOMPARE(Field(outside, "rank"), 0);
        QVERIFY(IntegerQueue().IsEmpty());
        // From inside the loop the walk goes round once and stops where it began.
        SetHiderBelow(b, ItemId(0));
        for (ItemId id : {top, a, b, c, d})
            QCOMPARE(Field(id, "rank"), 0);

        // Showing a hider's branch and stopping again; stopping when nothing shows is silent.
        ScriptedDialogs dialogs;
        StopShowingHidden();
        QVERIFY(dialogs.Calls.isEmpty());
        ShowHidden(ItemId(12));
        QCOMPARE(TheStoreState.CurrentHider, ItemId(12));
        StopShowingHidden();
        QCOMPARE(TheStoreState.CurrentHider, ItemId(0));
        QCOMPARE(dialogs.Flashes(),
                 QStringList({"Showing #12 and linked items", "Hiding #12 and linked items"}));
    }
};

QTEST_GUILESS_MAIN(TestDeleting)
#include "TestDeleting.moc"
