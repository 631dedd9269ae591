#include "diary/Diary.h"
#include "diary/TFCal2.h"
#include "store/StoreState.h"

#include "common/Clock.h"
#include "common/Settings.h"
#include "calendar/DateText.h"
#include "itemwin/ItemWindows.h"
#include "itemwin/TFIdets2.h"
#include "itemwin/TFidets.h"
#include "support/ItemFixture.h"
#include "support/ModalDriver.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFolder.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QFrame>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <memory>

namespace {

QDateTime ClockTime;

TFCal2* Diary() {
    return TFCal2::Existing();
}

QTableWidget* Grid() {
    return Diary()->StringGrid1;
}

// The cell of a day in the grid; (-1, -1) when the month shows no such day.
QPair<int, int> DayCell(int day) {
    for (int r = 1; r < 7; ++r)
        for (int c = 0; c < 7; ++c) {
            const QString text = Grid()->item(r, c)->text();
            if (!text.isEmpty() && text.left(2).trimmed().toInt() == day)
                return {r, c};
        }
    return {-1, -1};
}

QString Cell(int day) {
    const auto [r, c] = DayCell(day);
    return r < 0 ? QStringLiteral("(no cell)") : Grid()->item(r, c)->text();
}

QStringList GridTexts() {
    QStringList texts;
    for (int r = 0; r < 7; ++r)
        for (int c = 0; c < 7; ++c)
            texts << Grid()->item(r, c)->text();
    return texts;
}

void ClickDay(int day) {
    const auto [r, c] = DayCell(day);
    QVERIFY2(r > 0, "no cell for the day");
    const QRect rect = Grid()->visualRect(Grid()->model()->index(r, c));
    QTest::mouseClick(Grid()->viewport(), Qt::LeftButton, {}, rect.center());
}

bool Selected(int day) {
    const auto [r, c] = DayCell(day);
    return r > 0 && Grid()->currentRow() == r && Grid()->currentColumn() == c &&
           Grid()->item(r, c)->isSelected();
}

// Lets queued work run with a guard that shuts any modal window opening meanwhile: true when
// none opened.
bool NoModalWhileEventsRun() {
    bool opened = false;
    QTimer guard;
    guard.setInterval(10);
    QObject::connect(&guard, &QTimer::timeout, [&opened] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            opened = true;
            ModalDriverDetail::Shut(modal);
        }
    });
    guard.start();
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
    return !opened && !QApplication::activeModalWidget();
}

bool TextWindowShown() {
    return TFIdets2::Existing() && TFIdets2::Existing()->isVisible();
}

// The year chooser's first and last year.
QString YearCaptions() {
    return Diary()->YearMnus.front()->text() + ".." + Diary()->YearMnus.back()->text();
}

} // namespace

// The diary window: the month shown with its entries, choosing days, the year and month
// choosers, the menu and keys, and the rows fitted to the names they show.
class TestDiaryWindow : public QObject {
    Q_OBJECT
    std::unique_ptr<TestFolder> folder;
    std::unique_ptr<ScriptedDialogs> dialogs;

    void setToday(int year, int month, int day) {
        ClockTime = QDateTime(QDate(year, month, day), QTime(9, 5));
    }

private slots:
    void init() {
        folder = std::make_unique<TestFolder>();
        dialogs = std::make_unique<ScriptedDialogs>();
        setToday(2024, 5, 17);
        SetClockForTesting([] { return ClockTime; });
        AppSettings().DiaryId = ItemId(1); // the item "Diary" of a new database
    }

    void cleanup() {
        ModalDriverDetail::ShutModalAndPopups();
        CloseModalLeftovers();
        dialogs.reset();
        folder.reset();
        ResetAllState();
    }

    void showsTheMonthWithItsEntries() {
        MakeItem("Dentist", ItemId(), "2024-05-17 (Fri)");
        MakeItem("Tom & Jerry", ItemId(), "2024-05-05");
        MakeItem("No day", ItemId(), "2024-05-00 (?)");
        const ItemId hider = MakeItem("Secret");
        const ItemId hidden = MakeItem("Hidden visit", ItemId(), "2024-05-20");
        MakeHider(hider, {hidden});

        ShowDiary();
        TFCal2* w = Diary();
        QVERIFY(w->isVisible());
        QVERIFY(!w->isModal());
        QCOMPARE(w->windowTitle(), QString("Diary"));
        QCOMPARE(w->YearBtn->text(), QString("2024"));
        QCOMPARE(w->MonthBtn->text(), QString("May"));
        QStringList menu;
        for (QAction* a : w->MainMenu1->actions())
            menu << a->text();
        QCOMPARE(menu, (QStringList{"&Close", "Refresh", "&Today"}));
        QCOMPARE(GridTexts().mid(0, 7),
                 (QStringList{" Mon", " Tue", " Wed", " Thu", " Fri", " Sat", " Sun"}));

        QCOMPARE(Cell(17), QString("17  Dentist"));
        QCOMPARE(DayCell(17), (QPair<int, int>(3, 4)));
        QCOMPARE(Cell(5), QString(" 5  Tom & Jerry"));
        QCOMPARE(Cell(20), QString("20"));
        QCOMPARE(DayCell(1), (QPair<int, int>(1, 2)));
        // Today's day is selected, and selecting it from the program chose nothing: its entry
        // was not opened.
        QVERIFY(Selected(17));
        QVERIFY(NoModalWhileEventsRun());
        QVERIFY(!TextWindowShown());
        QVERIFY(dialogs->Calls.isEmpty());

        // While the hider's items are shown, its hidden entry shows too.
        TheStoreState.CurrentHider = hider;
        w->Refresh1->trigger();
        QCOMPARE(Cell(20), QString("20  Hidden visit"));
        QVERIFY(Selected(17));
    }

    // A day with an entry opens its text and leaves the shown day; moving the selection onto
    // a day chooses it as a press does.
    void choosingAFilledDayOpensItsText() {
        setToday(2024, 5, 5);
        const ItemId dentist = MakeItem("Dentist", ItemId(), "2024-05-17 (Fri)", "Crown");
        ShowDiary();
        ClickDay(17);
        QTRY_VERIFY(TextWindowShown());
        QCOMPARE(TFIdets2::Existing()->Session.TextItemId(), dentist);
        QCOMPARE(FormatIsoDate(Diary()->Session.Shown()), QString("2024-05-05"));
        QCOMPARE(Cell(17), QString("17  Dentist"));

        QString ref;
        WhenModal([&](QWidget*) {
            ref = TFidets::Existing()->DBEdit2->text();
            QTest::mouseClick(TFidets::Existing()->CancelBtn, Qt::LeftButton);
        });
        QCOMPARE(Grid()->currentRow(), DayCell(17).first); // the press moved the selection
        QTest::keyClick(Grid(), Qt::Key_Left);
        QTRY_COMPARE(ref, QString("2024-05-16 (Thu)"));
        QTRY_VERIFY(!QApplication::activeModalWidget());
    }

    void choosingAnEmptyDayMakesAnEntry() {
        setToday(2024, 5, 5); // a Sunday: the new entries' Refs take their own weekdays
        ShowDiary();
        // Today has no entry; selecting it from the program opened no form.
        QVERIFY(Selected(5));
        QVERIFY(NoModalWhileEventsRun());

        QString ref;
        WhenModal([&](QWidget*) {
            TFidets* form = TFidets::Existing();
            ref = form->DBEdit2->text();
            QTest::keyClicks(form->DBEdit1, QStringLiteral("Dentist"));
            QTest::mouseClick(form->CommitBtn, Qt::LeftButton);
        });
        ClickDay(17);
        QTRY_COMPARE(Cell(17), QString("17  Dentist"));
        QCOMPARE(ref, QString("2024-05-17 (Fri)"));
        QCOMPARE(FormatIsoDate(Diary()->Session.Shown()), QString("2024-05-17"));
        QVERIFY(Selected(17));

        const ItemId entry = IdFromDb(Scalar("SELECT id FROM phonebk WHERE name = 'Dentist'"));
        const ItemId year = IdField(entry, "parent");
        QCOMPARE(TextField(entry, "tel"), QString("2024-05-17 (Fri)"));
        QCOMPARE(TextField(year, "name"), QString("2024"));
        QCOMPARE(Field(year, "parent"), 1);
        QCOMPARE(dialogs->Infos(),
                 QStringList{QStringLiteral("Creating item #%1 \"2024\"").arg(year.Value())});

        // The next entry of the year goes under the same year item, with no message.
        WhenModal([&](QWidget*) {
            QTest::keyClicks(TFidets::Existing()->DBEdit1, QStringLiteral("Plumber"));
            QTest::mouseClick(TFidets::Existing()->CommitBtn, Qt::LeftButton);
        });
        ClickDay(31);
        QTRY_COMPARE(Cell(31), QString("31  Plumber"));
        QCOMPARE(
            IdField(IdFromDb(Scalar("SELECT id FROM phonebk WHERE name = 'Plumber'")), "parent"),
            year);
        QCOMPARE(dialogs->Infos().size(), 1);
    }

    // Cancelling the form leaves the grid and the items as they were; a press on the day
    // already selected chooses it.
    void cancellingANewEntry() {
        setToday(2024, 5, 18);
        MakeItem("2024", ItemId(1));
        MakeItem("Dentist", ItemId(), "2024-05-17 (Fri)");
        ShowDiary();
        QVERIFY(Selected(18));
        const QStringList before = GridTexts();
        const int items = Scalar("SELECT COUNT(*) FROM phonebk").toInt();
        bool cancelled = false;
        WhenModal([&](QWidget*) {
            QCOMPARE(TFidets::Existing()->DBEdit2->text(), QString("2024-05-18 (Sat)"));
            QTest::mouseClick(TFidets::Existing()->CancelBtn, Qt::LeftButton);
            cancelled = true;
        });
        ClickDay(18);
        QTRY_VERIFY(cancelled);
        QTRY_VERIFY(!QApplication::activeModalWidget());
        QVERIFY(NoModalWhileEventsRun());
        QCOMPARE(GridTexts(), before);
        QCOMPARE(Scalar("SELECT COUNT(*) FROM phonebk").toInt(), items);
        QVERIFY(dialogs->Infos().isEmpty());
    }

    void yearAndMonthChoosers() {
        ShowDiary();
        TFCal2* w = Diary();
        QCOMPARE(w->PastYearsMnu->text(), QString("  /\\"));
        QCOMPARE(w->FutrYearsMnu->text(), QString("  \\/"));
        QCOMPARE(YearCaptions(), QString("1998..2006"));
        w->YearBtn->click();
        QTRY_VERIFY(w->PopupMenu1->isVisible());

        // The upward arrow moves the list nine years back and opens the menu again.
        w->PopupMenu1->close();
        w->PastYearsMnu->trigger();
        QCOMPARE(YearCaptions(), QString("1989..1997"));
        QTRY_VERIFY(w->PopupMenu1->isVisible());
        w->YearMnus[0]->trigger();
        QCOMPARE(w->YearBtn->text(), QString("1989"));
        QCOMPARE(w->MonthBtn->text(), QString("May"));
        QCOMPARE(Cell(1), QString(" 1")); // 1 May 1989 was a Monday
        QCOMPARE(DayCell(1), (QPair<int, int>(1, 0)));
        ModalDriverDetail::ShutModalAndPopups();

        // A right click on the year bar (here on its button) opens the year chooser; on the
        // month bar the month chooser.
        QContextMenuEvent onYear(QContextMenuEvent::Mouse, QPoint(2, 2),
                                 w->YearBtn->mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(w->YearBtn, &onYear);
        QTRY_VERIFY(w->PopupMenu1->isVisible());
        ModalDriverDetail::ShutModalAndPopups();
        QContextMenuEvent onMonth(QContextMenuEvent::Mouse, QPoint(2, 2),
                                  w->Panel2->mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(w->Panel2, &onMonth);
        QTRY_VERIFY(w->PopupMenu2->isVisible());
        QCOMPARE(w->PopupMenu2->actions().size(), 12);
        w->PopupMenu2->actions()[1]->trigger();
        ModalDriverDetail::ShutModalAndPopups();
        QCOMPARE(w->MonthBtn->text(), QString("February"));
        QCOMPARE(w->YearBtn->text(), QString("1989"));

        // The date and the year list outlast closing.
        w->close();
        QVERIFY(!w->isVisible());
        ShowDiary();
        QCOMPARE(Diary(), w);
        QCOMPARE(w->MonthBtn->text(), QString("February"));
        QCOMPARE(w->YearBtn->text(), QString("1989"));
        QCOMPARE(YearCaptions(), QString("1989..1997"));
        w->FutrYearsMnu->trigger();
        QCOMPARE(YearCaptions(), QString("1998..2006"));
    }

    void stepsMenuAndKeys() {
        setToday(2024, 12, 17);
        ShowDiary();
        TFCal2* w = Diary();
        auto shown = [w] { return w->YearBtn->text() + ' ' + w->MonthBtn->text(); };
        QCOMPARE(shown(), QString("2024 December"));
        QTest::mouseClick(w->SpeedButton4, Qt::LeftButton);
        QCOMPARE(shown(), QString("2025 January"));
        QTest::mouseClick(w->SpeedButton1, Qt::LeftButton);
        QTest::mouseClick(w->SpeedButton2, Qt::LeftButton);
        QCOMPARE(shown(), QString("2023 December"));
        QTest::mouseClick(w->SpeedButton3, Qt::LeftButton);
        QTest::mouseClick(w->SpeedButton3, Qt::LeftButton);
        QCOMPARE(shown(), QString("2025 December"));

        w->Today1->trigger();
        QCOMPARE(shown(), QString("2024 December"));
        QVERIFY(Selected(17));
        MakeItem("Carols", ItemId(), "2024-12-03");
        QCOMPARE(Cell(3), QString(" 3"));
        w->Refresh1->trigger();
        QCOMPARE(Cell(3), QString(" 3  Carols"));

        QVERIFY(w->ResizingActive);
        QTest::keyClick(w, Qt::Key_Escape);
        QVERIFY(!w->isVisible());
        QVERIFY(!w->ResizingActive);
        ShowDiary();
        QVERIFY(w->isVisible());
        QVERIFY(w->ResizingActive);
        w->Close1->trigger();
        QVERIFY(!w->isVisible());
    }

    // Rows grow to show a wrapped name whole and go back to the common height when the
    // window is resized so that the name needs less.
    void rowsFitTheirNames() {
        const QString name = QStringLiteral(
            "Appointment with the dentist about the crown on the upper left molar, bring card");
        MakeItem(name, ItemId(), "2024-05-17 (Fri)");
        ShowDiary();
        TFCal2* w = Diary();
        w->resize(762, 300);
        const int row = DayCell(17).first;
        auto common = [] { return Grid()->viewport()->height() / 7 - 1; };
        auto wrappedHeight = [] {
            const QFontMetrics metrics(Grid()->font());
            const int width = Grid()->columnWidth(DayCell(17).second);
            return metrics.boundingRect(QRect(0, 0, width, 100000), Qt::TextWordWrap, Cell(17))
                .height();
        };
        QTRY_COMPARE(Grid()->columnWidth(0), Grid()->viewport()->width() / 7 - 1);
        QVERIFY2(wrappedHeight() > common(), "the name must need more than one common row");
        QTRY_VERIFY(Grid()->rowHeight(row) >= wrappedHeight());
        for (int r = 0; r < 7; ++r)
            if (r != row)
                QCOMPARE(Grid()->rowHeight(r), common());

        // Wide enough for the name on one line.
        const QFontMetrics metrics(Grid()->font());
        const int wide = 7 * (metrics.horizontalAdvance(Cell(17)) + 40) + 40;
        w->resize(wide, 300);
        QTRY_COMPARE(Grid()->columnWidth(0), Grid()->viewport()->width() / 7 - 1);
        QVERIFY(Grid()->columnWidth(0) > metrics.horizontalAdvance(Cell(17)));
        QTRY_COMPARE(Grid()->rowHeight(row), common());

        w->resize(762, 300);
        QTRY_VERIFY(Grid()->rowHeight(row) >= wrappedHeight());
        QVERIFY(Grid()->rowHeight(row) > common());
    }
};

QTEST_MAIN(TestDiaryWindow)
#include "TestDiaryWindow.moc"
