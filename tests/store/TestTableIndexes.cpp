#include "support/ItemFixture.h"

#include "common/Clock.h"
#include "common/WorkProgress.h"
#include "store/Database.h"
#include "support/TestFolder.h"

#include <QTest>

namespace {
const QStringList AllIndexes{"mm2_id2", "phonebk_name", "phonebk_parent", "phonebk_srchts",
                             "phonebk_tel"};

QStringList indexes() {
    QStringList names;
    QSqlQuery q(PhoneDB());
    q.exec("SELECT name FROM sqlite_master WHERE type = 'index' AND name NOT LIKE 'sqlite_%' "
           "ORDER BY name");
    while (q.next())
        names << q.value(0).toString();
    return names;
}

void dropIndexes(const QStringList& names) {
    for (const QString& name : names)
        Exec(QStringLiteral("DROP INDEX %1").arg(name));
}
} // namespace

// The indexes of the tables at start: those missing are made, each told as the engine builds it
// when that takes long, and a file that has them all is only read.
class TestTableIndexes : public QObject {
    Q_OBJECT

    QDateTime now;
    QStringList shown;
    int polls = 0;

private slots:
    void init() {
        now = QDateTime(QDate(2024, 6, 1), QTime(12, 0));
        shown.clear();
        polls = 0;
        // Each look at the clock finds a second gone, so that every report is due.
        SetClockForTesting([this] { return now = now.addSecs(1); });
        // The user asks to stop at every chance: the indexes are made all the same.
        SetWorkProgressHooks({[this](const QString& text) { shown << text; },
                              [this] {
                                  ++polls;
                                  return true;
                              }});
    }
    void cleanup() { ResetAllState(); }

    void missingIndexesAreMadeWithTheirProgress() {
        TestFolder folder;
        Exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 15000) "
             "INSERT INTO phonebk (name, tel, parent, rank, numchildren, numcousins) "
             "SELECT 'item ' || i, CASE WHEN i % 3 = 0 THEN '' ELSE 'R' || i END, 0, 0, 0, 0 "
             "FROM n");
        Exec("INSERT INTO mm2 (id1, id2, linknote, \"drop\") SELECT id, id + 1, NULL, 0 "
             "FROM phonebk WHERE id < 3000");
        QCOMPARE(indexes(), AllIndexes);
        dropIndexes(AllIndexes);
        EnsureIndexes();
        QCOMPARE(indexes(), AllIndexes);
        QVERIFY2(!shown.isEmpty() && polls > 0, qPrintable(shown.join(" | ")));
        for (int i = 0; i + 1 < shown.size(); ++i)
            QVERIFY2(shown[i].startsWith("Preparing the database: building its indexes: ") &&
                         shown[i].endsWith('%'),
                     qPrintable(shown[i]));
        // The text goes when the work is over; the empty Refs of older files became null.
        QCOMPARE(shown.last(), QString());
        QCOMPARE(Scalar("SELECT count(*) FROM phonebk WHERE tel = ''").toInt(), 0);
        QCOMPARE(
            Scalar("SELECT count(*) FROM phonebk WHERE tel IS NULL AND name LIKE 'item %'").toInt(),
            5000);

        // One index missing: only it is made. All there: nothing is told.
        dropIndexes({"phonebk_tel"});
        EnsureIndexes();
        QCOMPARE(indexes(), AllIndexes);
        shown.clear();
        EnsureIndexes();
        QCOMPARE(shown, QStringList());
    }
};

QTEST_GUILESS_MAIN(TestTableIndexes)
#include "TestTableIndexes.moc"
