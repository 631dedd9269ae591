#include "itemwin/ItemWindows.h"
#include "itemwin/MemoRows.h"
#include "itemwin/TFIdets2.h"

#include "common/Clock.h"
#include "common/Settings.h"
#include "store/CommandGuard.h"
#include "store/Database.h"
#include "support/ModalDriver.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFolder.h"

#include <QAction>
#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QSqlQuery>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {
const QDateTime Now(QDate(2024, 5, 17), QTime(9, 5));
const QString Stamp = QStringLiteral("2024-05-17 (Fri) 09:05 ");

int ItemCount() {
    QSqlQuery q(PhoneDB());
    q.exec(QStringLiteral("SELECT COUNT(*) FROM phonebk"));
    q.next();
    return q.value(0).toInt();
}

ItemRecord Stored(ItemId id) {
    ItemRecord r;
    LocateItem(id, r);
    return r;
}

// Types text at the end of the page, a line break as the Return key.
void TypeAtEnd(QPlainTextEdit* memo, const QString& text) {
    memo->moveCursor(QTextCursor::End);
    const QStringList parts = text.split(QLatin1Char('\n'));
    for (int i = 0; i < parts.size(); ++i) {
        if (i > 0)
            QTest::keyClick(memo, Qt::Key_Return);
        QTest::keyClicks(memo, parts[i]);
    }
}
} // namespace

class TestItemText : public QObject {
    Q_OBJECT
private slots:
    void init() {
        ResetAllState();
        SetClockForTesting([] { return Now; });
    }

    void cleanup() { ResetAllState(); }

    void pageRoundTrip() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId id = CreateItem("Shopping", "shop", "eggs\r\nmilk\r\n");
        QVERIFY(OpenItemText(id));
        QVERIFY(w()->isVisible());
        QCOMPARE(w()->PageLines(), (QStringList{"Shopping", "", "eggs", "milk"}));
        QVERIFY(!w()->Session.ChangedSinceOpen());
        QVERIFY(!w()->Undochanges1->isEnabled());
        // A change and its undoing still count as a change; the save writes the page back.
        TypeAtEnd(w()->Memo1, "x");
        QTest::keyClick(w()->Memo1, Qt::Key_Backspace);
        QVERIFY(w()->Session.ChangedSinceSave() && w()->Undochanges1->isEnabled());
        w()->Timer1Timer();
        QCOMPARE(Stored(id).Name, QStringLiteral("Shopping"));
        QCOMPARE(Stored(id).Text, QStringLiteral("eggs\r\nmilk\r\n"));
        QCOMPARE(Stored(id).Tel, QStringLiteral("shop"));
        QVERIFY(!w()->Session.ChangedSinceSave());
        QVERIFY(w()->Session.ChangedSinceOpen());
        QVERIFY(dialogs.Calls.isEmpty());
        // Opening an id that is no item saves the page on show first; the page stays.
        TypeAtEnd(w()->Memo1, " more");
        QVERIFY(!OpenItemText(ItemId(4242)));
        QCOMPARE(dialogs.Infos(), QStringList{"Item #4242 not found"});
        QCOMPARE(Stored(id).Text, QStringLiteral("eggs\r\nmilk more\r\n"));
        QCOMPARE(w()->Session.TextItemId(), id);
    }

    // The page is saved through the item's fields: a long first line is cut to the name's width;
    // an empty page is not saved at all.
    void pageSaveRules() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId id = CreateItem("Old", "", "old text");
        QVERIFY(OpenItemText(id));
        w()->Memo1->setPlainText(QString(100, 'n') + "\n\nbody");
        w()->SaveItemText();
        QCOMPARE(Stored(id).Name, QString(80, 'n'));
        QCOMPARE(Stored(id).Text, QStringLiteral("body\r\n"));
        w()->Memo1->setPlainText("Keep\n\nme");
        w()->SaveItemText();
        w()->Memo1->setPlainText("\n\n");
        w()->Timer1Timer();
        w()->Timer1Timer();
        QCOMPARE(dialogs.Infos(), QStringList{"Use menu option to delete the item"});
        QCOMPARE(Stored(id).Name, QStringLiteral("Keep"));
        QCOMPARE(Stored(id).Text, QStringLiteral("me\r\n"));
    }

    // Ctrl+S in the page saves it at once, without waiting for the automatic save.
    void ctrlSSavesThePage() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId id = CreateItem("Old", "", "old text");
        QVERIFY(OpenItemText(id));
        QVERIFY(QTest::qWaitForWindowActive(w()));
        QTest::keyClick(w()->Memo1, Qt::Key_End, Qt::ControlModifier);
        QTest::keyClicks(w()->Memo1, " and more");
        QCOMPARE(Stored(id).Text, QStringLiteral("old text"));
        QTest::keyClick(w()->Memo1, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(Stored(id).Text, QStringLiteral("old text and more\r\n"));
        QVERIFY(!w()->Session.ChangedSinceSave());
        QVERIFY(dialogs.Calls.isEmpty());
    }

    // While the database takes no writes, the automatic save says so once and then waits for
    // the user's own save or close; the page keeps what was typed.
    void autoSaveWhileWritesAreRefused() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId id = CreateItem("Old", "", "old text");
        QVERIFY(OpenItemText(id));
        RefuseWrites(WriteRefusal::ReadOnlyFile);
        w()->Memo1->setPlainText("New\n\ntyped");
        QVERIFY(w()->Timer1->isActive());
        QVERIFY(!RunCommand([this] { w()->Timer1Timer(); }));
        QCOMPARE(dialogs.Infos(), QStringList{WriteRefusalMessage()});
        QVERIFY(!w()->Timer1->isActive());
        w()->Memo1->setPlainText("New\n\ntyped on");
        QVERIFY(!w()->Timer1->isActive());
        QVERIFY(!RunCommand([this] { w()->SaveItemText(); }));
        QCOMPARE(dialogs.Infos().size(), 1);
        QCOMPARE(dialogs.Flashes(), QStringList{RefusedWriteMessage()});
        QCOMPARE(w()->PageLines().last(), QStringLiteral("typed on"));
        QCOMPARE(Stored(id).Name, QStringLiteral("Old"));
    }

    // The save comes a fixed time after the first change following a save: typing on does not
    // postpone it. Each timer tick here stands for the interval running out between keystrokes.
    void autoSaveWhileTypingGoesOn() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId id = CreateItem("Diary note", "", QString());
        QVERIFY(OpenItemText(id));
        QCOMPARE(w()->Timer1->interval(), 30000);
        QVERIFY(!w()->Timer1->isActive());
        // Timed to the millisecond, so that the time left can be compared.
        w()->Timer1->setTimerType(Qt::PreciseTimer);
        w()->Memo1->moveCursor(QTextCursor::End);
        QTest::keyClick(w()->Memo1, Qt::Key_A);
        QVERIFY(w()->Timer1->isActive());
        // Keystrokes after the first leave the running period alone: once some of it has gone,
        // another keystroke does not give it back.
        const int full = w()->Timer1->remainingTime();
        QTRY_VERIFY(w()->Timer1->remainingTime() < full - 20);
        const int left = w()->Timer1->remainingTime();
        QTest::keyClick(w()->Memo1, Qt::Key_B);
        QVERIFY(w()->Timer1->remainingTime() <= left);
        w()->Timer1Timer();
        QCOMPARE(Stored(id).Text, QStringLiteral("ab\r\n"));
        // Typing goes on: every period that runs out saves what is on the page by then.
        QTest::keyClick(w()->Memo1, Qt::Key_C);
        QTest::keyClick(w()->Memo1, Qt::Key_D);
        QVERIFY(w()->Timer1->isActive());
        w()->Timer1Timer();
        QCOMPARE(Stored(id).Text, QStringLiteral("abcd\r\n"));
        QTest::keyClick(w()->Memo1, Qt::Key_E);
        w()->Timer1Timer();
        QCOMPARE(Stored(id).Text, QStringLiteral("abcde\r\n"));
        QCOMPARE(Stored(id).Name, QStringLiteral("Diary note"));
        QVERIFY(dialogs.Calls.isEmpty());
    }

    void discardAfterAutoSaveRestoresOpenedItem_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::newRow("named") << QString("Shopping") << QString("eggs\r\nmilk");
        QTest::newRow("no name") << QString() << QString("eggs\r\nmilk\r\n");
        QTest::newRow("empty") << QString() << QString();
    }
    void discardAfterAutoSaveRestoresOpenedItem() {
        QFETCH(QString, name);
        QFETCH(QString, text);
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId id = CreateItem(name, "R1", text);
        QVERIFY(OpenItemText(id));
        dialogs.AnswerText("R2");
        w()->ItemReference1Click();
        w()->Memo1->setPlainText("Changed\n\nall of it");
        w()->Timer1Timer();
        QCOMPARE(Stored(id).Name, QStringLiteral("Changed"));
        QCOMPARE(Stored(id).Tel, QStringLiteral("R2"));
        dialogs.AnswerNo();
        dialogs.AnswerYes();
        QVERIFY(w()->close());
        QCOMPARE(dialogs.Questions(),
                 (QStringList{"Save changes?", "Discard changes - are you sure?"}));
        QCOMPARE(Stored(id).Name, name);
        QCOMPARE(Stored(id).Text, text);
        QCOMPARE(Stored(id).Tel, QStringLiteral("R1"));
        QVERIFY(dialogs.Infos().isEmpty());
    }

    void saveChangesCancelKeepsWindowOpen() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId id = CreateItem("Shopping", "", "eggs");
        QVERIFY(OpenItemText(id));
        TypeAtEnd(w()->Memo1, "!");
        dialogs.AnswerCancel();
        QVERIFY(!w()->close());
        dialogs.AnswerNo();
        dialogs.AnswerNo(); // declines the discard
        QVERIFY(!w()->close());
        QVERIFY(w()->isVisible());
        QCOMPARE(w()->PageLines().last(), QStringLiteral("eggs!"));
        dialogs.AnswerYes();
        QVERIFY(w()->close());
        QCOMPARE(Stored(id).Text, QStringLiteral("eggs!\r\n"));
    }

    // A new text item in its modal window: closed untouched it is not kept, deleted from the
    // window it is gone, typed and saved it is kept with the time as its ref.
    void newItemClosedDeletedOrKept() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const int before = ItemCount();
        QString badge;
        bool badgeShown = false;
        bool modal = false;
        WhenModal([&](QWidget*) {
            modal = w()->isModal();
            badge = w()->Label1->text();
            badgeShown = w()->Panel7->isVisible();
            QTest::keyClick(w()->Memo1, Qt::Key_Escape);
        });
        ItemId id;
        QVERIFY(!NewItemText(-2, id));
        QCOMPARE(id, ItemId(-1));
        QVERIFY(modal);
        QVERIFY(badgeShown);
        QCOMPARE(badge, "  " + Stamp + "  ");
        QCOMPARE(ItemCount(), before);
        QVERIFY(dialogs.Calls.isEmpty());

        WhenModal([&](QWidget*) {
            QTest::keyClicks(w()->Memo1, "oops");
            dialogs.AnswerYes();
            w()->DeleteItem1->trigger();
        });
        id = ItemId(-5);
        QVERIFY(!NewItemText(-1, id));
        QCOMPARE(id, ItemId(0));
        QCOMPARE(ItemCount(), before);
        QCOMPARE(dialogs.Questions(), QStringList{"Delete item \"\"  - OK?"});

        dialogs.ClearCalls();
        WhenModal([&](QWidget*) {
            QTest::keyClicks(w()->Memo1, "Call the plumber");
            dialogs.AnswerYes();
            w()->Exit2->trigger();
        });
        QVERIFY(NewItemText(-2, id));
        QVERIFY(id > ItemId(1));
        const ItemRecord saved = Stored(id);
        QCOMPARE(saved.Name, QStringLiteral("Call the plumber"));
        QCOMPARE(saved.Tel, Stamp.left(40));
        QCOMPARE(saved.Parent, ItemId(0));
        QCOMPARE(saved.CreatedTS, Now);
        QCOMPARE(dialogs.Questions(), QStringList{"Save changes?"});
    }

    // Undo keeps an edited ref; Clear asks (not on an empty page) and leaves the stored name.
    void undoAndClear() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId empty = CreateItem("", "", QString());
        QVERIFY(OpenItemText(empty));
        w()->Clear1->trigger();
        QVERIFY(dialogs.Calls.isEmpty());
        QVERIFY(!w()->Session.ChangedSinceOpen());

        const ItemId id = CreateItem("Shopping", "old ref", "eggs\r\n");
        QVERIFY(OpenItemText(id));
        dialogs.AnswerText("new ref");
        w()->ItemReference1->trigger();
        QCOMPARE(w()->Label1->text(), QStringLiteral("  new ref  "));
        TypeAtEnd(w()->Memo1, "\nmilk");
        dialogs.AnswerYes();
        w()->Undochanges1->trigger();
        QCOMPARE(dialogs.Questions(),
                 QStringList{"Undo all changes to this Item-text - are you sure?"});
        QCOMPARE(w()->PageLines(), (QStringList{"Shopping", "", "eggs"}));
        QCOMPARE(w()->Session.PageRef(), QStringLiteral("new ref"));
        w()->Timer1Timer();
        QCOMPARE(Stored(id).Text, QStringLiteral("eggs\r\n"));
        QCOMPARE(Stored(id).Tel, QStringLiteral("new ref"));

        QTextCursor c = w()->Memo1->textCursor();
        c.setPosition(0);
        c.movePosition(QTextCursor::EndOfLine);
        w()->Memo1->setTextCursor(c);
        QTest::keyClicks(w()->Memo1, " list");
        QCOMPARE(w()->PageLines().first(), QStringLiteral("Shopping list"));
        dialogs.AnswerYes();
        w()->Clear1->trigger();
        QCOMPARE(dialogs.Questions().last(), QStringLiteral("OK to clear Item Text ?"));
        QCOMPARE(w()->PageLines(), (QStringList{"Shopping", ""}));
        QVERIFY(w()->Session.ChangedSinceSave());
    }

    // The page fits its widest line unwrapped; a ref shows as a badge in the top right corner.
    void widestLineAndRefBadge() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId plain = CreateItem("No ref", "", "x");
        QVERIFY(OpenItemText(plain));
        QVERIFY(!w()->Panel7->isVisible());
        const QString wide =
            QStringLiteral("The quick brown fox jumps over the lazy dog twice, at least");
        const ItemId id = CreateItem("Fox", "2024-05-17", wide + "\r\nshort\r\n\tTabbed\tline\r\n");
        // The cap on the width (two thirds of the screen) is not what this checks: at a large
        // font the widest line passes it and wraps. Give the line room, as the page measures it.
        w()->AutosizeMaxWidth = 2 * QFontMetrics(w()->Memo1->font()).horizontalAdvance(wide);
        QVERIFY(OpenItemText(id));
        QVERIFY(w()->width() >= 300 + 24);
        QCOMPARE(DisplayedRowCount(w()->Memo1), 5);
        QCOMPARE(w()->Memo1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QVERIFY(w()->Panel7->isVisible());
        QCOMPARE(w()->Label1->text(), QStringLiteral("  2024-05-17  "));
        QVERIFY(w()->Label1->font().italic());
        QCOMPARE(w()->Panel7->geometry().topRight(), QPoint(w()->width() - 1, 0));
        // A new background reaches the strip only when the badge is placed again.
        const QColor yellow = w()->PageBackground;
        w()->PageBackground = QColor(200, 230, 255);
        w()->ApplyPageColours();
        QCOMPARE(w()->Memo1->palette().color(QPalette::Base), QColor(200, 230, 255));
        QCOMPARE(w()->Panel6->palette().color(QPalette::Window), yellow);
        w()->Refresh1->trigger();
        QCOMPARE(w()->Panel6->palette().color(QPalette::Window), QColor(200, 230, 255));
    }

    void scrollBarComesAndGoesKeepingCaret() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        QStringList lines;
        for (int i = 1; i <= 40; ++i)
            lines << QStringLiteral("line %1").arg(i);
        const ItemId id = CreateItem("Long", "", lines.join("\r\n"));
        w()->AutosizeMaxHeight = 200;
        QVERIFY(OpenItemText(id));
        QCOMPARE(w()->height(), 200);
        QCOMPARE(w()->Memo1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QTextCursor c = w()->Memo1->textCursor();
        c.setPosition(5);
        w()->Memo1->setTextCursor(c);
        // Delete lines from the end until the page fits.
        QTextCursor tail(w()->Memo1->document());
        tail.movePosition(QTextCursor::End);
        tail.movePosition(QTextCursor::Up, QTextCursor::KeepAnchor, 34);
        tail.removeSelectedText();
        QCOMPARE(w()->Memo1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QCOMPARE(w()->Memo1->textCursor().position(), 5);
    }

    void wantTabsIsStored() {
        TestFolder folder;
        AppSettings().WantTabs = false;
        QVERIFY(w()->Memo1->tabChangesFocus());
        w()->Wanttabs1->trigger();
        QVERIFY(AppSettings().WantTabs);
        QVERIFY(!w()->Memo1->tabChangesFocus());
        w()->Wanttabs1->trigger();
        QVERIFY(!AppSettings().WantTabs);
    }

    // The Formatting commands: the colours and the font come from the common dialogs (Cancel
    // changes nothing), the font also goes to the notepad and resizes the page, Justify aligns
    // the page, and the two size limits are asked for and applied at once.
    void formattingCommands() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        QFont notepadFont;
        ItemHooks().PageFontChanged = [&notepadFont](const QFont& f) { notepadFont = f; };
        QStringList lines;
        for (int i = 1; i <= 30; ++i)
            lines << QStringLiteral("line %1 of the page").arg(i);
        const ItemId id = CreateItem("Format", "", lines.join("\r\n"));
        QVERIFY(OpenItemText(id));
        const QColor ink = w()->Memo1->palette().color(QPalette::Text);

        dialogs.AnswerCancelChoice();
        w()->Pen1->trigger();
        QCOMPARE(w()->Memo1->palette().color(QPalette::Text), ink);
        dialogs.AnswerColour(QColor(Qt::darkBlue).rgba());
        w()->Pen1->trigger();
        QCOMPARE(w()->Memo1->palette().color(QPalette::Text), QColor(Qt::darkBlue));
        dialogs.AnswerColour(QColor(Qt::white).rgba());
        w()->Paper1->trigger();
        QCOMPARE(w()->PageBackground, QColor(Qt::white));
        QCOMPARE(w()->Memo1->palette().color(QPalette::Base), QColor(Qt::white));
        QCOMPARE(w()->Panel6->palette().color(QPalette::Window), QColor(Qt::white));
        QCOMPARE(dialogs.Texts("colour"),
                 (QStringList{QString::number(ink.rgba()), QString::number(ink.rgba()),
                              QString::number(QColor(255, 255, 128).rgba())}));

        QFont larger = w()->Memo1->font();
        larger.setPointSize(larger.pointSize() * 2);
        const int heightBefore = w()->height();
        const int maxHeight = w()->AutosizeMaxHeight;
        w()->AutosizeMaxHeight = 100000;
        dialogs.AnswerFont(larger.toString());
        w()->Font1->trigger();
        QCOMPARE(w()->Memo1->font().pointSize(), larger.pointSize());
        QCOMPARE(notepadFont.pointSize(), larger.pointSize());
        QVERIFY(w()->height() > heightBefore);
        QVERIFY(w()->Label1->font().italic());
        QVERIFY(!w()->Session.ChangedSinceOpen()); // resizing is no change of the page
        w()->AutosizeMaxHeight = maxHeight;

        w()->Centre1->trigger();
        QCOMPARE(w()->Memo1->document()->defaultTextOption().alignment(), Qt::AlignHCenter);
        QVERIFY(w()->Centre1->isChecked() && !w()->Left1->isChecked());
        w()->Right1->trigger();
        QCOMPARE(w()->Memo1->document()->defaultTextOption().alignment(), Qt::AlignRight);

        dialogs.AnswerText("150");
        w()->maxh1->trigger();
        QCOMPARE(w()->AutosizeMaxHeight, 150);
        QCOMPARE(w()->height(), 150);
        QCOMPARE(w()->Memo1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        dialogs.AnswerText("350");
        w()->maxw1->trigger();
        QCOMPARE(w()->AutosizeMaxWidth, 350);
        QVERIFY(w()->width() <= 350 + 24 + 16 + w()->Memo1->cursorWidth() + 8);
        dialogs.AnswerCancelPrompt();
        w()->maxw1->trigger();
        QCOMPARE(w()->AutosizeMaxWidth, 350);
        w()->PopupMenu1Popup();
        QCOMPARE(w()->maxh1->text(), QString("Autosize max form client-height = 150"));
        QCOMPARE(w()->maxw1->text(), QString("Autosize max form client-width = 350"));
        QCOMPARE(dialogs.Texts("input"), (QStringList{"Autosize max form client-height (pixels)",
                                                      "Autosize max form client-width (pixels)",
                                                      "Autosize max form client-width (pixels)"}));
        QVERIFY(!w()->Session.ChangedSinceOpen());
    }

    // A drag in the page moves the window by as much as the mouse moved (the window system here
    // leaves the move to the window); the press still places the caret, and after the release
    // the mouse moves the window no more.
    void dragInThePageMovesTheWindow() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        QVERIFY(OpenItemText(CreateItem("Drag", QString(), "me about\r\n")));
        QVERIFY(QTest::qWaitForWindowExposed(w()));
        QWidget* page = w()->Memo1->viewport();
        w()->Memo1->moveCursor(QTextCursor::End);
        const QPoint start = w()->frameGeometry().topLeft();
        const QPoint pressed = page->mapToGlobal(QPoint(2, 2));
        const auto send = [page](QEvent::Type type, QPoint at, Qt::MouseButton button,
                                 Qt::MouseButtons held) {
            QMouseEvent event(type, page->mapFromGlobal(at), at, button, held, Qt::NoModifier);
            QApplication::sendEvent(page, &event);
        };
        send(QEvent::MouseButtonPress, pressed, Qt::LeftButton, Qt::LeftButton);
        QCOMPARE(w()->Memo1->textCursor().position(), 0);
        QCOMPARE(page->cursor().shape(), Qt::SizeAllCursor);
        send(QEvent::MouseMove, pressed + QPoint(40, 25), Qt::NoButton, Qt::LeftButton);
        QTRY_COMPARE(w()->frameGeometry().topLeft(), start + QPoint(40, 25));
        send(QEvent::MouseMove, pressed + QPoint(-10, 30), Qt::NoButton, Qt::LeftButton);
        QTRY_COMPARE(w()->frameGeometry().topLeft(), start + QPoint(-10, 30));
        send(QEvent::MouseButtonRelease, pressed + QPoint(-10, 30), Qt::LeftButton, Qt::NoButton);
        QCOMPARE(page->cursor().shape(), Qt::IBeamCursor);
        send(QEvent::MouseMove, pressed + QPoint(90, 90), Qt::NoButton, Qt::LeftButton);
        QCoreApplication::processEvents();
        QCOMPARE(w()->frameGeometry().topLeft(), start + QPoint(-10, 30));
        QVERIFY(dialogs.Calls.isEmpty());
    }

private:
    TFIdets2* w() { return TFIdets2::Instance(); }
};
QTEST_MAIN(TestItemText)
#include "TestItemText.moc"
