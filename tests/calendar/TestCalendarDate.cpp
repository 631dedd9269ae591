#include "calendar/CalendarDate.h"
#include "calendar/CalendarState.h"
#include "calendar/DateText.h"

#include "support/TestFolder.h"

#include <QCalendar>
#include <QDate>
#include <QRandomGenerator>
#include <QTest>

#include <memory>
#include <vector>

namespace {

struct Transition {
    CalendarDate last;
    CalendarDate first;
};

// The rules written out the long way, as a check on the closed forms of the library.
int Cmp(const CalendarDate& a, const CalendarDate& b) {
    if (a.year != b.year)
        return a.year < b.year ? -1 : 1;
    if (a.month != b.month)
        return a.month < b.month ? -1 : 1;
    if (a.day != b.day)
        return a.day < b.day ? -1 : 1;
    return 0;
}

bool JulianLeap(int y) {
    return y % 4 == 0;
}
bool GregorianLeap(int y) {
    return y % 400 == 0 || (y % 4 == 0 && y % 100 != 0);
}

int LengthIn(int, int m, bool leap) {
    static const int lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return (m == 2 && leap) ? 29 : lengths[m - 1];
}

int RefMonthLength(const CalendarDate& d, const Transition& t) {
    bool julian = Cmp(d, t.last) <= 0;
    return LengthIn(d.year, d.month, julian ? JulianLeap(d.year) : GregorianLeap(d.year));
}

CalendarDate RandomDate(QRandomGenerator& rng, int fromYear, int toYear, bool julian) {
    int y = rng.bounded(fromYear, toYear + 1);
    int m = rng.bounded(1, 13);
    int d = rng.bounded(1, LengthIn(y, m, julian ? JulianLeap(y) : GregorianLeap(y)) + 1);
    return MakeDate(y, m, d);
}

// A real Julian last day and a real Gregorian first day later than it, up to a few years on.
Transition RandomTransition(QRandomGenerator& rng) {
    Transition t;
    t.last = RandomDate(rng, 1, 9990, true);
    do
        t.first = RandomDate(rng, t.last.year, t.last.year + rng.bounded(0, 6), false);
    while (Cmp(t.first, t.last) <= 0);
    return t;
}

std::vector<Transition> TransitionsToCheck() {
    std::vector<Transition> list;
    for (const TransitionPreset& p : TransitionPresets())
        list.push_back({p.lastJulian, p.firstGregorian});
    QRandomGenerator rng(20240517);
    for (int i = 0; i < 8; ++i)
        list.push_back(RandomTransition(rng));
    list.push_back({MakeDate(1, 1, 1), MakeDate(1, 1, 2)});           // Gregorian from day two
    list.push_back({MakeDate(9999, 12, 30), MakeDate(9999, 12, 31)}); // Julian to the end
    list.push_back({MakeDate(1700, 2, 29), MakeDate(1700, 3, 1)});    // Julian leap day kept
    return list;
}

QByteArray Describe(const CalendarDate& d, const Transition& t) {
    auto iso = [](const CalendarDate& x) {
        return QByteArray::number(x.year) + '-' + QByteArray::number(x.month) + '-' +
               QByteArray::number(x.day);
    };
    return iso(d) + " with transition " + iso(t.last) + " / " + iso(t.first);
}

} // namespace

class TestCalendarDate : public QObject {
    Q_OBJECT
    std::unique_ptr<TestFolder> folder;

    static void Use(const Transition& t) { SetTransition(t.last, t.first); }

private slots:
    void init() { folder = std::make_unique<TestFolder>(false); }
    void cleanup() {
        folder.reset();
        ResetAllState();
    }

    void defaultsOnStart() {
        QVERIFY(DatesEqual(LastJulianDay(), MakeDate(1752, 9, 2)));
        QVERIFY(DatesEqual(FirstGregorianDay(), MakeDate(1752, 9, 14)));
        QCOMPARE(DayNumber(MakeDate(0, 5, 17)), -1); // year 0 has no day number
    }

    // One reset puts back the transition with the day counts reckoned from it, and the stamp
    // style, whatever moved them.
    void resetRestoresTransitionAndStampStyle() {
        const CalendarDate day = MakeDate(1700, 1, 1); // Julian here, Gregorian in France
        const qint32 number = DayNumber(day);
        const TransitionPreset& france = TransitionPresets()[1];
        SetTransition(france.lastJulian, france.firstGregorian);
        Calendar().TimestampStyle = StampDateTime;
        QVERIFY(DayNumber(day) != number);

        ResetCalendarState();
        QVERIFY(DatesEqual(LastJulianDay(), DefaultTransition().lastJulian));
        QVERIFY(DatesEqual(FirstGregorianDay(), DefaultTransition().firstGregorian));
        QCOMPARE(DayNumber(day), number);
        QCOMPARE(DayNumber(MakeDate(1752, 9, 14)), DayNumber(MakeDate(1752, 9, 2)) + 1);
        Timestamp stamp;
        stamp.date = MakeDate(2024, 5, 17);
        QCOMPARE(TimestampText(stamp), QString("2024-05-17 (Fri) 00:00"));
    }

    // Day numbers and weekdays against the platform's Julian day numbers over random dates;
    // half of them near the transition, where the rules meet. The Julian side is the Julian
    // calendar, the Gregorian side follows on from it; days in the gap are left to the every-day
    // check below.
    void agreesWithPlatformOnRandomDates() {
        QRandomGenerator rng(1752);
        const QCalendar julian(QCalendar::System::Julian);
        for (const Transition& t : TransitionsToCheck()) {
            Use(t);
            for (int i = 0; i < 60; ++i) {
                int from = i % 2 ? qMax(1, t.last.year - 2) : 1;
                int to = i % 2 ? qMin(9999, t.first.year + 2) : 9999;
                CalendarDate d = RandomDate(rng, from, to, rng.bounded(2) == 0);
                if (d.day > RefMonthLength(d, t))
                    continue; // a day that calendar does not have on this side
                const QByteArray what = Describe(d, t);
                qint64 jd = -1;
                if (Cmp(d, t.last) <= 0)
                    jd = QDate(d.year, d.month, d.day, julian).toJulianDay();
                else if (Cmp(d, t.first) >= 0)
                    jd = QDate(d.year, d.month, d.day).toJulianDay() -
                         QDate(t.first.year, t.first.month, t.first.day).toJulianDay() +
                         QDate(t.last.year, t.last.month, t.last.day, julian).toJulianDay() + 1;
                if (jd < 0)
                    continue;
                QVERIFY2(DayNumber(d) == jd - QDate(1, 1, 1, julian).toJulianDay() + 1, what);
                ComputeWeekday(d);
                QVERIFY2(d.weekday == QDate::fromJulianDay(jd).dayOfWeek(), what);
            }
        }
    }

    // Every day from 0001-01-01 to 9999-12-31 in order: the days that exist are numbered one
    // after the other, the gap repeats the last Julian number, weekdays follow on without a
    // break and month lengths are those of the side of the transition the day lies on.
    void agreesWithCountingOnEveryDay() {
        for (const Transition& t : TransitionsToCheck()) {
            Use(t);
            qint32 counter = 0;
            int previousWeekday = 5; // the day before 0001-01-01 was a Friday
            for (int y = 1; y <= 9999; ++y) {
                for (int m = 1; m <= 12; ++m) {
                    for (int dd = 1; dd <= 31; ++dd) {
                        CalendarDate d = MakeDate(y, m, dd);
                        int length = RefMonthLength(d, t);
                        if (dd > length)
                            break;
                        bool exists = Cmp(d, t.last) <= 0 || Cmp(d, t.first) >= 0;
                        if (exists)
                            ++counter;
                        if (DayNumber(d) != counter || MonthLength(d) != length)
                            QFAIL(Describe(d, t).constData());
                        ComputeWeekday(d);
                        if (exists) {
                            if (d.weekday != previousWeekday % 7 + 1)
                                QFAIL(Describe(d, t).constData());
                            previousWeekday = d.weekday;
                        } else if (d.weekday != previousWeekday) {
                            QFAIL(Describe(d, t).constData());
                        }
                    }
                }
            }
        }
    }

    void comparisonAndStepping() {
        CalendarDate a = MakeDate(2024, 5, 17);
        CalendarDate b = a;
        b.weekday = 5;
        QCOMPARE(CompareDates(a, b), 0);
        QVERIFY(a == b);
        QCOMPARE(CompareDates(MakeDate(2024, 5, 17), MakeDate(2024, 5, 18)), -1);
        QCOMPARE(CompareDates(MakeDate(2024, 6, 1), MakeDate(2024, 5, 31)), 1);
        QCOMPARE(CompareDates(MakeDate(2023, 12, 31), MakeDate(2024, 1, 1)), -1);
        QVERIFY(IsLater(MakeDate(2024, 1, 2), MakeDate(2024, 1, 1)));
        QVERIFY(IsEarlier(MakeDate(2024, 1, 1), MakeDate(2024, 1, 2)));
        QVERIFY(IsNotLater(a, b) && !IsLater(a, b) && !IsEarlier(a, b));
        QVERIFY(IsZeroDate(CalendarDate()) && !IsZeroDate(MakeDate(0, 0, 1)));

        auto stepped = [](void (*step)(CalendarDate&), CalendarDate d) {
            step(d);
            return FormatIsoDate(d);
        };
        QCOMPARE(stepped(NextYear, MakeDate(9999, 6, 15)), QString("0000-06-15"));
        QCOMPARE(stepped(PreviousYear, MakeDate(0, 6, 15)), QString("9999-06-15"));
        QCOMPARE(stepped(NextYear, MakeDate(9998, 1, 1)), QString("9999-01-01"));
        QCOMPARE(stepped(PreviousMonth, MakeDate(1, 1, 31)), QString("0000-12-31"));
        QCOMPARE(stepped(NextMonth, MakeDate(0, 12, 31)), QString("0001-01-31"));
        QCOMPARE(stepped(NextMonth, MakeDate(9999, 12, 5)), QString("0000-01-05"));
        QCOMPARE(stepped(NextMonth, MakeDate(2024, 1, 31)), QString("2024-02-31")); // day kept
        // Stepping brings a nonsense month back into the year.
        QCOMPARE(stepped(NextMonth, MakeDate(2024, 13, 1)), QString("2025-01-01"));
        QCOMPARE(stepped(PreviousMonth, MakeDate(2024, 0, 1)), QString("2023-12-01"));
    }

    // Dates no calendar has must give some answer, stay in the tables and end.
    void outOfTableDatesStayInRange_data() {
        QTest::addColumn<CalendarDate>("last");
        QTest::addColumn<CalendarDate>("first");
        QTest::newRow("default") << MakeDate(1752, 9, 2) << MakeDate(1752, 9, 14);
        QTest::newRow("first before last") << MakeDate(1900, 1, 1) << MakeDate(1800, 1, 1);
        QTest::newRow("first equals last") << MakeDate(1752, 9, 2) << MakeDate(1752, 9, 2);
        QTest::newRow("month 13 day 45") << MakeDate(1752, 13, 45) << MakeDate(1753, 13, 45);
        QTest::newRow("zero dates") << CalendarDate() << CalendarDate();
        QTest::newRow("largest fields")
            << MakeDate(65535, 65535, 65535) << MakeDate(65535, 65535, 65535);
        QTest::newRow("year 1 gap") << MakeDate(1, 0, 0) << MakeDate(9999, 99, 99);
    }
    void outOfTableDatesStayInRange() {
        QFETCH(CalendarDate, last);
        QFETCH(CalendarDate, first);
        SetTransition(last, first);
        const int fields[] = {0, 1, 2, 12, 13, 45, 99, 9999, 65535};
        for (int y : {1, 1700, 1752, 1753, 9999, 65535})
            for (int m : fields)
                for (int d : fields) {
                    CalendarDate date = MakeDate(y, m, d);
                    int length = MonthLength(date);
                    QVERIFY(length >= 28 && length <= 31);
                    ComputeWeekday(date);
                    QVERIFY2(date.weekday >= 1 && date.weekday <= 7, Describe(date, {last, first}));
                }
    }
};

QTEST_GUILESS_MAIN(TestCalendarDate)
#include "TestCalendarDate.moc"
