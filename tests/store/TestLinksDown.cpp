#include "store/ItemStore.h"
#include "store/StoreState.h"
#include "support/ItemFixture.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFolder.h"

#include <QTest>

namespace {
const char* const LoopQuestion =
    "Linking these items will form a loop, not recommended!\rAre you sure you want to continue?";
const char* const LoopExistsQuestion =
    "A loop already exists in \"From\" item's ancestry - OK to continue?";
const char* const SelfLinkQuestion =
    "Self-linking! Item will only be retrievable if its name is entered exactly - OK?";

// Records, at each question, the Parent of one item as the store's own connection sees it, so
// a test can tell that no write came before a question.
class WatchingDialogs : public ScriptedDialogs {
public:
    ItemId Watched;
    QList<ItemId> ParentsSeen;
    char AskYesNoCancelBox(const QString& question, const QString& caption) override {
        ParentsSeen << IdField(Watched, "parent");
        return ScriptedDialogs::AskYesNoCancelBox(question, caption);
    }
};

void YesNoRows() {
    QTest::addColumn<bool>("yes");
    QTest::newRow("yes") << true;
    QTest::newRow("no") << false;
}
} // namespace

// Linking an item under another, the questions on the way and delinking.
class TestLinksDown : public QObject {
    Q_OBJECT
private slots:
    void init() {
        TheStoreState.QuietLinking = false;
        TheStoreState.CurrentHider = ItemId(0);
    }
    void cleanup() { ResetAllState(); }

    void replaceMovesCounts_data() { YesNoRows(); }
    void replaceMovesCounts() {
        QFETCH(bool, yes);
        TestFolder folder;
        const ItemId oldParent = MakeItem("Old & grey");
        MakeItem("Sibling", oldParent);
        const ItemId c = MakeItem("Child", oldParent);
        const ItemId p = MakeItem("New");
        WatchingDialogs dialogs;
        dialogs.Watched = c;
        yes ? dialogs.AnswerYes() : dialogs.AnswerNo();
        QCOMPARE(LinkItems(p, c, 1), int(LinkOk));
        QCOMPARE(
            dialogs.Questions(),
            QStringList{"\"New\"  will replace \"Old & grey\" \ras parent of \"Child\"  - OK?"});
        QCOMPARE(dialogs.ParentsSeen, QList<ItemId>{oldParent});
        QCOMPARE(IdField(c, "parent"), yes ? p : oldParent);
        QCOMPARE(Field(p, "numchildren"), yes ? 1 : 0);
        QCOMPARE(Field(oldParent, "numchildren"), yes ? 1 : 2);
    }

    void firstLinkAgainAndMissingItems() {
        TestFolder folder;
        const ItemId p = MakeItem("P");
        const ItemId c = MakeItem("C");
        ScriptedDialogs dialogs;
        QCOMPARE(LinkItems(p, c, 1), int(LinkOk)); // a top-level item: nothing asked
        QVERIFY(dialogs.Calls.isEmpty());
        QCOMPARE(IdField(c, "parent"), p);
        QCOMPARE(LinkItems(p, c, 1), int(AlreadyLinked));
        QCOMPARE(LinkItems(p, ItemId(999), 1), int(ToNotFound));
        QCOMPARE(LinkItems(ItemId(998), c, 1), int(FromNotFound));
        // An old parent that is gone stops the link with nothing changed.
        const ItemId orphan = MakeItem("O");
        Exec("UPDATE phonebk SET parent = 555 WHERE id = ?", {IdToDb(orphan)});
        QCOMPARE(LinkItems(p, orphan, 1), int(LinkOk));
        QCOMPARE(Field(orphan, "parent"), 555);
        QCOMPARE(dialogs.Infos(), QStringList({"Items are already linked", "To-item not found #999",
                                               "From-Item not found #998", "Item #555 not found"}));
        TheStoreState.QuietLinking = true;
        QCOMPARE(LinkItems(ItemId(998), c, 1), int(FromNotFound));
        QCOMPARE(dialogs.Calls.size(), 4);
        QCOMPARE(Field(p, "numchildren"), 1);
    }

    void loopQuestions_data() { YesNoRows(); }
    void loopQuestions() {
        QFETCH(bool, yes);
        TestFolder folder;
        const ItemId a = MakeItem("A");
        const ItemId b = MakeItem("B", a);
        WatchingDialogs dialogs;
        dialogs.Watched = a;
        yes ? dialogs.AnswerYes() : dialogs.AnswerNo();
        QCOMPARE(CheckAncestry(b, a), 1);
        // A top-level item under its own child: no replace question, the loop question.
        QCOMPARE(LinkItems(b, a, 1), int(LinkOk));
        QCOMPARE(dialogs.Questions(), QStringList{LoopQuestion});
        QCOMPARE(dialogs.ParentsSeen, QList<ItemId>{ItemId(0)});
        QCOMPARE(IdField(a, "parent"), yes ? b : ItemId());
        QCOMPARE(Field(b, "numchildren"), yes ? 1 : 0);
        if (!yes)
            return;
        // A loop of parents never ends: anything linked under it hears of the existing loop.
        QCOMPARE(CheckAncestry(b, MakeItem("D")), 2);
        const ItemId e = MakeItem("E");
        dialogs.AnswerNo();
        QCOMPARE(LinkItems(a, e, 1), int(LinkOk));
        QCOMPARE(dialogs.Questions().last(), QString(LoopExistsQuestion));
        QCOMPARE(Field(e, "parent"), 0);
    }

    void selfLinkHidesBranchAndDelinkShowsIt() {
        TestFolder folder;
        const ItemId s = MakeItem("S");
        const ItemId c = MakeItem("C", s);
        const ItemId g = MakeItem("G", c);
        const ItemId leaf = MakeItem("Leaf", g);
        ScriptedDialogs dialogs;
        dialogs.AnswerNo();
        QCOMPARE(LinkItems(s, s, 1), int(SelfLinkDeclined));
        QCOMPARE(Field(s, "parent"), 0);
        dialogs.AnswerYes();
        QCOMPARE(LinkItems(s, s, 1), int(LinkOk));
        QCOMPARE(dialogs.Questions(), QStringList({SelfLinkQuestion, SelfLinkQuestion}));
        QCOMPARE(IdField(s, "parent"), s);
        QCOMPARE(Field(s, "numchildren"), 2);
        for (ItemId id : {s, c, g, leaf})
            QCOMPARE(IdField(id, "rank"), s);
        // Under a self-linked item the chain of parents never ends.
        QCOMPARE(CheckAncestry(g, MakeItem("X")), 2);
        QCOMPARE(CheckAncestry(c, s), 1);
        QCOMPARE(LinkItems(s, s, 1), int(AlreadyLinked));

        // Delinking shows the branch again and clears the hider being shown; nothing is asked.
        const int asked = dialogs.Calls.size();
        TheStoreState.CurrentHider = s;
        DelinkDown(c, s);
        QCOMPARE(Field(c, "parent"), 0);
        QCOMPARE(Field(s, "numchildren"), 1);
        for (ItemId id : {c, g, leaf})
            QCOMPARE(Field(id, "rank"), 0);
        QCOMPARE(IdField(s, "rank"), s);
        QCOMPARE(TheStoreState.CurrentHider, ItemId(0));
        // The hider delinked from itself shows again.
        TheStoreState.CurrentHider = s;
        DelinkDown(s, s);
        QCOMPARE(Field(s, "parent"), 0);
        QCOMPARE(Field(s, "numchildren"), 0);
        QCOMPARE(Field(s, "rank"), 0);
        QCOMPARE(TheStoreState.CurrentHider, ItemId(0));
        QCOMPARE(dialogs.Calls.size(), asked);
    }

    void branchTakesAndLosesRank() {
        TestFolder folder;
        const ItemId hider = MakeItem("Hider");
        Exec("UPDATE phonebk SET parent = id, rank = id, numchildren = 1 WHERE id = ?",
             {IdToDb(hider)});
        const ItemId under = MakeItem("Under", hider);
        const ItemId b = MakeItem("Branch");
        const ItemId b1 = MakeItem("B1", b);
        const ItemId b2 = MakeItem("B2", b1);
        ScriptedDialogs dialogs;
        dialogs.AnswerYes(); // the loop already exists above a hidden parent
        QCOMPARE(LinkItems(under, b, 1), int(LinkOk));
        QCOMPARE(dialogs.Questions(), QStringList{LoopExistsQuestion});
        for (ItemId id : {b, b1, b2})
            QCOMPARE(IdField(id, "rank"), hider);
        // Moved under a visible parent, the branch is shown again.
        const ItemId visible = MakeItem("Visible");
        dialogs.AnswerYes();
        QCOMPARE(LinkItems(visible, b, 1), int(LinkOk));
        for (ItemId id : {b, b1, b2})
            QCOMPARE(Field(id, "rank"), 0);
        QCOMPARE(Field(under, "numchildren"), 0);
        QCOMPARE(IdField(hider, "rank"), hider);
    }

    void delinkVisibleOrFromMissingParent() {
        TestFolder folder;
        const ItemId p = MakeItem("P");
        const ItemId c = MakeItem("C", p);
        Exec("UPDATE phonebk SET numchildren = 0 WHERE id = ?", {IdToDb(p)});
        TheStoreState.CurrentHider = ItemId(42);
        DelinkDown(c, p);
        QCOMPARE(Field(c, "parent"), 0);
        QCOMPARE(Field(p, "numchildren"), -1);
        QCOMPARE(TheStoreState.CurrentHider, ItemId(42));
        DelinkDown(ItemId(999), p); // a missing item changes nothing
        QCOMPARE(Field(p, "numchildren"), -1);
        // Delinked from a parent that is gone, a hidden item still shows again.
        const ItemId s = MakeItem("S");
        const ItemId d = MakeItem("D", s);
        Exec("UPDATE phonebk SET rank = ? WHERE id = ?", {IdToDb(s), IdToDb(d)});
        Exec("DELETE FROM phonebk WHERE id = ?", {IdToDb(s)});
        DelinkDown(d, s);
        QCOMPARE(Field(d, "parent"), 0);
        QCOMPARE(Field(d, "rank"), 0);
    }

    // A list row shown before the item moved names its old parent: the delink acts on the
    // parent the item has now, so neither count goes wrong.
    void delinkFromStaleRowActsOnStoredParent() {
        TestFolder folder;
        const ItemId p = MakeItem("P");
        const ItemId q = MakeItem("Q");
        const ItemId x = MakeItem("X", p);
        ScriptedDialogs dialogs;
        dialogs.AnswerYes(); // Q replaces P as X's parent
        QCOMPARE(LinkItems(q, x, 1), int(LinkOk));
        QCOMPARE(Field(p, "numchildren"), 0);
        QCOMPARE(Field(q, "numchildren"), 1);
        DelinkDown(x, p); // the row still showed X under P
        QCOMPARE(Field(x, "parent"), 0);
        QCOMPARE(Field(p, "numchildren"), 0);
        QCOMPARE(Field(q, "numchildren"), 0);
        // Delinking it again, now top-level, changes nothing.
        DelinkDown(x, q);
        QCOMPARE(Field(p, "numchildren"), 0);
        QCOMPARE(Field(q, "numchildren"), 0);
        // Moved under a hider since, it is shown again as it leaves the hider.
        const ItemId h = MakeItem("H");
        Exec("UPDATE phonebk SET parent = id, rank = id, numchildren = 1 WHERE id = ?",
             {IdToDb(h)});
        const ItemId y = MakeItem("Y", h);
        Exec("UPDATE phonebk SET numchildren = 1 WHERE id = ?", {IdToDb(p)}); // as shown under P
        TheStoreState.CurrentHider = h;
        DelinkDown(y, p);
        QCOMPARE(Field(y, "parent"), 0);
        QCOMPARE(Field(y, "rank"), 0);
        QCOMPARE(Field(h, "numchildren"), 1); // itself
        QCOMPARE(Field(p, "numchildren"), 1);
        QCOMPARE(TheStoreState.CurrentHider, ItemId(0));
    }
};

QTEST_GUILESS_MAIN(TestLinksDown)
#include "TestLinksDown.moc"
