#include "common/Dialogs.h"
#include "common/Placement.h"
#include "dialogs/QtDialogBackend.h"
#include "dialogs/TFchoice.h"
#include "dialogs/TFinpstr.h"
#include "support/ModalDriver.h"
#include "support/TestFolder.h"

#include <QCursor>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <functional>

// The input prompt, the chooser and the message boxes as real windows: what they return,
// what they show and where they open.
class TestPromptDialogs : public QObject {
    Q_OBJECT

    static QRect screenArea() { return QGuiApplication::primaryScreen()->availableGeometry(); }

    // The size of the window OpenedAt saw last, without the frame: the size the window had
    // when it was placed, before the window system framed it.
    static inline QSize openedSize;

    // Runs open(), notes where its modal window appears, moves the pointer to closeAt (when
    // given) as the user would on the way to a button, and closes the window with Esc.
    static QPoint OpenedAt(const std::function<void()>& open, QPoint closeAt = QPoint(-1, -1)) {
        QPoint pos;
        openedSize = QSize();
        WhenModal([&pos, closeAt](QWidget* w) {
            pos = w->pos();
            openedSize = w->size();
            if (closeAt != QPoint(-1, -1))
                QCursor::setPos(closeAt);
            QTest::keyClick(w, Qt::Key_Escape);
        });
        open();
        return pos;
    }

private slots:
    void init() {
        ResetAllState();
        QCursor::setPos(200, 150);
    }
    void cleanup() {
        CloseModalLeftovers();
        ResetAllState();
    }

    void promptOkEscAndCancel() {
        TFinpstr prompt;
        QString text = "old name";
        QString shownText, labelText;
        bool allSelected = false, editHasFocus = false;
        WhenModal([&](QWidget*) {
            shownText = prompt.Edit1->text();
            allSelected = prompt.Edit1->selectedText() == shownText;
            labelText = prompt.Label1->text();
            editHasFocus = prompt.focusWidget() == prompt.Edit1;
            QTest::keyClicks(prompt.Edit1, "new"); // typing replaces the selection
            QTest::keyClick(prompt.Edit1, Qt::Key_Return);
        });
        QVERIFY(prompt.InputString("Fish & Chips", text));
        QCOMPARE(shownText, QString("old name"));
        QVERIFY(allSelected);
        QVERIFY(editHasFocus);
        QCOMPARE(text, QString("new"));
        // The ampersand is shown as itself: plain text, no key marker.
        QCOMPARE(labelText, QString("Fish & Chips"));
        QCOMPARE(prompt.Label1->textFormat(), Qt::PlainText);
        QVERIFY(!prompt.Label1->buddy());

        // Esc and the Cancel button keep the text; a long prompt wraps inside the window.
        for (bool escape : {true, false}) {
            WhenModal([&](QWidget*) {
                QTest::keyClicks(prompt.Edit1, "typed");
                escape ? QTest::keyClick(prompt.Edit1, Qt::Key_Escape) : prompt.Button2->click();
            });
            QVERIFY(!prompt.InputString("Enter the name of the item that the new items are to be "
                                        "linked down from",
                                        text));
            QCOMPARE(text, QString("new"));
        }
        const QRect label = prompt.Label1->geometry();
        QVERIFY(label.right() < prompt.width() - 8);
        QVERIFY(label.bottom() < prompt.Edit1->y());
        QVERIFY(prompt.Label1->height() > prompt.Label1->fontMetrics().height());
    }

    void promptPlacement() {
        TFinpstr prompt;
        QString text;
        const QRect area = screenArea();
        auto open = [&] { prompt.InputString("Name", text); };
        QCursor::setPos(30, 40);
        QCOMPARE(OpenedAt(open), QPoint(30, 40)); // corner at the pointer itself
        QCursor::setPos(area.right(), area.bottom());
        QCOMPARE(OpenedAt(open),
                 QPoint(area.right() + 1 - prompt.width(), area.bottom() + 1 - prompt.height()));
        // The mouse has not moved since a message box closed: the prompt opens where that box
        // was, and the box's close position is left as it was.
        MessageBoxAnchor().lastBoxPosition = QPoint(50, 60);
        MessageBoxAnchor().cursorAtLastClose = QPoint(70, 90);
        QCursor::setPos(70, 90);
        QCOMPARE(OpenedAt(open), QPoint(50, 60));
        QCOMPARE(MessageBoxAnchor().cursorAtLastClose, QPoint(70, 90));
    }

    // The integer prompt goes through the real window, which opens with the value.
    void inputIntegerOnTheRealPrompt() {
        QtDialogBackend backend;
        SetDialogBackend(&backend);
        QString shown;
        WhenModal([&](QWidget* w) {
            auto* prompt = qobject_cast<TFinpstr*>(w);
            if (!prompt) {
                w->close();
                return;
            }
            shown = prompt->Edit1->text();
            QTest::keyClicks(prompt->Edit1, "250"); // replaces the selected value
            prompt->Button1->click();
        });
        int value = 1000;
        QVERIFY(PromptInteger("Enter flash interval (milli-seconds)", value));
        QCOMPARE(shown, QString("1000"));
        QCOMPARE(value, 250);
    }

    void chooserResults_data() {
        QTest::addColumn<QString>("press"); // "1", "2", "cancel", "esc", "alt-d"
        QTest::addColumn<int>("result");
        QTest::newRow("first") << "1" << 1;
        QTest::newRow("second") << "2" << 2;
        QTest::newRow("cancel") << "cancel" << 0;
        QTest::newRow("esc") << "esc" << 0;
        QTest::newRow("accelerator of the first") << "alt-d" << 1;
    }
    void chooserResults() {
        QFETCH(QString, press);
        QFETCH(int, result);
        TFchoice chooser;
        QString label, first;
        WhenModal([&](QWidget*) {
            label = chooser.Label1->text();
            first = chooser.Button1->text();
            if (press == "1")
                chooser.Button1->click();
            else if (press == "2")
                chooser.Button2->click();
            else if (press == "cancel")
                chooser.Button3->click();
            else if (press == "esc")
                QTest::keyClick(&chooser, Qt::Key_Escape);
            else {
                // The accelerator presses the button after a short visible delay.
                QApplication::setActiveWindow(&chooser);
                QTest::keyClick(&chooser, Qt::Key_D, Qt::AltModifier);
            }
            // In case a key went nowhere; a result already set stays.
            QTimer::singleShot(2000, &chooser, &QWidget::close);
        });
        QCOMPARE(chooser.ChooseOption("Delete or archive \"Tom & Jerry\" ?", "&Delete", "&Archive"),
                 result);
        QCOMPARE(label, QString("Delete or archive \"Tom & Jerry\" ?"));
        QCOMPARE(first, QString("&Delete"));
        QVERIFY(!chooser.isVisible());
    }

    void chooserPlacement() {
        TFchoice chooser;
        const QRect area = screenArea();
        auto open = [&] { chooser.ChooseOption("?", "A", "B"); };
        QCursor::setPos(area.right(), area.bottom());
        QCOMPARE(OpenedAt(open, QPoint(area.right(), area.bottom())),
                 QPoint(area.right() + 1 - chooser.width(), area.bottom() + 1 - chooser.height()));
        QCursor::setPos(40, 30);
        QCOMPARE(OpenedAt(open, QPoint(120, 80)), QPoint(40, 30));
        // Not moved since it closed: the same place again, whatever the message boxes did.
        MessageBoxAnchor().cursorAtLastClose = QPoint(1, 1);
        QCOMPARE(OpenedAt(open, QPoint(120, 80)), QPoint(40, 30));
    }

    void questionBoxEscapeIsCancel() {
        QtDialogBackend backend;
        QString text, title;
        Qt::TextFormat format = Qt::AutoText;
        WhenModal([&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (box) {
                text = box->text();
                title = box->windowTitle();
                format = box->textFormat();
            }
            QTest::keyClick(w, Qt::Key_Escape);
        });
        QCOMPARE(backend.AskYesNoCancelBox("Salt & pepper ?", " Notepad"), 'C');
        QCOMPARE(text, QString("Salt & pepper ?"));
        QCOMPARE(title, QString(" Notepad"));
        QCOMPARE(format, Qt::PlainText);

        WhenModal([&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (box)
                box->button(QMessageBox::No)->click();
            else
                w->close();
        });
        QCOMPARE(backend.AskYesNoCancelBox("Again ?", "Cardolo"), 'N');
    }

    void messageBoxesShareThePlaceWhileMouseStill() {
        QtDialogBackend backend;
        auto info = [&](const char* text) {
            return [&backend, text] { backend.ShowInfoBox(text, "Cardolo"); };
        };
        // A box has its corner at the anchor, moved back when its right or bottom edge would
        // pass the screen's (a large font makes a wide box).
        auto boxAt = [](QPoint anchor) {
            const QRect area = screenArea();
            return QPoint(std::min(anchor.x(), area.right() + 1 - openedSize.width()),
                          std::min(anchor.y(), area.bottom() + 1 - openedSize.height()));
        };
        QCursor::setPos(100, 120);
        QPoint at = OpenedAt(info("one"), QPoint(150, 170));
        QCOMPARE(at, boxAt(QPoint(100, 120)));
        // Opened without moving the mouse from where the last one was answered.
        at = OpenedAt(info("two"), QPoint(150, 170));
        QCOMPARE(at, boxAt(QPoint(100, 120)));
        QCursor::setPos(300, 200);
        at = OpenedAt(info("three"), QPoint(300, 200));
        QCOMPARE(at, boxAt(QPoint(300, 200)));
        QVERIFY(at != boxAt(QPoint(100, 120))); // the new pointer, not the last box's place
        QCOMPARE(MessageBoxAnchor().cursorAtLastClose, QPoint(300, 200));
    }
};

QTEST_MAIN(TestPromptDialogs)
#include "TestPromptDialogs.moc"
