#include "support/ItemFixture.h"

#include "search/SearchFolding.h"
#include "search/SearchMatcher.h"
#include "support/TestFolder.h"

#include <QRandomGenerator>
#include <QTest>

namespace {
// Characters the tests' texts are made of: every ASCII character, and a few whose lower case
// or folding is out of the ordinary (accented letters, the Kelvin sign that lowers to k, the
// capital I with a dot that lowers to two characters, a letter outside the basic plane).
const QList<QString>& Pieces() {
    static const QList<QString> pieces = [] {
        QList<QString> p;
        for (int c = 0; c < 128; ++c)
            p << QString(QChar(c));
        p << QStringLiteral("\u00e9") << QStringLiteral("\u00c9") << QString(QChar(0x212A))
          << QString(QChar(0x130)) << QString::fromUcs4(U"\U00010400");
        return p;
    }();
    return pieces;
}

QString randomText(QRandomGenerator& random, int maxLength, bool asciiOnly) {
    const int pieces = asciiOnly ? 128 : int(Pieces().size());
    QString text;
    const int length = int(random.bounded(maxLength + 1));
    for (int i = 0; i < length; ++i) {
        // Letters far more often than the rest, so that searches find something.
        const bool letter = random.bounded(3) != 0;
        text += letter
                    ? QString(QChar('a' + int(random.bounded(3)) + (random.bounded(2) ? 0 : -32)))
                    : Pieces()[int(random.bounded(pieces))];
    }
    return text;
}

// The lines of a text as the search cuts it: at every CR and every LF.
QStringList linesOf(const QString& text) {
    QString t = text;
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return t.split(QLatin1Char('\n'));
}

bool holds(const QString& line, const QString& prepared, bool folding) {
    return !prepared.isEmpty() && PrepareSearchText(line, folding).contains(prepared);
}
} // namespace

// The search's folding rule and the code that folds bytes by it: the matcher's scans of the
// engine's UTF-8 bytes and the index's bodies must give what the rule gives.
class TestSearchFolding : public QObject {
    Q_OBJECT
private slots:
    // The index folds a prepared search text once more for its query, and the tables fold one
    // character at a time: both need the rule to change nothing in a text it has prepared.
    void preparedTextsFoldNoFurther() {
        for (char32_t cp = 0; cp <= 0x10FFFF; ++cp) {
            if (cp >= 0xD800 && cp <= 0xDFFF)
                continue;
            const QString s = QString::fromUcs4(&cp, 1);
            const QString lowered = PrepareSearchText(s, false);
            const QString folded = PrepareSearchText(s, true);
            if (PrepareSearchText(lowered, false) != lowered ||
                PrepareSearchText(lowered, true) != folded ||
                PrepareSearchText(folded, true) != folded)
                QFAIL(qPrintable(QStringLiteral("U+%1").arg(uint(cp), 4, 16, QLatin1Char('0'))));
        }
        QCOMPARE(PrepareSearchText(QStringLiteral("O'Neil-\u00c9 K9"), true), QString("oneilk9"));
        QCOMPARE(PrepareSearchText(QStringLiteral("O'Neil-\u00c9 K9"), false),
                 QStringLiteral("o'neil-\u00e9 k9"));
    }

    // An ASCII name or text is answered from its bytes; the answer is the rule's, line by line.
    void matcherBytesAnswerAsTheRule() {
        QRandomGenerator random(7);
        for (int round = 0; round < 4000; ++round) {
            const bool folding = round % 2 == 1;
            const QString text = randomText(random, 40, true);
            // Mostly a piece of the text itself, so that about half the rounds match.
            const int from = int(random.bounded(text.size() + 1));
            const QString typed = random.bounded(2) ? text.mid(from, 1 + int(random.bounded(4)))
                                                    : randomText(random, 3, true);
            const QString prepared = PrepareSearchText(typed, folding);
            const SearchMatcher matcher(prepared, folding);
            const QByteArray bytes = text.toUtf8();
            bool inALine = false;
            for (const QString& line : linesOf(text))
                inALine = inALine || holds(line, prepared, folding);
            const auto expect = [](bool yes) {
                return yes ? SearchMatcher::Yes : SearchMatcher::No;
            };
            const QByteArray what = "round " + QByteArray::number(round);
            QCOMPARE(matcher.NameMatchesAscii(bytes.constData(), size_t(bytes.size())),
                     expect(holds(text, prepared, folding)));
            QVERIFY2(matcher.TextMatchesAscii(bytes.constData(), size_t(bytes.size())) ==
                         expect(inALine),
                     what.constData());
        }
    }

    // What the index holds for an item, made by the function the triggers and the build call,
    // is the folded name followed by the folded lines of the text, for ASCII texts (folded byte
    // by byte) and for the others alike.
    void indexBodyIsTheFoldedNameAndLines() {
        TestFolder folder;
        QRandomGenerator random(11);
        for (int round = 0; round < 500; ++round) {
            const bool asciiOnly = round % 2 == 0;
            const QString name = randomText(random, 12, asciiOnly);
            const QString text = randomText(random, 60, asciiOnly);
            QString expected = PrepareSearchText(name, true);
            for (const QString& line : linesOf(text))
                expected += PrepareSearchText(line, true);
            const QString body =
                Scalar("SELECT cardolo_search_body(?, ?)", {name, text}).toString();
            QVERIFY2(
                body == expected,
                qPrintable(QStringLiteral("round %1: %2 for %3").arg(round).arg(body, expected)));
        }
    }
};

QTEST_GUILESS_MAIN(TestSearchFolding)
#include "TestSearchFolding.moc"
