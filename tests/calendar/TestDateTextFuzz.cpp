#include "calendar/DateText.h"

#include "support/FuzzInput.h"
#include "support/TestFolder.h"

#include <QElapsedTimer>
#include <QTest>

// Dates typed into the calendar's boxes, as anyone may type them: good dates changed at
// random and random text. Every read returns; a refused text gives the zero date, an accepted
// one fields within the widths of yyyy-mm-dd that only its first ten characters decide, and
// whatever the date, the calendar's arithmetic on it stays within its tables.
class TestDateTextFuzz : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { ResetAllState(); }
    void readsAnyTextSoundly();
};

namespace {

QString Fields(const CalendarDate& d) {
    return QStringLiteral("%1-%2-%3").arg(d.year).arg(d.month).arg(d.day);
}

bool SameDate(const CalendarDate& a, const CalendarDate& b) {
    return a.year == b.year && a.month == b.month && a.day == b.day;
}

// The text of a fuzz input: the bytes as UTF-8 (invalid sequences become replacement
// characters), as Latin-1, or as UTF-16 units of any value, lone surrogates included.
QString TextOf(const QByteArray& bytes, quint32 how) {
    switch (how) {
    case 0:
        return QString::fromLatin1(bytes);
    case 1:
        return QString(reinterpret_cast<const QChar*>(bytes.constData()), bytes.size() / 2);
    default:
        return QString::fromUtf8(bytes);
    }
}

} // namespace

void TestDateTextFuzz::readsAnyTextSoundly() {
    TestFolder folder(false);
    const QList<QByteArray> good{
        "2024-05-17", "2024-05-17  Fri", "0001-01-01", "9999-12-31 (Sun) 23:59",
        "1752-09-02", "1582-10-15",      "2024-02-29", "yyyy-mm-dd",
        "2024-13-45"};
    FuzzInput input(20241210, {"-", "+", " ", "yyyy", "mm", "dd", "\xd9\xa3", "\xef\xbc\x91", "0x1",
                               "1e3", "65535", "65536", "00", "99", "\xcc\x81"});
    QElapsedTimer clock;
    clock.start();
    int accepted = 0, sensible = 0;
    CalendarDate previous;
    for (int round = 0; round < 20000; ++round) {
        const QString text = TextOf(input.Next(good, 24), input.Bounded(4));
        const QString where = QStringLiteral("round %1, \"%2\"").arg(round).arg(text.left(40));
        CalendarDate d;
        bool ok = false;
        {
            FuzzCallBound bound("TestDateTextFuzz", round);
            ok = ParseIsoDate(text, d);
        }
        if (!ok) {
            QVERIFY2(SameDate(d, CalendarDate()), qPrintable(where + ": refused, not zero"));
            continue;
        }
        ++accepted;
        QVERIFY2(text.size() >= 10 && d.year <= 9999 && d.month <= 99 && d.day <= 99,
                 qPrintable(where + ": accepted as " + Fields(d)));
        // Only the first ten characters count, and of those not the separators.
        QString separators = text.left(10);
        separators[4] = QLatin1Char('/');
        separators[7] = QLatin1Char('.');
        CalendarDate same;
        QVERIFY2(ParseIsoDate(separators, same) && SameDate(same, d),
                 qPrintable(where + ": read otherwise without the rest or the separators"));
        // Written out and read again, the date is the same.
        QVERIFY2(SameDate(ParseIsoDate(FormatIsoDate(d)), d),
                 qPrintable(where + ": " + FormatIsoDate(d) + " reads back otherwise"));

        // What the calendar does with a date from its boxes, whatever the fields.
        const int length = MonthLength(d);
        QVERIFY2(length >= 28 && length <= 31, qPrintable(where));
        CalendarDate w = d;
        ComputeWeekday(w);
        QVERIFY2(d.year == 0 || (w.weekday >= 1 && w.weekday <= 7), qPrintable(where));
        QVERIFY(!FormatIsoDateParenWeekday(d).isEmpty());
        // A month on lands in a month that exists, and from a real month, back again.
        CalendarDate stepped = d;
        NextMonth(stepped);
        QVERIFY2(stepped.month >= 1 && stepped.month <= 12, qPrintable(where));
        PreviousMonth(stepped);
        QVERIFY2(d.month < 1 || d.month > 12 || SameDate(stepped, d),
                 qPrintable(where + ": a month on and back is elsewhere"));
        // Two dates from the boxes as a transition: taken only when sensible, and then the first
        // Gregorian day follows the last Julian day.
        if (IsSensibleTransition(previous, d)) {
            ++sensible;
            SetTransition(previous, d);
            QVERIFY2(DayNumber(d) == DayNumber(previous) + 1,
                     qPrintable(where + ": the transition leaves a gap"));
            SetTransition(DefaultTransition().lastJulian, DefaultTransition().firstGregorian);
        }
        previous = d;
    }
    QVERIFY(accepted > 1000);
    qInfo("%d texts accepted as dates (%d pairs a sensible transition), in %lld ms", accepted,
          sensible, static_cast<long long>(clock.elapsed()));
}

QTEST_GUILESS_MAIN(TestDateTextFuzz)
#include "TestDateTextFuzz.moc"
