#include "calendar/TFCal.h"
#include "dialogs/TFAbout1.h"
#include "dialogs/TFFlash.h"
#include "dialogs/TFchoice.h"
#include "dialogs/TFinpstr.h"
#include "diary/Diary.h"
#include "diary/TFCal2.h"
#include "itemwin/TFClpBd2.h"
#include "itemwin/TFIdets2.h"
#include "itemwin/TFidets.h"
#include "listwin/TFAddsBk.h"
#include "listwin/TFFind.h"
#include "notepad/TFnotepad.h"
#include "print/TFPtAdds.h"
#include "print/TFPtg.h"
#include "repair/Tfrepair.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFolder.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTableWidget>
#include <QToolButton>
#include <QTest>

#include <functional>
#include <memory>

Q_DECLARE_METATYPE(std::function<QWidget*()>)

namespace {
using WindowFactory = std::function<QWidget*()>;

QString Describe(const QWidget* w) {
    return QStringLiteral("%1 %2 (%3)")
        .arg(w->window()->objectName(), w->objectName(), w->metaObject()->className());
}

QString AccessibleText(QWidget* w, QAccessible::Text which) {
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
    return iface ? iface->text(which) : QString();
}

// The widget a screen reader announces when w takes the focus: a widget that is the focus
// proxy of its parent (a spin box's line edit) speaks for the parent.
QWidget* Announced(QWidget* w) {
    QWidget* parent = w->parentWidget();
    return parent && !parent->isWindow() && parent->focusProxy() == w ? parent : w;
}

// Every widget of window that can take the focus, the window's own dialogs (the list window's
// search) included.
QList<QWidget*> FocusableWidgets(QWidget* window) {
    QList<QWidget*> found;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (w->focusPolicy() != Qt::NoFocus && !w->focusProxy())
            found << w;
    }
    return found;
}
} // namespace

// What a screen reader hears in every window: a name for each control the keyboard can reach,
// a description for each that shows a hint, and the names the windows' fields are known by.
class TestAccessibleNames : public QObject {
    Q_OBJECT
    std::unique_ptr<ScriptedDialogs> dialogs;

private slots:
    void init() { dialogs = std::make_unique<ScriptedDialogs>(); }
    void cleanup() {
        dialogs.reset();
        ResetAllState();
    }

    void everyFocusableWidgetIsNamed_data() {
        QTest::addColumn<WindowFactory>("make");
        QTest::newRow("list window") << WindowFactory([] { return new TFAddsBk; });
        QTest::newRow("search") << WindowFactory([] { return new TFFind; });
        QTest::newRow("details") << WindowFactory([] { return new TFidets; });
        QTest::newRow("item text") << WindowFactory([] { return new TFIdets2; });
        QTest::newRow("clipboard export") << WindowFactory([] { return new TFClpBd2; });
        // The diary as the program opens it, showing a month.
        QTest::newRow("diary") << WindowFactory([] {
            ShowDiary();
            return TFCal2::Existing();
        });
        QTest::newRow("calendar") << WindowFactory([] { return new TFCal; });
        QTest::newRow("notepad") << WindowFactory([] { return new TFnotepad; });
        QTest::newRow("print options") << WindowFactory([] { return new TFPtg; });
        QTest::newRow("print list") << WindowFactory([] { return new TFPtAdds; });
        QTest::newRow("health check") << WindowFactory([] { return new Tfrepair; });
        QTest::newRow("about") << WindowFactory([] { return new TFAbout1; });
        QTest::newRow("flash") << WindowFactory([] { return new TFFlash; });
        QTest::newRow("prompt") << WindowFactory([] { return new TFinpstr; });
        QTest::newRow("choice") << WindowFactory([] { return new TFchoice; });
    }
    // Every widget the focus can reach has a name; one with a tooltip or status tip also has a
    // description. The failure names every widget that falls short.
    void everyFocusableWidgetIsNamed() {
        QFETCH(WindowFactory, make);
        TestFolder folder;
        std::unique_ptr<QWidget> window(make());
        window->show();
        QVERIFY(!AccessibleText(window.get(), QAccessible::Name).isEmpty());
        QStringList unnamed;
        QStringList undescribed;
        const QList<QWidget*> widgets = FocusableWidgets(window.get());
        for (QWidget* w : widgets) {
            QWidget* spoken = Announced(w);
            if (AccessibleText(spoken, QAccessible::Name).trimmed().isEmpty())
                unnamed << Describe(w);
            const bool hint = !spoken->toolTip().isEmpty() || !spoken->statusTip().isEmpty();
            if (hint && AccessibleText(spoken, QAccessible::Description).trimmed().isEmpty())
                undescribed << Describe(w);
        }
        QVERIFY2(unnamed.isEmpty(), qPrintable("no accessible name: " + unnamed.join(", ")));
        QVERIFY2(undescribed.isEmpty(),
                 qPrintable("a hint but no description: " + undescribed.join(", ")));
    }

    // The names the main controls are known by, whatever their captions show at the moment.
    void mainControlsHaveTheirNames() {
        TestFolder folder;
        TFAddsBk list;
        QCOMPARE(AccessibleText(list.DBGrid1, QAccessible::Name), QStringLiteral("Items"));
        QCOMPARE(AccessibleText(list.Edit1, QAccessible::Name), QStringLiteral("Jump to"));
        // The status line is named as a whole; its text is the name of the label inside.
        QCOMPARE(AccessibleText(list.Panel3, QAccessible::Name), QStringLiteral("Status line"));
        list.Label1->setText(QStringLiteral("12 items"));
        QCOMPARE(AccessibleText(list.Label1, QAccessible::Name), QStringLiteral("12 items"));
        QCOMPARE(AccessibleText(list.SpeedButton1, QAccessible::Name), QStringLiteral("Item text"));
        QCOMPARE(AccessibleText(list.SpeedButton2, QAccessible::Name),
                 QStringLiteral("First item"));
        QCOMPARE(AccessibleText(list.SpeedButton3, QAccessible::Name), QStringLiteral("Last item"));
        QCOMPARE(AccessibleText(list.ClearBtn, QAccessible::Name),
                 QStringLiteral("Clear jump box"));
        QCOMPARE(AccessibleText(list.Edit1, QAccessible::Description),
                 QStringLiteral("Jump to position in this list"));

        TFidets details;
        QCOMPARE(AccessibleText(details.DBEdit1, QAccessible::Name), QStringLiteral("Name"));
        QCOMPARE(AccessibleText(details.DBEdit2, QAccessible::Name), QStringLiteral("Ref"));
        QCOMPARE(AccessibleText(details.DBMemo1, QAccessible::Name), QStringLiteral("Text"));
        QCOMPARE(AccessibleText(details.DBEdit2, QAccessible::Description),
                 QStringLiteral("This Item's Reference"));

        TFIdets2 text;
        QCOMPARE(AccessibleText(text.Memo1, QAccessible::Name), QStringLiteral("Text"));
        TFCal2 diary;
        QCOMPARE(AccessibleText(diary.StringGrid1, QAccessible::Name), QStringLiteral("Diary"));
        TFCal calendar;
        QCOMPARE(AccessibleText(calendar.StringGrid1, QAccessible::Name),
                 QStringLiteral("Calendar"));
        TFnotepad notepad;
        QCOMPARE(AccessibleText(notepad.Memo1, QAccessible::Name), QStringLiteral("Notepad"));
    }
};

QTEST_MAIN(TestAccessibleNames)
#include "TestAccessibleNames.moc"
