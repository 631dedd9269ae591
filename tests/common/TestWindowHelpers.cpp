#include "common/Busy.h"
#include "common/CommonState.h"
#include "common/Dialogs.h"
#include "common/WindowHelpers.h"
#include "support/ModalDriver.h"
#include "support/TestFolder.h"

#include <QApplication>
#include <QButtonGroup>
#include <QKeyEvent>
#include <QCursor>
#include <QDialog>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScreen>
#include <QTest>

// The window helpers on real widgets: placement at the pointer, modal state, quiet changes
// and the busy cursor.
class TestWindowHelpers : public QObject {
    Q_OBJECT

    static QRect screenArea() { return QGuiApplication::primaryScreen()->availableGeometry(); }

private slots:
    void cleanup() {
        CloseModalLeftovers();
        ResetAllState();
        while (QGuiApplication::overrideCursor())
            QGuiApplication::restoreOverrideCursor();
    }

    void placeAtCursor() {
        QWidget window;
        window.resize(200, 100);
        QCursor::setPos(50, 60);
        PlaceAtCursor(&window);
        QCOMPARE(window.pos(), QPoint(51, 61));

        const QRect area = screenArea();
        QCursor::setPos(area.right(), area.bottom());
        ShowAtCursor(&window);
        QVERIFY(window.isVisible());
        QVERIFY(area.contains(window.frameGeometry()));
        QCOMPARE(window.frameGeometry().bottomRight(), area.bottomRight());
    }

    void shownModalOnlyWhileRunningModally() {
        QDialog dialog;
        bool duringExec = false;
        WhenModal([&](QWidget*) {
            duringExec = IsShownModal(&dialog);
            dialog.accept();
        });
        dialog.exec();
        QVERIFY(duringExec);
        QVERIFY(!IsShownModal(&dialog));
        dialog.show(); // modeless
        QVERIFY(!IsShownModal(&dialog));
    }

    void radioCheckedQuietly() {
        QWidget parent;
        QRadioButton a("a", &parent), b("b", &parent);
        QButtonGroup group;
        group.addButton(&a);
        group.addButton(&b);
        a.setChecked(true);
        QList<bool> byCode; // what b's handler learns each time b goes on
        connect(&b, &QRadioButton::toggled, this, [&](bool on) {
            if (on)
                byCode << TakeProgrammaticChange();
        });
        CheckRadioQuietly(&b);
        QVERIFY(b.isChecked());
        CheckRadioQuietly(&b); // already on: nothing raised
        QVERIFY(!Common().ProgrammaticChange);
        a.setChecked(true);
        b.click(); // the user
        QCOMPARE(byCode, QList<bool>({true, false}));
    }

    void editClearedQuietly() {
        QLineEdit edit;
        QList<bool> byCode;
        connect(&edit, &QLineEdit::textChanged, this, [&] { byCode << TakeProgrammaticChange(); });
        edit.setText("abc");
        ClearEditQuietly(&edit);
        QCOMPARE(edit.text(), QString());
        QCOMPARE(byCode, QList<bool>({false, true}));
        // An empty box raises nothing, so the user's next change is not taken for the code's.
        ClearEditQuietly(&edit);
        QVERIFY(!Common().ProgrammaticChange);

        QPlainTextEdit memo("text");
        ClearEditQuietly(&memo);
        QVERIFY(memo.toPlainText().isEmpty());
        QVERIFY(TakeProgrammaticChange());
    }

    void editEnabledColours() {
        QLineEdit edit;
        SetEditEnabled(&edit, false);
        QVERIFY(!edit.isEnabled());
        QCOMPARE(edit.palette().color(QPalette::Disabled, QPalette::Base),
                 edit.palette().color(QPalette::Button));
        SetEditEnabled(&edit, true);
        QVERIFY(edit.isEnabled());
        QCOMPARE(edit.palette().color(QPalette::Active, QPalette::Base), QColor(Qt::white));
    }

    // The hourglass is set by the first level and taken away only by the last; a cursor set
    // by someone else before survives.
    void busyCursorNests() {
        QGuiApplication::setOverrideCursor(Qt::IBeamCursor);
        InstallBusyCursor();
        BeginBusy();
        QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        BeginBusy();
        EndBusy();
        QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        EndBusy();
        QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::IBeamCursor);
        EndBusy(); // unbalanced
        QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::IBeamCursor);
        QCOMPARE(BusyDepth(), 0);
    }

    // A limited edit box counts characters as a reader does (an emoji is one) and keeps whole
    // ones only: what does not fit is left out, whether typed, inserted or set.
    void editWidthKeepsWholeCharacters() {
        const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80");
        QLineEdit edit;
        LimitToWidth(&edit, 80);
        edit.setText(emoji.repeated(50));
        QCOMPARE(edit.text(), emoji.repeated(50));
        edit.setText(QString(79, QLatin1Char('a')));
        edit.end(false);
        QKeyEvent typed(QEvent::KeyPress, 0, Qt::NoModifier, emoji);
        QApplication::sendEvent(&edit, &typed);
        QCOMPARE(edit.text(), QString(79, QLatin1Char('a')) + emoji);
        QApplication::sendEvent(&edit, &typed);
        QCOMPARE(edit.text(), QString(79, QLatin1Char('a')) + emoji);
        edit.setText(QString(78, QLatin1Char('a')));
        edit.end(false);
        edit.insert(QStringLiteral("b") + emoji + QStringLiteral("c"));
        QCOMPARE(edit.text(), QString(78, QLatin1Char('a')) + QStringLiteral("b") + emoji);
        edit.setText(emoji.repeated(81));
        QCOMPARE(edit.text(), emoji.repeated(80));
        QCOMPARE(edit.cursorPosition(), 160);
    }
};

QTEST_MAIN(TestWindowHelpers)
#include "TestWindowHelpers.moc"
