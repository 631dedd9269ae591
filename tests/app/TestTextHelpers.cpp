#include "app/NamedStack.h"
#include "app/TextHelpers.h"

#include <QTest>

// The shared text helpers and the named stacks.
class TestTextHelpers : public QObject {
    Q_OBJECT
private slots:
    void cleanup() {
        PadChar = QLatin1Char('0');
        PunctuationFolding = false;
    }

    void padNumber_data() {
        QTest::addColumn<qint64>("n");
        QTest::addColumn<int>("width");
        QTest::addColumn<QString>("pad");
        QTest::addColumn<QString>("expected");
        QTest::newRow("filled") << qint64(7) << 2 << "0"
                                << "07";
        QTest::newRow("longer not cut") << qint64(123) << 2 << "0"
                                        << "123";
        QTest::newRow("blank pad") << qint64(7) << 2 << " "
                                   << " 7";
        QTest::newRow("year") << qint64(987) << 4 << "0"
                              << "0987";
        QTest::newRow("negative") << qint64(-5) << 3 << "0"
                                  << "0-5";
    }
    void padNumber() {
        QFETCH(qint64, n);
        QFETCH(int, width);
        QFETCH(QString, pad);
        QFETCH(QString, expected);
        PadChar = pad.at(0);
        QCOMPARE(PadNumber(n, width), expected);
    }

    void quoting() {
        QCOMPARE(QuoteSingle("it's"), QString("'it's'"));
        QCOMPARE(QuoteDouble("abc"), QString("\"abc\" "));
        QCOMPARE(EscapeAmpersands("Fish & Chips && more"), QString("Fish && Chips &&&& more"));
    }

    void textContains_data() {
        QTest::addColumn<QString>("search");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("folding");
        QTest::addColumn<bool>("expected");
        QTest::newRow("empty search") << ""
                                      << "anything" << false << false;
        QTest::newRow("empty text") << "a"
                                    << "" << false << false;
        QTest::newRow("case folded") << "milk"
                                     << "Buy MILK today" << false << true;
        QTest::newRow("punctuation kept") << "o'brien"
                                          << "Mr O'Brien" << false << true;
        QTest::newRow("punctuation needed") << "obrien"
                                            << "Mr O'Brien" << false << false;
        QTest::newRow("punctuation folded") << "obrien"
                                            << "Mr O'Brien" << true << true;
        QTest::newRow("no match") << "cheese"
                                  << "Buy milk" << true << false;
    }
    void textContains() {
        QFETCH(QString, search);
        QFETCH(QString, text);
        QFETCH(bool, folding);
        QFETCH(bool, expected);
        PunctuationFolding = folding;
        QCOMPARE(TextContains(search, text), expected);
    }

    void linesContainNeverSpansLines() {
        QVERIFY(!LinesContain("milk", {}));
        QVERIFY(LinesContain("milk", {"eggs", "oat milk"}));
        QVERIFY(!LinesContain("eggsmilk", {"eggs", "milk"}));
        PunctuationFolding = true;
        QCOMPARE(KeepAlphanumerics("A-b_C 9!é"), QString("abc9"));
        QVERIFY(!LinesContain("eggsmilk", {"eggs", "milk"}));
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

    void integerQueue() {
        PushInteger(5);
        PushInteger(6);
        int32_t n = 0;
        QVERIFY(TakeInteger(n));
        QCOMPARE(n, 5);
        QVERIFY(TakeInteger(n));
        QCOMPARE(n, 6);
        QVERIFY(!TakeInteger(n));
    }
};

QTEST_GUILESS_MAIN(TestTextHelpers)
#include "TestTextHelpers.moc"
