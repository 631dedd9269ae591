#include "store/CommandGuard.h"
#include "itemwin/ItemWindows.h"
#include "itemwin/TFIdets2.h"
#include "itemwin/TFidets.h"

#include "common/Clock.h"
#include "common/Folders.h"
#include "store/Database.h"
#include "store/ItemFields.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFolder.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>

namespace {
const QString DiskFull = QStringLiteral("database or disk is full");
const QChar NoBreakSpace(0x00A0);

ItemRecord Stored(ItemId id) {
    ItemRecord r;
    LocateItem(id, r);
    return r;
}

TFIdets2* page() {
    return TFIdets2::Instance();
}

TFidets* details() {
    return TFidets::Instance();
}

void TypeAtEnd(QPlainTextEdit* memo, const QString& text) {
    memo->moveCursor(QTextCursor::End);
    QTest::keyClicks(memo, text);
}
// A new line at the end, typed.
void TypeLineAtEnd(QPlainTextEdit* memo, const QString& text) {
    memo->moveCursor(QTextCursor::End);
    QTest::keyClick(memo, Qt::Key_Return);
    QTest::keyClicks(memo, text);
}
// What the file of this name in the data folder holds; empty when there is none.
QString DataFileText(const QString& name) {
    QFile file(QDir(DataFolder()).filePath(name));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

// Runs WhileAsking before the chooser answers, as the event loop runs while a real question is
// on screen.
class EventsWhileAsking : public ScriptedDialogs {
public:
    std::function<void()> WhileAsking;
    int ChooseOption(const QString& message, const QString& option1,
                     const QString& option2) override {
        if (WhileAsking)
            WhileAsking();
        return ScriptedDialogs::ChooseOption(message, option1, option2);
    }
};
} // namespace

// What the item windows do with typing when a write fails, and what their saves write over.
class TestItemWindowSaves : public QObject {
    Q_OBJECT
private slots:
    void init() { ResetAllState(); }
    void cleanup() { ResetAllState(); }

    // The automatic save, "Save changes?" Yes and a move to another item each meet a failing
    // engine: the error is shown, the page stays with its typing, and the next try stores it.
    void textWindowKeepsTypingWhenSavesFail() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId id = CreateItem("Shopping", QString(), "eggs\r\n");
        const ItemId other = CreateItem("Other", QString(), QString());
        QVERIFY(OpenItemText(id));
        TypeAtEnd(page()->Memo1, " and sugar");

        FailNextWrites(DiskFull);
        QVERIFY(!RunCommand([] { page()->Timer1Timer(); }));
        QCOMPARE(dialogs.Infos(), QStringList{DiskFull});
        QVERIFY(page()->Session.ChangedSinceSave());
        QVERIFY(page()->Timer1->isActive()); // the next tick tries again
        QCOMPARE(Stored(id).Text, QStringLiteral("eggs\r\n"));

        FailNextWrites(DiskFull);
        QVERIFY(!RunCommand([other] { OpenItemText(other); }));
        QCOMPARE(page()->Session.TextItemId(), id);
        QCOMPARE(page()->PageLines().last(), QStringLiteral("eggs and sugar"));

        dialogs.AnswerYes();
        FailNextWrites(DiskFull);
        QVERIFY(!page()->close());
        QVERIFY(page()->isVisible());
        QVERIFY(page()->Session.ChangedSinceSave() && page()->Session.ChangedSinceOpen());
        QCOMPARE(dialogs.Infos(), (QStringList{DiskFull, DiskFull, DiskFull}));

        dialogs.AnswerYes();
        QVERIFY(page()->close());
        QCOMPARE(Stored(id).Text, QStringLiteral("eggs and sugar\r\n"));
    }

    // At exit a refused save keeps the window, and the program, open; a shutdown that cannot
    // wait keeps the page in a file in the data folder.
    void exitWithARefusedSave() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId id = CreateItem("Letter", QString(), "Dear Sir\r\n");
        QVERIFY(OpenItemText(id));
        TypeAtEnd(page()->Memo1, ", thank you");
        FailNextWrites(DiskFull);
        QVERIFY(!CloseItemWindowsForExit());
        QVERIFY(page()->isVisible());
        QCOMPARE(dialogs.Infos(), QStringList{DiskFull});

        FailNextWrites(DiskFull);
        QVERIFY(CloseItemWindowsForExit(true));
        QVERIFY(!page()->isVisible());
        const QStringList kept = QDir(DataFolder()).entryList({"unsaved item*.txt"});
        QCOMPARE(kept.size(), 1);
        QFile file(QDir(DataFolder()).filePath(kept.first()));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(file.readAll()),
                 QStringLiteral("Letter\r\n\r\nDear Sir, thank you\r\n"));
        QCOMPARE(dialogs.Infos(), QStringList{DiskFull}); // nothing shown while shutting down
        QCOMPARE(Stored(id).Text, QStringLiteral("Dear Sir\r\n"));
    }

    // Text saved from the text window while the details window shows the same item survives a
    // later edit there, and the edit writes only what was changed in it.
    void detailsEditStartsFromTheStoredItem() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId id = CreateItem("X", "ref", "flour\r\n");
        QVERIFY(ShowItemDetails(id));
        QVERIFY(OpenItemText(id));
        page()->Memo1->setPlainText(QStringLiteral("X renamed\n\nflour\nsugar"));
        page()->SaveItemText();
        QTest::mouseClick(details()->EditBtn, Qt::LeftButton);
        QCOMPARE(details()->DBEdit1->text(), QStringLiteral("X renamed"));
        details()->DBEdit2->setText(QStringLiteral("new ref"));
        QTest::mouseClick(details()->CommitBtn, Qt::LeftButton);
        QCOMPARE(Stored(id).Name, QStringLiteral("X renamed"));
        QCOMPARE(Stored(id).Tel, QStringLiteral("new ref"));
        QCOMPARE(Stored(id).Text, QStringLiteral("flour\r\nsugar\r\n"));

        // Saved elsewhere while the edit is open: the untouched fields are not written back.
        QTest::mouseClick(details()->EditBtn, Qt::LeftButton);
        details()->DBEdit1->setText(QStringLiteral("X again"));
        WriteItemFields(id, ItemFieldEdits{{}, {}, QStringLiteral("butter\r\n")});
        QTest::mouseClick(details()->CommitBtn, Qt::LeftButton);
        QCOMPARE(Stored(id).Name, QStringLiteral("X again"));
        QCOMPARE(Stored(id).Text, QStringLiteral("butter\r\n"));
        QVERIFY(dialogs.Calls.isEmpty());
    }

    // A details edit refused at exit stays open with what was typed; forced, it is kept in a
    // file.
    void detailsExitWithARefusedSave() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId id = CreateItem("Plan", QString(), QString());
        QVERIFY(ShowItemDetails(id));
        QTest::mouseClick(details()->EditBtn, Qt::LeftButton);
        details()->DBEdit1->setText(QStringLiteral("Plan B"));
        FailNextWrites(DiskFull);
        QVERIFY(!CloseItemWindowsForExit());
        QVERIFY(details()->isVisible() && details()->IsEditing());
        QCOMPARE(details()->DBEdit1->text(), QStringLiteral("Plan B"));
        QTest::mouseClick(details()->CommitBtn, Qt::LeftButton);
        QCOMPARE(Stored(id).Name, QStringLiteral("Plan B"));

        QTest::mouseClick(details()->EditBtn, Qt::LeftButton);
        details()->DBEdit1->setText(QStringLiteral("Plan C"));
        FailNextWrites(DiskFull);
        QVERIFY(CloseItemWindowsForExit(true));
        QVERIFY(!details()->isVisible());
        QCOMPARE(QDir(DataFolder()).entryList({"unsaved item*.txt"}).size(), 1);
        QCOMPARE(dialogs.Infos(), QStringList{DiskFull});
    }

    // Both windows store every character the user did not touch, no-break spaces included.
    void savesKeepNoBreakSpaces() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const QString amount = QStringLiteral("10") + NoBreakSpace + QStringLiteral("000 EUR");
        const ItemId id = CreateItem("Price", QString(), amount + QStringLiteral("\r\n"));
        QVERIFY(OpenItemText(id));
        TypeAtEnd(page()->Memo1, "!");
        page()->SaveItemText();
        QCOMPARE(Stored(id).Text, amount + QStringLiteral("!\r\n"));
        dialogs.AnswerYes();
        QVERIFY(page()->close());

        QVERIFY(ShowItemDetails(id));
        QTest::mouseClick(details()->EditBtn, Qt::LeftButton);
        details()->DBMemo1->moveCursor(QTextCursor::Start);
        QTest::keyClicks(details()->DBMemo1, "~");
        QTest::mouseClick(details()->CommitBtn, Qt::LeftButton);
        QCOMPARE(Stored(id).Text, QStringLiteral("~") + amount + QStringLiteral("!\r\n"));
        QCOMPARE(dialogs.Questions(), QStringList{"Save changes?"});
    }

    // The text window and the details window on one item, each saving its own change: the
    // details window the Ref, the text window a line of Text. In either order the item ends
    // with both, nothing is asked, and each window shows the other's save at once.
    void bothWindowsOnOneItem_data() {
        QTest::addColumn<bool>("detailsFirst");
        QTest::newRow("details saved first") << true;
        QTest::newRow("text saved first") << false;
    }
    void bothWindowsOnOneItem() {
        QFETCH(bool, detailsFirst);
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId id = CreateItem("Trip", "r1", "tickets\r\n");
        QVERIFY(OpenItemText(id));
        QVERIFY(ShowItemDetails(id));
        QTest::mouseClick(details()->EditBtn, Qt::LeftButton);
        details()->DBEdit2->setText(QStringLiteral("r2"));
        TypeLineAtEnd(page()->Memo1, "passport");
        if (detailsFirst) {
            QTest::mouseClick(details()->CommitBtn, Qt::LeftButton);
            QCOMPARE(page()->Label1->text().trimmed(), QStringLiteral("r2"));
            dialogs.AnswerYes();
            QVERIFY(page()->close());
        } else {
            page()->SaveItemText();
            QVERIFY(!page()->Session.ChangedSinceSave());
            QCOMPARE(details()->DBMemo1->toPlainText(), QStringLiteral("tickets\npassport\n"));
            QTest::mouseClick(details()->CommitBtn, Qt::LeftButton);
        }
        QVERIFY(!details()->IsEditing());
        QCOMPARE(Stored(id).Name, QStringLiteral("Trip"));
        QCOMPARE(Stored(id).Tel, QStringLiteral("r2"));
        QCOMPARE(Stored(id).Text, QStringLiteral("tickets\r\npassport\r\n"));
        QCOMPARE(dialogs.Texts("choose"), QStringList());
    }

    // Both windows changed the Text. The text window's automatic save asks nothing and leaves
    // the page changed; its close asks which Text to keep. The details window's save asks the
    // same when the text window saved first, and shows the Text kept.
    void bothWindowsChangeTheText() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const QDateTime now(QDate(2024, 5, 17), QTime(9, 5));
        SetClockForTesting([now] { return now; });
        const auto restoreClock = qScopeGuard([] { SetClockForTesting({}); });
        const ItemId id = CreateItem("Trip", "r1", "tickets\r\n");
        QVERIFY(OpenItemText(id));
        QVERIFY(ShowItemDetails(id));
        QTest::mouseClick(details()->EditBtn, Qt::LeftButton);
        details()->DBMemo1->setPlainText(QStringLiteral("visa"));
        TypeLineAtEnd(page()->Memo1, "passport");
        QTest::mouseClick(details()->CommitBtn, Qt::LeftButton);
        QCOMPARE(page()->PageLines(), (QStringList{"Trip", "", "tickets", "passport"}));

        page()->Timer1Timer();
        QVERIFY(dialogs.Calls.isEmpty());
        QVERIFY(page()->Session.ChangedSinceSave());
        QCOMPARE(Stored(id).Text, QStringLiteral("visa"));
        dialogs.AnswerYes();
        dialogs.AnswerChoice(1); // this window's
        QVERIFY(page()->close());
        QCOMPARE(Stored(id).Text, QStringLiteral("tickets\r\npassport\r\n"));
        const QString first =
            QStringLiteral("unsaved item %1 2024-05-17 090500.txt").arg(id.Value());
        QCOMPARE(DataFileText(first), QStringLiteral("Text:\r\nvisa\r\n"));
        QCOMPARE(details()->DBMemo1->toPlainText(), QStringLiteral("tickets\npassport\n"));

        // Now the text window first; the details window keeps the saved Text.
        QVERIFY(OpenItemText(id));
        QTest::mouseClick(details()->EditBtn, Qt::LeftButton);
        details()->DBMemo1->setPlainText(QStringLiteral("cash"));
        TypeLineAtEnd(page()->Memo1, "hotel");
        page()->SaveItemText();
        QVERIFY(!page()->Session.ChangedSinceSave());
        QCOMPARE(details()->DBMemo1->toPlainText(), QStringLiteral("cash"));
        dialogs.AnswerChoice(2); // the saved one
        QTest::mouseClick(details()->CommitBtn, Qt::LeftButton);
        QVERIFY(!details()->IsEditing());
        QCOMPARE(Stored(id).Text, QStringLiteral("tickets\r\npassport\r\nhotel\r\n"));
        QCOMPARE(details()->DBMemo1->toPlainText(), QStringLiteral("tickets\npassport\nhotel\n"));
        // Kept in a file of its own, next to the first one of the same second.
        QCOMPARE(DataFileText(
                     QStringLiteral("unsaved item %1 2024-05-17 090500 (2).txt").arg(id.Value())),
                 QStringLiteral("Text:\r\ncash\r\n"));
        QCOMPARE(DataFileText(first), QStringLiteral("Text:\r\nvisa\r\n"));
        QCOMPARE(dialogs.Texts("choose").size(), 2);
        QCOMPARE(dialogs.Infos().size(), 2);
    }

    // While the details window asks which Text to keep, the text window's automatic save
    // writes nothing: the answer would be written over it unseen. Its typing stays on the page,
    // still changed.
    void automaticSaveWaitsForAQuestion() {
        TestFolder folder;
        EventsWhileAsking dialogs;
        const ItemId id = CreateItem("Trip", "r1", "tickets\r\n");
        QVERIFY(OpenItemText(id));
        QVERIFY(ShowItemDetails(id));
        QTest::mouseClick(details()->EditBtn, Qt::LeftButton);
        details()->DBMemo1->setPlainText(QStringLiteral("visa"));
        TypeLineAtEnd(page()->Memo1, "passport");
        page()->SaveItemText();
        TypeLineAtEnd(page()->Memo1, "hotel");
        int ticks = 0;
        connect(page()->Timer1, &QTimer::timeout, this, [&ticks] { ++ticks; });
        QString storedWhileAsking;
        dialogs.WhileAsking = [&] {
            const int interval = page()->Timer1->interval();
            page()->Timer1->start(0);
            QTRY_VERIFY(ticks > 0);
            page()->Timer1->setInterval(interval);
            storedWhileAsking = Stored(id).Text;
        };
        dialogs.AnswerChoice(1);
        QTest::mouseClick(details()->CommitBtn, Qt::LeftButton);
        QCOMPARE(storedWhileAsking, QStringLiteral("tickets\r\npassport\r\n"));
        QCOMPARE(Stored(id).Text, QStringLiteral("visa"));
        QVERIFY(page()->Session.ChangedSinceSave());
        QCOMPARE(page()->PageLines(), (QStringList{"Trip", "", "tickets", "passport", "hotel"}));
    }
};

QTEST_MAIN(TestItemWindowSaves)
#include "TestItemWindowSaves.moc"
