#include "itemwin/TFidets.h"
#include "listwin/TFAddsBk.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFolder.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include <initializer_list>
#include <memory>

namespace {
QString Name(const QWidget* w) {
    return w ? w->objectName() : QStringLiteral("(none)");
}

// The focus chain as the keyboard walks it: Tab from first until the focus comes back to where
// it started. A text box that takes Tab as input ends the walk.
QStringList TabChain(QWidget* window, QWidget* first) {
    QApplication::setActiveWindow(window);
    if (!QTest::qWaitForWindowActive(window))
        return {QStringLiteral("(window not active)")};
    first->setFocus(Qt::TabFocusReason);
    QWidget* start = QApplication::focusWidget();
    QStringList chain{Name(start)};
    for (int step = 0; step < 40; ++step) {
        QWidget* before = QApplication::focusWidget();
        QTest::keyClick(before, Qt::Key_Tab);
        QWidget* now = QApplication::focusWidget();
        if (now == start)
            break;
        if (now == before) {
            chain << QStringLiteral("(Tab typed into %1)").arg(Name(now));
            break;
        }
        chain << Name(now);
    }
    return chain;
}

// The widgets of a window in reading order that the user can reach now.
QStringList Reachable(std::initializer_list<QWidget*> readingOrder) {
    QStringList names;
    for (QWidget* w : readingOrder)
        if (w->isVisible() && w->isEnabled())
            names << Name(w);
    return names;
}
} // namespace

// Tab walks the windows in reading order, and nothing a user needs is left out of the round.
class TestKeyboardAccess : public QObject {
    Q_OBJECT
    std::unique_ptr<ScriptedDialogs> dialogs;

private slots:
    void init() { dialogs = std::make_unique<ScriptedDialogs>(); }
    void cleanup() {
        dialogs.reset();
        ResetAllState();
    }

    // The list window: the heading's choices and the item text button (where shown), the
    // list, then the status line from the left, and round again.
    void listWindowTabOrder() {
        TestFolder folder;
        TFAddsBk w;
        w.show();
        const QStringList expected = Reachable({w.PrimaryRdio, w.SpeedButton1, w.DBGrid1, w.Edit1,
                                                w.ClearBtn, w.SpeedButton2, w.SpeedButton3});
        QVERIFY(expected.size() >= 5);
        QCOMPARE(TabChain(&w, w.window()->findChild<QWidget*>(expected.first())).join(' '),
                 expected.join(' '));
    }

    // The details window while browsing: the fields, then the commands left to right; the
    // ones that only apply while editing are skipped, and the invisible close button ends
    // the round. Insert and Edit are one stop, as a group of radio buttons is: the arrow keys
    // move between them.
    void detailsTabOrderBrowsing() {
        TestFolder folder;
        TFidets w;
        w.show();
        QCOMPARE(TabChain(&w, w.DBEdit1).join(' '),
                 QStringLiteral("DBEdit1 DBEdit2 DBMemo1 InsBtn Button4 DeleteBtn Button1"));
        w.InsBtn->setFocus();
        QTest::keyClick(w.InsBtn, Qt::Key_Right);
        QCOMPARE(Name(QApplication::focusWidget()), QStringLiteral("EditBtn"));
    }

    // While editing, Tab in the Text is a tab character; Shift+Tab leaves it backwards, and
    // backwards from the Name the round reaches Save and Cancel.
    void detailsTabOrderEditing() {
        TestFolder folder;
        TFidets w;
        w.show();
        w.SetEditing(true);
        QCOMPARE(TabChain(&w, w.DBEdit1),
                 (QStringList{"DBEdit1", "DBEdit2", "DBMemo1", "(Tab typed into DBMemo1)"}));
        w.DBMemo1->setFocus();
        QTest::keyClick(w.DBMemo1, Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(Name(QApplication::focusWidget()), QStringLiteral("DBEdit2"));
        QTest::keyClick(w.DBEdit2, Qt::Key_Backtab, Qt::ShiftModifier);
        QTest::keyClick(w.DBEdit1, Qt::Key_Backtab, Qt::ShiftModifier);
        QStringList back;
        for (int i = 0; i < 3; ++i) {
            back << Name(QApplication::focusWidget());
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        }
        QCOMPARE(back, (QStringList{"Button1", "CancelBtn", "CommitBtn"}));
    }
};

QTEST_MAIN(TestKeyboardAccess)
#include "TestKeyboardAccess.moc"
