#include "itemwin/ItemTextSession.h"

#include "common/Clock.h"
#include "common/Folders.h"
#include "itemwin/ItemDetailsSession.h"
#include "store/Database.h"
#include "store/ItemFields.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFolder.h"

#include <QDir>
#include <QFile>
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

const QDateTime Now(QDate(2024, 5, 17), QTime(9, 5, 0));

QStringList RescueFiles() {
    return QDir(DataFolder()).entryList({QStringLiteral("unsaved item*.txt")});
}

QString RescueFileName(ItemId id) {
    return QStringLiteral("unsaved item %1 2024-05-17 090500.txt").arg(id.Value());
}

// What the rescue file of item id holds; empty when there is none.
QString RescueText(ItemId id) {
    QFile file(QDir(DataFolder()).filePath(RescueFileName(id)));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

// The details window's session editing item id from what is stored now.
void BeginDetailsEdit(ItemDetailsSession& details, ItemId id) {
    ItemRecord record;
    QVERIFY(LocateItem(id, record));
    details.Show(record);
    QVERIFY(details.BeginEdit());
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
    void init() {
        SetClockForTesting([] { return Now; });
    }
    void cleanup() { ResetAllState(); }

    void failedAutomaticSaveIsTriedAgain() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId id = CreateItem("Shopping", "shop", "eggs\r\n");
        ItemTextSession page;
        QVERIFY(page.Open(id, QString()));
        QCOMPARE(page.UndoPage(), (QStringList{"Shopping", "", "eggs"}));
        QVERIFY(page.Typed());
        QVERIFY(!page.Typed()); // only the first change starts the automatic save
        const QStringList typed{"Shopping", "", "eggs", "sugar"};
        FailNextWrites(DiskFull);
        ExpectEngineFailure([&] { page.Save(typed); });
        QVERIFY(page.ChangedSinceSave());
        QVERIFY(page.ChangedSinceOpen());
        QCOMPARE(Stored(id).Text, QStringLiteral("eggs\r\n"));
        QCOMPARE(page.Save(typed), ItemTextSession::SaveOutcome::Saved);
        QCOMPARE(Stored(id).Text, QStringLiteral("eggs\r\nsugar\r\n"));
        QVERIFY(!page.ChangedSinceSave());
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
        page.Typed();
        const QStringList typed{"Note", "", "new"};
        dialogs.AnswerYes();
        FailNextWrites(DiskFull);
        ExpectEngineFailure([&] { page.CloseQuery(typed); });
        QVERIFY(page.ChangedSinceSave() && page.ChangedSinceOpen());
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
        page.Typed();
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
        page.Typed();
        dialogs.AnswerText(QStringLiteral("r3"));
        page.EditRef();
        page.Save({"Renamed", "", "two"});
        QCOMPARE(Stored(id).Name, QStringLiteral("Renamed"));
        page.Typed();
        dialogs.AnswerNo();
        dialogs.AnswerYes();
        FailNextWrites(DiskFull);
        ExpectEngineFailure([&] { page.CloseQuery({"Renamed", "", "three"}); });
        QVERIFY(page.ChangedSinceOpen());
        QCOMPARE(page.PageRef(), QStringLiteral("r3"));
        dialogs.AnswerNo();
        dialogs.AnswerYes();
        QCOMPARE(page.CloseQuery({"Renamed", "", "three"}),
                 ItemTextSession::CloseOutcome::CloseShowingUndo);
        QCOMPARE(Stored(id).Name, QStringLiteral("Item"));
        QCOMPARE(Stored(id).Tel, QStringLiteral("r2"));
        QCOMPARE(Stored(id).Text, QStringLiteral("one\r\n"));
        QCOMPARE(page.PageRef(), QStringLiteral("r2"));
    }

    // A new item exists from the start; it is kept only when something was typed into it.
    void newItemKeptOnlyWithText() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        ItemTextSession page;
        QVERIFY(page.Open(ItemId(-1), QStringLiteral("2024-05-17 ")));
        const ItemId first = page.TextItemId();
        QVERIFY(Exists(first) && page.IsNewItem());
        QCOMPARE(page.PageRef(), QStringLiteral("2024-05-17 "));
        QCOMPARE(page.CloseQuery({""}), ItemTextSession::CloseOutcome::Close);
        QVERIFY(!Exists(first));
        QCOMPARE(page.TextItemId(), ItemId(-1));

        // Typed into, then emptied again: Yes keeps nothing.
        QVERIFY(page.Open(ItemId(-1), QString()));
        const ItemId second = page.TextItemId();
        page.Typed();
        dialogs.AnswerYes();
        QCOMPARE(page.CloseQuery({"", ""}), ItemTextSession::CloseOutcome::Close);
        QVERIFY(!Exists(second));
        QVERIFY(dialogs.Infos().isEmpty());

        // At exit nothing is asked: a page with text is saved, a blank one removed.
        QVERIFY(page.Open(ItemId(-1), QString()));
        const ItemId third = page.TextItemId();
        page.Typed();
        FailNextWrites(DiskFull);
        ExpectEngineFailure([&] { page.SaveForExit({"Kept", "", "body"}); });
        QVERIFY(Exists(third) && page.ChangedSinceOpen());
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
        QVERIFY(page.Open(ItemId(-1), QString()));
        const ItemId id = page.TextItemId();
        page.Typed();
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
        QVERIFY(page.Open(ItemId(-1), QString()));
        const ItemId discarded = page.TextItemId();
        page.Typed();
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
        page.Typed();
        QCOMPARE(page.Save({"", ""}), ItemTextSession::SaveOutcome::EmptyPage);
        QCOMPARE(page.Save({"", ""}), ItemTextSession::SaveOutcome::NothingToSave);
        QCOMPARE(Stored(id).Name, QStringLiteral("Keep"));
        RemoveItemRow(id);
        page.Typed();
        QCOMPARE(page.Save({"x"}), ItemTextSession::SaveOutcome::ItemMissing);
        QVERIFY(!page.ChangedSinceSave());
        QVERIFY(!page.Open(id, QString()));
        QCOMPARE(page.TextItemId(), id); // the failed open leaves the page where it was
        QCOMPARE(dialogs.Infos(),
                 (QStringList{"Use menu option to delete the item",
                              QStringLiteral("Item #%1 not found").arg(id.Value()),
                              QStringLiteral("Item #%1 not found").arg(id.Value())}));
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
        QCOMPARE(page.PageRef(), QStringLiteral("r1"));
        dialogs.AnswerText("r2");
        QVERIFY(page.EditRef());
        QCOMPARE(page.PageRef(), QStringLiteral("r2"));
        page.Typed();
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
        QCOMPARE(page.PageRef(), QStringLiteral("r2"));

        page.Typed();
        dialogs.AnswerNo();
        QVERIFY(!page.DeleteItem());
        QCOMPARE(page.TextItemId(), id);
        dialogs.AnswerYes();
        QVERIFY(page.DeleteItem());
        QVERIFY(!Exists(id));
        QCOMPARE(page.TextItemId(), ItemId(0));
        QCOMPARE(page.CloseQuery({"typed"}), ItemTextSession::CloseOutcome::Close);
        const QString clear = QStringLiteral("OK to clear Item Text ?");
        const QString undo = QStringLiteral("Undo all changes to this Item-text - are you sure?");
        const QString remove = QStringLiteral("Delete item \"Saved\"  - OK?");
        QCOMPARE(dialogs.Questions(), (QStringList{clear, clear, undo, undo, remove, remove}));
    }

    // The page and the details window edit one item, the details window its Name and Ref, the
    // page its Text: whichever saves first, the item ends with each window's own change, and
    // nothing is asked. The other window hears of each write and shows what it did not change.
    void eachWindowWritesOnlyItsOwnChanges_data() {
        QTest::addColumn<bool>("detailsFirst");
        QTest::newRow("details saved first") << true;
        QTest::newRow("page saved first") << false;
    }
    void eachWindowWritesOnlyItsOwnChanges() {
        QFETCH(bool, detailsFirst);
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId id = CreateItem("Trip", "r1", "tickets\r\n");
        ItemTextSession page;
        QVERIFY(page.Open(id, QString()));
        ItemDetailsSession details;
        BeginDetailsEdit(details, id);
        QString detailsText = QStringLiteral("tickets\n");
        QStringList shown{"Trip", "", "tickets", "passport"};
        page.SetItemWritten([&](ItemId written) {
            if (auto shown = details.StoredItemChanged(written, "Trip to Rome", "r2", detailsText);
                shown.Text)
                detailsText = *shown.Text;
        });
        details.SetItemWritten([&](ItemId written) {
            if (auto newPage = page.StoredItemChanged(written, shown))
                shown = *newPage;
        });
        page.Typed();

        auto saveDetails = [&] {
            QCOMPARE(details.Save("Trip to Rome", "r2", detailsText),
                     ItemDetailsSession::SaveOutcome::Edited);
        };
        if (detailsFirst)
            saveDetails();
        QCOMPARE(page.Save(shown), ItemTextSession::SaveOutcome::Saved);
        QVERIFY(!page.TakeNewPage());
        if (!detailsFirst) {
            QCOMPARE(detailsText, QStringLiteral("tickets\npassport\n"));
            saveDetails();
        }
        QCOMPARE(Stored(id).Name, QStringLiteral("Trip to Rome"));
        QCOMPARE(Stored(id).Tel, QStringLiteral("r2"));
        QCOMPARE(Stored(id).Text, QStringLiteral("tickets\r\npassport\r\n"));
        // The page shows the new Name line over what was typed, and the new Ref.
        QCOMPARE(shown, (QStringList{"Trip to Rome", "", "tickets", "passport"}));
        QCOMPARE(page.PageRef(), QStringLiteral("r2"));
        QVERIFY(!page.ChangedSinceSave());
        QVERIFY(dialogs.Calls.isEmpty());
    }

    // Both windows changed the Text: the page's save asks which to keep, naming the field and
    // the item, and the version not kept goes to a rescue file, whose name is shown. Cancel
    // writes nothing and leaves the page changed.
    void conflictingTextAsksWhichToKeep_data() {
        QTest::addColumn<int>("choice");
        QTest::addColumn<QString>("storedText");
        QTest::addColumn<QString>("rescued");
        QTest::newRow("this window's") << 1 << "tickets\r\npassport\r\n"
                                       << "Text:\r\ntickets\r\nhotel\r\n";
        QTest::newRow("the saved one") << 2 << "tickets\r\nhotel"
                                       << "Text:\r\ntickets\r\npassport\r\n";
        QTest::newRow("cancel") << 0 << "tickets\r\nhotel" << QString();
    }
    void conflictingTextAsksWhichToKeep() {
        QFETCH(int, choice);
        QFETCH(QString, storedText);
        QFETCH(QString, rescued);
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId id = CreateItem("Trip", "r1", "tickets\r\n");
        ItemTextSession page;
        QVERIFY(page.Open(id, QString()));
        page.Typed();
        ItemDetailsSession details;
        BeginDetailsEdit(details, id);
        details.Save("Trip", "r2", "tickets\nhotel");

        const QStringList typed{"Trip", "", "tickets", "passport"};
        dialogs.AnswerChoice(choice);
        QCOMPARE(page.Save(typed), choice == 0 ? ItemTextSession::SaveOutcome::Cancelled
                                               : ItemTextSession::SaveOutcome::Saved);
        QCOMPARE(Stored(id).Text, storedText);
        QCOMPARE(Stored(id).Tel, QStringLiteral("r2")); // never changed on the page
        // Cancelled, the save took nothing from the store either.
        QCOMPARE(page.PageRef(), choice == 0 ? QStringLiteral("r1") : QStringLiteral("r2"));
        QCOMPARE(dialogs.Calls.first().kind, QStringLiteral("choose"));
        QCOMPARE(dialogs.Calls.first().text,
                 QStringLiteral("The Text of item \"Trip\" was saved in another window after "
                                "this window read it.\nWhich Text do you want to keep?"));
        QCOMPARE(dialogs.Calls.first().extra,
                 (QStringList{"This window's Text", "The saved Text"}));
        QCOMPARE(RescueText(id), rescued);
        if (choice == 0) {
            QVERIFY(RescueFiles().isEmpty());
            QVERIFY(dialogs.Infos().isEmpty());
            QVERIFY(page.ChangedSinceSave());
            return;
        }
        QCOMPARE(dialogs.Infos().size(), 1);
        QVERIFY(dialogs.Infos().first().endsWith(
            QDir::toNativeSeparators(QDir(DataFolder()).filePath(RescueFileName(id)))));
        QVERIFY(!page.ChangedSinceSave());
        if (choice == 2)
            QCOMPARE(page.TakeNewPage().value_or(QStringList()),
                     (QStringList{"Trip", "", "tickets", "hotel"}));
        // Settled: the next save of the page asks nothing.
        page.Typed();
        QCOMPARE(page.Save({"Trip", "", "final"}), ItemTextSession::SaveOutcome::Saved);
        QCOMPARE(Stored(id).Text, QStringLiteral("final\r\n"));
        QCOMPARE(dialogs.Calls.size(), 2);
    }

    // The automatic save asks nothing: a field saved elsewhere that the page changed too is
    // left unsaved with the page still changed, the others are written; the user's own save
    // then asks about that field alone.
    void automaticSaveLeavesConflictsToTheUser() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId id = CreateItem("Trip", "r1", "tickets\r\n");
        ItemTextSession page;
        QVERIFY(page.Open(id, QString()));
        page.Typed();
        WriteItemFields(id, ItemFieldEdits{{}, {}, QStringLiteral("visa\r\n")});
        const QStringList typed{"Trip to Rome", "", "passport"};
        QCOMPARE(page.Save(typed, ConflictRule::LeaveUnsaved),
                 ItemTextSession::SaveOutcome::PartlySaved);
        QCOMPARE(Stored(id).Name, QStringLiteral("Trip to Rome"));
        QCOMPARE(Stored(id).Text, QStringLiteral("visa\r\n"));
        QVERIFY(page.ChangedSinceSave());
        QVERIFY(!page.TakeNewPage());
        QVERIFY(dialogs.Calls.isEmpty());
        QVERIFY(RescueFiles().isEmpty());

        dialogs.AnswerChoice(1);
        QCOMPARE(page.Save(typed), ItemTextSession::SaveOutcome::Saved);
        QCOMPARE(Stored(id).Text, QStringLiteral("passport\r\n"));
        QCOMPARE(dialogs.Calls.first().extra,
                 (QStringList{"This window's Text", "The saved Text"}));
        QCOMPARE(RescueText(id), QStringLiteral("Text:\r\nvisa\r\n"));
    }

    // A save from another window shows on the page: all of it while nothing is typed (and
    // "Undo changes" comes back to it), only what the page did not change once it is.
    void anotherWindowsSaveShowsOnThePage() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId id = CreateItem("Trip", "r1", "tickets\r\n");
        const ItemId other = CreateItem("Other", QString(), QString());
        ItemTextSession page;
        QVERIFY(page.Open(id, QString()));
        const QStringList opened{"Trip", "", "tickets"};
        WriteItemFields(id, QStringLiteral("Trip to Rome"), QStringLiteral("r2"),
                        QStringLiteral("visa\r\n"));
        QVERIFY(!page.StoredItemChanged(other, opened));
        const QStringList stored{"Trip to Rome", "", "visa"};
        QCOMPARE(page.StoredItemChanged(id, opened), std::optional(stored));
        QCOMPARE(page.PageRef(), QStringLiteral("r2"));
        QCOMPARE(page.UndoPage(), stored);

        page.Typed();
        dialogs.AnswerText(QStringLiteral("own ref"));
        QVERIFY(page.EditRef());
        const QStringList typed{"Trip to Rome", "", "visa", "hotel"};
        WriteItemFields(id, QStringLiteral("Rome"), QStringLiteral("r3"),
                        QStringLiteral("visa\r\ncash\r\n"));
        QCOMPARE(page.StoredItemChanged(id, typed),
                 std::optional(QStringList{"Rome", "", "visa", "hotel"}));
        QCOMPARE(page.PageRef(), QStringLiteral("own ref"));
        QCOMPARE(page.UndoPage(), stored);
        // The Name was taken; the typed Text and the edited Ref are asked about together.
        dialogs.AnswerChoice(2);
        QCOMPARE(page.Save({"Rome", "", "visa", "hotel"}), ItemTextSession::SaveOutcome::Saved);
        QCOMPARE(dialogs.Calls.last().kind, QStringLiteral("info"));
        QCOMPARE(dialogs.Texts("choose").first().left(40),
                 QStringLiteral("The Ref and Text of item \"Rome\" were sav"));
        QCOMPARE(RescueText(id), QStringLiteral("Ref: own ref\r\nText:\r\nvisa\r\nhotel\r\n"));
        QCOMPARE(page.PageRef(), QStringLiteral("r3"));
        QCOMPARE(page.TakeNewPage(), std::optional(QStringList{"Rome", "", "visa", "cash"}));
        QCOMPARE(Stored(id).Name, QStringLiteral("Rome"));
    }

    // Discarding puts back what this page wrote, but not over what another window saved since.
    void discardLeavesLaterSavesFromElsewhere() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId id = CreateItem("Trip", "r1", "tickets\r\n");
        ItemTextSession page;
        QVERIFY(page.Open(id, QString()));
        page.Typed();
        page.Save({"Trip to Rome", "", "passport"});
        WriteItemFields(id, ItemFieldEdits{{}, QStringLiteral("r2"), QStringLiteral("visa\r\n")});
        page.Typed();
        dialogs.AnswerNo();
        dialogs.AnswerYes();
        QCOMPARE(page.CloseQuery({"Trip to Rome", "", "passport", "more"}),
                 ItemTextSession::CloseOutcome::CloseShowingUndo);
        QCOMPARE(Stored(id).Name, QStringLiteral("Trip"));
        QCOMPARE(Stored(id).Tel, QStringLiteral("r2"));
        QCOMPARE(Stored(id).Text, QStringLiteral("visa\r\n"));
        QCOMPARE(page.PageRef(), QStringLiteral("r2"));
    }

    // At the end of the program nothing is asked: the stored version stays, the page's goes to
    // a rescue file, named in a message unless the shutdown cannot wait.
    void exitKeepsTheStoredVersion_data() {
        QTest::addColumn<ConflictRule>("rule");
        QTest::addColumn<int>("messages");
        QTest::newRow("exit") << ConflictRule::KeepStored << 1;
        QTest::newRow("shutdown") << ConflictRule::KeepStoredQuietly << 0;
    }
    void exitKeepsTheStoredVersion() {
        QFETCH(ConflictRule, rule);
        QFETCH(int, messages);
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId id = CreateItem("Trip", "r1", "tickets\r\n");
        ItemTextSession page;
        QVERIFY(page.Open(id, QString()));
        page.Typed();
        WriteItemFields(id, ItemFieldEdits{QStringLiteral("Rome"), {}, {}});
        page.SaveForExit({"Trip to Paris", "", "passport"}, rule);
        QCOMPARE(Stored(id).Name, QStringLiteral("Rome"));
        QCOMPARE(Stored(id).Text, QStringLiteral("passport\r\n"));
        QCOMPARE(RescueText(id), QStringLiteral("Name: Trip to Paris\r\n"));
        QCOMPARE(dialogs.Infos().size(), messages);
        QVERIFY(dialogs.Texts("choose").isEmpty());
    }
    // Every way the page can meet the end of the program, decided without a window: an untouched
    // new item goes, anything typed is saved; a save the store refuses keeps the window (and the
    // program) open with the page still changed, and the next try saves it; a shutdown that
    // cannot wait keeps the page in a rescue file, asks and shows nothing, and leaves nothing to
    // save. Once the window may go, a later close has nothing to ask.
    void exitPaths_data() {
        QTest::addColumn<bool>("newItem");
        QTest::addColumn<bool>("typed");
        QTest::addColumn<bool>("refused");
        QTest::addColumn<bool>("forced");
        QTest::addColumn<ItemTextSession::CloseOutcome>("outcome");
        QTest::addColumn<bool>("saved");   // the typed page is in the store
        QTest::addColumn<bool>("kept");    // the item is in the store
        QTest::addColumn<bool>("rescued"); // the typed page is in a rescue file
        using O = ItemTextSession::CloseOutcome;
        QTest::newRow("existing, typed")
            << false << true << false << false << O::Close << true << true << false;
        QTest::newRow("existing, refused")
            << false << true << true << false << O::Stay << false << true << false;
        QTest::newRow("existing, refused at shutdown")
            << false << true << true << true << O::Close << false << true << true;
        QTest::newRow("new, untouched")
            << true << false << false << false << O::Close << false << false << false;
        QTest::newRow("new, typed")
            << true << true << false << false << O::Close << true << true << false;
        QTest::newRow("new, refused")
            << true << true << true << false << O::Stay << false << true << false;
        QTest::newRow("new, refused at shutdown")
            << true << true << true << true << O::Close << false << true << true;
    }
    void exitPaths() {
        QFETCH(bool, newItem);
        QFETCH(bool, typed);
        QFETCH(bool, refused);
        QFETCH(bool, forced);
        QFETCH(ItemTextSession::CloseOutcome, outcome);
        QFETCH(bool, saved);
        QFETCH(bool, kept);
        QFETCH(bool, rescued);
        TestFolder folder;
        ScriptedDialogs dialogs;
        ItemTextSession page;
        QVERIFY(
            page.Open(newItem ? ItemId(-1) : CreateItem("Letter", QString(), "Dear Sir\r\n"), {}));
        const ItemId id = page.TextItemId();
        const QStringList lines =
            typed ? QStringList{"Letter", "", "Dear Sir, thank you"} : page.UndoPage();
        if (typed)
            page.Typed();
        if (refused)
            FailNextWrites(DiskFull);

        QCOMPARE(page.CloseForExit(lines, forced), outcome);
        QCOMPARE(Exists(id), kept);
        QCOMPARE(kept && Stored(id).Text == QStringLiteral("Dear Sir, thank you\r\n"), saved);
        QCOMPARE(RescueText(id),
                 rescued ? QStringLiteral("Letter\r\n\r\nDear Sir, thank you\r\n") : QString());
        QCOMPARE(dialogs.Infos(), refused && !forced ? QStringList{DiskFull} : QStringList());
        QVERIFY(dialogs.Texts("ask").isEmpty() && dialogs.Texts("choose").isEmpty());
        if (outcome == ItemTextSession::CloseOutcome::Stay) {
            // What was typed is still to save: the user's next try stores it.
            QVERIFY(page.ChangedSinceSave() && page.ChangedSinceOpen());
            QCOMPARE(page.CloseForExit(lines, forced), ItemTextSession::CloseOutcome::Close);
            QCOMPARE(Stored(id).Text, QStringLiteral("Dear Sir, thank you\r\n"));
            QVERIFY(!page.IsNewItem());
            return;
        }
        QVERIFY(!page.ChangedSinceSave() && !page.ChangedSinceOpen());
        QCOMPARE(page.CloseQuery(lines), ItemTextSession::CloseOutcome::Close);
        QVERIFY(dialogs.Questions().isEmpty());
        // A saved new item is the user's now; only a new one that holds nothing stored goes.
        QCOMPARE(Exists(id), saved || !newItem);
    }

    // What the user answers on closing decides: Cancel keeps the window, and so does No until
    // the discard is confirmed; neither writes anything.
    void closeAnswers_data() {
        QTest::addColumn<QString>("answers");
        QTest::addColumn<ItemTextSession::CloseOutcome>("outcome");
        QTest::newRow("Cancel") << "C" << ItemTextSession::CloseOutcome::Stay;
        QTest::newRow("No, not sure") << "NN" << ItemTextSession::CloseOutcome::Stay;
        QTest::newRow("No, sure") << "NY" << ItemTextSession::CloseOutcome::CloseShowingUndo;
    }
    void closeAnswers() {
        QFETCH(QString, answers);
        QFETCH(ItemTextSession::CloseOutcome, outcome);
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId id = CreateItem("Note", QString(), "old\r\n");
        ItemTextSession page;
        QVERIFY(page.Open(id, QString()));
        page.Typed();
        for (const QChar answer : answers) {
            if (answer == QLatin1Char('Y'))
                dialogs.AnswerYes();
            else if (answer == QLatin1Char('N'))
                dialogs.AnswerNo();
            else
                dialogs.AnswerCancel();
        }
        QCOMPARE(page.CloseQuery({"Note", "", "new"}), outcome);
        QCOMPARE(dialogs.PendingAnswers(), 0);
        QCOMPARE(Stored(id).Text, QStringLiteral("old\r\n"));
        QCOMPARE(page.ChangedSinceOpen(), outcome == ItemTextSession::CloseOutcome::Stay);
    }
};

QTEST_GUILESS_MAIN(TestItemTextSession)
#include "TestItemTextSession.moc"
