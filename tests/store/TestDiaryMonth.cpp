#include "store/DiaryMonth.h"

#include "support/ItemFixture.h"
#include "support/TestFolder.h"

#include <QSet>
#include <QSqlQuery>
#include <QTest>

// The diary's month query: its text, the rows it returns and the index it runs on.
class TestDiaryMonth : public QObject {
    Q_OBJECT

    static QSet<ItemId> ids(const std::vector<DiaryRow>& rows) {
        QSet<ItemId> out;
        for (const DiaryRow& row : rows)
            out.insert(row.Id);
        return out;
    }

private slots:
    void queryText_data() {
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("month");
        QTest::addColumn<QString>("pattern");
        QTest::newRow("May 2024") << 2024 << 5 << "2024-05%";
        QTest::newRow("short year padded") << 987 << 1 << "0987-01%";
        QTest::newRow("last year") << 9999 << 12 << "9999-12%";
        QTest::newRow("year 0") << 0 << 3 << "0000-03%";
    }
    void queryText() {
        QFETCH(int, year);
        QFETCH(int, month);
        QFETCH(QString, pattern);
        QCOMPARE(DiaryMonthPattern(year, month), pattern);
        QCOMPARE(DiaryMonthSql(year, month), "select * from phonebk where (tel like '" + pattern +
                                                 "')\nand ( ( rank = 0 ) or ( rank = :hider ) )");
    }

    // The month is a range of the Ref index, not a walk through every item.
    void usesRefIndex() {
        TestFolder folder;
        for (int i = 0; i < 50; ++i)
            MakeItem(QStringLiteral("item %1").arg(i), ItemId(),
                     QStringLiteral("2024-%1-%2").arg(i % 12 + 1, 2, 10, QChar('0')).arg(i % 28));
        QSqlQuery plan(PhoneDB());
        QVERIFY(plan.prepare("EXPLAIN QUERY PLAN " + DiaryMonthSql(2024, 5)));
        plan.bindValue(QStringLiteral(":hider"), 0);
        QVERIFY(plan.exec());
        QStringList details;
        while (plan.next())
            details << plan.value(3).toString();
        QCOMPARE(details.size(), 1);
        QVERIFY2(details[0].startsWith("SEARCH phonebk USING INDEX phonebk_tel (tel>? AND tel<?)"),
                 qPrintable(details[0]));
    }

    void rowsOfTheMonth() {
        TestFolder folder;
        const ItemId dentist = MakeItem("Dentist & co", ItemId(), "2024-05-17 (Fri)");
        const ItemId first = MakeItem("First", ItemId(), "2024-05-01");
        const ItemId bare = MakeItem("Bare month", ItemId(), "2024-05");
        MakeItem("April", ItemId(), "2024-04-30");
        MakeItem("June", ItemId(), "2024-06-01");
        MakeItem("Last year", ItemId(), "2023-05-17");
        MakeItem("Ref after", ItemId(), "x 2024-05-17");
        MakeItem("No Ref");
        const ItemId hider = MakeItem("Hider", ItemId(), "2024-05-22");
        const ItemId hidden = MakeItem("Hidden", ItemId(), "2024-05-20");
        const ItemId other = MakeItem("Other hider");
        const ItemId hiddenByOther = MakeItem("Hidden elsewhere", ItemId(), "2024-05-21");
        MakeHider(hider, {hidden});
        MakeHider(other, {hiddenByOther});

        const std::vector<DiaryRow> shown = ReadDiaryMonth(2024, 5, ItemId(0));
        QCOMPARE(ids(shown), (QSet<ItemId>{dentist, first, bare}));
        for (const DiaryRow& row : shown)
            if (row.Id == dentist) {
                QCOMPARE(row.Name, QString("Dentist & co"));
                QCOMPARE(row.Tel, QString("2024-05-17 (Fri)"));
            }
        // While a hider's items are shown, the hider and its items take part; another
        // hider's items still do not.
        QCOMPARE(ids(ReadDiaryMonth(2024, 5, hider)),
                 (QSet<ItemId>{dentist, first, bare, hider, hidden}));
        QCOMPARE(ids(ReadDiaryMonth(2024, 4, ItemId(0))).size(), 1);
        QVERIFY(ReadDiaryMonth(2022, 5, ItemId(0)).empty());
    }
};

QTEST_GUILESS_MAIN(TestDiaryMonth)
#include "TestDiaryMonth.moc"
