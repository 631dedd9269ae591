#include "support/ItemFixture.h"

#include "common/Folders.h"
#include "search/SearchIndex.h"
#include "search/SearchIndexBuilder.h"
#include "store/ItemFields.h"
#include "store/ItemStore.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFolder.h"

#include <QTest>

#include <sqlite3.h>

#include <map>
#include <set>

namespace {
using Postings = std::map<QString, std::set<int>>;

// Every trigram the live index holds, with the items it names.
Postings indexPostings() {
    Exec("CREATE VIRTUAL TABLE IF NOT EXISTS temp.search_terms USING "
         "fts5vocab(main, phonebk_search, row)");
    QStringList terms;
    {
        QSqlQuery q(PhoneDB());
        q.exec("SELECT term FROM temp.search_terms");
        while (q.next())
            terms << q.value(0).toString();
    }
    Postings out;
    for (const QString& term : terms) {
        QSqlQuery q(PhoneDB());
        q.prepare("SELECT rowid FROM phonebk_search WHERE phonebk_search MATCH ?");
        q.bindValue(0, QLatin1Char('"') + term + QLatin1Char('"'));
        q.exec();
        while (q.next())
            out[term].insert(q.value(0).toInt());
    }
    return out;
}

// What an index built afresh from the items as they are now would hold.
Postings freshPostings() {
    Postings out;
    QSqlQuery q(PhoneDB());
    q.exec("SELECT id, cardolo_search_body(name, text) FROM phonebk");
    while (q.next()) {
        const QString body = q.value(1).toString();
        for (int i = 0; i + 3 <= body.size(); ++i)
            out[body.mid(i, 3)].insert(q.value(0).toInt());
    }
    return out;
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
    return Scalar(QStringLiteral("SELECT %1 FROM phonebk_search_state").arg(field)).toInt();
}
} // namespace

// The search's candidate index: what it holds for each item, how every write keeps it in step,
// how writes of other programs are found at open, and its build in the background.
class TestSearchIndex : public QObject {
    Q_OBJECT
private slots:
    void init() { ResetAllState(); }
    void cleanup() { ResetAllState(); }

    // The body is the folded name and the folded lines of the text, with nothing of the
    // breaks, punctuation or other characters that folding drops.
    void bodyIsTheFoldedNameAndLines_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("body");
        QTest::newRow("ascii") << "Mr O'Neil"
                               << "Line 1\r\nline-2\rLINE 3\n"
                               << "mroneilline1line2line3";
        QTest::newRow("null text") << "A b" << QString() << "ab";
        QTest::newRow("accents go") << "Caf\u00e9 \u00c9t\u00e9"
                                    << "na\u00efve\r\nX"
                                    << "caftnavex";
        QTest::newRow("lowered to ASCII")
            << QString(QChar(0x212A)) + "m" << QString(QChar(0x130)) + "stanbul"
            << "kmistanbul";
        QTest::newRow("outside the basic plane") << QString::fromUcs4(U"a\U00010400b") << "\u4e2d"
                                                 << "ab";
    }
    void bodyIsTheFoldedNameAndLines() {
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(QString, body);
        TestFolder folder;
        QCOMPARE(Scalar("SELECT cardolo_search_body(?, ?)", {name, text}).toString(), body);
    }

    // The query is every distinct trigram of the folded search; shorter than a trigram, none.
    void queryOfTheFoldedSearch_data() {
        QTest::addColumn<QString>("prepared");
        QTest::addColumn<QString>("query");
        QTest::newRow("word") << "harbour"
                              << "\"har\" AND \"arb\" AND \"rbo\" AND \"bou\" AND \"our\"";
        QTest::newRow("punctuation out") << "o'neil"
                                         << "\"one\" AND \"nei\" AND \"eil\"";
        QTest::newRow("each once") << "aaaaa"
                                   << "\"aaa\"";
        QTest::newRow("accent out") << "caf\u00e9s"
                                    << "\"caf\" AND \"afs\"";
        QTest::newRow("three") << "a-b-c"
                               << "\"abc\"";
        QTest::newRow("two") << "a b"
                             << "";
        QTest::newRow("none folded") << "\u4e2d\u6587\u5b57"
                                     << "";
        QTest::newRow("empty") << ""
                               << "";
    }
    void queryOfTheFoldedSearch() {
        QFETCH(QString, prepared);
        QFETCH(QString, query);
        QCOMPARE(SearchIndexQuery(prepared), query);
    }

    // Every write of the store, and writes in plain SQL, leave the index holding exactly what a
    // build from scratch would; a write undone is undone in the index as well.
    void everyWriteKeepsTheIndexInStep() {
        TestFolder folder;
        QVERIFY(SearchIndexReady());
        auto inStep = [](const char* what) {
            QVERIFY2(indexPostings() == freshPostings(), what);
            QVERIFY2(SearchIndexReady(), what);
        };
        const ItemId a = CreateItem("Harbour master", "ref", "first line\r\nsecond LINE");
        const ItemId b = MakeItem("plumber", a, QString(), "receipt\nno. 42");
        inStep("created");
        QVERIFY(WriteItemFields(a, "Harbour pilot", "ref", "other\rtext"));
        inStep("all fields written");
        ItemFieldEdits edits;
        edits.Text = QStringLiteral("a new text");
        QVERIFY(WriteItemFields(b, edits));
        edits.Text.reset();
        edits.Name = QStringLiteral("Plumber & sons");
        QVERIFY(WriteItemFields(b, edits));
        inStep("changed fields written");
        FindOrCreateYearItem(2031);
        inStep("year item");
        const ItemId c = MakeItem("to remove", ItemId(), QString(), "gone soon");
        QVERIFY(RemoveItemRow(c));
        inStep("row removed");
        {
            ScriptedDialogs dialogs;
            dialogs.AnswerYes();
            QVERIFY(DeleteItem(b));
        }
        inStep("item deleted");
        Exec("UPDATE phonebk SET name = 'renamed', text = NULL WHERE id = ?", {IdToDb(a)});
        Exec("INSERT OR REPLACE INTO phonebk (id, name, text) VALUES (?, 'replaced', 'new')",
             {IdToDb(a)});
        inStep("plain SQL, a row replaced");
        {
            Transaction t;
            Exec("UPDATE phonebk SET name = 'never kept' WHERE id = ?", {IdToDb(a)});
            CreateItem("never made", QString(), "text never kept");
        }
        inStep("transaction rolled back");
        // Writes that touch neither names nor texts leave the index alone.
        const int seen = stateField("seen");
        Exec("UPDATE phonebk SET srchts = '2024-01-01 00:00:00.000', rank = 0");
        QCOMPARE(stateField("seen"), seen);
        QCOMPARE(stateField("changes"), stateField("seen"));
    }

    // Another program's writes (the counting triggers in the file see them, this program's do
    // not) are found at the next open and the index is rebuilt; so is an index whose counting
    // triggers an older version dropped, or of another format.
    void otherProgramsWritesRebuildAtOpen_data() {
        QTest::addColumn<QStringList>("statements");
        QTest::newRow("name changed") << QStringList{"UPDATE phonebk SET name = 'quayside' "
                                                     "WHERE name = 'harbour'"};
        QTest::newRow("item added")
            << QStringList{"INSERT INTO phonebk (name) VALUES ('quayside')"};
        QTest::newRow("item deleted") << QStringList{"DELETE FROM phonebk WHERE name = 'harbour'"};
        // The counts agree in these: only the missing trigger, the format and the missing state
        // tell that the index is out of step.
        QTest::newRow("trigger dropped")
            << QStringList{"DROP TRIGGER phonebk_counted_update",
                           "UPDATE phonebk SET text = 'quayside' WHERE name = 'harbour'"};
        QTest::newRow("index of another format")
            << QStringList{"UPDATE phonebk SET text = 'quayside' WHERE name = 'harbour'",
                           "UPDATE phonebk_search_state SET seen = changes, format = 0"};
        QTest::newRow("state lost")
            << QStringList{"UPDATE phonebk SET text = 'quayside' WHERE name = 'harbour'",
                           "DROP TABLE phonebk_search_state"};
        // A cache that another program threw away, or a file from a tool that leaves it out:
        // the state still says complete, and the index made anew must be built.
        QTest::newRow("index dropped") << QStringList{"DROP TABLE phonebk_search"};
        QTest::newRow("state row emptied") << QStringList{"DELETE FROM phonebk_search_state"};
        QTest::newRow("state row emptied after a write")
            << QStringList{"UPDATE phonebk SET text = 'quayside' WHERE name = 'harbour'",
                           "DELETE FROM phonebk_search_state"};
    }
    void otherProgramsWritesRebuildAtOpen() {
        QFETCH(QStringList, statements);
        TestFolder folder;
        MakeItem("harbour", ItemId(), QString(), "text of the harbour");
        MakeItem("other", ItemId(), QString(), "quay");
        otherProgramRuns(statements);
        reopen();
        QVERIFY(SearchIndexReady());
        QCOMPARE(indexPostings(), freshPostings());
        QCOMPARE(stateField("changes"), stateField("seen"));
        // Opening again with nothing written by anyone else keeps the index as it is.
        const int changes = stateField("changes");
        ClosePhoneDB();
        reopen();
        QCOMPARE(stateField("changes"), changes);
        QVERIFY(SearchIndexReady());
    }

    // Opening a file without the index (made by an older version) makes it, and the counting
    // triggers in the file are plain SQL that any program runs.
    void olderFileGetsTheIndex() {
        TestFolder folder;
        MakeItem("harbour", ItemId(), QString(), "text");
        otherProgramRuns({"DROP TABLE phonebk_search", "DROP TABLE phonebk_search_state",
                          "DROP TRIGGER phonebk_counted_insert",
                          "DROP TRIGGER phonebk_counted_delete",
                          "DROP TRIGGER phonebk_counted_update"});
        reopen();
        QVERIFY(SearchIndexReady());
        QCOMPARE(indexPostings(), freshPostings());
        otherProgramRuns({"INSERT INTO phonebk (name, text) VALUES ('x', 'y')"});
        reopen();
        QCOMPARE(indexPostings(), freshPostings());
    }

    // A large file is built in the background on a connection of its own while the program
    // writes: the index is not used until complete, and ends in step with every write.
    void backgroundBuildWhileWriting() {
        TestFolder folder;
        {
            Transaction t;
            for (int i = 0; i < 3000; ++i)
                CreateItem(QStringLiteral("item %1").arg(i), QString(),
                           QStringLiteral("text %1 of harbour\nline %2").arg(i).arg(i * 7));
            t.Commit();
        }
        RequestSearchIndexRebuild();
        ClosePhoneDB();
        reopen();
        QVERIFY(SearchIndexIncomplete());
        QVERIFY(!SearchIndexReady());
        StartSearchIndexBuild();
        // Writes below, at and above wherever the build has got to, between its steps.
        SearchIndexBuildStatus status = PollSearchIndexBuild();
        for (int round = 0; status.Running; ++round) {
            const ItemId low(2 + (round * 37) % 3000);
            WriteItemFields(low, QStringLiteral("renamed %1").arg(round), QString(),
                            QStringLiteral("quay %1").arg(round));
            CreateItem(QStringLiteral("new %1").arg(round), QString(), "new text");
            RemoveItemRow(ItemId(3001 - (round * 13) % 3000));
            const int percent = status.Percent;
            QTRY_VERIFY_WITH_TIMEOUT(
                (status = PollSearchIndexBuild()).Percent != percent || !status.Running, 20000);
        }
        QVERIFY2(status.Error.isEmpty(), qPrintable(status.Error));
        QVERIFY(SearchIndexReady());
        QVERIFY(!SearchIndexIncomplete());
        QCOMPARE(indexPostings(), freshPostings());
    }

    // The user's writes always win the lock from the build: with the engine told not to wait
    // for a lock at all, every write made while the build runs goes through at once, and the
    // build still ends complete and in step.
    void userWritesNeverWaitForTheBuild() {
        TestFolder folder;
        otherProgramRuns({"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                          "WHERE i < 40000) "
                          "INSERT INTO phonebk (name, text, createdts, rank, parent) "
                          "SELECT 'item ' || i, 'harbour line ' || i || char(13, 10) || "
                          "'quay ' || (i * 7), '2024-01-01T00:00:00.000', 0, 0 FROM n"});
        reopen();
        QVERIFY(SearchIndexIncomplete());
        Exec("PRAGMA busy_timeout=0");
        StartSearchIndexBuild();
        int writes = 0;
        SearchIndexBuildStatus status;
        for (status = PollSearchIndexBuild(); status.Running; status = PollSearchIndexBuild()) {
            const ItemId id(2 + (writes * 977) % 40000);
            try {
                WriteItemFields(id, QStringLiteral("renamed %1").arg(writes), QString(),
                                QStringLiteral("dock %1").arg(writes));
                CreateItem(QStringLiteral("made %1").arg(writes), QString(), "pier");
            } catch (const DbError& e) {
                QFAIL(qPrintable(QStringLiteral("write %1 refused: %2").arg(writes).arg(e.Text)));
            }
            ++writes;
        }
        QVERIFY2(status.Error.isEmpty(), qPrintable(status.Error));
        QVERIFY(writes > 0);
        QVERIFY(SearchIndexReady());
        QCOMPARE(Scalar("SELECT count(*) FROM phonebk WHERE name LIKE 'made %'").toInt(), writes);
        QCOMPARE(indexPostings(), freshPostings());
    }

    // A build stopped half-way goes on from where it stopped at the next start.
    void stoppedBuildResumes() {
        TestFolder folder;
        {
            Transaction t;
            for (int i = 0; i < 3000; ++i)
                CreateItem(QStringLiteral("item %1").arg(i), QString(), "harbour");
            t.Commit();
        }
        RequestSearchIndexRebuild();
        {
            Transaction t;
            BuildSearchIndexStep(PhoneDBHandle(), 10); // empties the index
            const SearchIndexStepResult step = BuildSearchIndexStep(PhoneDBHandle(), 1000);
            QCOMPARE(step.BuiltUpTo, qint64(1000));
            QVERIFY(!step.Complete);
            t.Commit();
        }
        ClosePhoneDB();
        reopen();
        QVERIFY(SearchIndexIncomplete());
        QCOMPARE(stateField("builtupto"), 1000);
        QVERIFY(BuildSearchIndexNow());
        QVERIFY(SearchIndexReady());
        QCOMPARE(indexPostings(), freshPostings());
    }
};

QTEST_GUILESS_MAIN(TestSearchIndex)
#include "TestSearchIndex.moc"
