#include "repair/HealthCheckScan.h"

#include "support/ItemFixture.h"
#include "support/TestFolder.h"

#include <QTest>

#include <functional>

namespace {
using Command = HealthCheckScan::Command;

// A scan whose lines and status texts are collected; OnYield runs at each yield (from 1).
struct Run {
    HealthCheckScan Scan;
    QStringList Lines;
    QStringList Statuses;
    int Yields = 0;
    std::function<void(int)> OnYield;

    explicit Run(int chunk = 500) {
        Scan.ChunkSize = chunk;
        Scan.AppendLine = [this](const QString& line) { Lines << line; };
        Scan.ShowStatus = [this](const QString& text) { Statuses << text; };
        Scan.ProcessEvents = [this] {
            if (OnYield)
                OnYield(++Yields);
        };
    }
    QStringList Go(Command command = Command::Check) {
        Scan.Run(command);
        return Lines;
    }
};

// An item or a links-across row stored as an older version might have left it.
void PutItem(ItemId id, const QVariant& parent, const QVariant& rank, const QVariant& name = "x",
             const QVariant& tel = QVariant()) {
    Exec("INSERT INTO phonebk (id, name, tel, parent, rank) VALUES (?, ?, ?, ?, ?)",
         {IdToDb(id), name, tel, parent, rank});
}
void PutLinkRow(ItemId id1, ItemId id2, int drop = 0, const QVariant& note = "n") {
    Exec("INSERT INTO mm2 (id1, id2, linknote, \"drop\") VALUES (?, ?, ?, ?)",
         {IdToDb(id1), IdToDb(id2), note, drop});
}

QString N(ItemId id) {
    return QString::number(id.Value());
}
} // namespace

// The health check scan without a window: its report, what Repair mends (and that a check
// changes nothing), the order of its walk, and a stop or a second command during a scan.
class TestHealthCheckScan : public QObject {
    Q_OBJECT
private slots:
    void cleanDatabase() {
        TestFolder folder;
        const ItemId a = MakeItem("A");
        const ItemId hider = MakeItem("Hider");
        MakeHider(hider);
        MakeItem("Below", MakeItem("Hidden", hider));
        LinkAcrossRows(a, hider, "note");
        Run run;
        QCOMPARE(run.Go(), QStringList({"PHONEBK.DB 5 records", "MM.DB (links across) 2 records",
                                        "Scan complete, 0 errors", ""}));
        QCOMPARE(run.Statuses, QStringList({" 5", " "}));
    }

    void itemProblems_data() {
        QTest::addColumn<QVariant>("parent"); // a number, or "hider", "self", "gone"
        QTest::addColumn<QVariant>("rank");   // a number, or "hider"
        QTest::addColumn<QVariant>("name");
        QTest::addColumn<QStringList>("problems");
        const QVariant none;
        const QVariant hider("hider");
        // A deleted parent is reported with its id, and the rank is not compared.
        QTest::newRow("parent gone") << QVariant("gone") << QVariant(7) << QVariant("x")
                                     << QStringList{"parent not found #999"};
        QTest::newRow("under a hider, rank 0")
            << hider << QVariant(0) << QVariant("x") << QStringList{"hider 0 should be %h"};
        QTest::newRow("self-linked, rank 0") << QVariant("self") << QVariant(0) << QVariant("x")
                                             << QStringList{"hider 0 should be 50"};
        // A null counts as 0 in the comparison and is reported on a line of its own.
        QTest::newRow("null rank under a hider")
            << hider << none << QVariant("x")
            << QStringList{"hider 0 should be %h", "null rank shd be 0"};
        QTest::newRow("null parent, hidden")
            << none << hider << QVariant("x")
            << QStringList{"hider %h should be 0", "null parent shd be 0"};
        QTest::newRow("blank, nulls")
            << none << none << QVariant("")
            << QStringList{"name & ref both blank", "null rank shd be 0", "null parent shd be 0"};
    }
    // Each finding of one item on its own line, in the order the checks run.
    void itemProblems() {
        QFETCH(QVariant, parent);
        QFETCH(QVariant, rank);
        QFETCH(QVariant, name);
        QFETCH(QStringList, problems);
        TestFolder folder;
        const ItemId hider = MakeItem("Hider");
        MakeHider(hider);
        const QMap<QString, QVariant> named{{"hider", IdToDb(hider)}, {"self", 50}, {"gone", 999}};
        auto resolve = [&](const QVariant& v) {
            return v.typeId() == QMetaType::QString ? named.value(v.toString()) : v;
        };
        PutItem(ItemId(50), resolve(parent), resolve(rank), name);
        QStringList expected{"PHONEBK.DB 3 records"};
        for (const QString& p : problems)
            expected << "Problem : Item 50 " + QString(p).replace("%h", N(hider));
        expected << "MM.DB (links across) 0 records"
                 << QString("Scan complete, %1 errors").arg(problems.size()) << "";
        Run run;
        QCOMPARE(run.Go(), expected);
    }

    // Two lines for a row whose items are both gone, two errors, and in Repair one deletion;
    // the surviving item's count is left alone.
    void linkRowsNamingMissingItems() {
        TestFolder folder;
        const ItemId a = MakeItem("A");
        LinkAcrossRows(a, ItemId(1));
        PutLinkRow(ItemId(50), ItemId(60));
        PutLinkRow(a, ItemId(60));
        PutItem(ItemId(9), 999, 0);
        SetField(a, "numcousins", 2);
        const QStringList report{"PHONEBK.DB 3 records",
                                 "Problem : Item 9 parent not found #999",
                                 "MM.DB (links across) 4 records",
                                 "Problem : " + N(a) + "-60 : id2 not found",
                                 "Problem : 50-60 : id1 not found",
                                 "Problem : 50-60 : id1 not foundid2 not found",
                                 "Scan complete, 4 errors",
                                 ""};
        Run check;
        QCOMPARE(check.Go(), report);
        QCOMPARE(CountLinkRows(), 4);

        Run repair;
        QCOMPARE(
            repair.Go(Command::Repair),
            QStringList{"Repairing ..."} + report +
                QStringList({"Rechecking ...", "PHONEBK.DB 3 records",
                             "Problem : Item 9 parent not found #999",
                             "MM.DB (links across) 2 records", "Scan complete, 1 errors", ""}));
        QCOMPARE(CountLinkRows(), 2);
        QCOMPARE(Field(a, "numcousins"), 2);
    }

    // Repair first turns every rank -1 into 0 without a word; then it turns null ranks and
    // parents into 0, saying so, and the recheck reports them no more. A wrong rank stays.
    void repairOfNullsAndMinusOne() {
        TestFolder folder;
        const ItemId hider = MakeItem("Hider");
        MakeHider(hider);
        PutItem(ItemId(10), 0, -1);
        PutItem(ItemId(11), IdToDb(hider), -1);
        PutItem(ItemId(12), QVariant(), QVariant());
        Run repair;
        QCOMPARE(repair.Go(Command::Repair),
                 QStringList({"Repairing ...", "PHONEBK.DB 5 records",
                              "Problem : Item 11 hider 0 should be " + N(hider),
                              "Problem : Item 12 null rank shd be 0 (repaired)",
                              "Problem : Item 12 null parent shd be 0 (repaired)",
                              "MM.DB (links across) 0 records", "Scan complete, 3 errors", "",
                              "Rechecking ...", "PHONEBK.DB 5 records",
                              "Problem : Item 11 hider 0 should be " + N(hider),
                              "MM.DB (links across) 0 records", "Scan complete, 1 errors", ""}));
        QCOMPARE(Field(ItemId(10), "rank"), 0);
        QCOMPARE(Field(ItemId(12), "rank IS NULL OR parent IS NULL"), 0);
        QVERIFY(!repair.Scan.RepairMode);
    }

    // Items by Id and rows by (Id1, Id2, Drop), whatever order they were stored in (a key an
    // older file keeps as text sorting last) and however the walk is cut into chunks; the
    // countdown falls by a chunk at each yield.
    void keyOrderAcrossChunks() {
        TestFolder folder;
        Exec("DELETE FROM phonebk");
        for (int id : {40, 7, 23, 15, 31})
            PutItem(ItemId(id), 0, 0, "");
        for (const auto& key : {QList{9, 3, 1}, {9, 3, 0}, {2, 8, 0}, {9, 1, 0}, {23, 100, 0}})
            PutLinkRow(ItemId(key[0]), ItemId(key[1]), key[2]);
        Exec("INSERT INTO mm2 (id1, id2, linknote, \"drop\") VALUES ('x', 2, 'n', 0)");
        Run run(2);
        QStringList expected{"PHONEBK.DB 5 records"};
        for (int id : {7, 15, 23, 31, 40})
            expected << "Problem : Item " + N(ItemId(id)) + " name & ref both blank";
        expected << "MM.DB (links across) 6 records";
        for (const char* pair : {"2-8", "9-1", "9-3", "9-3"})
            expected << QString("Problem : %1 : id1 not found").arg(pair)
                     << QString("Problem : %1 : id1 not foundid2 not found").arg(pair);
        expected << "Problem : 23-100 : id2 not found"
                 << "Problem : x-2 : id1 not found"
                 << "Problem : x-2 : id1 not foundid2 not found"
                 << "Scan complete, 16 errors"
                 << "";
        QCOMPARE(run.Go(), expected);
        QCOMPARE(run.Statuses, QStringList({" 5", " 3", " 1", " "}));
        Run repair(2); // deleting rows across chunk boundaries skips none
        repair.Go(Command::Repair);
        QCOMPARE(CountLinkRows(), 0);
    }

    // A command given during a scan stops it and runs after it, never inside it. Stop (Close)
    // leaves the links loop running to its summary, but no recheck follows.
    void stopsAndCommandsDuringAScan() {
        TestFolder folder;
        for (int i = 0; i < 4; ++i)
            MakeItem(QString("item %1").arg(i));
        SetField(ItemId(3), "rank", QVariant()); // read in the second chunk
        PutLinkRow(ItemId(90), ItemId(91));

        Run run(2);
        int depth = 0;
        run.OnYield = [&](int n) {
            QCOMPARE(++depth, 1);
            if (n == 2)
                run.Scan.Run(Command::Repair);
            if (n == 3)
                run.Scan.Run(Command::Check); // at the repair's first chunk
            --depth;
        };
        run.Go();
        QCOMPARE(run.Lines.mid(0, 4),
                 QStringList({"PHONEBK.DB 5 records", "Repairing ...", "PHONEBK.DB 5 records",
                              "PHONEBK.DB 5 records"}));
        QCOMPARE(run.Lines.filter("Scan complete").size(), 1);
        QCOMPARE(Field(ItemId(3), "rank IS NULL"), 1);

        Run late(2);
        late.OnYield = [&](int n) {
            if (n == 4) // the links' first chunk
                late.Scan.Stop();
        };
        QCOMPARE(late.Go(Command::Repair).last(3),
                 QStringList({"Problem : 90-91 : id1 not foundid2 not found",
                              "Scan complete, 3 errors", ""}));
        QCOMPARE(CountLinkRows(), 0);
    }

    // Asked for, the stored counts and the mirrors of links across are compared after the
    // report; Repair adds each missing mirror with its row's note, then recomputes the counts.
    void countsAndMirrors() {
        TestFolder folder;
        const ItemId a = MakeItem("A");
        const ItemId b = MakeItem("B", a);
        LinkAcrossRows(a, ItemId(1), "both");
        PutLinkRow(b, ItemId(1), 0, "one way");
        PutLinkRow(b, ItemId(1), 1, QVariant());
        SetField(b, "numcousins", 2);
        SetField(a, "numchildren", 3);
        SetField(b, "numchildren", QVariant()); // null without children: right
        const QStringList counts{"Problem : " + N(b) + "-1 : drop 0 mirror not found",
                                 "Problem : " + N(b) + "-1 : drop 1 mirror not found",
                                 "Problem : Item " + N(a) + " numchildren 3 should be 1"};
        Run check;
        check.Scan.CheckCounts = true;
        QCOMPARE(check.Go().mid(4), counts + QStringList({"Counts complete, 3 errors", ""}));

        Run repair;
        repair.Scan.CheckCounts = true;
        QStringList repaired;
        for (const QString& line : counts)
            repaired << line + " (repaired)";
        repaired << "Problem : Item 1 numcousins 1 should be 3 (repaired)";
        const QStringList lines = repair.Go(Command::Repair);
        QCOMPARE(lines.mid(5, 6), repaired + QStringList({"Counts complete, 4 errors", ""}));
        QCOMPARE(lines.last(2), QStringList({"Counts complete, 0 errors", ""}));
        QCOMPARE(Scalar("SELECT group_concat(IFNULL(linknote, '<null>'), '|') FROM "
                        "(SELECT linknote FROM mm2 WHERE id1 = 1 AND id2 = ? ORDER BY \"drop\")",
                        {IdToDb(b)})
                     .toString(),
                 QString("one way|<null>"));
        QCOMPARE(Field(a, "numchildren"), 1);
        QVERIFY(
            Scalar("SELECT numchildren IS NULL FROM phonebk WHERE id = ?", {IdToDb(b)}).toBool());
    }
};

QTEST_GUILESS_MAIN(TestHealthCheckScan)
#include "TestHealthCheckScan.moc"
