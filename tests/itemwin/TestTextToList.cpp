#include "itemwin/TextToList.h"
#include "store/StoreState.h"

#include "common/Busy.h"
#include "store/Database.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFolder.h"

#include <QSqlQuery>
#include <QTest>

namespace {
// The children of parent as "name|ref", in the order they were created.
QStringList ChildrenOf(ItemId parent) {
    QSqlQuery q(PhoneDB());
    q.prepare(QStringLiteral("SELECT name, tel FROM phonebk WHERE parent = :p ORDER BY id"));
    q.bindValue(QStringLiteral(":p"), IdToDb(parent));
    q.exec();
    QStringList out;
    while (q.next())
        out << q.value(0).toString() + "|" + q.value(1).toString();
    return out;
}

// Notes how many children the parent had when the TAB question came, and whether any question
// or message came under the busy cursor.
class WatchingDialogs : public ScriptedDialogs {
public:
    ItemId parent;
    int childrenAtTabQuestion = -1;
    int busyAtCall = 0;
    int ChooseOption(const QString& message, const QString& option1,
                     const QString& option2) override {
        if (message.startsWith(QLatin1String("TAB")))
            childrenAtTabQuestion = int(ChildrenOf(parent).size());
        busyAtCall = qMax(busyAtCall, BusyDepth());
        return ScriptedDialogs::ChooseOption(message, option1, option2);
    }
    void ShowInfoBox(const QString& message, const QString& caption) override {
        busyAtCall = qMax(busyAtCall, BusyDepth());
        ScriptedDialogs::ShowInfoBox(message, caption);
    }
};
} // namespace

class TestTextToList : public QObject {
    Q_OBJECT
private slots:
    void entry_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("numbering");
        QTest::addColumn<int>("split");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("ref");
        const auto row = [](const char* tag, const QString& line, int index, bool numbering,
                            TabSplit split, const QString& name, const QString& ref) {
            QTest::newRow(tag) << line << index << numbering << int(split) << name << ref;
        };
        row("plain", "Beta", 0, false, TabSplitUndecided, "Beta", "");
        row("numbered", "Alpha", 1, true, TabSplitUndecided, "Alpha", "001");
        row("numbered empty line", "", 2, true, TabSplitUndecided, "", "002");
        row("1001st line", "x", 1000, true, TabSplitNone, "x", "1000");
        row("name first", "Smith\t   0123", 0, false, TabSplitNameFirst, "Smith", "0123");
        row("ref first", "Smith\t   0123", 0, false, TabSplitRefFirst, "0123", "Smith");
        row("leading tabs too", "Smith\t\t 0123", 0, false, TabSplitNameFirst, "Smith", "0123");
        row("further tabs stay in ref", "a\tb\tc", 0, false, TabSplitNameFirst, "a", "b\tc");
        row("tab line ignores numbering", "a\tb", 4, true, TabSplitNameFirst, "a", "b");
        row("no split: whole line", "a\tb", 4, true, TabSplitNone, "a\tb", "004");
        row("blanks untrimmed", "   ", 0, false, TabSplitNone, "   ", "");
        row("ref cut at 255", "n\t" + QString(300, 'r'), 0, false, TabSplitNameFirst, "n",
            QString(255, 'r'));
    }
    void entry() {
        QFETCH(QString, line);
        QFETCH(int, index);
        QFETCH(bool, numbering);
        QFETCH(int, split);
        QFETCH(QString, name);
        QFETCH(QString, ref);
        const ListEntry e = TextToListEntry(line, index, numbering, TabSplit(split));
        QCOMPARE(e.Name, name);
        QCOMPARE(e.Ref, ref);
    }

    // The children made for each answer to the order question (and to the TAB question).
    void convert_data() {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QList<int>>("choices");
        QTest::addColumn<QStringList>("children");
        const QStringList letters{"Beta", "Alpha", ""};
        QTest::newRow("alphabetic") << letters << QList<int>{1} << QStringList{"Beta|", "Alpha|"};
        QTest::newRow("line numbers")
            << letters << QList<int>{2} << QStringList{"Beta|000", "Alpha|001", "|002"};
        QTest::newRow("TAB question cancelled: lines taken whole")
            << QStringList{"Smith\t0123", "Jones\t99"} << QList<int>{1, 0}
            << QStringList{"Smith\t0123|", "Jones\t99|"};
    }
    void convert() {
        QFETCH(QStringList, lines);
        QFETCH(QList<int>, choices);
        QFETCH(QStringList, children);
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId parent = CreateItem(QStringLiteral("Letters"), QString());
        dialogs.AnswerYes();
        for (int c : choices)
            dialogs.AnswerChoice(c);
        QVERIFY(TextToList(parent, lines));
        QCOMPARE(ChildrenOf(parent), children);
        ItemRecord p;
        QVERIFY(LocateItem(parent, p));
        QCOMPARE(p.Numchildren, int(children.size()));
        QCOMPARE(dialogs.Questions(), QStringList{"Copy item text to list of items - OK?"});
        QCOMPARE(dialogs.PendingAnswers(), 0);
    }

    void tabQuestionAskedOnceAtFirstTabLine() {
        TestFolder folder;
        WatchingDialogs dialogs;
        dialogs.parent = CreateItem(QStringLiteral("Phones"), QString());
        dialogs.AnswerYes();
        dialogs.AnswerChoice(2); // line numbers
        dialogs.AnswerChoice(1); // iname first
        QVERIFY(TextToList(dialogs.parent,
                           {"one", "two", "three", "four", "Smith\t   0123", "six", "Jones\t99"}));
        QCOMPARE(dialogs.childrenAtTabQuestion, 4);
        QCOMPARE(dialogs.busyAtCall, 0);
        QCOMPARE(dialogs.Texts("choose").count("TAB separates iname & iref, with ..."), 1);
        // TAB lines take their reference from the text; the numbers count lines, not items.
        QCOMPARE(ChildrenOf(dialogs.parent),
                 (QStringList{"one|000", "two|001", "three|002", "four|003", "Smith|0123",
                              "six|005", "Jones|99"}));
    }

    void stopsBeforeAnyChange_data() {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("answers"); // Y/N for the question, 0 for a cancelled chooser
        QTest::addColumn<QStringList>("infos");
        QTest::newRow("no text") << QStringList() << "" << QStringList{"No text to convert"};
        QTest::newRow("declined") << QStringList{"a"} << "N" << QStringList();
        QTest::newRow("chooser cancelled") << QStringList{"a"} << "Y0" << QStringList();
    }
    void stopsBeforeAnyChange() {
        QFETCH(QStringList, lines);
        QFETCH(QString, answers);
        QFETCH(QStringList, infos);
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId parent = CreateItem(QStringLiteral("P"), QString());
        for (QChar c : answers) {
            if (c == 'Y')
                dialogs.AnswerYes();
            else if (c == 'N')
                dialogs.AnswerNo();
            else
                dialogs.AnswerChoice(0);
        }
        QVERIFY(!TextToList(parent, lines));
        QVERIFY(ChildrenOf(parent).isEmpty());
        QCOMPARE(dialogs.Infos(), infos);
        QCOMPARE(dialogs.PendingAnswers(), 0);
    }

    void linkMessagesShownEvenWhenQuiet() {
        TestFolder folder;
        WatchingDialogs dialogs;
        TheStoreState.QuietLinking = true;
        dialogs.AnswerYes();
        dialogs.AnswerChoice(1);
        // The parent is gone: each new item stays top-level and the link says why.
        QVERIFY(TextToList(ItemId(9999), {"a", "b"}));
        QCOMPARE(dialogs.Infos(),
                 (QStringList{"From-Item not found #9999", "From-Item not found #9999"}));
        QVERIFY(!TheStoreState.QuietLinking);
        QCOMPARE(dialogs.busyAtCall, 0);
    }
};

QTEST_GUILESS_MAIN(TestTextToList)
#include "TestTextToList.moc"
