#include "diary/DiaryDays.h"
#include "diary/DiarySession.h"

#include "common/Clock.h"
#include "calendar/CalendarState.h"
#include "calendar/DateText.h"
#include "support/ItemFixture.h"
#include "support/TestFolder.h"

#include <QTest>

namespace {

// The six day rows of a layout joined by '|', each as its seven cells' days with '.' for a
// cell without one; empty rows at the end are left off.
QString LayoutRows(const std::vector<MonthCell>& cells) {
    QString grid[6][7];
    for (const MonthCell& c : cells) {
        if (c.row < 1 || c.row > 6 || c.column < 0 || c.column > 6 ||
            !grid[c.row - 1][c.column].isEmpty())
            return QStringLiteral("cell out of the grid or taken twice: %1,%2")
                .arg(c.row)
                .arg(c.column);
        grid[c.row - 1][c.column] = QString::number(c.day);
    }
    QStringList rows;
    for (auto& row : grid) {
        QStringList days;
        for (const QString& d : row)
            days << (d.isEmpty() ? QStringLiteral(".") : d);
        rows << days.join(QLatin1Char(' '));
    }
    while (!rows.isEmpty() && rows.last() == QStringLiteral(". . . . . . ."))
        rows.removeLast();
    return rows.join(QLatin1Char('|'));
}

DiaryRow Row(ItemId id, const QString& name, const QString& tel) {
    return DiaryRow{id, name, tel};
}

// The days that have an entry, as "day:id name" in day order.
QStringList Filled(const DiaryDays& days) {
    QStringList out;
    for (int d = -1; d <= DiaryDays::SlotCount; ++d)
        if (days.Slot(d).Id != 0 || !days.Slot(d).Name.isEmpty())
            out << QStringLiteral("%1:%2 %3").arg(d).arg(days.Slot(d).Id).arg(days.Slot(d).Name);
    return out;
}

} // namespace

// The diary's month without a window: which day a Ref belongs to, the day slots, the grid's
// layout and cell texts, and the choices a session makes.
class TestDiaryDays : public QObject {
    Q_OBJECT
private slots:
    void cleanup() {
        ResetCalendarState();
        SetClockForTesting({});
    }

    void refDay_data() {
        QTest::addColumn<QString>("ref");
        QTest::addColumn<int>("day");
        QTest::newRow("entry") << "2024-05-17 (Fri)" << 17;
        QTest::newRow("date alone") << "2024-05-17" << 17;
        QTest::newRow("first") << "2024-05-01" << 1;
        QTest::newRow("last") << "2024-05-31x" << 31;
        QTest::newRow("day 0") << "2024-05-00" << 0;
        QTest::newRow("day 32") << "2024-05-32" << 0;
        QTest::newRow("day 99") << "2024-05-99 (Fri)" << 0;
        QTest::newRow("one digit then text") << "2024-05-7 dentist" << 0;
        QTest::newRow("one digit at the end") << "2024-05-7" << 0;
        QTest::newRow("blank before digit") << "2024-05- 7" << 0;
        QTest::newRow("sign") << "2024-05-+7" << 0;
        QTest::newRow("letters") << "2024-05-ab" << 0;
        QTest::newRow("digit and letter") << "2024-05-1a" << 0;
        QTest::newRow("no day") << "2024-05-" << 0;
        QTest::newRow("month only") << "2024-05" << 0;
        QTest::newRow("other digits") << QString("2024-05-") + QChar(0x0661) + QChar(0x0662) << 0;
        QTest::newRow("empty") << "" << 0;
    }
    void refDay() {
        QFETCH(QString, ref);
        QFETCH(int, day);
        QCOMPARE(RefDay(ref), day);
    }

    // Refs without a day 1..31 leave every slot as it was; the last row of a day wins; names
    // are kept as typed.
    void fillSlots() {
        DiaryDays days;
        days.Fill({Row(5, "Dentist", "2024-05-17 (Fri)"), Row(6, "Bad zero", "2024-05-00"),
                   Row(7, "Bad high", "2024-05-45"), Row(8, "Bad text", "2024-05-x1"),
                   Row(9, "Short", "2024-05"), Row(10, "Tom & Jerry", "2024-05-05"),
                   Row(11, "Early", "2024-05-31 one"), Row(12, "Late", "2024-05-31 two")});
        QCOMPARE(Filled(days), (QStringList{"5:10 Tom & Jerry", "17:5 Dentist", "31:12 Late"}));
        days.Fill({Row(13, "Bad", "2024-05-32")});
        QCOMPARE(Filled(days).size(), 3);
        days.Clear();
        QVERIFY(Filled(days).isEmpty());
    }

    // Loaded from the items: rows with bad days load with the month and touch nothing.
    void loadMonth() {
        TestFolder folder;
        const ItemId dentist = MakeItem("Dentist", 0, "2024-05-17 (Fri)");
        MakeItem("No day", 0, "2024-05-00");
        MakeItem("Too late", 0, "2024-05-99");
        MakeItem("Bare", 0, "2024-05");
        const ItemId hidden = MakeItem("Hidden", 0, "2024-05-20");
        const ItemId hider = MakeItem("Hider");
        MakeHider(hider, {hidden});
        DiaryDays days;
        days.Fill({Row(99, "Stale", "2024-05-03")});
        days.Load(MakeDate(2024, 5, 1), 0);
        QCOMPARE(Filled(days), QStringList{QStringLiteral("17:%1 Dentist").arg(dentist)});
        days.Load(MakeDate(2024, 5, 1), hider);
        QCOMPARE(Filled(days), (QStringList{QStringLiteral("17:%1 Dentist").arg(dentist),
                                            QStringLiteral("20:%1 Hidden").arg(hidden)}));
    }

    void layout_data() {
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("rows");
        QTest::newRow("Sunday first: column 6")
            << "2024-09-10"
            << ". . . . . . 1|2 3 4 5 6 7 8|9 10 11 12 13 14 15|"
               "16 17 18 19 20 21 22|23 24 25 26 27 28 29|"
               "30 . . . . . .";
        QTest::newRow("31 days from Saturday: six rows")
            << "2025-03-01"
            << ". . . . . 1 2|3 4 5 6 7 8 9|10 11 12 13 14 15 16|17 18 19 20 21 22 23|"
               "24 25 26 27 28 29 30|31 . . . . . .";
        QTest::newRow("May 2024") << "2024-05-17"
                                  << ". . 1 2 3 4 5|6 7 8 9 10 11 12|13 14 15 16 17 18 19|"
                                     "20 21 22 23 24 25 26|27 28 29 30 31 . .";
        QTest::newRow("February from Monday, four rows")
            << "2027-02-01"
            << "1 2 3 4 5 6 7|8 9 10 11 12 13 14|15 16 17 18 19 20 21|"
               "22 23 24 25 26 27 28";
        QTest::newRow("leap February") << "2024-02-29"
                                       << ". . . 1 2 3 4|5 6 7 8 9 10 11|12 13 14 15 16 17 18|"
                                          "19 20 21 22 23 24 25|26 27 28 29 . . .";
        // The days the transition leaves out keep their cells: day 1 on its Julian weekday.
        QTest::newRow("September 1752 whole") << "1752-09-14"
                                              << ". 1 2 3 4 5 6|7 8 9 10 11 12 13|"
                                                 "14 15 16 17 18 19 20|21 22 23 24 25 26 27|"
                                                 "28 29 30 . . . .";
        QTest::newRow("February 1700 Julian leap") << "1700-02-01"
                                                   << ". . . 1 2 3 4|5 6 7 8 9 10 11|"
                                                      "12 13 14 15 16 17 18|19 20 21 22 23 24 25|"
                                                      "26 27 28 29 . . .";
        QTest::newRow("shown day past the month's end") << "2024-04-31"
                                                        << "1 2 3 4 5 6 7|8 9 10 11 12 13 14|"
                                                           "15 16 17 18 19 20 21|"
                                                           "22 23 24 25 26 27 28|29 30 . . . . .";
        QTest::newRow("year 0: no weekdays") << "0000-05-17"
                                             << "";
    }
    void layout() {
        QFETCH(QString, shown);
        QFETCH(QString, rows);
        QCOMPARE(LayoutRows(DiaryLayout(ParseIsoDate(shown))), rows);
    }

    void cellTexts() {
        QCOMPARE(DayCellText(5, "Dentist"), QString(" 5  Dentist"));
        QCOMPARE(DayCellText(17, "Dentist"), QString("17  Dentist"));
        QCOMPARE(DayCellText(17, "Tom & Jerry"), QString("17  Tom & Jerry"));
        QCOMPARE(DayCellText(9, QString()), QString(" 9"));
        for (const QString& text : {QString(" 5  Dentist"), DayCellText(5, "12 Dentist")})
            QCOMPARE(CellDay(text), 5);
        QCOMPARE(CellDay("31"), 31);
        for (const QString& text :
             {QString(), QString(" Mon"), QString("  "), QString("0"), QString("32  x")})
            QCOMPARE(CellDay(text), 0);

        DiaryDays days;
        days.Fill({Row(4, "A & B", "2024-05-17 (Fri)")});
        const std::vector<DiaryCell> cells = DiaryCells(MakeDate(2024, 5, 1), days);
        QCOMPARE(int(cells.size()), 31);
        QCOMPARE(cells[16].Text, QString("17  A & B"));
        QCOMPARE(cells[16].Row, 3);
        QCOMPARE(cells[16].Column, 4);
        QCOMPARE(cells[15].Text, QString("16"));
    }

    // An entry opens and leaves the shown date alone; an empty day becomes the shown day with
    // its own weekday, which the new entry's Ref is made from.
    void choices() {
        SetClockForTesting([] { return QDateTime(QDate(2024, 5, 5), QTime(9, 5)); });
        DiarySession session;
        session.Days.Fill({Row(42, "Dentist", "2024-05-17 (Fri)")});
        ComputeWeekday(session.Shown);
        QCOMPARE(session.Shown.weekday, quint16(7));

        DiarySession::Choice c = session.Choose(DayCellText(17, "Dentist"));
        QCOMPARE(int(c.Kind), int(DiarySession::ChoiceKind::OpenEntry));
        QCOMPARE(c.Id, 42);
        QCOMPARE(FormatIsoDate(session.Shown), QString("2024-05-05"));

        c = session.Choose(QString());
        QCOMPARE(int(c.Kind), int(DiarySession::ChoiceKind::Nothing));
        QCOMPARE(FormatIsoDate(session.Shown), QString("2024-05-05"));

        c = session.Choose(DayCellText(24, QString()));
        QCOMPARE(int(c.Kind), int(DiarySession::ChoiceKind::NewEntry));
        QCOMPARE(c.Day, 24);
        QCOMPARE(FormatIsoDateParenWeekday(session.Shown), QString("2024-05-24 (Fri)"));
    }

    void yearsAndSteps() {
        SetClockForTesting([] { return QDateTime(QDate(2024, 12, 31), QTime(9, 5)); });
        DiarySession session;
        auto years = [&] {
            return QStringLiteral("%1..%2").arg(session.Years.front()).arg(session.Years.back());
        };
        QCOMPARE(years(), QString("1998..2006"));
        session.MovePastYears();
        QCOMPARE(years(), QString("1989..1997"));
        QCOMPARE(session.Years[1], 1990);
        session.MoveFutureYears();
        session.MoveFutureYears();
        QCOMPARE(years(), QString("2007..2015"));
        // The list ends at years a date can hold.
        session.Years = {0, 1, 2, 3, 4, 5, 6, 7, 8};
        session.MovePastYears();
        QCOMPARE(years(), QString("0..8"));
        session.Years = {9991, 9992, 9993, 9994, 9995, 9996, 9997, 9998, 9999};
        session.MoveFutureYears();
        QCOMPARE(years(), QString("9991..9999"));

        QVERIFY(session.PickYear("1989"));
        QCOMPARE(FormatIsoDate(session.Shown), QString("1989-12-31"));
        for (const char* caption : {"abc", "", "-5", "10000", "19 89"})
            QVERIFY2(!session.PickYear(caption), caption);
        QCOMPARE(session.Shown.year, quint16(1989));

        // A step leaves no stale weekday behind for the Ref of a new entry.
        ComputeWeekday(session.Shown);
        session.Step(NextMonth);
        QCOMPARE(FormatIsoDateParenWeekday(session.Shown), QString("1990-01-31 (Wed)"));
        session.SetMonth(2);
        QCOMPARE(FormatIsoDate(session.Shown), QString("1990-02-31"));
        session.SetMonth(13);
        QCOMPARE(session.Shown.month, quint16(2));
        session.ShowToday();
        QCOMPARE(FormatIsoDate(session.Shown), QString("2024-12-31"));
    }
};

QTEST_GUILESS_MAIN(TestDiaryDays)
#include "TestDiaryDays.moc"
