#include "diary/DiaryDays.h"
#include "diary/DiarySession.h"

#include "common/Clock.h"
#include "calendar/DateText.h"
#include "support/TestFolder.h"

#include <QTest>

namespace {

// The day rows of a layout joined by '|', each as its seven cells' days with '.' for a cell
// without one; empty rows at the end are left off.
QString LayoutRows(const std::vector<MonthCell>& cells) {
    QStringList grid(42, QStringLiteral("."));
    for (const MonthCell& c : cells) {
        if (c.row < 1 || c.row > 6 || c.column < 0 || c.column > 6)
            return QStringLiteral("out of the grid");
        grid[(c.row - 1) * 7 + c.column] = QString::number(c.day);
    }
    QStringList rows;
    for (int r = 0; r < 6; ++r)
        rows << grid.mid(r * 7, 7).join(QLatin1Char(' '));
    while (!rows.isEmpty() && rows.last() == QStringLiteral(". . . . . . ."))
        rows.removeLast();
    return rows.join(QLatin1Char('|'));
}

// The slots that hold anything, as "day:id name", slots outside 0..31 included.
QStringList Filled(const DiaryDays& days) {
    QStringList out;
    for (int d = -1; d <= DiaryDays::SlotCount; ++d)
        if (!days.Slot(d).Id.IsNone() || !days.Slot(d).Name.isEmpty())
            out << QStringLiteral("%1:%2 %3")
                       .arg(d)
                       .arg(days.Slot(d).Id.Value())
                       .arg(days.Slot(d).Name);
    return out;
}

} // namespace

// The diary's month without a window: which day a Ref belongs to, the day slots, the grid's
// layout, and what a session decides.
class TestDiaryDays : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { ResetAllState(); }

    void refDay_data() {
        QTest::addColumn<QString>("ref");
        QTest::addColumn<int>("day");
        QTest::newRow("entry") << "2024-05-17 (Fri)" << 17;
        QTest::newRow("first") << "2024-05-01" << 1;
        QTest::newRow("last") << "2024-05-31x" << 31;
        QTest::newRow("day 0") << "2024-05-00" << 0;
        QTest::newRow("day 32") << "2024-05-32" << 0;
        QTest::newRow("day 99") << "2024-05-99 (Fri)" << 0;
        QTest::newRow("one digit, then text") << "2024-05-7 dentist" << 0;
        QTest::newRow("one digit") << "2024-05-7" << 0;
        QTest::newRow("blank, digit") << "2024-05- 7" << 0;
        QTest::newRow("sign") << "2024-05-+7" << 0;
        QTest::newRow("digit, letter") << "2024-05-1a" << 0;
        QTest::newRow("month only") << "2024-05" << 0;
        QTest::newRow("other digits") << QString("2024-05-") + QChar(0x0661) + QChar(0x0662) << 0;
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
        days.Fill({{ItemId(5), "Dentist", "2024-05-17 (Fri)"},
                   {ItemId(6), "Bad zero", "2024-05-00"},
                   {ItemId(7), "Bad high", "2024-05-45"},
                   {ItemId(8), "Bad text", "2024-05-x1"},
                   {ItemId(9), "Short", "2024-05"},
                   {ItemId(10), "Tom & Jerry", "2024-05-05"},
                   {ItemId(11), "Early", "2024-05-31 one"},
                   {ItemId(12), "Late", "2024-05-31 two"}});
        QCOMPARE(Filled(days), (QStringList{"5:10 Tom & Jerry", "17:5 Dentist", "31:12 Late"}));
        days.Clear();
        QVERIFY(Filled(days).isEmpty());
    }

    void layout_data() {
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("rows");
        QTest::newRow("Sunday first: column 6")
            << "2024-09-10"
            << ". . . . . . 1|2 3 4 5 6 7 8|9 10 11 12 13 14 15|16 17 18 19 20 21 22|"
               "23 24 25 26 27 28 29|30 . . . . . .";
        QTest::newRow("31 days from Saturday: six rows")
            << "2025-03-01"
            << ". . . . . 1 2|3 4 5 6 7 8 9|10 11 12 13 14 15 16|17 18 19 20 21 22 23|"
               "24 25 26 27 28 29 30|31 . . . . . .";
        // The days the transition leaves out keep their cells: day 1 on its Julian weekday.
        QTest::newRow("September 1752 whole")
            << "1752-09-14"
            << ". 1 2 3 4 5 6|7 8 9 10 11 12 13|14 15 16 17 18 19 20|21 22 23 24 25 26 27|"
               "28 29 30 . . . .";
        QTest::newRow("year 0: no weekdays") << "0000-05-17"
                                             << "";
    }
    void layout() {
        QFETCH(QString, shown);
        QFETCH(QString, rows);
        QCOMPARE(LayoutRows(DiaryLayout(ParseIsoDate(shown))), rows);
    }

    // An entry opens and leaves the shown date alone; an empty day becomes the shown day with
    // its own weekday, which the new entry's Ref is made from.
    void choices() {
        SetClockForTesting([] { return QDateTime(QDate(2024, 5, 5), QTime(9, 5)); });
        DiarySession session;
        session.LoadEntries({{ItemId(42), "Dentist", "2024-05-17 (Fri)"}}); // shown: Sunday 5 May

        DiarySession::Choice c = session.Choose(3, 4); // 17 May
        QCOMPARE(int(c.Kind), int(DiarySession::ChoiceKind::OpenEntry));
        QCOMPARE(c.Id, ItemId(42));
        QCOMPARE(int(session.Choose(1, 0).Kind), int(DiarySession::ChoiceKind::Nothing));
        QCOMPARE(FormatIsoDate(session.Shown()), QString("2024-05-05"));

        c = session.Choose(4, 4); // 24 May
        QCOMPARE(int(c.Kind), int(DiarySession::ChoiceKind::NewEntry));
        QCOMPARE(FormatIsoDateParenWeekday(session.Shown()), QString("2024-05-24 (Fri)"));
        // Nor does a step leave a stale weekday behind.
        session.Step(NextMonth);
        QCOMPARE(FormatIsoDateParenWeekday(session.Shown()), QString("2024-06-24 (Mon)"));
    }

    void yearChooser() {
        DiarySession session;
        auto years = [&] {
            return QStringLiteral("%1..%2")
                .arg(session.Years().front())
                .arg(session.Years().back());
        };
        QCOMPARE(years(), QString("1998..2006"));
        session.MovePastYears();
        QCOMPARE(years(), QString("1989..1997"));
        QCOMPARE(session.Years()[1], 1990);
        session.MoveFutureYears();
        session.MoveFutureYears();
        QCOMPARE(years(), QString("2007..2015"));
        // The list ends at the years a date can hold.
        session = DiarySession(0);
        session.MovePastYears();
        QCOMPARE(years(), QString("0..8"));
        session = DiarySession(9991);
        session.MoveFutureYears();
        QCOMPARE(years(), QString("9991..9999"));

        QVERIFY(session.PickYear("1989"));
        QCOMPARE(session.Shown().year, quint16(1989));
        for (const char* caption : {"abc", "", "-5", "10000"})
            QVERIFY2(!session.PickYear(caption), caption);
        QCOMPARE(session.Shown().year, quint16(1989));
    }
};

QTEST_GUILESS_MAIN(TestDiaryDays)
#include "TestDiaryDays.moc"
