#include "StoreTestSupport.h"
#include "store/ItemStore.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFolder.h"

#include <QTest>

namespace {
const char* const RepeatQuestion = "The items are already linked - link them again?";

QString Note(ItemId id1, ItemId id2, int drop) {
    return Scalar("SELECT linknote FROM mm2 WHERE id1 = ? AND id2 = ? AND \"drop\" = ?",
                  {id1, id2, drop})
        .toString();
}

bool RowExists(ItemId id1, ItemId id2, int drop) {
    return Scalar("SELECT COUNT(*) FROM mm2 WHERE id1 = ? AND id2 = ? AND \"drop\" = ?",
                  {id1, id2, drop})
               .toInt() == 1;
}
} // namespace

// Links across: their mirrored rows, repeats and their numbers, notes and removal.
class TestLinksAcross : public QObject {
    Q_OBJECT
private slots:
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
             {a, b, a, b});
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
        QCOMPARE(dialogs.Infos().last(), QString("Link-across %1-%2 not found").arg(a).arg(b));
        QCOMPARE(CountLinkRows(), 2);
        // A row without its mirror is removed and reported; a count never goes below 0.
        const ItemId c = MakeItem("C");
        Exec("INSERT INTO mm2 (id1, id2, linknote, \"drop\") VALUES (?, ?, '', 0)", {c, a});
        QVERIFY(!DelinkAcross(c, a, 0));
        QCOMPARE(dialogs.Infos().last(), QString("Link-across %1-%2 not found").arg(a).arg(c));
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
        QVERIFY(dialogs.Calls.isEmpty());
        // A stray mirror row makes the second row's key taken.
        Exec("INSERT INTO mm2 (id1, id2, linknote, \"drop\") VALUES (?, ?, 'stray', 0)", {b, a});
        QCOMPARE(LinkItems(a, b, 2), int(LinkRefused));
        QVERIFY(!RowExists(a, b, 0));
        QCOMPARE(Field(a, "numcousins"), 0);
        QCOMPARE(Field(b, "numcousins"), 0);
        QCOMPARE(AddLinkAcrossRow(b, a, 0, "x"), int(LinkRefused));
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
};

QTEST_GUILESS_MAIN(TestLinksAcross)
#include "TestLinksAcross.moc"
