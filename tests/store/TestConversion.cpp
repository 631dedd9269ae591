#include "common/Folders.h"
#include "common/Settings.h"
#include "store/Conversion.h"
#include "store/Database.h"
#include "store/ItemStore.h"
#include "support/ItemFixture.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFolder.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>

namespace {
const QString Question = QStringLiteral("Database will be converted, have you backed it up?");

// The items table as older versions left it: before 702 with the old name columns and without
// the time stamps, from 702 with Name rebuilt at the end of the row, from 1000 with numcousins.
const char* const ItemsBefore702 =
    "CREATE TABLE phonebk (id INTEGER PRIMARY KEY AUTOINCREMENT, name VARCHAR(40), "
    "name2 VARCHAR(40), text TEXT, numchildren INTEGER, rprts INTEGER, srchts TIMESTAMP, "
    "tel VARCHAR(40), parent INTEGER, rank INTEGER)";
const char* const ItemsFrom702 =
    "CREATE TABLE phonebk (id INTEGER PRIMARY KEY AUTOINCREMENT, text TEXT, numchildren INTEGER, "
    "rprts INTEGER, srchts TIMESTAMP, tel VARCHAR(40), parent INTEGER, rank INTEGER, "
    "createdts timestamp, editts timestamp, name char(80)";
const char* const LinksAcross = "CREATE TABLE mm2 (id1 INTEGER NOT NULL, id2 INTEGER NOT NULL, "
                                "linknote VARCHAR(40), \"drop\" INTEGER NOT NULL, "
                                "PRIMARY KEY (id1, id2, \"drop\"))";

QStringList Columns(const QString& table) {
    QStringList columns;
    const QSqlRecord record = PhoneDB().record(table);
    for (int i = 0; i < record.count(); ++i)
        columns << record.fieldName(i).toLower();
    return columns;
}

int DbvnInFile() {
    return ReadSettingsFrom(SettingsPath()).Dbvn;
}

// One start of the program as far as the conversion goes: the settings read and bound, the
// database opened. A start after the first closes what the one before left open.
void BeginStart() {
    ClosePhoneDB();
    ReadSettings();
    BindConversionSettings(AppSettings().Dbvn, [] { WriteSettings(); });
    QVERIFY(!OpenPhoneDB(DatabasePath()));
}

// The tables of a database at dbvn, made by SQL on a new file, and the settings naming dbvn
// (none at all for 0); then the first start.
void MakeOldDatabase(int dbvn) {
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "old");
        db.setDatabaseName(DatabasePath());
        QVERIFY(db.open());
        QSqlQuery q(db);
        QString items = QString::fromLatin1(dbvn < 702 ? ItemsBefore702 : ItemsFrom702);
        if (dbvn >= 702)
            items += dbvn >= 1000 ? ", numcousins integer)" : ")";
        QVERIFY(q.exec(items));
        QVERIFY(q.exec(dbvn >= 1001 ? "CREATE TABLE mm (id1 INTEGER, id2 INTEGER, linknote "
                                      "varchar(40))"
                                    : "CREATE TABLE mm (id1 INTEGER, id2 INTEGER)"));
        QVERIFY(q.exec(LinksAcross));
        db.close();
    }
    QSqlDatabase::removeDatabase("old");
    if (dbvn != 0) {
        Settings s;
        s.Dbvn = dbvn;
        QVERIFY(WriteSettingsTo(SettingsPath(), s));
    }
    BeginStart();
}

// What the conversion of one start does: the early steps, then the late ones.
ConversionResult RunSteps() {
    if (RunEarlyConversionSteps() == ConversionResult::Declined)
        return ConversionResult::Declined;
    return RunLateConversionSteps();
}

QString CopyQuestion(int dbvn) {
    return Question + "\rA copy of it from before the conversion is kept in " + DatabasePath() +
           ".before-" + QString::number(dbvn);
}

// The question of a step after the first of its series: the copy is from before that first
// step (firstStep), and named by the version the file had then (dbvn).
QString LaterQuestion(int dbvn, int firstStep) {
    return Question +
           QStringLiteral("\rThe copy made before the conversion's first step (step %1) is kept "
                          "in %2.before-%3")
               .arg(firstStep)
               .arg(DatabasePath())
               .arg(dbvn);
}

ItemId AddItem(const QString& name, ItemId parent, int numchildren, int rank = 0) {
    Exec("INSERT INTO phonebk (name, parent, numchildren, rank) VALUES (?, ?, ?, ?)",
         {name, IdToDb(parent), numchildren, rank});
    return IdFromDb(Scalar("SELECT max(id) FROM phonebk"));
}

QStringList LinkRows() {
    QStringList rows;
    QSqlQuery q(PhoneDB());
    q.exec("SELECT id1, id2, linknote, \"drop\" FROM mm2 ORDER BY id1, id2, \"drop\"");
    while (q.next())
        rows << QString("%1 %2 %3 %4")
                    .arg(q.value(0).toString(), q.value(1).toString(),
                         q.value(2).isNull() ? "null" : q.value(2).toString(),
                         q.value(3).toString());
    return rows;
}
} // namespace

// The conversion of older layouts: each step on tables made in the layout before it, the
// questions and where a declined or refused step leaves the database and DBVN.
class TestConversion : public QObject {
    Q_OBJECT
private slots:
    void dbvnAbsentAsksAndChangesNothing() {
        TestFolder folder(false);
        MakeOldDatabase(0);
        ScriptedDialogs dialogs;
        const QString schema = Scalar("SELECT group_concat(sql) FROM sqlite_master").toString();
        QCOMPARE(RunSteps(), ConversionResult::Done);
        QCOMPARE(dialogs.Calls.size(), 0);
        QCOMPARE(AppSettings().Dbvn, 800);
        QCOMPARE(Scalar("SELECT group_concat(sql) FROM sqlite_master").toString(), schema);
        QVERIFY(!QFile::exists(SettingsPath()));
        QVERIFY(!QFile::exists(ConversionCopyPath(800)));
    }

    // Step 702 rebuilds Name at the end of the row and drops the old name columns; the values
    // stay. Declining 703 ends the series at 702.
    void step702RebuildsName() {
        TestFolder folder(false);
        MakeOldDatabase(701);
        Exec("INSERT INTO phonebk (name, name2, text, tel, parent, rank) VALUES "
             "('Alpha', 'old', 'a text', 'r1', 0, 7), ('Beta', NULL, NULL, NULL, 1, 7)");
        ScriptedDialogs dialogs;
        dialogs.AnswerYes();
        dialogs.AnswerNo();
        QCOMPARE(RunSteps(), ConversionResult::Declined);
        QCOMPARE(dialogs.Questions(), QStringList({CopyQuestion(701), LaterQuestion(701, 702)}));
        QCOMPARE(DbvnInFile(), 702);
        QCOMPARE(Columns("phonebk"),
                 QStringList({"id", "text", "numchildren", "rprts", "srchts", "tel", "parent",
                              "rank", "createdts", "editts", "name"}));
        QCOMPARE(Scalar("SELECT group_concat(id || name || IFNULL(text, '-') || IFNULL(tel, '-') "
                        "|| rank, ',') FROM phonebk")
                     .toString(),
                 QString("1Alphaa textr17,2Beta--7"));
    }

    void step703ClearsRanks() {
        TestFolder folder(false);
        MakeOldDatabase(702);
        AddItem("a", ItemId(), 0, 12);
        AddItem("b", ItemId(), 0, -3);
        Exec("INSERT INTO phonebk (name) VALUES ('c')"); // rank null
        ScriptedDialogs dialogs;
        dialogs.AnswerYes();
        dialogs.AnswerNo(); // 704
        QCOMPARE(RunSteps(), ConversionResult::Declined);
        QCOMPARE(DbvnInFile(), 703);
        QCOMPARE(Scalar("SELECT group_concat(rank) FROM phonebk").toString(), QString("0,0,0"));
    }

    // After 704 every item below a self-linked item carries its id in Rank, the hider too;
    // every other item keeps 0.
    void step704GivesHidersTheirBranches() {
        TestFolder folder(false);
        MakeOldDatabase(703);
        const ItemId top = AddItem("top", ItemId(), 1);
        const ItemId free = AddItem("free", top, 0);
        const ItemId h = AddItem("hider", ItemId(), 3);
        Exec("UPDATE phonebk SET parent = id WHERE id = ?", {IdToDb(h)});
        const ItemId a = AddItem("a", h, 1);
        const ItemId b = AddItem("b", a, 1);
        const ItemId c = AddItem("c", b, 0);
        const ItemId leaf = AddItem("leaf", h, 0);
        const ItemId g = AddItem("second hider", ItemId(), 2);
        Exec("UPDATE phonebk SET parent = id WHERE id = ?", {IdToDb(g)});
        const ItemId d = AddItem("d", g, 0);
        ScriptedDialogs dialogs;
        dialogs.AnswerYes();
        dialogs.AnswerNo(); // 1000
        QCOMPARE(RunSteps(), ConversionResult::Declined);
        QCOMPARE(DbvnInFile(), 704);
        for (ItemId id : {h, a, b, c, leaf})
            QCOMPARE(IdField(id, "rank"), h);
        for (ItemId id : {g, d})
            QCOMPARE(IdField(id, "rank"), g);
        for (ItemId id : {top, free})
            QCOMPARE(Field(id, "rank"), 0);
    }

    void step1000AddsLinkCounts() {
        TestFolder folder(false);
        MakeOldDatabase(704);
        AddItem("a", ItemId(), 0);
        AddItem("b", ItemId(), 0);
        ScriptedDialogs dialogs;
        dialogs.AnswerYes();
        dialogs.AnswerNo(); // 1001
        QCOMPARE(RunSteps(), ConversionResult::Declined);
        QCOMPARE(DbvnInFile(), 1000);
        QCOMPARE(Columns("phonebk").last(), QString("numcousins"));
        QCOMPARE(Scalar("SELECT group_concat(numcousins) FROM phonebk").toString(), QString("0,0"));
    }

    void step1001AddsOldLinkNotes() {
        TestFolder folder(false);
        MakeOldDatabase(1000);
        Exec("INSERT INTO mm (id1, id2) VALUES (1, 2)");
        ScriptedDialogs dialogs;
        dialogs.AnswerYes();
        dialogs.AnswerNo(); // 1100
        QCOMPARE(RunSteps(), ConversionResult::Declined);
        QCOMPARE(DbvnInFile(), 1001);
        QCOMPARE(Columns("mm"), QStringList({"id1", "id2", "linknote"}));
        QCOMPARE(Scalar("SELECT count(*) FROM mm WHERE linknote IS NULL").toInt(), 1);
    }

    // Rows of mm are copied as they stand, without mirrors, Drop 0; a pair that comes again
    // (or is in mm2 already) takes the next Drop of that pair instead of stopping the step.
    void step1100CopiesOldLinksAndNumbersRepeatedPairs() {
        TestFolder folder(false);
        MakeOldDatabase(1001);
        Exec("INSERT INTO mm (id1, id2, linknote) VALUES (1, 2, 'first'), (2, 1, 'first'), "
             "(1, 2, NULL), (3, 4, 'x'), (1, 2, 'third'), (5, 6, 'y')");
        Exec("INSERT INTO mm2 (id1, id2, linknote, \"drop\") VALUES (5, 6, 'kept', 0)");
        ScriptedDialogs dialogs;
        dialogs.AnswerYes();
        QCOMPARE(RunSteps(), ConversionResult::Done);
        QCOMPARE(DbvnInFile(), 1100);
        QCOMPARE(LinkRows(), QStringList({"1 2 first 0", "1 2 null 1", "1 2 third 2", "2 1 first 0",
                                          "3 4 x 0", "5 6 kept 0", "5 6 y 1"}));
        QCOMPARE(Scalar("SELECT count(*) FROM mm").toInt(), 6); // left in place
    }

    // From 703 the store's start-up asks four times and ends at 1100; the copy is made once,
    // before the first step (704), and every question names it, the later ones saying that it
    // is from before step 704.
    void from703FourQuestionsThroughStartup() {
        TestFolder folder(false);
        MakeOldDatabase(703);
        const ItemId h = AddItem("hider", ItemId(), 1, 99);
        Exec("UPDATE phonebk SET parent = id WHERE id = ?", {IdToDb(h)});
        Exec("INSERT INTO mm (id1, id2) VALUES (?, ?)", {IdToDb(h), IdToDb(h)});
        ScriptedDialogs dialogs;
        for (int i = 0; i < 4; ++i)
            dialogs.AnswerYes();
        QCOMPARE(RunEarlyConversionSteps(), ConversionResult::Done);
        QCOMPARE(dialogs.Calls.size(), 0);
        QVERIFY(CoreStartup());
        QCOMPARE(dialogs.Questions(),
                 QStringList({CopyQuestion(703), LaterQuestion(703, 704), LaterQuestion(703, 704),
                              LaterQuestion(703, 704)}));
        QCOMPARE(AppSettings().Dbvn, 1100);
        QCOMPARE(DbvnInFile(), 1100);
        QCOMPARE(IdField(h, "rank"), h);
        QCOMPARE(LinkRows(), QStringList({QString("%1 %1 null 0").arg(h.Value())}));
        // The start-up went on: the indexes of the current layout exist.
        QVERIFY(Scalar("SELECT count(*) FROM sqlite_master WHERE name = 'phonebk_name'").toBool());
        QVERIFY(!QFile::exists(ConversionCopyPath(704)));
        QVERIFY(!QFile::exists(ConversionCopyPath(1000)));
    }

    // No at the third of four questions keeps the second step's DBVN; the next start asks from
    // the third step, naming a new copy. The store's start-up reports the refusal and does no
    // more (no diary look-up).
    void declinedThirdQuestionResumesAtNextStart() {
        TestFolder folder(false);
        MakeOldDatabase(703);
        AddItem("a", ItemId(), 0);
        {
            ScriptedDialogs dialogs;
            dialogs.AnswerYes();
            dialogs.AnswerYes();
            dialogs.AnswerNo();
            QVERIFY(!CoreStartup());
            QCOMPARE(dialogs.Questions().size(), 3);
            QCOMPARE(dialogs.Infos(), QStringList());
            QCOMPARE(DbvnInFile(), 1000);
            QVERIFY(
                !Scalar("SELECT count(*) FROM sqlite_master WHERE name = 'phonebk_name'").toBool());
        }
        BeginStart();
        QCOMPARE(AppSettings().Dbvn, 1000);
        ScriptedDialogs dialogs;
        dialogs.AnswerYes();
        dialogs.AnswerYes();
        QCOMPARE(RunSteps(), ConversionResult::Done);
        QCOMPARE(dialogs.Questions(), QStringList({CopyQuestion(1000), LaterQuestion(1000, 1001)}));
        QCOMPARE(DbvnInFile(), 1100);
        QVERIFY(Columns("mm").contains("linknote"));
    }

    // A step the engine refuses part-way is undone whole: the tables and DBVN are as before,
    // and the next start runs it again from its first statement.
    void refusedStepLeavesNothingAndRunsAgain() {
        TestFolder folder(false);
        MakeOldDatabase(701);
        Exec("INSERT INTO phonebk (name, name2, rank) VALUES ('Alpha', 'x', 3)");
        // Without name2 the sixth statement of 702 fails, after five have changed the table.
        Exec("ALTER TABLE phonebk DROP COLUMN name2");
        const QString schema =
            Scalar("SELECT sql FROM sqlite_master WHERE name = 'phonebk'").toString();
        {
            ScriptedDialogs dialogs;
            dialogs.AnswerYes();
            try {
                RunSteps();
                QFAIL("the refused step did not throw");
            } catch (const ConversionError& e) {
                QCOMPARE(e.Step, 702);
                QVERIFY2(e.Text.contains("name2"), qPrintable(e.Text));
            }
            QCOMPARE(Scalar("SELECT sql FROM sqlite_master WHERE name = 'phonebk'").toString(),
                     schema);
            QCOMPARE(Scalar("SELECT name || rank FROM phonebk").toString(), QString("Alpha3"));
            QCOMPARE(AppSettings().Dbvn, 701);
            QCOMPARE(DbvnInFile(), 701);
        }
        Exec("ALTER TABLE phonebk ADD name2 VARCHAR(40)");
        BeginStart();
        ScriptedDialogs dialogs;
        dialogs.AnswerYes();
        dialogs.AnswerYes();
        dialogs.AnswerNo();
        QCOMPARE(RunSteps(), ConversionResult::Declined);
        QCOMPARE(DbvnInFile(), 703);
        QCOMPARE(Scalar("SELECT name || rank FROM phonebk").toString(), QString("Alpha0"));
    }

    // The copy step of 1100 stops at a row the new table refuses: the rows before it are
    // undone with it.
    void refusedCopyLeavesNoRows() {
        TestFolder folder(false);
        MakeOldDatabase(1001);
        Exec("INSERT INTO mm (id1, id2) VALUES (1, 2), (2, 1), (NULL, 3)");
        ScriptedDialogs dialogs;
        dialogs.AnswerYes();
        QVERIFY_THROWS_EXCEPTION(ConversionError, RunSteps());
        QCOMPARE(LinkRows(), QStringList());
        QCOMPARE(DbvnInFile(), 1001);
    }

    // The copy holds the database as it was before the first step, replaces one an earlier
    // start left under the same name, and is made even when the question is then declined.
    void copyBeforeFirstStep() {
        TestFolder folder(false);
        MakeOldDatabase(1000);
        Exec("INSERT INTO mm (id1, id2) VALUES (1, 2)");
        const QString copy = ConversionCopyPath(1000);
        QCOMPARE(copy, DatabasePath() + ".before-1000");
        {
            QFile stale(copy);
            QVERIFY(stale.open(QIODevice::WriteOnly));
            stale.write("left by an earlier start");
        }
        ScriptedDialogs dialogs;
        dialogs.AnswerYes();
        dialogs.AnswerNo();
        QCOMPARE(RunSteps(), ConversionResult::Declined);
        QCOMPARE(dialogs.Questions(), QStringList({CopyQuestion(1000), LaterQuestion(1000, 1001)}));
        QVERIFY(!QFile::exists(copy + ".part"));
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "copy");
            db.setDatabaseName(copy);
            QVERIFY(db.open());
            const QSqlRecord mm = db.record("mm");
            QCOMPARE(mm.count(), 2); // no linknote yet
            QSqlQuery q(db);
            QVERIFY(q.exec("SELECT id1 || '-' || id2 FROM mm"));
            QVERIFY(q.next());
            QCOMPARE(q.value(0).toString(), QString("1-2"));
            q.finish();
            db.close();
        }
        QSqlDatabase::removeDatabase("copy");
    }

    // A step is recorded inside the database by its own transaction: when the settings were
    // not written after it, the next start raises DBVN without asking or running it again.
    void stepRecordedInDatabaseIsNotRunTwice() {
        TestFolder folder(false);
        MakeOldDatabase(1001);
        Exec("INSERT INTO mm (id1, id2) VALUES (1, 2)");
        {
            ScriptedDialogs dialogs;
            dialogs.AnswerYes();
            QCOMPARE(RunSteps(), ConversionResult::Done);
        }
        Settings lost = ReadSettingsFrom(SettingsPath());
        lost.Dbvn = 1001;
        QVERIFY(WriteSettingsTo(SettingsPath(), lost));
        BeginStart();
        ScriptedDialogs dialogs;
        QCOMPARE(RunSteps(), ConversionResult::Done);
        QCOMPARE(dialogs.Calls.size(), 0);
        QCOMPARE(DbvnInFile(), 1100);
        QCOMPARE(LinkRows(), QStringList({"1 2 null 0"}));
    }

    // A database made new has the current layout: a DBVN left by an older installation that
    // would run a step is raised to the newest at once; one that runs none stays.
    void newDatabaseRunsNoStep() {
        QFETCH(int, dbvn);
        QFETCH(int, expected);
        TestFolder folder(false);
        Settings s;
        s.Dbvn = dbvn;
        QVERIFY(WriteSettingsTo(SettingsPath(), s));
        ReadSettings();
        BindConversionSettings(AppSettings().Dbvn, [] { WriteSettings(); });
        QVERIFY(OpenPhoneDB(DatabasePath()));
        NoteNewDatabase();
        ScriptedDialogs dialogs;
        QCOMPARE(RunSteps(), ConversionResult::Done);
        QCOMPARE(dialogs.Calls.size(), 0);
        QCOMPARE(DbvnInFile(), expected);
    }
    void newDatabaseRunsNoStep_data() {
        QTest::addColumn<int>("dbvn");
        QTest::addColumn<int>("expected");
        QTest::newRow("701") << 701 << 1100;
        QTest::newRow("703") << 703 << 1100;
        QTest::newRow("1001") << 1001 << 1100;
        QTest::newRow("800") << 800 << 800;
        QTest::newRow("1100") << 1100 << 1100;
        QTest::newRow("off the chain") << 900 << 900;
    }
};

QTEST_GUILESS_MAIN(TestConversion)
#include "TestConversion.moc"
