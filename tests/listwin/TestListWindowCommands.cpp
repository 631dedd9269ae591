#include "support/ItemFixture.h"

#include "calendar/DateText.h"
#include "calendar/TFCal.h"
#include "common/Clock.h"
#include "common/Settings.h"
#include "itemwin/ItemWindows.h"
#include "itemwin/TFClpBd2.h"
#include "itemwin/TFIdets2.h"
#include "itemwin/TFidets.h"
#include "listwin/ListModel.h"
#include "listwin/TFAddsBk.h"
#include "support/ModalDriver.h"
#include "diary/Diary.h"
#include "notepad/Notepad.h"
#include "print/Printing.h"
#include "print/RecordingTarget.h"
#include "print/TFPtAdds.h"
#include "repair/HealthCheckWindow.h"
#include "repair/Tfrepair.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFolder.h"

#include <QAction>
#include <QApplication>
#include <QRadioButton>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include <memory>

namespace {
const QDateTime Now(QDate(2024, 5, 17), QTime(9, 5));
} // namespace

// The list window's commands from its menus, on a real database, with the item windows they
// open.
class TestListWindowCommands : public QObject {
    Q_OBJECT

    std::unique_ptr<TFAddsBk> open() {
        auto w = std::make_unique<TFAddsBk>();
        w->show();
        return w;
    }
    static QString cursorName(TFAddsBk& w) {
        return w.Model()->index(w.DBGrid1->currentIndex().row(), 0).data().toString();
    }
    // Types into the jump box, which puts the cursor on the row.
    static void jump(TFAddsBk& w, const QString& text) {
        w.Edit1->clear();
        QTest::keyClicks(w.Edit1, text);
    }
    static void enter(TFAddsBk& w, const QString& text) {
        jump(w, text);
        QTest::keyClick(w.Edit1, Qt::Key_Return);
    }
    // Opens the grid's context menu as a right click does, and shuts it again.
    static bool rightClick(TFAddsBk& w) {
        emit w.DBGrid1->customContextMenuRequested(QPoint(5, 5));
        const bool shown = w.PopupMenu1->isVisible();
        w.PopupMenu1->hide();
        return shown;
    }

private slots:
    void init() {
        SetClockForTesting([] { return Now; });
    }
    void cleanup() {
        CloseModalLeftovers();
        ResetAllState();
    }

    // The menu opens on a list with rows, empties the jump box without a jump, and offers what
    // the list allows. "Start new link" in the grid and then "Parent/Child link from X" in P's
    // list move B under A, with the cursor on the row after B.
    void contextMenuAndLinkDown() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId a = MakeItem("A");
        const ItemId p = MakeItem("P");
        const ItemId b = MakeItem("B", p);
        MakeItem("C", p);
        auto w = open();
        jump(*w, "p");
        QVERIFY(rightClick(*w));
        QCOMPARE(w->Edit1->text(), QString());
        QCOMPARE(cursorName(*w), QString("P")); // no jump to the first row
        QVERIFY(!w->Ungroup1->isEnabled() && w->Delink1->isEnabled());
        QVERIFY(!w->Linknote1->isEnabled() && !w->LinkFromX1->isEnabled());
        QVERIFY(w->Link1->isEnabled() && w->Deleteitem1->isEnabled());

        jump(*w, "a");
        w->Link1->trigger();
        QCOMPARE(dialogs.Flashes(), QStringList{"now select the other item"});
        enter(*w, "p");
        jump(*w, "b");
        QVERIFY(rightClick(*w));
        QVERIFY(w->Ungroup1->isEnabled() && !w->Linknote1->isEnabled());
        QVERIFY(w->LinkFromX1->isEnabled() && w->LinkToX1->isEnabled());
        QCOMPARE(w->LinkFromX1->text(), QString("Link down from \"A\"  to \"B\" "));
        dialogs.AnswerYes(); // A replaces P as B's parent
        w->LinkFromX1->trigger();
        QCOMPARE(IdField(b, "parent"), a);
        QCOMPARE(w->Label1->text(), QString("1 Item listed"));
        QCOMPARE(cursorName(*w), QString("C"));
        QCOMPARE(dialogs.Questions().size(), 1);
    }

    // The details window's "Start new link" chooses X for the list's link commands, which read
    // its name anew as their menus open.
    void startNewLinkFromTheDetailsWindow() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId x = MakeItem("Old & new");
        const ItemId p = MakeItem("P");
        MakeItem("B", p);
        auto w = open();
        QVERIFY(ShowItemDetails(x));
        TFidets::Instance()->from1->trigger();
        QCOMPARE(dialogs.Flashes(), QStringList{"Complete the link from a List screen"});
        QCOMPARE(ListWindow().LinkStartId, x);
        SetField(x, "name", "Renamed & X");
        enter(*w, "p");
        QVERIFY(rightClick(*w));
        QCOMPARE(w->LinkToX1->text(), QString("Link down from \"B\"  to \"Renamed && X\" "));
        emit w->LinkAll1->aboutToShow();
        QVERIFY(w->LinkAllDown1->isEnabled() && w->LinkAllAcross1->isEnabled());
        QCOMPARE(w->LinkAllDown1->text(),
                 QString("Link down from \"Renamed && X\"  to all items in this list"));

        dialogs.AnswerYes();
        dialogs.AnswerYes(); // X replaces P as B's parent
        w->LinkAllDown1->trigger();
        QCOMPARE(dialogs.Questions().first(),
                 QString("Link down from \"Renamed & X\"  to all items listed\rreplacing \"P\"  as "
                         "their parent - are you sure?"));
        QCOMPARE(w->Label1->text(), QString("0 Items listed"));
    }

    // New > Text from P's list: No to the link question leaves the item top-level and the list
    // as it was; Yes lists it under P with the cursor on it. Now! gives the item the time as
    // its Ref; New > Details saves under P.
    void newItemsFromALinksList() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId p = MakeItem("P");
        MakeItem("old", p);
        auto w = open();
        enter(*w, "p");
        // The page is typed and saved on closing; the answers queued after it follow.
        const auto typeAndSave = [&dialogs](const QString& text) {
            dialogs.AnswerYes(); // "Save changes?"
            WhenModal([text](QWidget*) {
                QTest::keyClicks(TFIdets2::Instance()->Memo1, text);
                TFIdets2::Instance()->Exit2->trigger();
            });
        };
        typeAndSave("Fresh");
        dialogs.AnswerNo();
        w->ext1->trigger();
        QCOMPARE(dialogs.Questions(), (QStringList{"Save changes?", "Link new item from \"P\" ?"}));
        const QVariant fresh = Scalar("SELECT id FROM phonebk WHERE name = 'Fresh'");
        QVERIFY(fresh.isValid());
        QCOMPARE(Field(IdFromDb(fresh), "parent"), 0);
        QCOMPARE(w->Label1->text(), QString("1 Item listed"));
        QCOMPARE(cursorName(*w), QString("old"));

        typeAndSave("Later");
        dialogs.AnswerYes();
        w->Now1->trigger();
        const ItemId later = IdFromDb(Scalar("SELECT id FROM phonebk WHERE name = 'Later'"));
        QCOMPARE(IdField(later, "parent"), p);
        QCOMPARE(TextField(later, "tel"), QString("2024-05-17 (Fri) 09:05 "));
        QCOMPARE(w->Label1->text(), QString("2 Items listed"));
        QCOMPARE(w->List().Rows().CursorRow().Id, later);

        WhenModal([](QWidget*) {
            QTest::keyClicks(TFidets::Instance()->DBEdit1, "Detailed");
            QTest::mouseClick(TFidets::Instance()->CommitBtn, Qt::LeftButton);
        });
        w->Details2->trigger();
        const ItemId detailed = IdFromDb(Scalar("SELECT id FROM phonebk WHERE name = 'Detailed'"));
        QCOMPARE(IdField(detailed, "parent"), p);
        QCOMPARE(Field(p, "numchildren"), 3);
        QCOMPARE(w->List().Rows().CursorRow().Id, detailed);
        QCOMPARE(cursorName(*w), QString("Detailed"));
    }

    // Import says it is not supported; the calendar opens on today; the options prompt, flash
    // and show the new values when the submenu opens again.
    void importCalendarAndOptions() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        auto w = open();
        w->Import1->trigger();
        QCOMPARE(dialogs.Infos(), QStringList{"This facility not currently supported"});

        CalendarDate shown;
        WhenModal([&shown](QWidget* modal) {
            auto* cal = qobject_cast<TFCal*>(modal);
            QVERIFY(cal);
            shown = cal->ShownDate();
            cal->reject();
        });
        w->Calendar1->trigger();
        QCOMPARE(FormatIsoDate(shown), QString("2024-05-17")); // the test's today

        dialogs.AnswerText("300");
        w->Flashinterval1->trigger();
        dialogs.AnswerText("12");
        w->Archiveid1->trigger();
        QCOMPARE(dialogs.Flashes(), QStringList{"Flash interval updated OK"});
        emit w->Options1->aboutToShow();
        QCOMPARE(w->Flashinterval1->text(), QString("Flash interval = 300ms"));
        QCOMPARE(w->Archiveid1->text(), QString("Archive id = 12"));
    }

    // "to Clipboard" exports the names (with their link notes) and refs under the header's
    // text; the grid keeps its Text? and Links? columns.
    void exportToClipboard() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId p = MakeItem("P & Q");
        LinkAcrossRows(p, MakeItem("Apple", ItemId(), "12", "text"), "zz");
        LinkAcrossRows(p, MakeItem("Pear"));
        auto w = open();
        enter(*w, "p");
        QApplication::clipboard()->setText("left over");
        w->toClipboard1->trigger();
        QCOMPARE(QApplication::clipboard()->text(),
                 QString("P & Q\r\n\t\r\nApple  [ zz ]\t12\r\nPear\t\r\n"));
        TFClpBd2* shown = TFClpBd2::Existing();
        QVERIFY(shown && shown->isVisible());
        QCOMPARE(shown->Panel1->text(), QString(" 27 characters"));
        QCOMPARE(w->Model()->columnCount(), 4);
        QVERIFY(dialogs.Calls.isEmpty());
    }

    // Diary and Tools > Notepad open their windows, modeless.
    void diaryAndNotepad() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        auto w = open();
        w->Diary1->trigger();
        w->Notepad1->trigger();
        QStringList shown;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->isVisible() && !top->isModal())
                shown << top->windowTitle();
        QVERIFY2(shown.contains(QStringLiteral("Diary")), qPrintable(shown.join(", ")));
        QVERIFY2(shown.contains(QStringLiteral("Cardolo - notepad")), qPrintable(shown.join(", ")));
        DestroyDiaryWindow();
        CloseNotepadForExit();
        DestroyNotepad();
    }

    // Tools > Database healthcheck scans the database in a window of its own, which stays open
    // after the scan with its report.
    void healthCheck() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        MakeItem("Apple");
        auto w = open();
        QVERIFY(w->CheckMnu->isEnabled());
        w->CheckMnu->trigger();
        Tfrepair* check = Tfrepair::Existing();
        QVERIFY(check && check->isVisible());
        const QStringList report = check->MemoLines();
        QVERIFY2(report.contains(QStringLiteral("Scan complete, 0 errors")),
                 qPrintable(report.join(" | ")));
        QVERIFY(dialogs.Calls.isEmpty());
        DestroyHealthCheckWindow();
    }

    // Export > to Printer prints the list as it is sorted, with its heading, and leaves the
    // cursor on the last row.
    void printTheList() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        RecordingTarget sheet;
        PrintingState().TargetOverride = [&] { return &sheet; };
        const ItemId shelf = MakeItem("Shelf");
        MakeItem("pear", shelf, "B2");
        MakeItem("Apple", shelf, "A1", "red");
        auto w = open();
        QTest::keyClicks(w->Edit1, "s");
        QTest::keyClick(w->Edit1, Qt::Key_Return);
        QCOMPARE(w->Label2->text(), QString("Shelf"));
        WhenModal([](QWidget* modal) {
            auto* options = qobject_cast<TFPtAdds*>(modal);
            QVERIFY(options);
            options->AllBtn->click();
            options->PrintBtn->click();
        });
        QVERIFY(w->Print1->isEnabled());
        w->Print1->trigger();
        // Every row has a Ref, so the list is sorted by Ref and each heading puts the Ref first.
        QCOMPARE(ListWindow().SortOrder, SortBy::Ref);
        QCOMPARE(sheet.Strings(), (QStringList{"Shelf", "A1", "Apple", "red", "B2", "pear"}));
        QCOMPARE(w->DBGrid1->currentIndex().row(), 1);
        ResetPrintState();
    }

    // An engine error ends a link command with the engine's text, and nothing of it is stored.
    void engineErrorEndsALinkCommand() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId a = MakeItem("A");
        const ItemId b = MakeItem("B");
        auto w = open();
        jump(*w, "a");
        w->Link1->trigger();
        jump(*w, "b");
        QVERIFY(rightClick(*w)); // X chosen: the link commands are offered
        FailNextWrites("disk I/O error");
        w->Secondarylink1->trigger();
        QCOMPARE(dialogs.Infos(), QStringList{"disk I/O error"});
        QCOMPARE(CountLinkRows(), 0);
        QCOMPARE(Field(a, "numcousins"), 0);
        FailNextWrites("disk I/O error");
        w->LinkToX1->trigger();
        QCOMPARE(dialogs.Infos().size(), 2);
        QCOMPARE(Field(a, "parent"), 0);
        QCOMPARE(Field(b, "numchildren"), 0);
        // Once the engine writes again, the same commands do.
        w->LinkToX1->trigger();
        QCOMPARE(IdField(a, "parent"), b);
        QCOMPARE(cursorName(*w), QString("B"));
    }
};

QTEST_MAIN(TestListWindowCommands)
#include "TestListWindowCommands.moc"
