#include "itemwin/TextToList.h"

#include "app/Busy.h"
#include "store/Database.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFolder.h"

#include <QSqlQuery>
#include <QTest>

namespace {
struct Child {
    QString name;
    QString ref;
    bool operator==(const Child& o) const { return name == o.name && ref == o.ref; }
};

// The children of parent in the order they were created.
QList<Child> ChildrenOf(ItemId parent) {
    QSqlQuery q(PhoneDB());
    q.prepare(QStringLiteral("SELECT name, tel FROM phonebk WHERE parent = :p ORDER BY id"));
    q.bindValue(QStringLiteral(":p"), parent);
    q.exec();
    QList<Child> out;
    while (q.next())
        out << Child{q.value(0).toString(), q.value(1).toString()};
    return out;
}

// Notes how many children the parent had when the TAB question came, and whether any question
// or message came under the busy cursor.
class WatchingDialogs : public ScriptedDialogs {
public:
    ItemId parent = 0;
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

QT_BEGIN_NAMESPACE
char* toString(const Child& c) {
    return QTest::toString(c.name + "|" + c.ref);
}
QT_END_NAMESPACE

class TestTextToList : public QObject {
    Q_OBJECT
private slots:
    void entry_data();
    void entry();
    void alphabetic();
    void lineNumbers();
    void tabQuestionAskedOnceAtFirstTabLine();
    void tabQuestionCancelledTakesLinesWhole();
    void stopsBeforeAnyChange_data();
    void stopsBeforeAnyChange();
    void linkMessagesShownEvenWhenQuiet();
};

void TestTextToList::entry_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("numbering");
    QTest::addColumn<int>("split");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("ref");
    QTest::newRow("plain") << "Beta" << 0 << false << int(TabSplitUndecided) << "Beta"
                           << "";
    QTest::newRow("numbered") << "Alpha" << 1 << true << int(TabSplitUndecided) << "Alpha"
                              << "001";
    QTest::newRow("numbered empty line") << "" << 2 << true << int(TabSplitUndecided) << ""
                                         << "002";
    QTest::newRow("1001st line") << "x" << 1000 << true << int(TabSplitNone) << "x"
                                 << "1000";
    QTest::newRow("name first") << "Smith\t   0123" << 0 << false << int(TabSplitNameFirst)
                                << "Smith"
                                << "0123";
    QTest::newRow("ref first") << "Smith\t   0123" << 0 << false << int(TabSplitRefFirst) << "0123"
                               << "Smith";
    QTest::newRow("leading tabs too")
        << "Smith\t\t 0123" << 0 << false << int(TabSplitNameFirst) << "Smith"
        << "0123";
    QTest::newRow("further tabs stay in ref")
        << "a\tb\tc" << 0 << false << int(TabSplitNameFirst) << "a"
        << "b\tc";
    QTest::newRow("tab line ignores numbering")
        << "a\tb" << 4 << true << int(TabSplitNameFirst) << "a"
        << "b";
    QTest::newRow("no split: whole line") << "a\tb" << 4 << true << int(TabSplitNone) << "a\tb"
                                          << "004";
    QTest::newRow("blanks untrimmed") << "   " << 0 << false << int(TabSplitNone) << "   "
                                      << "";
    QTest::newRow("ref cut at 255") << "n\t" + QString(300, 'r') << 0 << false
                                    << int(TabSplitNameFirst) << "n" << QString(255, 'r');
}

void TestTextToList::entry() {
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

void TestTextToList::alphabetic() {
    TestFolder folder;
    ScriptedDialogs dialogs;
    const ItemId parent = CreateItem(QStringLiteral("Letters"), QString());
    dialogs.AnswerYes();
    dialogs.AnswerChoice(1);
    QVERIFY(TextToList(parent, {"Beta", "Alpha", ""}));
    QCOMPARE(ChildrenOf(parent), (QList<Child>{{"Beta", ""}, {"Alpha", ""}}));
    ItemRecord p;
    QVERIFY(LocateItem(parent, p));
    QCOMPARE(p.Numchildren, 2);
    QCOMPARE(dialogs.Questions(), QStringList{"Copy item text to list of items - OK?"});
    QCOMPARE(dialogs.PendingAnswers(), 0);
}

void TestTextToList::lineNumbers() {
    TestFolder folder;
    ScriptedDialogs dialogs;
    const ItemId parent = CreateItem(QStringLiteral("Letters"), QString());
    dialogs.AnswerYes();
    dialogs.AnswerChoice(2);
    QVERIFY(TextToList(parent, {"Beta", "Alpha", ""}));
    QCOMPARE(ChildrenOf(parent), (QList<Child>{{"Beta", "000"}, {"Alpha", "001"}, {"", "002"}}));
}

void TestTextToList::tabQuestionAskedOnceAtFirstTabLine() {
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
    QCOMPARE(ChildrenOf(dialogs.parent), (QList<Child>{{"one", "000"},
                                                       {"two", "001"},
                                                       {"three", "002"},
                                                       {"four", "003"},
                                                       {"Smith", "0123"},
                                                       {"six", "005"},
                                                       {"Jones", "99"}}));
}

void TestTextToList::tabQuestionCancelledTakesLinesWhole() {
    TestFolder folder;
    ScriptedDialogs dialogs;
    const ItemId parent = CreateItem(QStringLiteral("Phones"), QString());
    dialogs.AnswerYes();
    dialogs.AnswerChoice(1);
    dialogs.AnswerChoice(0);
    QVERIFY(TextToList(parent, {"Smith\t0123", "Jones\t99"}));
    QCOMPARE(ChildrenOf(parent), (QList<Child>{{"Smith\t0123", ""}, {"Jones\t99", ""}}));
}

void TestTextToList::stopsBeforeAnyChange_data() {
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("answers"); // Y/N for the question, 0 for a cancelled chooser
    QTest::addColumn<QStringList>("infos");
    QTest::newRow("no text") << QStringList() << "" << QStringList{"No text to convert"};
    QTest::newRow("declined") << QStringList{"a"} << "N" << QStringList();
    QTest::newRow("chooser cancelled") << QStringList{"a"} << "Y0" << QStringList();
}

void TestTextToList::stopsBeforeAnyChange() {
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

void TestTextToList::linkMessagesShownEvenWhenQuiet() {
    TestFolder folder;
    WatchingDialogs dialogs;
    QuietLinking = true;
    dialogs.AnswerYes();
    dialogs.AnswerChoice(1);
    // The parent is gone: each new item stays top-level and the link says why.
    QVERIFY(TextToList(9999, {"a", "b"}));
    QCOMPARE(dialogs.Infos(),
             (QStringList{"From-Item not found #9999", "From-Item not found #9999"}));
    QVERIFY(!QuietLinking);
    QCOMPARE(dialogs.busyAtCall, 0);
}

QTEST_GUILESS_MAIN(TestTextToList)
#include "TestTextToList.moc"
