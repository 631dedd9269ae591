#include "support/ItemFixture.h"

#include "common/Folders.h"
#include "common/NameCollator.h"
#include "listwin/ItemsList.h"
#include "store/ItemFields.h"
#include "store/SortKeys.h"
#include "support/GarbledPage.h"
#include "support/PermissionBitsApply.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFolder.h"

#include <QFile>
#include <QTest>

#include <sqlite3.h>

#include <map>

namespace {
// Each item's parent and key, as stored.
using Keys = std::map<qint64, std::pair<qint64, QByteArray>>;

Keys keysOf(const QString& sql) {
    Keys out;
    QSqlQuery q(PhoneDB());
    q.exec(sql);
    while (q.next())
        out[q.value(0).toLongLong()] = {q.value(1).toLongLong(), q.value(2).toByteArray()};
    return out;
}

Keys storedKeys() {
    return keysOf("SELECT id, parent, key FROM phonebk_sortkey");
}

// What a build from scratch would store for the items as they are now.
Keys freshKeys() {
    return keysOf("SELECT id, parent, cardolo_sort_key(name) FROM phonebk");
}

// Runs statements on a connection of another program: none of this program's triggers or
// functions, only what the file holds.
void otherProgramRuns(const QStringList& statements) {
    const QString path = DatabasePath();
    ClosePhoneDB();
    sqlite3* db = nullptr;
    QCOMPARE(sqlite3_open(path.toUtf8().constData(), &db), SQLITE_OK);
    for (const QString& sql : statements) {
        char* error = nullptr;
        const int rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &error);
        QVERIFY2(rc == SQLITE_OK, error ? error : "");
    }
    sqlite3_close(db);
}

void reopen() {
    OpenPhoneDB(DatabasePath());
    EnsureIndexes();
}

int stateField(const char* field) {
    return Scalar(QStringLiteral("SELECT %1 FROM phonebk_sortkey_state").arg(field)).toInt();
}

QStringList topLevelNames() {
    ItemsList list;
    list.BuildList();
    QStringList out;
    for (int i = 0; i < list.Rows().Count(); ++i)
        out << list.Rows().Row(i).Name;
    return out;
}

const QString AUml = QStringLiteral("\u00c4pfel");
// The top level of makeNames() in German, and in Swedish, which sorts its letters after z.
const QStringList German{"apfel", AUml, "Diary", "zebra"};
const QStringList Swedish{"apfel", "Diary", "zebra", AUml};

void makeNames() {
    for (const QString& name : {QString("zebra"), AUml, QString("apfel")})
        MakeItem(name);
}
} // namespace

// The names' sort keys: kept in step by every write, made again when another program wrote the
// items or the locale changed (in the background when many), and lists in the right order
// whatever state they are in, also from a file that may only be read or is damaged.
class TestSortKeys : public QObject {
    Q_OBJECT
private slots:
    // Every write of the store, and writes in plain SQL, leave the keys as a build from scratch
    // would make them; a write undone is undone in the keys as well.
    void everyWriteKeepsTheKeysInStep() {
        SetCollationLocale("de_DE");
        TestFolder folder;
        ScriptedDialogs dialogs;
        auto inStep = [](const char* what) {
            QVERIFY2(storedKeys() == freshKeys(), what);
            QVERIFY2(SortKeysReady(), what);
        };
        inStep("new file");
        const ItemId a = CreateItem(AUml, "ref", "text");
        const ItemId b = MakeItem("zebra", a);
        inStep("created, one moved below another");
        QVERIFY(WriteItemFields(a, "apfel", "ref", "text"));
        ItemFieldEdits edits;
        edits.Name = QStringLiteral("Zebra");
        QVERIFY(WriteItemFields(b, edits));
        inStep("names written");
        SetParent(b, ItemId(0));
        inStep("moved back");
        Exec("UPDATE phonebk SET id = 500 WHERE id = ?", {IdToDb(b)});
        Exec("INSERT OR REPLACE INTO phonebk (id, name, parent) VALUES (?, 'replaced', 7)",
             {IdToDb(a)});
        inStep("plain SQL: an id changed, a row replaced");
        {
            Transaction t;
            Exec("UPDATE phonebk SET name = 'never kept' WHERE id = ?", {IdToDb(a)});
            CreateItem("never made", QString(), QString());
        }
        inStep("transaction rolled back");
        dialogs.AnswerYes();
        QVERIFY(DeleteItem(ItemId(500)));
        inStep("deleted");
        // Writes that touch neither names nor parents leave the keys alone.
        const int seen = stateField("seen");
        Exec("UPDATE phonebk SET text = 'other', tel = 'R', rank = 0");
        QCOMPARE(stateField("seen"), seen);
        QCOMPARE(stateField("changes"), seen);
    }

    // Another program's writes (the counting triggers in the file see them, this program's do
    // not) are found at the next open and the keys made again; so are keys whose table, state
    // or counting triggers another program dropped.
    void otherProgramsWritesRebuildAtOpen_data() {
        QTest::addColumn<QStringList>("statements");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("name changed")
            << QStringList{"UPDATE phonebk SET name = 'Aal' WHERE name = 'zebra'"}
            << QStringList{"Aal", "apfel", AUml, "Diary"};
        QTest::newRow("item added") << QStringList{"INSERT INTO phonebk (name, parent) "
                                                   "VALUES ('Bach', 0)"}
                                    << QStringList{"apfel", AUml, "Bach", "Diary", "zebra"};
        QTest::newRow("item moved")
            << QStringList{"UPDATE phonebk SET parent = 1 WHERE name = 'apfel'"}
            << QStringList{AUml, "Diary", "zebra"};
        QTest::newRow("item deleted") << QStringList{"DELETE FROM phonebk WHERE name = 'zebra'"}
                                      << QStringList{"apfel", AUml, "Diary"};
        QTest::newRow("trigger dropped")
            << QStringList{"DROP TRIGGER phonebk_sortkey_counted_update",
                           "UPDATE phonebk SET name = 'Aal' WHERE name = 'zebra'"}
            << QStringList{"Aal", "apfel", AUml, "Diary"};
        QTest::newRow("state lost")
            << QStringList{"UPDATE phonebk SET name = 'Aal' WHERE name = 'zebra'",
                           "DROP TABLE phonebk_sortkey_state"}
            << QStringList{"Aal", "apfel", AUml, "Diary"};
        QTest::newRow("keys dropped") << QStringList{"DROP TABLE phonebk_sortkey"} << German;
    }
    void otherProgramsWritesRebuildAtOpen() {
        QFETCH(QStringList, statements);
        QFETCH(QStringList, expected);
        SetCollationLocale("de_DE");
        TestFolder folder;
        ScriptedDialogs dialogs;
        makeNames();
        otherProgramRuns(statements);
        OpenPhoneDB(DatabasePath());
        // Before the store's start the keys are not trusted; the list is right all the same.
        QVERIFY(!SortKeysReady());
        QCOMPARE(topLevelNames(), expected);
        EnsureIndexes();
        QVERIFY(SortKeysReady());
        QCOMPARE(storedKeys(), freshKeys());
        QCOMPARE(topLevelNames(), expected);
        // Opening again with nothing written by anyone else keeps the keys as they are.
        const int changes = stateField("changes");
        ClosePhoneDB();
        reopen();
        QCOMPARE(stateField("changes"), changes);
        QVERIFY(SortKeysReady());
    }

    // Keys made for German are not used once the user's locale is Swedish: the lists sort in
    // memory at once, and the next start makes the keys again in Swedish.
    void localeChangeMakesTheKeysAgain() {
        SetCollationLocale("de_DE");
        TestFolder folder;
        ScriptedDialogs dialogs;
        makeNames();
        QCOMPARE(topLevelNames(), German);
        SetCollationLocale("sv_SE");
        QVERIFY(!SortKeysReady());
        QCOMPARE(topLevelNames(), Swedish);
        ClosePhoneDB();
        reopen();
        QVERIFY(SortKeysReady());
        QCOMPARE(Scalar("SELECT collation FROM phonebk_sortkey_state").toString(),
                 NameCollator("sv_SE").Identity());
        QCOMPARE(storedKeys(), freshKeys());
        QCOMPARE(topLevelNames(), Swedish);
    }

    // Many keys to make again are made in the background on a connection of their own while the
    // program writes; meanwhile lists sort in memory, and the keys end complete and in step.
    void largeRebuildInTheBackground() {
        SetCollationLocale("de_DE");
        TestFolder folder;
        ScriptedDialogs dialogs;
        Exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 4000) "
             "INSERT INTO phonebk (name, parent, rank) "
             "SELECT CASE i % 3 WHEN 0 THEN 'zebra ' WHEN 1 THEN '\u00c4pfel ' ELSE 'apfel ' END "
             "|| i, CASE WHEN i % 100 = 0 THEN 0 ELSE 2 END, 0 FROM n");
        const ItemId parent(2);
        SetCollationLocale("sv_SE");
        ClosePhoneDB();
        reopen();
        QVERIFY(SortKeysIncomplete());
        QVERIFY(!SortKeysReady());
        const QStringList before = topLevelNames();
        QCOMPARE(before.first(), QString("apfel 1100"));
        QCOMPARE(before.last(), QString("\u00c4pfel 700"));
        StartSortKeyBuild();
        BackgroundBuildStatus status = PollSortKeyBuild();
        for (int round = 0; status.Running; ++round) {
            const ItemId id(3 + (round * 37) % 3990);
            WriteItemFields(id, QStringLiteral("renamed %1").arg(round), QString(), QString());
            MakeItem(QStringLiteral("made %1").arg(round), parent);
            Exec("DELETE FROM phonebk WHERE id = ?", {3997 - (round * 13) % 3990});
            const int percent = status.Percent;
            QTRY_VERIFY_WITH_TIMEOUT(
                (status = PollSortKeyBuild()).Percent != percent || !status.Running, 20000);
        }
        QVERIFY2(status.Error.isEmpty(), qPrintable(status.Error));
        QVERIFY(SortKeysReady());
        QCOMPARE(storedKeys(), freshKeys());
        // The list by the keys is the list sorted in memory.
        const QStringList byKeys = topLevelNames();
        RequestSortKeysRebuild();
        QCOMPARE(topLevelNames(), byKeys);
    }

    // A file that may only be read lists in the user's order: by its keys when they were made
    // for that order, else sorted in memory, the keys left as they are.
    void readOnlyFileLists() {
        SetCollationLocale("de_DE");
        TestFolder folder;
        ScriptedDialogs dialogs;
        makeNames();
        ClosePhoneDB();
        QVERIFY(QFile::setPermissions(DatabasePath(), QFile::ReadOwner | QFile::ReadGroup));
        PermissionBitsApply bits;
        OpenPhoneDB(DatabasePath());
        QCOMPARE(PhoneDBWriteRefusal(), WriteRefusal::ReadOnlyFile);
        EnsureIndexes();
        QVERIFY(SortKeysReady());
        ItemsList list;
        list.BuildList();
        QVERIFY(list.QueryText().contains("phonebk_sortkey"));
        QCOMPARE(topLevelNames(), German);
        SetCollationLocale("sv_SE");
        ClosePhoneDB();
        reopen();
        QVERIFY(!SortKeysReady());
        QCOMPARE(topLevelNames(), Swedish);
        QCOMPARE(Scalar("SELECT collation FROM phonebk_sortkey_state").toString(),
                 NameCollator("de_DE").Identity());
        ClosePhoneDB();
        QVERIFY(QFile::setPermissions(DatabasePath(), QFile::ReadOwner | QFile::WriteOwner));
    }

    // Damage where the keys are: the list is still shown, sorted in memory, and the damage told.
    void damagedKeysStillList() {
        SetCollationLocale("de_DE");
        TestFolder folder;
        makeNames();
        const int page = Scalar("SELECT rootpage FROM sqlite_master WHERE name = "
                                "'sqlite_autoindex_phonebk_sortkey_1'")
                             .toInt();
        QVERIFY(page > 2);
        ClosePhoneDB();
        garble(DatabasePath(), page);
        ScriptedDialogs dialogs;
        reopen();
        QCOMPARE(topLevelNames(), German);
        QCOMPARE(dialogs.Infos(), QStringList{DamagedFileMessage(DatabasePath())});
        QCOMPARE(PhoneDBWriteRefusal(), WriteRefusal::DamagedFile);
        QCOMPARE(topLevelNames(), German);
        QCOMPARE(dialogs.Infos().size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestSortKeys)
#include "TestSortKeys.moc"
