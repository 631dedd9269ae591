#include "store/ItemStore.h"
#include "store/StoreState.h"
#include "support/ItemFixture.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFolder.h"

#include <QTest>

namespace {
const char* const RepeatQuestion = "The items are already linked - link them again?";

QString Note(ItemId id1, ItemId id2, int drop) {
    return Scalar("SELECT linknote FROM mm2 WHERE id1 = ? AND id2 = ? AND \"drop\" = ?",
                  {IdToDb(id1), IdToDb(id2), drop})
        .toString();
}

bool RowExists(ItemId id1, ItemId id2, int drop) {
    return Scalar("SELECT COUNT(*) FROM mm2 WHERE id1 = ? AND id2 = ? AND \"drop\" = ?",
                  {IdToDb(id1), IdToDb(id2), drop})
               .toInt() == 1;
}
} // namespace

// Links across: their mirrored rows, repeats and their numbers, notes and removal.
class TestLinksAcross : public QObject {
    Q_OBJECT
private slots:
    void init() { TheStoreState.QuietLinking = false; }
    void cleanup() { ResetAllState(); }

    void repeatLinks_data() {
        QTest::addColumn<bool>("again");
        QTest::addColumn<bool>("cancelNote");
        QTest::newRow("again with note") << true << false;
        QTest::newRow("again, note cancelled") << true << true;
        QTest::newRow("declined") << false << false;
    }
    void repeatLinks() {
        QFETCH(bool, again);
        QFETCH(bool, cancelNote);
        TestFolder folder;
        const ItemId a = MakeItem("A");
        const ItemId b = MakeItem("B");
        ScriptedDialogs dialogs;
        QCOMPARE(LinkItems(a, b, 2), int(LinkOk)); // the first link asks nothing
        QVERIFY(dialogs.Calls.isEmpty());
        QVERIFY(RowExists(b, a, 0));
        QCOMPARE(Note(a, b, 0), QString(""));
        SetLinkAcrossNote(a, b, 0, "first");
        // The reverse direction is the same pair: a repeat.
        if (again) {
            dialogs.AnswerYes();
            cancelNote ? dialogs.AnswerCancelPrompt()
                       : dialogs.AnswerText(QString("second note ") + QString(40, 'x'));
        } else {
            dialogs.AnswerNo();
        }
        QCOMPARE(LinkItems(b, a, 2), again ? int(LinkOk) : int(AlreadyLinked));
        QCOMPARE(dialogs.Questions(), QStringList{RepeatQuestion});
        QCOMPARE(CountLinkRows(), again ? 4 : 2);
        QCOMPARE(Field(a, "numcousins"), again ? 2 : 1);
        QCOMPARE(Field(b, "numcousins"), again ? 2 : 1);
        if (!again)
            return;
        QCOMPARE(dialogs.Texts("input"), QStringList{"[ Link note ]"});
        QCOMPARE(dialogs.Calls.last().caption, QString()); // the note is asked empty
        const QString expected =
            cancelNote ? QString() : QString("second note ") + QString(28, 'x');
        QCOMPARE(Note(a, b, 1), expected);
        QCOMPARE(Note(b, a, 1), expected);
        QCOMPARE(Note(a, b, 0), QString("first"));
        QCOMPARE(Note(b, a, 0), QString("first"));
    }

    void nextDropFollowsHighest() {
        TestFolder folder;
        const ItemId a = MakeItem("A");
        const ItemId b = MakeItem("B");
        Exec("INSERT INTO mm2 (id1, id2, linknote, \"drop\") VALUES (?, ?, '', 0), "
             "(?, ?, '', 3)",
             {IdToDb(a), IdToDb(b), IdToDb(a), IdToDb(b)});
        ScriptedDialogs dialogs;
        dialogs.AnswerYes();
        dialogs.AnswerText("n");
        QString note = "kept";
        QCOMPARE(FindRepeatLink(a, b, note), 4);
        QCOMPARE(note, QString("n"));
        note = "kept";
        QCOMPARE(FindRepeatLink(b, a, note), 0);
        QCOMPARE(note, QString("kept"));
    }

    void delinkOneOfTwoAndMissingMirror() {
        TestFolder folder;
        const ItemId a = MakeItem("A");
        const ItemId b = MakeItem("B");
        ScriptedDialogs dialogs;
        QCOMPARE(LinkItems(a, b, 2), int(LinkOk));
        dialogs.AnswerYes();
        dialogs.AnswerText("two");
        QCOMPARE(LinkItems(a, b, 2), int(LinkOk));
        QVERIFY(DelinkAcross(b, a, 0));
        QVERIFY(!RowExists(a, b, 0));
        QVERIFY(!RowExists(b, a, 0));
        QVERIFY(RowExists(a, b, 1));
        QVERIFY(RowExists(b, a, 1));
        QCOMPARE(Field(a, "numcousins"), 1);
        QCOMPARE(Field(b, "numcousins"), 1);
        QVERIFY(!DelinkAcross(a, b, 0));
        QCOMPARE(dialogs.Infos().last(),
                 QString("Link-across %1-%2 not found").arg(a.Value()).arg(b.Value()));
        QCOMPARE(CountLinkRows(), 2);
        // A row without its mirror is removed and reported; a count never goes below 0.
        const ItemId c = MakeItem("C");
        Exec("INSERT INTO mm2 (id1, id2, linknote, \"drop\") VALUES (?, ?, '', 0)",
             {IdToDb(c), IdToDb(a)});
        QVERIFY(!DelinkAcross(c, a, 0));
        QCOMPARE(dialogs.Infos().last(),
                 QString("Link-across %1-%2 not found").arg(a.Value()).arg(c.Value()));
        QCOMPARE(CountLinkRows(), 2);
        QCOMPARE(Field(c, "numcousins"), 0);
    }

    void refusedLinksStoreNothing() {
        TestFolder folder;
        const ItemId a = MakeItem("A");
        const ItemId b = MakeItem("B");
        ScriptedDialogs dialogs;
        QCOMPARE(LinkItems(a, a, 2), int(LinkRefused)); // an item across to itself
        QCOMPARE(CountLinkRows(), 0);
        QCOMPARE(Field(a, "numcousins"), 0);
        QVERIFY(dialogs.Calls.isEmpty());
        // A row whose key is taken is refused as a result, not thrown.
        Exec("INSERT INTO mm2 (id1, id2, linknote, \"drop\") VALUES (?, ?, 'stray', 0)",
             {IdToDb(b), IdToDb(a)});
        QCOMPARE(AddLinkAcrossRow(b, a, 0, "x"), int(LinkRefused));
        QCOMPARE(Note(b, a, 0), QString("stray"));
        QCOMPARE(Field(b, "numcousins"), 0);
        QCOMPARE(AddLinkAcrossRow(a, b, 5, "x"), int(LinkOk));
        QCOMPARE(Field(a, "numcousins"), 1);
    }

    void noteEditTouchesOneLink() {
        TestFolder folder;
        const ItemId a = MakeItem("A");
        const ItemId b = MakeItem("B");
        const ItemId c = MakeItem("C");
        ScriptedDialogs dialogs;
        QCOMPARE(LinkItems(a, b, 2), int(LinkOk));
        QCOMPARE(LinkItems(a, c, 2), int(LinkOk));
        dialogs.AnswerYes();
        dialogs.AnswerText("old");
        QCOMPARE(LinkItems(a, b, 2), int(LinkOk));
        QString note = Note(a, b, 1);
        dialogs.AnswerText("new & better");
        QVERIFY(PromptLinkNote(note));
        SetLinkAcrossNote(a, b, 1, note);
        QCOMPARE(Note(a, b, 1), QString("new & better"));
        QCOMPARE(Note(b, a, 1), QString("new & better"));
        QCOMPARE(Note(a, b, 0), QString(""));
        QCOMPARE(Note(a, c, 0), QString(""));
        SetLinkNote(a, b, 9, "nothing"); // no such row: nothing stored
        QCOMPARE(CountLinkRows(), 6);
        dialogs.AnswerCancelPrompt();
        QVERIFY(!PromptLinkNote(note));
        QCOMPARE(note, QString("new & better"));
    }

    // Both items must exist, as for a link down: the same messages and results, nothing
    // stored and nothing asked. (A link to a deleted item used to be stored and counted, and
    // then kept the other item from ever being deleted.)
    void missingItemsAreReportedAsForLinksDown() {
        TestFolder folder;
        const ItemId a = MakeItem("A");
        const ItemId gone = MakeItem("B");
        Exec("DELETE FROM phonebk WHERE id = ?", {IdToDb(gone)});
        ScriptedDialogs dialogs;
        QCOMPARE(LinkItems(a, gone, 2), int(ToNotFound));
        QCOMPARE(LinkItems(gone, a, 2), int(FromNotFound));
        QCOMPARE(LinkItems(ItemId(998), ItemId(999), 2), int(ToNotFound)); // To is looked at first
        QCOMPARE(dialogs.Infos(), QStringList({QString("To-item not found #%1").arg(gone.Value()),
                                               QString("From-Item not found #%1").arg(gone.Value()),
                                               "To-item not found #999"}));
        QCOMPARE(dialogs.Calls.size(), 3); // no question
        QCOMPARE(CountLinkRows(), 0);
        QCOMPARE(Field(a, "numcousins"), 0);
        // Silenced like every link message while QuietLinking is on.
        TheStoreState.QuietLinking = true;
        QCOMPARE(LinkItems(a, gone, 2), int(ToNotFound));
        QCOMPARE(dialogs.Calls.size(), 3);
        // With A free of links it can be deleted.
        dialogs.AnswerYes();
        QVERIFY(DeleteItem(a));
    }

    // Only a key clash is a refusal; any other failure of the engine reaches the caller with
    // the engine's text, and nothing of the link is stored.
    void otherEngineErrorsAreThrown() {
        TestFolder folder;
        const ItemId a = MakeItem("A");
        const ItemId b = MakeItem("B");
        ScriptedDialogs dialogs;
        // A file the engine will not write (read-only here): the insert itself fails.
        Exec("PRAGMA query_only = ON");
        try {
            LinkItems(a, b, 2);
            QFAIL("no error raised");
        } catch (const DbError& e) {
            QVERIFY2(e.Text.contains("readonly"), qPrintable(e.Text));
            QVERIFY(!e.IsKeyClash());
        }
        Exec("PRAGMA query_only = OFF");
        QCOMPARE(CountLinkRows(), 0);
        // A failure injected at the store's next writes goes the same way.
        FailNextWrites("disk I/O error", 10);
        QVERIFY_THROWS_EXCEPTION(DbError, LinkItems(a, b, 2));
        FailNextWrites(QString(), 0);
        QCOMPARE(CountLinkRows(), 0);
        QCOMPARE(Field(a, "numcousins"), 0);
        QCOMPARE(Field(b, "numcousins"), 0);
        QVERIFY(dialogs.Calls.isEmpty());
        // The link is made once the engine writes again.
        QCOMPARE(LinkItems(a, b, 2), int(LinkOk));
        QCOMPARE(CountLinkRows(), 2);
    }

    // A Drop number is taken only when neither direction of the pair uses it: a row stored
    // one way only (older data, converted links) no longer makes the new link's mirror clash.
    void dropIsFreeInBothDirections() {
        TestFolder folder;
        const ItemId b = MakeItem("B");
        const ItemId c = MakeItem("C");
        Exec("INSERT INTO mm2 (id1, id2, linknote, \"drop\") VALUES (?, ?, 'old', 0)",
             {IdToDb(c), IdToDb(b)});
        Exec("UPDATE phonebk SET numcousins = 1 WHERE id = ?", {IdToDb(c)});
        ScriptedDialogs dialogs;
        QCOMPARE(LinkItems(b, c, 2), int(LinkOk));
        QVERIFY(dialogs.Calls.isEmpty()); // no link of B to C yet: a first link, no question
        QVERIFY(RowExists(b, c, 1));
        QVERIFY(RowExists(c, b, 1));
        QCOMPARE(Note(c, b, 0), QString("old"));
        QCOMPARE(CountLinkRows(), 3);
        QCOMPARE(Field(b, "numcousins"), 1);
        QCOMPARE(Field(c, "numcousins"), 2);
        // A repeat goes past a number the other direction holds alone.
        Exec("INSERT INTO mm2 (id1, id2, linknote, \"drop\") VALUES (?, ?, '', 2)",
             {IdToDb(c), IdToDb(b)});
        dialogs.AnswerYes();
        dialogs.AnswerText("third");
        QCOMPARE(LinkItems(b, c, 2), int(LinkOk));
        QVERIFY(RowExists(b, c, 3));
        QCOMPARE(Note(c, b, 3), QString("third"));
        QVERIFY(!RowExists(b, c, 2));
    }

    // Removing an older row that links an item to itself counts the item down once.
    void delinkSelfRowCountsOnce() {
        TestFolder folder;
        const ItemId a = MakeItem("A");
        const ItemId b = MakeItem("B");
        ScriptedDialogs dialogs;
        QCOMPARE(LinkItems(a, b, 2), int(LinkOk));
        Exec("INSERT INTO mm2 (id1, id2, linknote, \"drop\") VALUES (?, ?, 'self', 0)",
             {IdToDb(a), IdToDb(a)});
        Exec("UPDATE phonebk SET numcousins = 2 WHERE id = ?", {IdToDb(a)}); // the row counted once
        QVERIFY(DelinkAcross(a, a, 0));
        QVERIFY(dialogs.Calls.isEmpty());
        QVERIFY(!RowExists(a, a, 0));
        QCOMPARE(Field(a, "numcousins"), 1); // the link to B is still counted
        QCOMPARE(Field(b, "numcousins"), 1);
        QCOMPARE(CountLinkRows(), 2);
    }

    // Notes are cut to 40 characters as a reader counts them, between whole characters: half an
    // emoji is never stored.
    void notesCutAtWholeCharacters() {
        TestFolder folder;
        const ItemId a = MakeItem("A");
        const ItemId b = MakeItem("B");
        const QString emoji = QStringLiteral("\U0001F600");
        QCOMPARE(AddLinkAcrossRow(a, b, 0, QString(40, 'n') + emoji), int(LinkOk));
        QCOMPARE(Note(a, b, 0), QString(40, 'n'));
        // The file holds the 40 letters and no byte of the emoji after them.
        QCOMPARE(Scalar("SELECT length(CAST(linknote AS BLOB)) FROM mm2").toInt(), 40);
        // The emoji counts as one character of the 40.
        SetLinkAcrossNote(a, b, 0, QString(39, 'm') + emoji + "z");
        QCOMPARE(Note(a, b, 0), QString(39, 'm') + emoji);
        QCOMPARE(Scalar("SELECT length(CAST(linknote AS BLOB)) FROM mm2").toInt(), 39 + 4);
    }
};

QTEST_GUILESS_MAIN(TestLinksAcross)
#include "TestLinksAcross.moc"
