#include "support/ItemFixture.h"

#include "common/Settings.h"
#include "listwin/ItemsList.h"
#include "listwin/ListOptions.h"
#include "store/StoreState.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFolder.h"

#include <QTest>

namespace {
// Stands in for the window: the new-item windows keep the item the test made, or nothing.
class NewItemView : public ItemsListView {
public:
    void ListAboutToChange() override {}
    void ListRebuilt() override { ++Rebuilt; }
    void CursorMoved() override {}
    void ShowItemDetails(ItemId) override {}
    void OpenItemText(ItemId) override {}
    void ClearSearchText() override {}
    void ClearJumpBoxQuietly() override { ++JumpCleared; }
    bool NewItemText(int request, ItemId& id) override {
        TextRequests << request;
        id = Kept;
        return Kept.Value() >= 0;
    }
    bool NewItemDetails(ItemId parentId, ItemId& id) override {
        DetailsParents << parentId;
        id = Kept;
        return Kept.IsValid();
    }
    ItemId Kept = ItemId(-1); // the item the next new-item window keeps; -1 for none
    QList<int> TextRequests;
    QList<ItemId> DetailsParents;
    int Rebuilt = 0;
    int JumpCleared = 0;
};

// Arms an engine failure for the writes that follow the nth question.
class FailingAfterQuestion : public ScriptedDialogs {
public:
    int FailAt = 0;
    char AskYesNoCancelBox(const QString& question, const QString& caption) override {
        if (Questions().size() + 1 == FailAt)
            FailNextWrites("disk I/O error");
        return ScriptedDialogs::AskYesNoCancelBox(question, caption);
    }
};

QStringList names(const ItemsList& list) {
    QStringList out;
    for (int i = 0; i < list.Rows().Count(); ++i)
        out << list.Rows().Row(i).Name;
    return out;
}

void cursorTo(ItemsList& list, ItemId id, int drop = -1) {
    for (int i = 0; i < list.Rows().Count(); ++i)
        if (list.Rows().Row(i).Id == id && (drop < 0 || list.Rows().Row(i).Drop2 == drop))
            list.Rows().SetCursor(i);
}

void showLinks(ItemsList& list, ListOf kind, ItemId id) {
    ListWindow().ListKind = kind;
    list.ShowLinks(id, ItemName(id));
}

ItemId cursorId(const ItemsList& list) {
    return list.Rows().CursorRow().Id;
}

QString linkNote(ItemId a, ItemId b, int drop) {
    return Scalar("SELECT linknote FROM mm2 WHERE id1 = ? AND id2 = ? AND \"drop\" = ?",
                  {IdToDb(a), IdToDb(b), drop})
        .toString();
}
} // namespace

// The list's commands that link, delink, delete and make items, on a real database, without a
// window.
class TestListCommands : public QObject {
    Q_OBJECT
private slots:
    void init() { ResetAllState(); }

    // "Start new link" on A, then A becomes the parent of B in P's list: B leaves the list and
    // the cursor moves to the row after it, or to the new last row when B was last. The other
    // direction keeps the cursor on its row.
    void linkDownFromAndToX() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId a = MakeItem("A");
        const ItemId p = MakeItem("P");
        const ItemId b = MakeItem("B", p);
        const ItemId c = MakeItem("C", p);
        const ItemId d = MakeItem("D", p);
        ItemsList list;
        list.BuildList();
        cursorTo(list, a);
        list.StartNewLink();
        QCOMPARE(ListWindow().LinkStartId, a);
        QCOMPARE(dialogs.Flashes(), QStringList{"now select the other item"});

        showLinks(list, ListOf::LinksDown, p);
        cursorTo(list, b);
        dialogs.AnswerYes(); // A replaces P as B's parent
        list.LinkFromX();
        QCOMPARE(IdField(b, "parent"), a);
        QCOMPARE(Field(a, "numchildren"), 1);
        QCOMPARE(Field(p, "numchildren"), 2);
        QCOMPARE(names(list), (QStringList{"C", "D"}));
        QCOMPARE(cursorId(list), c);
        // X stays chosen: the last row goes too, and the cursor ends on the new last row.
        cursorTo(list, d);
        dialogs.AnswerYes();
        list.LinkFromX();
        QCOMPARE(IdField(d, "parent"), a);
        QCOMPARE(names(list), QStringList{"C"});
        QCOMPARE(cursorId(list), c);
        QCOMPARE(ListWindow().LinkStartId, a);
        QCOMPARE(dialogs.Questions().last(),
                 QString("\"A\"  will replace \"P\" \ras parent of \"D\"  - OK?"));

        // C becomes A's parent: nothing asked, A had none.
        list.LinkToX();
        QCOMPARE(dialogs.Questions().size(), 2);
        QCOMPARE(IdField(a, "parent"), c);
        QCOMPARE(Field(c, "numchildren"), 1);
        QCOMPARE(cursorId(list), c);
        QCOMPARE(dialogs.Infos(), QStringList{});
    }

    // What the menu offers as it opens, list by list.
    void popupMenuByList() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        NewItemView view;
        const ItemId x = MakeItem("R&D");
        const ItemId p = MakeItem("P");
        MakeItem("Tom & Jerry", p);
        LinkAcrossRows(p, MakeItem("Ann"));
        ItemsList list(&view);
        list.BuildList();

        RowMenu menu = list.PopupMenu1Popup();
        QVERIFY(!menu.DelinkEnabled && !menu.LinkNoteEnabled);
        QVERIFY(!menu.LinkDownEnabled && !menu.LinkAcrossEnabled); // no X chosen yet
        QCOMPARE(view.JumpCleared, 1);

        cursorTo(list, x);
        list.StartNewLink();
        showLinks(list, ListOf::LinksDown, p);
        menu = list.PopupMenu1Popup();
        QVERIFY(menu.DelinkEnabled && !menu.LinkNoteEnabled);
        QVERIFY(menu.LinkDownEnabled && menu.LinkAcrossEnabled);
        // Ampersands show in the captions; the names are quoted, each with its trailing blank.
        QCOMPARE(menu.LinkFromXCaption, QString("Link down from \"R&&D\"  to \"Tom && Jerry\" "));
        QCOMPARE(menu.LinkToXCaption, QString("Link down from \"Tom && Jerry\"  to \"R&&D\" "));

        list.SelectKind(ListOf::LinksAcross);
        menu = list.PopupMenu1Popup();
        QVERIFY(menu.DelinkEnabled && menu.LinkNoteEnabled);

        list.SearchForText("a");
        menu = list.PopupMenu1Popup();
        QVERIFY(!menu.DelinkEnabled && !menu.LinkNoteEnabled);

        // X deleted meanwhile: no link down, but "Link across" only asks that one was chosen.
        Exec("DELETE FROM phonebk WHERE id = ?", {IdToDb(x)});
        menu = list.PopupMenu1Popup();
        QVERIFY(!menu.LinkDownEnabled && menu.LinkAcrossEnabled);
        QCOMPARE(view.JumpCleared, 5);
    }

    // Linked, already linked and declined, and refused.
    void linkAcrossOutcomes() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId a = MakeItem("A");
        const ItemId b = MakeItem("B");
        ItemsList list;
        list.BuildList();
        cursorTo(list, a);
        list.StartNewLink();
        cursorTo(list, b);
        list.LinkAcross();
        QCOMPARE(dialogs.Flashes().last(), QString("Linked OK"));
        QCOMPARE(CountLinkRows(), 2);
        QCOMPARE(Field(a, "numcousins"), 1);
        QCOMPARE(Field(b, "numcousins"), 1);
        QCOMPARE(cursorId(list), b);

        dialogs.AnswerNo();
        list.LinkAcross();
        QCOMPARE(dialogs.Questions(),
                 QStringList{"The items are already linked - link them again?"});
        QCOMPARE(dialogs.Infos(), QStringList{"Items \"B\" and \"A\"  are already linked"});
        QCOMPARE(CountLinkRows(), 2);

        // An item linked across to itself: nothing can be stored (its mirror would be the row
        // itself), which is said once, and nothing is asked first, also where an older self
        // row would have made it ask to link again and for a note.
        Exec("INSERT INTO mm2 (id1, id2, linknote, \"drop\") VALUES (?, ?, 'self', 0)",
             {IdToDb(a), IdToDb(a)});
        const int questions = int(dialogs.Questions().size());
        cursorTo(list, a);
        list.LinkAcross();
        QCOMPARE(dialogs.Infos().last(), QString("An item cannot be linked across to itself"));
        QCOMPARE(dialogs.Infos().size(), 2);
        QCOMPARE(int(dialogs.Questions().size()), questions);
        QCOMPARE(dialogs.PendingAnswers(), 0);
        QCOMPARE(CountLinkRows(), 3);
        QCOMPARE(Field(a, "numcousins"), 1);
        QCOMPARE(cursorId(list), a);
        QCOMPARE(LinkItems(a, a, 2), int(LinkRefused));
        QCOMPARE(int(dialogs.Questions().size()), questions);
    }

    // The note goes on both rows of the one link chosen; delinking removes that link only; a
    // row whose item is gone gets the row check from every command, which then stops.
    void linkNoteDelinkAcrossAndGoneItems() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId p = MakeItem("P");
        const ItemId ann = MakeItem("Ann");
        const ItemId zed = MakeItem("Zed");
        const ItemId gone = MakeItem("gone");
        LinkAcrossRows(p, ann, "first");
        LinkAcrossRows(p, ann, "second", 1);
        LinkAcrossRows(p, zed);
        LinkAcrossRows(p, gone);
        Exec("DELETE FROM phonebk WHERE id = ?", {IdToDb(gone)});
        ItemsList list;
        showLinks(list, ListOf::LinksAcross, p);
        cursorTo(list, ann, 1);
        dialogs.AnswerText("new note");
        list.LinkNote();
        QCOMPARE(dialogs.Texts("input"), QStringList{"[ Link note ]"});
        QCOMPARE(linkNote(p, ann, 1), QString("new note"));
        QCOMPARE(linkNote(ann, p, 1), QString("new note"));
        QCOMPARE(linkNote(p, ann, 0), QString("first"));
        QCOMPARE(list.Rows().CursorRow().LinkNote, QString("new note"));
        dialogs.AnswerCancelPrompt();
        list.LinkNote();
        QCOMPARE(linkNote(p, ann, 1), QString("new note"));

        cursorTo(list, ann, 0);
        list.Delink();
        QCOMPARE(CountLinkRows(), 6);
        QCOMPARE(linkNote(ann, p, 1), QString("new note"));
        QCOMPARE(Field(p, "numcousins"), 3);
        QCOMPARE(Field(ann, "numcousins"), 1);
        QCOMPARE(cursorId(list), ann);
        QCOMPARE(list.Rows().CursorRow().Drop2, 1); // the row that followed

        cursorTo(list, ItemId(0));
        QCOMPARE(list.Rows().CursorRow().Id2, gone);
        const QString notFound = QString("Item #%1 not found").arg(gone.Value());
        dialogs.ClearCalls();
        list.StartNewLink();
        list.LinkNote();
        list.Delink();
        list.DeleteRow();
        list.LinkAcross();
        QCOMPARE(dialogs.Infos(), QStringList(5, notFound));
        QCOMPARE(CountLinkRows(), 6);
        QCOMPARE(ListWindow().LinkStartId, ItemId(0));
    }

    // Delinking an item its hider hid shows it and its branch again and ends the showing of the
    // hidden group. The main menu's Delink changes nothing on a top-level row and makes a
    // search result's item top-level.
    void delinkDown() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId hider = MakeItem("Vault");
        const ItemId key = MakeItem("key", hider);
        const ItemId blade = MakeItem("blade", key);
        const ItemId lock = MakeItem("lock", hider);
        MakeHider(hider, {key, blade, lock});
        TheStoreState.CurrentHider = hider;
        ItemsList list;
        showLinks(list, ListOf::LinksDown, hider);
        QCOMPARE(names(list), (QStringList{"key", "lock", "Vault"}));
        cursorTo(list, key);
        list.Delink();
        QCOMPARE(Field(key, "parent"), 0);
        QCOMPARE(Field(key, "rank"), 0);
        QCOMPARE(Field(blade, "rank"), 0);
        QCOMPARE(IdField(lock, "rank"), hider);
        QCOMPARE(Field(hider, "numchildren"), 2);
        QCOMPARE(TheStoreState.CurrentHider, ItemId(0));
        QCOMPARE(cursorId(list), lock);

        const ItemId top = MakeItem("top");
        const ItemId parent = MakeItem("parent");
        const ItemId found = MakeItem("found", parent);
        list.Top();
        cursorTo(list, top);
        list.Delink();
        QCOMPARE(Field(top, "parent"), 0);
        QCOMPARE(cursorId(list), top);
        list.SearchForText("found");
        QCOMPARE(cursorId(list), found);
        list.Delink();
        QCOMPARE(Field(found, "parent"), 0);
        QCOMPARE(Field(parent, "numchildren"), 0);
        QVERIFY(dialogs.Infos().isEmpty());
        // On an empty list there is no row to act on and nothing to say.
        list.SearchForText("nothing like it");
        list.Delink();
        list.DeleteRow();
        QVERIFY(dialogs.Infos().isEmpty());
    }

    // Delete asks; the cursor goes to the row that followed, or the new last row. With an
    // archive item the chooser may move the item under it instead.
    void deleteRow() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId p = MakeItem("P");
        const ItemId a = MakeItem("a", p);
        const ItemId b = MakeItem("b", p);
        const ItemId c = MakeItem("c", p);
        ItemsList list;
        showLinks(list, ListOf::LinksDown, p);
        cursorTo(list, a);
        dialogs.AnswerNo();
        list.DeleteRow();
        QCOMPARE(IdField(a, "id"), a);
        QCOMPARE(cursorId(list), a);
        dialogs.AnswerYes();
        list.DeleteRow();
        QCOMPARE(dialogs.Questions().last(), QString("Delete item \"a\"  - OK?"));
        QCOMPARE(Field(a, "id"), 0);
        QCOMPARE(Field(p, "numchildren"), 2);
        QCOMPARE(cursorId(list), b);
        cursorTo(list, c);
        dialogs.AnswerYes();
        list.DeleteRow();
        QCOMPARE(names(list), QStringList{"b"});
        QCOMPARE(cursorId(list), b);

        const ItemId archive = MakeItem("Archive");
        AppSettings().ArchiveId = archive;
        dialogs.AnswerChoice(2);
        dialogs.AnswerYes(); // P is replaced as b's parent
        list.DeleteRow();
        QCOMPARE(IdField(b, "parent"), archive);
        QCOMPARE(dialogs.Flashes(), QStringList{"Archived OK"});
        QCOMPARE(list.Rows().Count(), 0);
    }

    // A new item from P's list may be linked under P: No leaves the list as it was, Yes lists
    // it with the cursor on it. The question names P as stored, whichever way its list was
    // reached. From the top level nothing is asked.
    void newItemAndTheLinkQuestion() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        NewItemView view;
        const ItemId p = MakeItem("P");
        const ItemId child = MakeItem("child", p);
        ItemsList list(&view);
        list.BuildList();
        cursorTo(list, p);
        list.StepIntoLinks();
        cursorTo(list, child);
        list.StepIntoLinks();
        list.GoToParent(); // P's list reached by its parent line: its request has no name
        const int rebuilt = view.Rebuilt;

        list.NewItem(-1); // nothing kept: nothing asked
        QVERIFY(dialogs.Questions().isEmpty());
        view.Kept = MakeItem("first");
        dialogs.AnswerNo();
        list.NewItem(-1);
        QCOMPARE(dialogs.Questions(), QStringList{"Link new item from \"P\" ?"});
        QCOMPARE(Field(view.Kept, "parent"), 0);
        QCOMPARE(view.Rebuilt, rebuilt);
        QCOMPARE(names(list), QStringList{"child"});

        view.Kept = MakeItem("second");
        dialogs.AnswerYes();
        list.NewItem(-2);
        QCOMPARE(view.TextRequests, (QList<int>{-1, -1, -2}));
        QCOMPARE(IdField(view.Kept, "parent"), p);
        QCOMPARE(Field(p, "numchildren"), 2);
        QCOMPARE(cursorId(list), view.Kept);

        // The details form proposes the listed item as the parent.
        view.Kept = MakeItem("third", p);
        list.NewDetails();
        QCOMPARE(view.DetailsParents, QList<ItemId>{p});
        QCOMPARE(cursorId(list), view.Kept);

        list.Top();
        view.Kept = MakeItem("fourth");
        list.NewItem(-1);
        QCOMPARE(dialogs.Questions().size(), 2);
        QCOMPARE(cursorId(list), view.Kept);
        list.NewDetails();
        QCOMPARE(view.DetailsParents.last(), ItemId(0));
    }

    // The submenu's captions, its questions (P named as the parent replaced only in P's
    // links-down list), and every listed item linked to X.
    void linkAll() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId x = MakeItem("X");
        const ItemId p = MakeItem("P");
        const ItemId b = MakeItem("B", p);
        const ItemId c = MakeItem("C", p);
        ItemsList list;
        list.BuildList();
        LinkAllMenu menu = list.LinkAllPopup();
        QVERIFY(!menu.Enabled);
        QCOMPARE(menu.DownCaption, QString("Link down"));
        QCOMPARE(menu.AcrossCaption, QString("Link across"));
        cursorTo(list, x);
        list.StartNewLink();
        menu = list.LinkAllPopup();
        QVERIFY(menu.Enabled);
        QCOMPARE(menu.DownCaption, QString("Link down from \"X\"  to all items in this list"));
        QCOMPARE(menu.AcrossCaption,
                 QString("Link across between \"X\"  and all items in this list"));

        showLinks(list, ListOf::LinksDown, p);
        const QString question = "Link down from \"X\"  to all items listed\rreplacing \"P\"  as "
                                 "their parent - are you sure?";
        dialogs.AnswerNo();
        list.LinkAllDown();
        QCOMPARE(dialogs.Questions(), QStringList{question});
        QCOMPARE(IdField(b, "parent"), p);
        dialogs.AnswerYes();
        dialogs.AnswerYes(); // "X" will replace "P" as parent of "B"
        dialogs.AnswerYes(); // ... of "C"
        list.LinkAllDown();
        QCOMPARE(dialogs.Questions().at(2),
                 QString("\"X\"  will replace \"P\" \ras parent of \"B\"  - OK?"));
        QCOMPARE(IdField(b, "parent"), x);
        QCOMPARE(IdField(c, "parent"), x);
        QCOMPARE(Field(x, "numchildren"), 2);
        QCOMPARE(Field(p, "numchildren"), 0);
        QCOMPARE(list.Rows().Count(), 0);

        // From P's links-across list: no parent named; the rows are linked to X in turn.
        LinkAcrossRows(p, b);
        LinkAcrossRows(p, c);
        showLinks(list, ListOf::LinksAcross, p);
        dialogs.ClearCalls();
        dialogs.AnswerYes();
        list.LinkAllAcross();
        QCOMPARE(dialogs.Questions(),
                 QStringList{"Link across between \"X\"  and all items listed - OK?"});
        QCOMPARE(Field(x, "numcousins"), 2);
        QCOMPARE(CountLinkRows(), 8);
        dialogs.AnswerNo();
        list.LinkAllDown();
        QVERIFY(!dialogs.Questions().last().contains("replacing"));
    }

    // An engine error part way through: the links already made stay and the list shows them.
    void linkAllCutShortByTheEngine() {
        TestFolder folder;
        FailingAfterQuestion dialogs;
        const ItemId x = MakeItem("X");
        const ItemId p = MakeItem("P");
        const ItemId b = MakeItem("B", p);
        const ItemId c = MakeItem("C", p);
        ItemsList list;
        list.BuildList();
        cursorTo(list, x);
        list.StartNewLink();
        showLinks(list, ListOf::LinksDown, p);
        dialogs.FailAt = 3; // the question about C
        dialogs.AnswerYes();
        dialogs.AnswerYes();
        dialogs.AnswerYes();
        QVERIFY_THROWS_EXCEPTION(DbError, list.LinkAllDown());
        QCOMPARE(IdField(b, "parent"), x);
        QCOMPARE(IdField(c, "parent"), p);
        QCOMPARE(Field(x, "numchildren"), 1);
        QCOMPARE(Field(p, "numchildren"), 1);
        QCOMPARE(names(list), QStringList{"C"});
    }

    // The export carries the grid's columns in their order with only Name and Ref shown, each
    // value as the grid shows it, under the header's text.
    void exportRows() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId p = MakeItem("P & Q");
        LinkAcrossRows(p, MakeItem("Apple", ItemId(), "12", "text"), "zz");
        LinkAcrossRows(p, MakeItem("Pear"));
        ItemsList list;
        showLinks(list, ListOf::LinksAcross, p);
        ExportTable table = list.ExportRows();
        QStringList labels;
        QList<bool> visible;
        for (const ExportTable::Field& f : table.Fields) {
            labels << f.Label;
            visible << f.Visible;
        }
        QCOMPARE(labels, (QStringList{"NAME", "REF", "Text?", "Links?"}));
        QCOMPARE(visible, (QList<bool>{true, true, false, false}));
        QCOMPARE(table.Records,
                 (QVector<QStringList>{{"Apple  [ zz ]", "12", "T", QString(QChar(0xBB))},
                                       {"Pear", "", "", QString(QChar(0xBB))}}));
        QCOMPARE(list.ExportTitle(), QString("P & Q"));

        // Sorted by ref, the Ref column leads.
        list.TitleClick(ListField::dpref);
        table = list.ExportRows();
        QCOMPARE(table.Fields.first().Label, QString("REF"));
        QCOMPARE(table.Records.first().first(), QString());
        QCOMPARE(table.Records.last().mid(0, 2), (QStringList{"12", "Apple  [ zz ]"}));

        // The top level has no title; a search list is titled by its text, and without a ref
        // among its rows it has no Ref column.
        list.Top();
        table = list.ExportRows();
        QCOMPARE(table.Records.size(), 4);
        QCOMPARE(list.ExportTitle(), QString());
        list.SearchForText("pear");
        QCOMPARE(list.ExportTitle(), QString("\"pear\""));
        QCOMPARE(list.ExportRows().Records,
                 (QVector<QStringList>{{"Pear", "", QString(QChar(0xBB))}}));
    }

    // The options show the values in force and change them through the prompts.
    void options() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        QCOMPARE(FlashIntervalCaption(), QString("Flash interval = 1000ms"));
        dialogs.AnswerText("-250");
        AskFlashInterval();
        QCOMPARE(AppSettings().FlashInterval, -250);
        QCOMPARE(FlashIntervalCaption(), QString("Flash interval = -250ms"));
        dialogs.AnswerText("soon");
        AskFlashInterval();
        QCOMPARE(AppSettings().FlashInterval, -250);
        QCOMPARE(dialogs.Texts("input"), QStringList(2, "Enter flash interval (milli-seconds)"));
        QCOMPARE(dialogs.Flashes(), QStringList{"Flash interval updated OK"});

        dialogs.AnswerText("42");
        AskArchiveId();
        QCOMPARE(AppSettings().ArchiveId, ItemId(42));
        QCOMPARE(StoreArchiveId(), ItemId(42));
        QCOMPARE(ArchiveIdCaption(), QString("Archive id = 42"));
        QCOMPARE(dialogs.Texts("input").last(), QString("Archive id"));
        QCOMPARE(dialogs.Flashes().size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestListCommands)
#include "TestListCommands.moc"
