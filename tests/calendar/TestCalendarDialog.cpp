#include "calendar/TFCal.h"

#include "common/Clock.h"
#include "calendar/DateText.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFolder.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <functional>
#include <memory>

namespace {

// The six day rows of the grid joined by '|', each as its seven cells' numbers with '.' for an
// empty cell; empty rows at the end are left off.
QString GridRows(const TFCal& cal) {
    QStringList rows;
    for (int r = 1; r < 7; ++r) {
        QStringList cells;
        for (int c = 0; c < 7; ++c) {
            const QString text = cal.StringGrid1->item(r, c)->text().trimmed();
            cells << (text.isEmpty() ? QStringLiteral(".") : text);
        }
        rows << cells.join(QLatin1Char(' '));
    }
    while (!rows.isEmpty() && rows.last() == QStringLiteral(". . . . . . ."))
        rows.removeLast();
    return rows.join(QLatin1Char('|'));
}

// Runs the picker with act queued inside its modal loop; returns what PickDate returned.
bool Pick(TFCal& cal, CalendarDate& date, const std::function<void()>& act) {
    QTimer::singleShot(0, &cal, act);
    return cal.PickDate(date);
}

void UsePreset(int index) {
    const TransitionPreset& p = TransitionPresets()[index];
    SetTransition(p.lastJulian, p.firstGregorian);
}

QPoint CellCentre(const TFCal& cal, int row, int column) {
    return cal.StringGrid1->visualRect(cal.StringGrid1->model()->index(row, column)).center();
}

} // namespace

class TestCalendarDialog : public QObject {
    Q_OBJECT
    std::unique_ptr<TestFolder> folder;

private slots:
    void init() {
        folder = std::make_unique<TestFolder>(false);
        SetClockForTesting([] { return QDateTime(QDate(2024, 5, 17), QTime(9, 5)); });
    }
    void cleanup() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isModal() && w->isVisible())
                w->close();
        folder.reset();
        ResetAllState();
    }

    void monthGrids_data() {
        QTest::addColumn<int>("preset");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("rows");
        QTest::newRow("September 1752") << 3 << "1752-09-02"
                                        << ". 1 2 14 15 16 17|18 19 20 21 22 23 24|"
                                           "25 26 27 28 29 30 .";
        QTest::newRow("December 1582, France") << 1 << "1582-12-09"
                                               << ". . . . . 1 2|3 4 5 6 7 8 9|"
                                                  "20 21 22 23 24 25 26|27 28 29 30 31 . .";
        QTest::newRow("October 1582, Spain") << 0 << "1582-10-15"
                                             << "1 2 3 4 15 16 17|18 19 20 21 22 23 24|"
                                                "25 26 27 28 29 30 31";
        QTest::newRow("February 1700, Denmark") << 2 << "1700-02-10"
                                                << ". . . 1 2 3 4|5 6 7 8 9 10 11|"
                                                   "12 13 14 15 16 17 18";
        QTest::newRow("year 0 has no weekdays") << 3 << "0000-05-17"
                                                << "";
    }
    void monthGrids() {
        QFETCH(int, preset);
        QFETCH(QString, shown);
        QFETCH(QString, rows);
        UsePreset(preset);
        TFCal cal;
        cal.ShowDate(ParseIsoDate(shown));
        QCOMPARE(GridRows(cal), rows);
    }

    void cellsSelectionAndNavigation() {
        TFCal cal;
        cal.ShowDate(MakeDate(1752, 9, 15));
        QCOMPARE(cal.StringGrid1->item(0, 0)->text(), QString(" Mon"));
        QCOMPARE(cal.StringGrid1->item(0, 6)->text(), QString(" Sun"));
        QCOMPARE(cal.StringGrid1->item(1, 1)->text(), QString("   1"));
        QCOMPARE(cal.StringGrid1->item(1, 3)->text(), QString("  14"));
        QCOMPARE(cal.StringGrid1->currentRow(), 1);
        QCOMPARE(cal.StringGrid1->currentColumn(), 4);
        QCOMPARE(cal.Edit1->text(), QString("1752-09-15  Fri"));
        QCOMPARE(cal.YearBtn->text(), QString("1752"));
        QCOMPARE(cal.MonthBtn->text(), QString("September"));
        QTest::mouseClick(cal.Edit1, Qt::LeftButton); // a click takes the whole text
        QCOMPARE(cal.Edit1->selectedText(), QString("1752-09-15  Fri"));
        // A day in the gap has no cell to select.
        cal.ShowDate(MakeDate(1752, 9, 10));
        QCOMPARE(cal.StringGrid1->currentRow(), -1);
        QCOMPARE(cal.Edit1->text(), QString("1752-09-10  Wed"));

        // The arrows step months and years, leaving the day alone; the month menu and Today.
        cal.ShowDate(MakeDate(2024, 1, 31));
        cal.SpeedButton2->click();
        QCOMPARE(FormatIsoDate(cal.ShownDate()), QString("2023-12-31"));
        cal.SpeedButton4->click();
        cal.SpeedButton4->click();
        QCOMPARE(FormatIsoDate(cal.ShownDate()), QString("2024-02-31"));
        QCOMPARE(cal.Edit1->text().left(10), QString("2024-02-31"));
        cal.SpeedButton1->click();
        QCOMPARE(cal.YearBtn->text(), QString("2023"));
        cal.SpeedButton3->click();
        cal.SpeedButton3->click();
        QCOMPARE(cal.YearBtn->text(), QString("2025"));
        cal.PopupMenu2->actions().at(8)->trigger();
        QCOMPARE(cal.MonthBtn->text(), QString("September"));
        QCOMPARE(FormatIsoDate(cal.ShownDate()), QString("2025-09-31"));
        cal.Button1->click();
        QCOMPARE(cal.Edit1->text(), QString("2024-05-17  Fri"));
        QCOMPARE(
            cal.StringGrid1->item(cal.StringGrid1->currentRow(), cal.StringGrid1->currentColumn())
                ->text(),
            QString("  17"));
    }

    void yearPrompt() {
        ScriptedDialogs dialogs;
        TFCal cal;
        cal.ShowDate(MakeDate(2024, 5, 17));
        dialogs.AnswerText("0");
        cal.YearBtn->click();
        QCOMPARE(dialogs.Infos(),
                 QStringList{"Year 0 does not exist, the Julian calendar jumps from 1BC to 1AD"});
        QCOMPARE(dialogs.Calls.first().text, QString("Enter year"));
        QCOMPARE(cal.YearBtn->text(), QString("2024"));
        dialogs.AnswerText("1600");
        cal.YearBtn->click();
        QCOMPARE(FormatIsoDate(cal.ShownDate()), QString("1600-05-17"));
        QCOMPARE(cal.Edit1->text(), QString("1600-05-17  Sat")); // Julian under the default
        dialogs.AnswerCancelPrompt();
        cal.YearBtn->click();
        dialogs.AnswerText("70000"); // no such year: nothing changes
        cal.YearBtn->click();
        dialogs.AnswerText("-4");
        cal.YearBtn->click();
        QCOMPARE(cal.YearBtn->text(), QString("1600"));
        QCOMPARE(dialogs.Infos().size(), 1);
    }

    void pickOpensAtUsableDateOrToday_data() {
        QTest::addColumn<CalendarDate>("given");
        QTest::addColumn<QString>("opensAt");
        QTest::newRow("zero date") << CalendarDate() << "2024-05-17";
        QTest::newRow("usable") << MakeDate(1752, 9, 2) << "1752-09-02";
        QTest::newRow("day not checked against month") << MakeDate(2023, 2, 30) << "2023-02-30";
        QTest::newRow("year 9999") << MakeDate(9999, 1, 1) << "2024-05-17";
        QTest::newRow("month 13") << MakeDate(2020, 13, 1) << "2024-05-17";
        QTest::newRow("day 32") << MakeDate(2020, 1, 32) << "2024-05-17";
    }
    void pickOpensAtUsableDateOrToday() {
        QFETCH(CalendarDate, given);
        QFETCH(QString, opensAt);
        TFCal cal;
        QString seen;
        CalendarDate date = given;
        QVERIFY(!Pick(cal, date, [&] {
            seen = cal.Edit1->text().left(10);
            cal.Button3->click();
        }));
        QCOMPARE(seen, opensAt);
        QVERIFY(DatesEqual(date, given)); // Cancel leaves the caller's date alone
    }

    void pickByClickDoubleClickOrDateBox() {
        TFCal cal;
        CalendarDate date = MakeDate(1752, 9, 2);
        QVERIFY(Pick(cal, date, [&] {
            QTest::mouseClick(cal.StringGrid1->viewport(), Qt::LeftButton, {},
                              CellCentre(cal, 2, 0));
            cal.okbtn->click();
        }));
        QCOMPARE(FormatIsoDate(date), QString("1752-09-18"));

        date = MakeDate(2024, 5, 17);
        QVERIFY(Pick(cal, date, [&] {
            cal.Edit1->setText("nonsense"); // a double-click does not read the box
            // A double-click arrives as a click followed by the double-click event.
            const QPoint cell = CellCentre(cal, 1, 2);
            QTest::mouseClick(cal.StringGrid1->viewport(), Qt::LeftButton, {}, cell);
            QTest::mouseDClick(cal.StringGrid1->viewport(), Qt::LeftButton, {}, cell);
            if (cal.isVisible())
                cal.reject(); // the double-click did not close it: fail, do not hang
        }));
        QCOMPARE(FormatIsoDate(date), QString("2024-05-01"));

        // OK reads the date box; a text that is no date gives the zero date.
        auto typeThenOk = [&](const char* typed) {
            return Pick(cal, date, [&cal, typed] {
                cal.Edit1->setText(typed);
                cal.okbtn->click();
            });
        };
        QVERIFY(typeThenOk("1999-12-31"));
        QCOMPARE(FormatIsoDate(date), QString("1999-12-31"));
        QVERIFY(typeThenOk("31/12/1999"));
        QVERIFY(IsZeroDate(date));
    }

    void optionsPresetAndApply() {
        TFCal cal;
        cal.ShowDate(MakeDate(2024, 5, 17));
        cal.PageControl1->setCurrentWidget(cal.TabSheet2);
        QCOMPARE(cal.Edit2->text(), QString("1752-09-02"));
        QCOMPARE(cal.Edit3->text(), QString("1752-09-14"));
        cal.PopupMenu3->actions().at(0)->trigger(); // Spain / Portugal / Italy / Poland
        QCOMPARE(cal.Edit2->text(), QString("1582-10-04"));
        QCOMPARE(cal.Edit3->text(), QString("1582-10-15"));
        QVERIFY(DatesEqual(LastJulianDay(), MakeDate(1752, 9, 2))); // filled, not applied
        cal.Button2->click();
        QCOMPARE(cal.PageControl1->currentWidget(), cal.TabSheet1);
        QVERIFY(DatesEqual(LastJulianDay(), MakeDate(1582, 10, 4)));
        QCOMPARE(cal.Edit1->text(), QString("1582-10-15  Fri"));
        QVERIFY(GridRows(cal).startsWith("1 2 3 4 15 16 17|"));
        QCOMPARE(cal.StringGrid1->item(1, 4)->text(), QString("  15"));
        QCOMPARE(cal.StringGrid1->currentColumn(), 4);
    }

    void optionsRefuseWhatCannotBeUsed_data() {
        QTest::addColumn<QString>("dates"); // last Julian day, first Gregorian day
        QTest::newRow("placeholder") << "yyyy-mm-dd 1582-10-15";
        QTest::newRow("too short") << "1582-10-04 1582-10-1";
        QTest::newRow("first before last") << "1752-09-14 1752-09-02";
        QTest::newRow("month 13") << "1752-13-02 1753-01-14";
        QTest::newRow("no such Gregorian day") << "1700-02-18 1700-02-29";
    }
    void optionsRefuseWhatCannotBeUsed() {
        QFETCH(QString, dates);
        TFCal cal;
        cal.PageControl1->setCurrentWidget(cal.TabSheet2);
        cal.Edit2->setText(dates.section(' ', 0, 0));
        cal.Edit3->setText(dates.section(' ', 1, 1));
        cal.Button2->click();
        QCOMPARE(cal.PageControl1->currentWidget(), cal.TabSheet2);
        QVERIFY(DatesEqual(LastJulianDay(), MakeDate(1752, 9, 2)));
        QVERIFY(DatesEqual(FirstGregorianDay(), MakeDate(1752, 9, 14)));
        cal.Button4->click();
        QCOMPARE(cal.PageControl1->currentWidget(), cal.TabSheet1);
    }
};

QTEST_MAIN(TestCalendarDialog)
#include "TestCalendarDialog.moc"
