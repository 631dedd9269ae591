#include "calendar/CalendarState.h"
#include "calendar/DateText.h"
#include "common/CommonState.h"

#include "common/Clock.h"
#include "common/TextHelpers.h"
#include "support/TestFolder.h"

#include <QLocale>
#include <QTest>

#include <memory>

// Dates and time stamps as text, and the dates read from the clock.
class TestDateText : public QObject {
    Q_OBJECT
    std::unique_ptr<TestFolder> folder;

private slots:
    void init() { folder = std::make_unique<TestFolder>(false); }
    void cleanup() {
        folder.reset();
        ResetAllState();
    }

    // The date read, as its fields written out; a refused text gives the zero date.
    void parse_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("fields");
        QTest::newRow("plain") << "2024-05-17" << true << "2024-05-17";
        QTest::newRow("dialog text with weekday") << "2024-05-17  Fri" << true << "2024-05-17";
        QTest::newRow("separators not examined") << "2024x05x17" << true << "2024-05-17";
        QTest::newRow("no range test") << "2024-13-45" << true << "2024-13-45";
        QTest::newRow("zero date") << "0000-00-00" << true << "0000-00-00";
        QTest::newRow("early year") << "0001-01-01" << true << "0001-01-01";
        QTest::newRow("nine characters") << "2024-5-17" << false << "0000-00-00";
        QTest::newRow("empty") << "" << false << "0000-00-00";
        QTest::newRow("placeholder") << "yyyy-mm-dd" << false << "0000-00-00";
        QTest::newRow("placeholder upper case") << "YYYY-MM-DD" << false << "0000-00-00";
        QTest::newRow("placeholder mixed case") << "Yyyy-mM-dD" << false << "0000-00-00";
        QTest::newRow("letters in year") << "20a4-05-17" << false << "0000-00-00";
        QTest::newRow("letters in day") << "2024-05-1x" << false << "0000-00-00";
        QTest::newRow("short month shifts day") << "2024-5-170" << false << "0000-00-00";
        QTest::newRow("negative month") << "2024--1-17" << false << "0000-00-00";
    }
    void parse() {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(QString, fields);
        CalendarDate date = MakeDate(1999, 9, 9);
        QCOMPARE(ParseIsoDate(text, date), ok);
        QCOMPARE(FormatIsoDate(date), fields);
        QCOMPARE(int(date.weekday), 0);
        QVERIFY(DatesEqual(ParseIsoDate(text), date)); // the zero-date form agrees
    }

    // Each date as "iso  Wkd" and "iso (Wkd)" as well as bare.
    void formats_data() {
        QTest::addColumn<QString>("iso");
        QTest::addColumn<CalendarDate>("date");
        QTest::addColumn<QString>("weekday");
        QTest::newRow("friday") << "2024-05-17" << MakeDate(2024, 5, 17) << "Fri";
        QTest::newRow("short year") << "0987-01-02" << MakeDate(987, 1, 2) << "Sun";
        QTest::newRow("zero date") << "0000-00-00" << CalendarDate() << "";
        QTest::newRow("gap day") << "1752-09-10" << MakeDate(1752, 9, 10) << "Wed";
        CalendarDate stale = MakeDate(2024, 5, 18);
        stale.weekday = 2; // a stored weekday in range is used as it is
        QTest::newRow("weekday given") << "2024-05-18" << stale << "Tue";
        stale.weekday = 9;
        QTest::newRow("weekday out of range") << "2024-05-18" << stale << "Sat";
    }
    void formats() {
        QFETCH(QString, iso);
        QFETCH(CalendarDate, date);
        QFETCH(QString, weekday);
        Common().PadChar =
            QLatin1Char(' '); // dates stay zero-padded while the diary pads with blanks
        QCOMPARE(FormatIsoDate(date), iso);
        QCOMPARE(FormatIsoDateWeekday(date), iso + "  " + weekday);
        QCOMPARE(FormatIsoDateParenWeekday(date), iso + " (" + weekday + ")");
    }

    void clockAndPlatformTimes() {
        const QDateTime when(QDate(2024, 5, 17), QTime(9, 5, 42));
        SetClockForTesting([when] { return when; });
        QCOMPARE(NowStamp(), QString("2024-05-17 (Fri) 09:05 "));
        QCOMPARE(TimestampText(when, StampDateTime), QString("2024-05-17 09:05"));
        QCOMPARE(TimestampText(when, StampDateWeekdayTime), QString("2024-05-17 (Fri) 09:05"));
        Calendar().TimestampStyle = StampDateTime;
        QCOMPARE(TimestampText(CurrentTimestamp()), QString("2024-05-17 09:05"));
        QCOMPARE(FormatTimeOfDay(CurrentTimestamp().time), QString("09:05"));
        QCOMPARE(int(CurrentTimestamp().time.second), 42);
        // An empty creation time shows as the zero date at midnight.
        QCOMPARE(TimestampText(QDateTime(), StampDateTime), QString("0000-00-00 00:00"));

        SetClockForTesting([] { return QDateTime(QDate(2023, 12, 31), QTime(23, 59, 59)); });
        CalendarDate d = TodayDate();
        QVERIFY(DatesEqual(d, MakeDate(2023, 12, 31)));
        QCOMPARE(int(d.weekday), 0);

        // Platform dates outside 1 to 9999 become the zero date.
        QVERIFY(IsZeroDate(DateFromDateTime(QDateTime())));
        QVERIFY(DatesEqual(DateFromDateTime(QDateTime(QDate(1600, 2, 29), QTime(1, 2))),
                           MakeDate(1600, 2, 29)));
        QVERIFY(IsZeroDate(DateFromDateTime(QDateTime(QDate(10000, 1, 1), QTime(0, 0)))));
        QVERIFY(IsZeroDate(DateFromDateTime(QDateTime(QDate(-5, 1, 1), QTime(0, 0)))));
        Timestamp s = TimestampFromDateTime(QDateTime(QDate(2024, 5, 17), QTime(13, 7, 9)));
        QCOMPARE(FormatTimeOfDay(s.time), QString("13:07"));
        QCOMPARE(int(s.time.second), 9);
    }

    void programWideDateText() {
        QCOMPARE(DateText(QDate(2014, 12, 3)), QString("2014-12-03"));
        const QString text = DateTimeText(QDateTime(QDate(2014, 12, 3), QTime(16, 4, 5)));
        QVERIFY2(text.startsWith("2014-12-03 "), qPrintable(text));
        QVERIFY2(text.contains(QLocale::system().toString(QTime(16, 4, 5), "mm")),
                 qPrintable(text));
        QVERIFY(DateTimeText(QDateTime()).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestDateText)
#include "TestDateText.moc"
