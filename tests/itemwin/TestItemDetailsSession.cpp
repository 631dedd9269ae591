#include "itemwin/ItemDetailsSession.h"

#include "common/Clock.h"
#include "common/Folders.h"
#include "store/Database.h"
#include "store/ItemFields.h"
#include "support/ItemFixture.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFolder.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace {
const QString DiskFull = QStringLiteral("database or disk is full");
const QDateTime Begun(QDate(2024, 5, 17), QTime(9, 5));
QDateTime ClockTime = Begun;

ItemRecord Stored(ItemId id) {
    ItemRecord r;
    LocateItem(id, r);
    return r;
}

// What the rescue files in the data folder hold, one after another.
QString RescueTexts() {
    QString texts;
    const QDir data(DataFolder());
    for (const QString& name : data.entryList({QStringLiteral("unsaved item*.txt")})) {
        QFile file(data.filePath(name));
        if (file.open(QIODevice::ReadOnly))
            texts += QString::fromUtf8(file.readAll());
    }
    return texts;
}

int ItemsNamed(const QString& name) {
    return Scalar(QStringLiteral("SELECT COUNT(*) FROM phonebk WHERE name = ?"), {name}).toInt();
}

// The session showing item id, as the window loads it.
void ShowItem(ItemDetailsSession& details, ItemId id) {
    ItemRecord record;
    QVERIFY(ItemDetailsSession::Find(id, record));
    details.Show(record);
}
} // namespace

// The details window's rules, driven without a window: where a new item goes and when it
// dates from, which fields an edit writes, and what Cancel asks.
class TestItemDetailsSession : public QObject {
    Q_OBJECT
private slots:
    void init() {
        ClockTime = Begun;
        SetClockForTesting([] { return ClockTime; });
    }
    void cleanup() { ResetAllState(); }

    // The new-item form links its item under the parent it was given; an Insert while browsing,
    // even after such a form, makes a top-level item. Both date from the Insert.
    void insertGoesUnderTheFormsParentOnly() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId parent = CreateItem("P", QString());
        ItemDetailsSession details;
        details.StartNewItem(parent);
        QCOMPARE(details.BeginInsert(), QString());
        QVERIFY(details.IsEditing());
        QCOMPARE(details.IdText(), QStringLiteral("New item"));
        QCOMPARE(details.CreatedText(), QString());
        ClockTime = Begun.addSecs(600);
        QCOMPARE(details.Save("Child", "c", "a\nb"), ItemDetailsSession::SaveOutcome::Inserted);
        QVERIFY(!details.IsEditing());
        const ItemId child = details.DetailsId();
        QCOMPARE(Stored(child).Parent, parent);
        QCOMPARE(Stored(child).Text, QStringLiteral("a\r\nb"));
        QCOMPARE(Stored(child).CreatedTS, Begun);
        QCOMPARE(details.DetailsParent(), parent);
        QCOMPARE(details.IdText(), QStringLiteral("id = %1").arg(child.Value()));
        QCOMPARE(details.CreatedText(), QStringLiteral("Created 2024-05-17 09:05 "));
        QCOMPARE(details.EndNewItem(), child);
        QCOMPARE(details.NewParentId(), ItemId(0));

        ShowItem(details, child);
        details.BeginInsert();
        QCOMPARE(details.Save("Loose", QString(), QString()),
                 ItemDetailsSession::SaveOutcome::Inserted);
        QCOMPARE(Stored(details.DetailsId()).Parent, ItemId(0));
        QCOMPARE(Stored(parent).Numchildren, 1);
        QVERIFY(dialogs.Calls.isEmpty());
    }

    // A preset Ref (the diary's date) goes into the next new item only; a save the engine
    // refuses leaves the insert under way, and the next Save makes exactly one item.
    void presetRefAndRefusedInsert() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        ItemDetailsSession details;
        details.StartDiaryEntry(MakeDate(2024, 5, 17));
        QCOMPARE(details.BeginInsert(), QStringLiteral("2024-05-17 (Fri)"));
        QVERIFY(details.PresetRef().isEmpty());
        FailNextWrites(DiskFull);
        QVERIFY_THROWS_EXCEPTION(DbError, details.Save("Dentist", "2024-05-17 (Fri)", "9:30"));
        QVERIFY(details.IsEditing());
        QCOMPARE(details.DetailsId(), ItemId(0));
        QCOMPARE(details.Save("Dentist", "2024-05-17 (Fri)", "9:30"),
                 ItemDetailsSession::SaveOutcome::Inserted);
        QCOMPARE(Stored(details.DetailsId()).Tel, QStringLiteral("2024-05-17 (Fri)"));
        QCOMPARE(details.Save("again", QString(), QString()),
                 ItemDetailsSession::SaveOutcome::NothingToSave);
        details.BeginInsert();
        details.Cancel();
        QCOMPARE(details.BeginInsert(), QString());
    }

    // An edit starts from the item as stored at that moment and writes back only the fields
    // that differ from it: the Text shown with LF breaks is the stored CR LF text unchanged.
    void editWritesOnlyWhatDiffers() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId id = CreateItem("X", "ref", "one\r\ntwo");
        ItemDetailsSession details;
        ShowItem(details, id);
        WriteItemFields(id, ItemFieldEdits{{}, QStringLiteral("saved elsewhere"), {}});
        QVERIFY(details.BeginEdit());
        QCOMPARE(details.Table1().Tel, QStringLiteral("saved elsewhere"));
        // Saved elsewhere again while the edit is open: the Ref and Text the user left alone
        // stay as saved there.
        WriteItemFields(id, ItemFieldEdits{{}, QStringLiteral("third"), QStringLiteral("new\r\n")});
        QCOMPARE(details.Save("X renamed", "saved elsewhere", "one\ntwo"),
                 ItemDetailsSession::SaveOutcome::Edited);
        QCOMPARE(Stored(id).Name, QStringLiteral("X renamed"));
        QCOMPARE(Stored(id).Tel, QStringLiteral("third"));
        QCOMPARE(Stored(id).Text, QStringLiteral("new\r\n"));
        QCOMPARE(details.Table1().Name, QStringLiteral("X renamed"));

        // The item removed during the edit: reported, and the edit stays under way.
        details.BeginEdit();
        RemoveItemRow(id);
        QCOMPARE(details.Save("Y", "r", "t"), ItemDetailsSession::SaveOutcome::ItemMissing);
        QVERIFY(details.IsEditing());
        QCOMPARE(dialogs.Infos(),
                 QStringList{QStringLiteral("Item #%1 not found").arg(id.Value())});
    }

    // Cancel asks only after a change; the answer No keeps the change under way. The new-item
    // form closes once cancelled, and never lists its parent's links.
    void cancelAndTheAncestryLine() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId id = CreateItem("X", QString());
        ItemDetailsSession details;
        ShowItem(details, id);
        QVERIFY(details.ListsParentLinks(true));
        QVERIFY(!details.ListsParentLinks(false));
        details.BeginEdit();
        details.EditingStarted();
        QVERIFY(details.Cancel());
        QVERIFY(!details.IsEditing());
        QVERIFY(!details.ClosesAfterCancel());
        QVERIFY(dialogs.Calls.isEmpty());

        details.BeginInsert();
        QVERIFY(!details.ListsParentLinks(true));
        details.FieldsChanged();
        dialogs.AnswerNo();
        QVERIFY(!details.Cancel());
        QVERIFY(details.IsEditing());
        dialogs.AnswerYes();
        QVERIFY(details.Cancel());
        QVERIFY(details.ListsParentLinks(true));
        QCOMPARE(dialogs.Questions(),
                 (QStringList{"OK to cancel insert/edit?", "OK to cancel insert/edit?"}));

        details.StartNewItem(id);
        QVERIFY(!details.ListsParentLinks(true));
        details.BeginInsert();
        details.EditingStarted();
        QVERIFY(details.Cancel());
        QVERIFY(details.ClosesAfterCancel());
        QCOMPARE(details.EndNewItem(), ItemId(0));
    }

    // Only real items are found; the place labels follow the record shown.
    void findAndPlace() {
        TestFolder folder;
        ItemRecord record;
        QVERIFY(!ItemDetailsSession::Find(ItemId(0), record));
        QVERIFY(!ItemDetailsSession::Find(ItemId(-1), record));
        QVERIFY(!ItemDetailsSession::Find(ItemId(4242), record));
        ItemDetailsSession details;
        record.Id = record.Parent = ItemId(7);
        record.Rank = ItemId(7);
        details.Show(record);
        QVERIFY(details.SelfLinked());
        QVERIFY(details.Hidden());
        QCOMPARE(details.HiddenText(), QStringLiteral("Item hidden by #7"));
        record.Parent = ItemId(3);
        record.Rank = ItemId(0);
        details.Show(record);
        QVERIFY(!details.SelfLinked());
        QVERIFY(!details.Hidden());
        QCOMPARE(details.DetailsParent(), ItemId(3));
        QCOMPARE(details.DetailsMode(), ItemDetailsSession::Mode::ShowItem);
    }

    // When the rescue file cannot be written, an asked save is cancelled with a message; at the
    // end of the program this window's version is written, as the latest typing.
    void rescueFileRefused() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId id = CreateItem("X", "ref", "first\r\n");
        // No data folder to write to.
        SetProgramFolder(folder.Path() + QStringLiteral("gone/"));
        ItemDetailsSession details;
        ShowItem(details, id);
        details.BeginEdit();
        WriteItemFields(id, ItemFieldEdits{{}, QStringLiteral("saved"), {}});
        dialogs.AnswerChoice(1);
        QCOMPARE(details.Save("X", "mine", "first\n"), ItemDetailsSession::SaveOutcome::Cancelled);
        QVERIFY(details.IsEditing());
        QCOMPARE(Stored(id).Tel, QStringLiteral("saved"));
        QCOMPARE(dialogs.Infos(), QStringList{"The Ref not kept could not be written to a file "
                                              "in the data folder, so nothing was saved."});
        QCOMPARE(details.Save("X", "mine", "first\n", ConflictRule::KeepStored),
                 ItemDetailsSession::SaveOutcome::Edited);
        QCOMPARE(Stored(id).Tel, QStringLiteral("mine"));
        QCOMPARE(dialogs.Infos().size(), 1);
    }

    // Another window's save shows here: during an edit only in the fields the edit left alone,
    // which its save then leaves as saved; a cancelled edit shows the item as stored.
    void anotherWindowsSaveShowsHere() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId id = CreateItem("X", "ref", "one\r\n");
        ItemDetailsSession details;
        ShowItem(details, id);
        QVERIFY(details.BeginEdit());
        WriteItemFields(id, ItemFieldEdits{{}, QStringLiteral("r2"), QStringLiteral("two\r\n")});
        const ItemFieldEdits shown = details.StoredItemChanged(id, "X typed", "ref", "one\n");
        QVERIFY(!shown.Name);
        QCOMPARE(shown.Tel, std::optional<QString>("r2"));
        QCOMPARE(shown.Text, std::optional<QString>("two\n"));
        QCOMPARE(details.Save("X typed", "r2", "two\n"), ItemDetailsSession::SaveOutcome::Edited);
        QCOMPARE(Stored(id).Name, QStringLiteral("X typed"));
        QCOMPARE(Stored(id).Text, QStringLiteral("two\r\n"));

        details.BeginEdit();
        WriteItemFields(id, ItemFieldEdits{QStringLiteral("Z"), {}, {}});
        QVERIFY(details.Cancel());
        QCOMPARE(details.Table1().Name, QStringLiteral("Z"));
        QVERIFY(dialogs.Calls.isEmpty());
    }
    // Closing the window (close box, Esc, Close) lets go of a change under way, asking first
    // once the fields changed; the answer No keeps the window. While browsing it just closes.
    void closingCancelsTheChange() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId id = CreateItem("Plan", QString());
        ItemDetailsSession details;
        ShowItem(details, id);
        QCOMPARE(details.CloseQuery(), ItemDetailsSession::CloseOutcome::Close);
        details.BeginEdit();
        details.EditingStarted();
        QCOMPARE(details.CloseQuery(), ItemDetailsSession::CloseOutcome::Dropped);
        QVERIFY(dialogs.Calls.isEmpty());

        details.BeginEdit();
        details.EditingStarted();
        details.FieldsChanged();
        dialogs.AnswerNo();
        QCOMPARE(details.CloseQuery(), ItemDetailsSession::CloseOutcome::Stay);
        QVERIFY(details.IsEditing());
        dialogs.AnswerYes();
        QCOMPARE(details.CloseQuery(), ItemDetailsSession::CloseOutcome::Dropped);
        QVERIFY(!details.IsEditing());

        // Once an edit has ended the fields count as changed until another item is shown: a
        // cancel (Esc in the Text) still asks.
        details.BeginEdit();
        details.EditingStarted();
        QCOMPARE(details.Save("Plan", QString(), QString()),
                 ItemDetailsSession::SaveOutcome::Edited);
        details.EditingEnded();
        dialogs.AnswerNo();
        QVERIFY(!details.Cancel());
        ShowItem(details, id);
        QVERIFY(details.Cancel());
        QCOMPARE(dialogs.Questions().size(), 3);
    }

    // Every way the window can meet the end of the program, decided without a window: nothing
    // is asked; a change is saved, and what the store refuses keeps the window with what was
    // typed, or at a shutdown that cannot wait goes to a rescue file while the change is let go.
    // An untouched insert or edit is let go without writing anything.
    void exitPaths_data() {
        QTest::addColumn<QString>("change"); // "": browsing; "edit", "insert", or the new-item form
        QTest::addColumn<bool>("typed");
        QTest::addColumn<QString>("failure"); // "refused" by the engine, or the item "gone"
        QTest::addColumn<bool>("forced");
        QTest::addColumn<ItemDetailsSession::CloseOutcome>("outcome");
        QTest::addColumn<bool>("saved"); // the typed item is in the store
        QTest::addColumn<bool>("rescued");
        QTest::addColumn<QStringList>("infos");
        using O = ItemDetailsSession::CloseOutcome;
        const QStringList none;
        const QStringList refused{DiskFull};
        QTest::newRow("browsing") << "" << false << "" << false << O::Close << false << false
                                  << none;
        QTest::newRow("edit, untouched")
            << "edit" << false << "" << false << O::Dropped << false << false << none;
        QTest::newRow("edit") << "edit" << true << "" << false << O::Edited << true << false
                              << none;
        QTest::newRow("edit, refused")
            << "edit" << true << "refused" << false << O::Stay << false << false << refused;
        QTest::newRow("edit, refused at shutdown")
            << "edit" << true << "refused" << true << O::Dropped << false << true << none;
        QTest::newRow("edit, item gone") << "edit" << true << "gone" << false << O::Stay << false
                                         << false << QStringList{"Item #%1 not found"};
        QTest::newRow("edit, item gone at shutdown")
            << "edit" << true << "gone" << true << O::Dropped << false << false
            << QStringList{"Item #%1 not found"};
        QTest::newRow("insert, untouched")
            << "insert" << false << "" << false << O::Dropped << false << false << none;
        QTest::newRow("insert") << "insert" << true << "" << false << O::Inserted << true << false
                                << none;
        QTest::newRow("insert, refused at shutdown")
            << "insert" << true << "refused" << true << O::Dropped << false << true << none;
        QTest::newRow("new-item form")
            << "form" << true << "" << false << O::Inserted << true << false << none;
    }
    void exitPaths() {
        QFETCH(QString, change);
        QFETCH(bool, typed);
        QFETCH(QString, failure);
        QFETCH(bool, forced);
        QFETCH(ItemDetailsSession::CloseOutcome, outcome);
        QFETCH(bool, saved);
        QFETCH(bool, rescued);
        QFETCH(QStringList, infos);
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId parent = CreateItem("Projects", QString());
        const ItemId id = CreateItem("Plan", "r", "step 1\r\n");
        ItemDetailsSession details;
        if (change == QLatin1String("form"))
            details.StartNewItem(parent);
        else
            ShowItem(details, id);
        if (change == QLatin1String("edit"))
            details.BeginEdit();
        else if (!change.isEmpty())
            details.BeginInsert();
        details.EditingStarted();
        if (typed)
            details.FieldsChanged();
        if (failure == QLatin1String("refused"))
            FailNextWrites(DiskFull);
        else if (failure == QLatin1String("gone"))
            RemoveItemRow(id);

        QCOMPARE(details.CloseForExit("Plan B", "r", "step 1\nstep 2", forced), outcome);
        QCOMPARE(ItemsNamed("Plan B"), saved ? 1 : 0);
        QCOMPARE(RescueTexts(),
                 rescued ? QStringLiteral("Plan B\r\nr\r\n\r\nstep 1\r\nstep 2\r\n") : QString());
        for (QString& info : infos)
            info = info.arg(id.Value());
        QCOMPARE(dialogs.Infos(), infos);
        QVERIFY(dialogs.Questions().isEmpty() && dialogs.Texts("choose").isEmpty());
        QCOMPARE(details.IsEditing(), outcome == ItemDetailsSession::CloseOutcome::Stay);
    }
};

QTEST_GUILESS_MAIN(TestItemDetailsSession)
#include "TestItemDetailsSession.moc"
