#include "common/CommonState.h"
#include "common/NamedStack.h"
#include "common/TextHelpers.h"
#include "search/SearchFolding.h"
#include "support/SearchReference.h"
#include "support/TestFolder.h"

#include <QTest>

// The shared text helpers and the named stacks.
class TestTextHelpers : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { ResetAllState(); }

    void padNumber() {
        auto pad = [](char c, qint64 n, int width) {
            Common().PadChar = QLatin1Char(c);
            return PadNumber(n, width);
        };
        QCOMPARE(pad('0', 7, 2), QString("07"));
        QCOMPARE(pad('0', 123, 2), QString("123")); // longer is not cut
        QCOMPARE(pad(' ', 7, 2), QString(" 7"));
        QCOMPARE(pad('0', 987, 4), QString("0987"));
        QCOMPARE(pad('0', -5, 3), QString("0-5"));
    }

    void quoting() {
        QCOMPARE(QuoteSingle("it's"), QString("'it's'"));
        QCOMPARE(QuoteDouble("abc"), QString("\"abc\" "));
        QCOMPARE(EscapeAmpersands("Fish & Chips && more"), QString("Fish && Chips &&&& more"));
    }

    void textContains_data() {
        QTest::addColumn<QString>("search");
        QTest::addColumn<bool>("folding");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("expected");
        QTest::newRow("empty search") << "" << false << "anything" << false;
        QTest::newRow("empty text") << "a" << false << "" << false;
        QTest::newRow("case folded") << "milk" << false << "Buy MILK today" << true;
        QTest::newRow("punctuation kept") << "o'brien" << false << "Mr O'Brien" << true;
        QTest::newRow("punctuation needed") << "obrien" << false << "Mr O'Brien" << false;
        QTest::newRow("punctuation folded") << "obrien" << true << "Mr O'Brien" << true;
        QTest::newRow("no match") << "cheese" << true << "Buy milk" << false;
    }
    void textContains() {
        QFETCH(QString, search);
        QFETCH(bool, folding);
        QFETCH(QString, text);
        QFETCH(bool, expected);
        Common().PunctuationFolding = folding;
        QCOMPARE(TextContains(search, text), expected);
    }

    void linesContainNeverSpansLines() {
        QVERIFY(!LinesContain("milk", {}));
        QVERIFY(LinesContain("milk", {"eggs", "oat milk"}));
        QVERIFY(!LinesContain("eggsmilk", {"eggs", "milk"}));
        Common().PunctuationFolding = true;
        QCOMPARE(PrepareSearchText("A-b_C 9!é", true), QString("abc9"));
        QVERIFY(!LinesContain("eggsmilk", {"eggs", "milk"}));
    }

    void cutToWidth_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("width");
        QTest::addColumn<QString>("expected");
        const QString smile = QStringLiteral("\U0001F600");          // a surrogate pair
        const QString acute = QStringLiteral("e\u0301");             // e + combining acute
        const QString flag = QStringLiteral("\U0001F1EB\U0001F1F7"); // two regional letters
        const QString family = QStringLiteral("\U0001F468\u200D\U0001F469\u200D\U0001F467");
        const auto row = [](const char* tag, const QString& text, int width,
                            const QString& expected) {
            QTest::newRow(tag) << text << width << expected;
        };
        row("shorter", "abc", 80, "abc");
        row("exactly the width", QString(80, 'x'), 80, QString(80, 'x'));
        row("one too long", QString(81, 'x'), 80, QString(80, 'x'));
        row("null stays null", QString(), 40, QString());
        // Characters as a reader counts them: each emoji, accented letter, flag or emoji
        // sequence is one, however many UTF-16 units it takes.
        row("fifty emoji fit eighty", smile.repeated(50), 80, smile.repeated(50));
        row("eighty-one emoji", smile.repeated(81), 80, smile.repeated(80));
        row("pair as the last that fits", QString(79, 'x') + smile + "y", 80,
            QString(79, 'x') + smile);
        row("accent as the last that fits", QString(79, 'x') + acute + "y", 80,
            QString(79, 'x') + acute);
        row("accents count once", acute.repeated(45), 40, acute.repeated(40));
        row("flags", flag.repeated(41), 40, flag.repeated(40));
        row("emoji sequences", "ab" + family.repeated(3), 3, "ab" + family);
        row("one letter with many marks", "a" + QString(5, QChar(0x0301)) + "b", 1,
            "a" + QString(5, QChar(0x0301)));
        // A field never grows without bound: a letter with hundreds of marks is cut after the
        // last whole code point within the cap.
        row("cap on one endless character", "a" + QString(100, QChar(0x0301)), 2,
            "a" + QString(2 * MaxUnitsPerCharacter - 1, QChar(0x0301)));
        row("one pair, width one", smile + smile, 1, smile);
        row("width zero", "abc", 0, "");
    }
    void cutToWidth() {
        QFETCH(QString, text);
        QFETCH(int, width);
        QFETCH(QString, expected);
        const QString cut = CutToWidth(text, width);
        QCOMPARE(cut, expected);
        QVERIFY(cut.size() <= qsizetype(std::max(width, 0)) * MaxUnitsPerCharacter);
        QCOMPARE(cut.isNull(), expected.isNull());
        // Never half a pair at the end.
        QVERIFY(cut.isEmpty() || !cut.back().isHighSurrogate());
    }

    void lowerText() {
        QCOMPARE(LowerText("ABC xyz 123"), QString("abc xyz 123"));
        QCOMPARE(LowerText(QStringLiteral("\u00c9CLAIR \u00d6L \u0394")),
                 QStringLiteral("\u00e9clair \u00f6l \u03b4"));
        // The search lowers with the same function.
        QVERIFY(TextContains(QStringLiteral("\u00e9clair"), QStringLiteral("Un \u00c9CLAIR")));
    }

    void parsing() {
        int n = 42;
        QVERIFY(!TryParseInt("", n));
        QVERIFY(!TryParseInt("12a", n));
        QVERIFY(!TryParseInt("abc", n));
        QCOMPARE(n, 42);
        QVERIFY(TryParseInt("-17", n));
        QCOMPARE(n, -17);
        QVERIFY(!TryParseInt("99999999999", n)); // out of 32 bits
        QCOMPARE(n, -17);

        QString s = " \t\tindented";
        QCOMPARE(TrimLeadingBlanks(s), 3);
        QCOMPARE(s, QString("indented"));
        QCOMPARE(KeepLastChars("abcdef", 2), QString("ef"));
        QCOMPARE(KeepLastChars("ab", 5), QString("ab"));
        int c = 1;
        DecrementToZero(c);
        DecrementToZero(c);
        QCOMPARE(c, 0);
    }

    void names() {
        QCOMPARE(MonthName(1), QString("January"));
        QCOMPARE(MonthName(12), QString("December"));
        QCOMPARE(MonthName(13), QString());
        QCOMPARE(DayName(7), QString("Sunday"));
        QCOMPARE(DayAbbrev(3), QString("Wed"));
        QCOMPARE(DayAbbrev(0), QString());
    }

    void stackAndQueueOrder() {
        NamedStack<int> s("a stack with a very long name", 'S');
        QCOMPARE(s.Name(), QString("a stack with a very "));
        NamedStack<int> q("q", 'Q');
        int v = 0;
        QVERIFY(!s.StackTake(v));
        for (int i = 1; i <= 3; ++i) {
            QVERIFY(s.StackAdd(i));
            QVERIFY(q.StackAdd(i));
        }
        QList<int> fromStack, fromQueue;
        while (s.StackTake(v))
            fromStack << v;
        while (q.StackTake(v))
            fromQueue << v;
        QCOMPARE(fromStack, QList<int>({3, 2, 1}));
        QCOMPARE(fromQueue, QList<int>({1, 2, 3}));

        NamedStack<int> other("x", 'X');
        other.StackAdd(1);
        QVERIFY(!other.StackTake(v));

        // The shared integer queue is first in, first out.
        PushInteger(5);
        PushInteger(6);
        QVERIFY(TakeInteger(v) && v == 5);
        QVERIFY(TakeInteger(v) && v == 6);
        QVERIFY(!TakeInteger(v));
    }

    void takeDuringWalk() {
        NamedStack<int> s("walk", 'S');
        for (int i = 1; i <= 4; ++i)
            s.StackAdd(i);
        int v = 0;
        QVERIFY(s.StackNext(v));
        QCOMPARE(v, 4);
        QVERIFY(s.StackNext(v));
        QCOMPARE(v, 3);
        QCOMPARE(s.Count(), 4);  // walking removes nothing
        QVERIFY(s.StackTake(v)); // removes the element after the cursor
        QCOMPARE(v, 2);
        QCOMPARE(s.Count(), 3);
        QList<int> rest;
        while (s.StackTake(v)) // cursor was reset: newest first again
            rest << v;
        QCOMPARE(rest, QList<int>({4, 3, 1}));
    }
};

QTEST_GUILESS_MAIN(TestTextHelpers)
#include "TestTextHelpers.moc"
