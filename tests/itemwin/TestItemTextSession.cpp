#include "itemwin/ItemTextSession.h"

#include "store/Database.h"
#include "store/ItemFields.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFolder.h"

#include <QSqlQuery>
#include <QTest>

namespace {
const QString DiskFull = QStringLiteral("database or disk is full");

ItemRecord Stored(ItemId id) {
    ItemRecord r;
    LocateItem(id, r);
    return r;
}

bool Exists(ItemId id) {
    ItemRecord r;
    return LocateItem(id, r);
}

// Runs a step that must fail with the injected engine error.
template <class Step> void ExpectEngineFailure(Step&& step) {
    try {
        step();
        QFAIL("the write did not fail");
    } catch (const DbError& e) {
        QCOMPARE(e.Text, DiskFull);
    }
}
} // namespace

// The text window's page rules, driven without a window: every failed write keeps the page
// marked changed, and the next save or close writes it.
class TestItemTextSession : public QObject {
    Q_OBJECT
private slots:
    void failedAutomaticSaveIsTriedAgain() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId id = CreateItem("Shopping", "shop", "eggs\r\n");
        ItemTextSession page;
        QVERIFY(page.Open(id, QString()));
        QCOMPARE(page.UndoPage, (QStringList{"Shopping", "", "eggs"}));
        QVERIFY(page.MarkChanged());
        QVERIFY(!page.MarkChanged()); // only the first change starts the automatic save
        const QStringList typed{"Shopping", "", "eggs", "sugar"};
        FailNextWrites(DiskFull);
        ExpectEngineFailure([&] { page.Save(typed); });
        QVERIFY(page.ChangedSinceSave);
        QVERIFY(page.ChangedSinceOpen);
        QCOMPARE(Stored(id).Text, QStringLiteral("eggs\r\n"));
        QCOMPARE(page.Save(typed), ItemTextSession::SaveOutcome::Saved);
        QCOMPARE(Stored(id).Text, QStringLiteral("eggs\r\nsugar\r\n"));
        QVERIFY(!page.ChangedSinceSave);
        QCOMPARE(page.Save(typed), ItemTextSession::SaveOutcome::NothingToSave);
        QVERIFY(dialogs.Calls.isEmpty());
    }

    // "Save changes?" answered Yes while the engine refuses the write: the window is to stay
    // open, and the same answer later stores the page.
    void failedSaveOnCloseKeepsThePage() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId id = CreateItem("Note", QString(), "old\r\n");
        ItemTextSession page;
        QVERIFY(page.Open(id, QString()));
        page.MarkChanged();
        const QStringList typed{"Note", "", "new"};
        dialogs.AnswerYes();
        FailNextWrites(DiskFull);
        ExpectEngineFailure([&] { page.CloseQuery(typed); });
        QVERIFY(page.ChangedSinceSave && page.ChangedSinceOpen);
        QCOMPARE(Stored(id).Text, QStringLiteral("old\r\n"));
        dialogs.AnswerYes();
        QCOMPARE(page.CloseQuery(typed), ItemTextSession::CloseOutcome::Close);
        QCOMPARE(Stored(id).Text, QStringLiteral("new\r\n"));
        QCOMPARE(dialogs.Questions(), (QStringList{"Save changes?", "Save changes?"}));
    }

    // Discarding writes the item back only when this page wrote it; a write back that fails
    // keeps everything as it was, for another try.
    void discardWritesBackOnlyWhatThisPageWrote() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId id = CreateItem("Item", "r1", "one\r\n");
        ItemTextSession page;
        QVERIFY(page.Open(id, QString()));
        page.MarkChanged();
        // Another window changes the Ref meanwhile; this page saved nothing, so nothing of the
        // item is put back.
        WriteItemFields(id, ItemFieldEdits{{}, QStringLiteral("r2"), {}});
        dialogs.AnswerNo();
        dialogs.AnswerYes();
        QCOMPARE(page.CloseQuery({"Item", "", "typed"}),
                 ItemTextSession::CloseOutcome::CloseShowingUndo);
        QCOMPARE(Stored(id).Tel, QStringLiteral("r2"));
        QCOMPARE(Stored(id).Text, QStringLiteral("one\r\n"));

        // After an automatic save the item is written back as opened; the first try fails.
        QVERIFY(page.Open(id, QString()));
        page.MarkChanged();
        page.PageRef = QStringLiteral("r3");
        page.Save({"Renamed", "", "two"});
        QCOMPARE(Stored(id).Name, QStringLiteral("Renamed"));
        page.MarkChanged();
        dialogs.AnswerNo();
        dialogs.AnswerYes();
        FailNextWrites(DiskFull);
        ExpectEngineFailure([&] { page.CloseQuery({"Renamed", "", "three"}); });
        QVERIFY(page.ChangedSinceOpen);
        QCOMPARE(page.PageRef, QStringLiteral("r3"));
        dialogs.AnswerNo();
        dialogs.AnswerYes();
        QCOMPARE(page.CloseQuery({"Renamed", "", "three"}),
                 ItemTextSession::CloseOutcome::CloseShowingUndo);
        QCOMPARE(Stored(id).Name, QStringLiteral("Item"));
        QCOMPARE(Stored(id).Tel, QStringLiteral("r2"));
        QCOMPARE(Stored(id).Text, QStringLiteral("one\r\n"));
        QCOMPARE(page.PageRef, QStringLiteral("r2"));
    }

    // A new item exists from the start; it is kept only when something was typed into it.
    void newItemKeptOnlyWithText() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        ItemTextSession page;
        QVERIFY(page.Open(-1, QStringLiteral("2024-05-17 ")));
        const ItemId first = page.TextItemId;
        QVERIFY(Exists(first) && page.IsNewItem());
        QCOMPARE(page.PageRef, QStringLiteral("2024-05-17 "));
        QCOMPARE(page.CloseQuery({""}), ItemTextSession::CloseOutcome::Close);
        QVERIFY(!Exists(first));
        QCOMPARE(page.TextItemId, -1);

        // Typed into, then emptied again: Yes keeps nothing.
        QVERIFY(page.Open(-1, QString()));
        const ItemId second = page.TextItemId;
        page.MarkChanged();
        dialogs.AnswerYes();
        QCOMPARE(page.CloseQuery({"", ""}), ItemTextSession::CloseOutcome::Close);
        QVERIFY(!Exists(second));
        QVERIFY(dialogs.Infos().isEmpty());

        // At exit nothing is asked: a page with text is saved, a blank one removed.
        QVERIFY(page.Open(-1, QString()));
        const ItemId third = page.TextItemId;
        page.MarkChanged();
        FailNextWrites(DiskFull);
        ExpectEngineFailure([&] { page.SaveForExit({"Kept", "", "body"}); });
        QVERIFY(Exists(third) && page.ChangedSinceOpen);
        page.SaveForExit({"Kept", "", "body"});
        QCOMPARE(Stored(third).Name, QStringLiteral("Kept"));
        QCOMPARE(Stored(third).Text, QStringLiteral("body\r\n"));
        QCOMPARE(dialogs.Questions(), QStringList{"Save changes?"});
    }

    // A new item saved with "Yes" on closing is the user's from then on: the end of the program
    // (which runs the exit rules on the last page shown) and any later close leave it, its
    // parent's count and its links alone. An automatic save alone does not make it so: "No"
    // and the discard still remove it.
    void newItemSavedOnCloseSurvivesTheExit() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId parent = CreateItem("Parent", QString(), QString());
        ItemTextSession page;
        QVERIFY(page.Open(-1, QString()));
        const ItemId id = page.TextItemId;
        page.MarkChanged();
        dialogs.AnswerYes();
        const QStringList typed{"Fresh", "", "typed text"};
        QCOMPARE(page.CloseQuery(typed), ItemTextSession::CloseOutcome::Close);
        QVERIFY(!page.IsNewItem());
        QCOMPARE(LinkItems(parent, id, 1), int(LinkOk));
        QCOMPARE(Stored(parent).Numchildren, 1);

        page.SaveForExit(typed);
        QVERIFY(Exists(id));
        QCOMPARE(Stored(id).Name, QStringLiteral("Fresh"));
        QCOMPARE(Stored(id).Text, QStringLiteral("typed text\r\n"));
        QCOMPARE(Stored(parent).Numchildren, 1);
        QCOMPARE(page.CloseQuery(typed), ItemTextSession::CloseOutcome::Close);
        QVERIFY(Exists(id));

        // Written by the automatic save, then discarded: the new item goes.
        QVERIFY(page.Open(-1, QString()));
        const ItemId discarded = page.TextItemId;
        page.MarkChanged();
        QCOMPARE(page.Save({"Draft"}), ItemTextSession::SaveOutcome::Saved);
        QVERIFY(page.IsNewItem());
        dialogs.AnswerNo();
        dialogs.AnswerYes();
        QCOMPARE(page.CloseQuery({"Draft"}), ItemTextSession::CloseOutcome::Close);
        QVERIFY(!Exists(discarded));
        page.SaveForExit({"Draft"});
        QVERIFY(Exists(id));
    }

    // A page that cannot be written is reported once per series of changes, and an item that
    // went away drops the pending changes with its message.
    void unsavablePages() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId id = CreateItem("Keep", QString(), "me\r\n");
        ItemTextSession page;
        QVERIFY(page.Open(id, QString()));
        page.MarkChanged();
        QCOMPARE(page.Save({"", ""}), ItemTextSession::SaveOutcome::EmptyPage);
        QCOMPARE(page.Save({"", ""}), ItemTextSession::SaveOutcome::NothingToSave);
        QCOMPARE(Stored(id).Name, QStringLiteral("Keep"));
        RemoveItemRow(id);
        page.MarkChanged();
        QCOMPARE(page.Save({"x"}), ItemTextSession::SaveOutcome::ItemMissing);
        QVERIFY(!page.ChangedSinceSave);
        QVERIFY(!page.Open(id, QString()));
        QCOMPARE(page.TextItemId, id); // the failed open leaves the page where it was
        QCOMPARE(dialogs.Infos(), (QStringList{"Use menu option to delete the item",
                                               QStringLiteral("Item #%1 not found").arg(id),
                                               QStringLiteral("Item #%1 not found").arg(id)}));
    }

    // The page commands that ask first change nothing unless confirmed. Clear puts back the
    // Name as stored now, Undo the page as opened while the edited Ref stays, and a confirmed
    // delete leaves the page on no item, with nothing to ask when it closes.
    void pageCommandsAskFirst() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId id = CreateItem("Opened", "r1", "body\r\n");
        ItemTextSession page;
        QVERIFY(page.Open(id, QString()));
        dialogs.AnswerCancelPrompt();
        QVERIFY(!page.EditRef());
        QCOMPARE(page.PageRef, QStringLiteral("r1"));
        dialogs.AnswerText("r2");
        QVERIFY(page.EditRef());
        QCOMPARE(page.PageRef, QStringLiteral("r2"));
        page.MarkChanged();
        page.Save({"Saved", "", "body"});

        QVERIFY(!page.ClearedPage(true));
        dialogs.AnswerNo();
        QVERIFY(!page.ClearedPage(false));
        dialogs.AnswerYes();
        QCOMPARE(page.ClearedPage(false).value_or(QStringList()), (QStringList{"Saved", ""}));
        dialogs.AnswerNo();
        QVERIFY(!page.UndonePage());
        dialogs.AnswerYes();
        QCOMPARE(page.UndonePage().value_or(QStringList()), (QStringList{"Opened", "", "body"}));
        QCOMPARE(page.PageRef, QStringLiteral("r2"));

        page.MarkChanged();
        dialogs.AnswerNo();
        QVERIFY(!page.DeleteItem());
        QCOMPARE(page.TextItemId, id);
        dialogs.AnswerYes();
        QVERIFY(page.DeleteItem());
        QVERIFY(!Exists(id));
        QCOMPARE(page.TextItemId, 0);
        QCOMPARE(page.CloseQuery({"typed"}), ItemTextSession::CloseOutcome::Close);
        const QString clear = QStringLiteral("OK to clear Item Text ?");
        const QString undo = QStringLiteral("Undo all changes to this Item-text - are you sure?");
        const QString remove = QStringLiteral("Delete item \"Saved\"  - OK?");
        QCOMPARE(dialogs.Questions(), (QStringList{clear, clear, undo, undo, remove, remove}));
    }
};

QTEST_GUILESS_MAIN(TestItemTextSession)
#include "TestItemTextSession.moc"
