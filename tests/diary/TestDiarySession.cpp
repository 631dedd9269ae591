#include "diary/DiarySession.h"

#include "common/Clock.h"
#include "calendar/DateText.h"
#include "support/TestFolder.h"

#include <QTest>

namespace {

// The caption the session gives the cell at row and column; "(no cell)" when it lays out none
// there.
QString Caption(const DiarySession& session, int row, int column) {
    for (const DiaryCell& cell : session.Cells())
        if (cell.Row == row && cell.Column == column)
            return cell.Text;
    return QStringLiteral("(no cell)");
}

void SetToday(const QDate& date) {
    static QDateTime today;
    today = QDateTime(date, QTime(9, 5));
    SetClockForTesting([] { return today; });
}

} // namespace

// What choosing a cell of the diary's grid means, decided from the cell's place in the month the
// session laid out, without a window.
class TestDiarySession : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { ResetAllState(); }

    void chooseByPlace_data() {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<DiarySession::ChoiceKind>("kind");
        QTest::addColumn<int>("day");
        QTest::addColumn<ItemId>("id");
        QTest::addColumn<QString>("shown"); // the shown date after the choice
        using K = DiarySession::ChoiceKind;
        const QDate may(2024, 5, 5); // Wednesday the 1st: row 1 begins with two empty cells
        const QString unmoved = QStringLiteral("2024-05-05 (Sun)");
        QTest::newRow("entry") << may << 3 << 4 << K::OpenEntry << 17 << ItemId(42) << unmoved;
        QTest::newRow("empty day")
            << may << 4 << 4 << K::NewEntry << 24 << ItemId(0) << "2024-05-24 (Fri)";
        QTest::newRow("headings") << may << 0 << 4 << K::Nothing << 0 << ItemId(0) << unmoved;
        QTest::newRow("before the 1st") << may << 1 << 0 << K::Nothing << 0 << ItemId(0) << unmoved;
        QTest::newRow("after the 31st") << may << 5 << 5 << K::Nothing << 0 << ItemId(0) << unmoved;
        // Sunday the 1st: the first row holds only that day, in its last column.
        const QDate september(2024, 9, 10);
        QTest::newRow("Sunday the 1st")
            << september << 1 << 6 << K::NewEntry << 1 << ItemId(0) << "2024-09-01 (Sun)";
    }
    void chooseByPlace() {
        QFETCH(QDate, today);
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(DiarySession::ChoiceKind, kind);
        QFETCH(int, day);
        QFETCH(ItemId, id);
        QFETCH(QString, shown);
        SetToday(today);
        DiarySession session;
        session.LoadEntries({{ItemId(42), "Dentist", "2024-05-17 (Fri)"}});
        const DiarySession::Choice choice = session.Choose(row, column);
        QCOMPARE(choice.Kind, kind);
        QCOMPARE(choice.Day, day);
        QCOMPARE(choice.Id, id);
        QCOMPARE(FormatIsoDateParenWeekday(session.Shown()), shown);
        // The cell's caption shows the day the choice was made for.
        if (day > 0)
            QCOMPARE(Caption(session, row, column).left(2).trimmed().toInt(), day);
    }

    // The grid's cells are those of the month loaded last: a step to another month changes what
    // a cell means only once that month is loaded, and the same cell then holds its own day.
    void cellsFollowTheMonthLoaded() {
        SetToday(QDate(2024, 5, 5));
        DiarySession session;
        session.LoadEntries({{ItemId(42), "Dentist", "2024-05-17 (Fri)"}});
        QCOMPARE(Caption(session, 3, 4), QString("17  Dentist"));
        session.Step(NextMonth);
        QCOMPARE(session.Choose(3, 4).Id, ItemId(42));
        QCOMPARE(FormatIsoDate(session.Shown()), QString("2024-06-05"));

        session.LoadEntries({{ItemId(9), "Fishing", "2024-06-14 (Fri)"}});
        QCOMPARE(Caption(session, 3, 4), QString("14  Fishing"));
        QCOMPARE(session.Choose(3, 4).Id, ItemId(9));
        // The 1st of May's cell is empty in June, whose 1st is a Saturday.
        QCOMPARE(session.Choose(1, 2).Kind, DiarySession::ChoiceKind::Nothing);
        const DiarySession::Choice first = session.Choose(1, 5);
        QCOMPARE(first.Kind, DiarySession::ChoiceKind::NewEntry);
        QCOMPARE(FormatIsoDateParenWeekday(session.Shown()), QString("2024-06-01 (Sat)"));
        // Loading again, as the diary does when it opens again, keeps the date chosen.
        session.LoadEntries({});
        QCOMPARE(FormatIsoDate(session.Shown()), QString("2024-06-01"));
        QCOMPARE(Caption(session, 3, 4), QString("14"));
    }
};

QTEST_GUILESS_MAIN(TestDiarySession)
#include "TestDiarySession.moc"
