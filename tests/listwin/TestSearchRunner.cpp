#include "ListFixture.h"

#include "app/Clock.h"
#include "app/TextHelpers.h"
#include "listwin/ListQuery.h"
#include "listwin/SearchRunner.h"
#include "support/TestFolder.h"

#include <QRegularExpression>
#include <QTest>

#include <algorithm>

// Matching texts and stamping the matches of one search.
class TestSearchRunner : public QObject {
    Q_OBJECT

    static QStringList stamped(const QDateTime& stamp) {
        QSqlQuery q = PrepareQuery("SELECT name FROM phonebk WHERE srchts = :s ORDER BY name");
        q.bindValue(":s", StampToDb(stamp));
        ExecQuery(q);
        QStringList out;
        while (q.next())
            out << q.value(0).toString();
        return out;
    }

private slots:
    void init() {
        PunctuationFolding = false;
        LastSearchStamp = QDateTime();
        SetClockForTesting({});
    }
    void cleanup() { init(); }

    // The matcher prepares texts its own way (byte by byte for ASCII texts, its own line walk
    // for the others); on every case it must agree with the line-by-line helpers, for names
    // and texts, given as strings and as the engine's UTF-8 bytes.
    void matcherAgreesWithLineHelpers_data() {
        QTest::addColumn<QString>("search");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("folding");
        QTest::addColumn<bool>("expected");
        QTest::newRow("plain hit") << "smith"
                                   << "a line\nthe smithy\n"
                                   << false << true;
        QTest::newRow("upper-case text") << "smith"
                                         << "J. SMITH" << false << true;
        QTest::newRow("spans a break") << "ab cd"
                                       << "xx ab\ncd yy" << false << false;
        QTest::newRow("spans a CR LF") << "abcd"
                                       << "ab\r\ncd" << true << false;
        QTest::newRow("spans a lone CR, folded") << "abcd"
                                                 << "ab\rcd" << true << false;
        QTest::newRow("spans a lone CR") << "b c"
                                         << "ab\r cd" << false << false;
        QTest::newRow("spans a lone LF, folded") << "bc"
                                                 << "xab\n\ncd" << true << false;
        QTest::newRow("line after CR LF") << "cd"
                                          << "ab\r\nCD" << false << true;
        QTest::newRow("line after lone CR, folded") << "cd"
                                                    << "ab\rC-D" << true << true;
        QTest::newRow("folded across punctuation") << "oneil"
                                                   << "Mr O'Neil\nx" << true << true;
        QTest::newRow("not folded") << "oneil"
                                    << "Mr O'Neil" << false << false;
        QTest::newRow("folded, last line") << "oneil"
                                           << "x\r\nO Neil" << true << true;
        QTest::newRow("folded tabs and digits") << "route66"
                                                << "Route\t66!" << true << true;
        QTest::newRow("search with a break") << "a\nb"
                                             << "a\nb" << false << false;
        QTest::newRow("accents removed") << "cafe"
                                         << "café" << true << false;
        QTest::newRow("accents folded out between letters") << "cafbar"
                                                            << "Caf\u00e9 Bar" << true << true;
        QTest::newRow("accents kept") << "café"
                                      << "Le CAFÉ" << false << true;
        QTest::newRow("accented search, ASCII text") << "café"
                                                     << "le cafe" << false << false;
        QTest::newRow("accented, spans a break") << "éa"
                                                 << "caf\u00c9\r\nAb" << false << false;
        QTest::newRow("accented, second line") << "xyz"
                                               << "\u00e9\r\nxYz" << true << true;
        QTest::newRow("kelvin sign folds to k")
            << "kg" << QString(QChar(0x212A)) + "g" << true << true;
        // Lowered as a whole text, capital I with dot becomes i and a combining dot; folding
        // keeps the i.
        QTest::newRow("dotted capital I, folded")
            << "istanbul" << QString(QChar(0x130)) + "stanbul" << true << true;
        QTest::newRow("dotted capital I, not folded")
            << "istanbul" << QString(QChar(0x130)) + "stanbul" << false << false;
        QTest::newRow("outside the basic plane lowered")
            << QString::fromUcs4(U"\U00010428x") << QString::fromUcs4(U"a\U00010400X") << false
            << true;
        QTest::newRow("outside the basic plane folded out")
            << "ax" << QString::fromUcs4(U"a\U00010400X") << true << true;
        // Each character next to the letters and digits, inside a long text, is folded out.
        QTest::newRow("slash folded out") << "a0"
                                          << "xxxxxxxxA/0yyyyy" << true << true;
        QTest::newRow("colon folded out") << "9a"
                                          << "xxxxxxx9:Ayyyyyy" << true << true;
        QTest::newRow("at sign folded out") << "az"
                                            << "xxxxxxxxA@Zyyyyy" << true << true;
        QTest::newRow("bracket folded out") << "az"
                                            << "xxxxxxxxxA[Zyyyy" << true << true;
        QTest::newRow("backquote folded out") << "az"
                                              << "xxxxxxxxxxA`zyyy" << true << true;
        QTest::newRow("brace folded out") << "az"
                                          << "xxxxxxxxxxxa{Zyy" << true << true;
        QTest::newRow("CR inside a long text, folded") << "bc"
                                                       << "xxxxxxab\rcdyyyyy" << true << false;
        QTest::newRow("LF inside a long text, folded") << "bc"
                                                       << "xxxxxab\n-cdyyyyy" << true << false;
        QTest::newRow("letters' neighbours keep their case") << "h@[`{xyz"
                                                             << "ABCDEFGH@[`{XYZ" << false << true;
        QTest::newRow("at sign is no letter") << "`"
                                              << "@@@@@@@@@@" << false << false;
        QTest::newRow("long text, accent at the end") << "mnop"
                                                      << "abcdefghijklMNOP\u00e9" << false << true;
        QTest::newRow("empty text") << "a"
                                    << "" << false << false;
        QTest::newRow("empty search") << ""
                                      << "abc" << true << false;
        QTest::newRow("only breaks") << "a"
                                     << "\n\r\n"
                                     << true << false;
        QTest::newRow("text shorter than search") << "abcdef"
                                                  << "abc" << false << false;
    }
    void matcherAgreesWithLineHelpers() {
        QFETCH(QString, search);
        QFETCH(QString, text);
        QFETCH(bool, folding);
        QFETCH(bool, expected);
        PunctuationFolding = folding;
        const QString prepared = PrepareSearchText(search);
        const SearchMatcher m(prepared, folding);
        const QStringList lines = text.split(QRegularExpression("\r\n|\n|\r"));
        QCOMPARE(LinesContain(prepared, lines), expected);
        QCOMPARE(m.TextMatches(text), expected);
        const bool nameExpected = TextContains(prepared, text);
        QCOMPARE(m.NameMatches(text), nameExpected);

        // As bytes: answered at once for an ASCII text, handed back for any other.
        const QByteArray utf8 = text.toUtf8();
        const bool ascii = std::all_of(utf8.cbegin(), utf8.cend(),
                                       [](char c) { return static_cast<unsigned char>(c) < 128; });
        const SearchMatcher::Answer textAnswer = m.TextMatchesAscii(utf8.constData(), utf8.size());
        const SearchMatcher::Answer nameAnswer = m.NameMatchesAscii(utf8.constData(), utf8.size());
        if (ascii) {
            QCOMPARE(textAnswer, expected ? SearchMatcher::Yes : SearchMatcher::No);
            QCOMPARE(nameAnswer, nameExpected ? SearchMatcher::Yes : SearchMatcher::No);
        } else {
            // A non-ASCII text may be turned down early only when it cannot match.
            QVERIFY(textAnswer == SearchMatcher::NotAscii || !expected);
            QVERIFY(nameAnswer == SearchMatcher::NotAscii || !nameExpected);
        }
    }

    // Texts of every kind in the database: the walk answers from the bytes or the decoded
    // text, and finds exactly what the helpers find.
    void searchOverMixedTexts() {
        TestFolder folder;
        const QStringList texts = {"plain smith", "Smith\u00e9", "\u00c9 then\r\nSMITHY",
                                   "smi\u00e9th", "sm\r\nith",   "sMiTh\u4e2d",
                                   "none"};
        for (int i = 0; i < texts.size(); ++i)
            fixture::Add(QStringLiteral("item %1").arg(i), 0, QString(), texts[i]);
        const QString named = QStringLiteral("J. Sm\u00efth-Smith");
        fixture::Add(named);
        const SearchOutcome out = StampSearch("Smith");
        QCOMPARE(stamped(out.Stamp), (QStringList{named, "item 0", "item 1", "item 2", "item 5"}));
    }

    void findsNameAndTextButNotRef() {
        TestFolder folder;
        fixture::Add("J. SMITH");
        fixture::Add("Notes", 0, QString(), "first line\nvisit the smithy\n");
        fixture::Add("Ref only", 0, "smith");
        fixture::Add("Split", 0, QString(), "smi\nth");
        const SearchOutcome out = StampSearch("Smith");
        QCOMPARE(out.Prepared, QString("smith"));
        QCOMPARE(out.Matches, 2);
        QCOMPARE(stamped(out.Stamp), (QStringList{"J. SMITH", "Notes"}));
    }

    void punctuationFolding() {
        TestFolder folder;
        fixture::Add("O Neil");
        fixture::Add("ONeil");
        fixture::Add("O'Brien");
        PunctuationFolding = true;
        SearchOutcome out = StampSearch("o'neil");
        QCOMPARE(out.Prepared, QString("oneil"));
        QCOMPARE(stamped(out.Stamp), (QStringList{"O Neil", "ONeil"}));
        PunctuationFolding = false;
        out = StampSearch("o'neil");
        QCOMPARE(out.Matches, 0);
    }

    // Two searches in the same millisecond still get different stamps, and each item carries
    // the stamp of the last search that matched it.
    void stampsAlwaysMoveOn() {
        TestFolder folder;
        fixture::Add("apple");
        fixture::Add("apricot");
        const QDateTime frozen(QDate(2024, 3, 31), QTime(12, 0, 0, 500));
        SetClockForTesting([frozen] { return frozen; });
        const SearchOutcome first = StampSearch("ap");
        const SearchOutcome second = StampSearch("apple");
        QCOMPARE(first.Stamp, frozen);
        QCOMPARE(second.Stamp, frozen.addMSecs(1));
        QCOMPARE(stamped(first.Stamp), QStringList{"apricot"});
        QCOMPARE(stamped(second.Stamp), QStringList{"apple"});
    }

    void hiderByExactNameOnly() {
        TestFolder folder;
        const ItemId hider = fixture::Add("Secret Box");
        fixture::MakeHider(hider);
        fixture::Add("Secret Box copy"); // matches, but is not self-linked
        SearchOutcome out = StampSearch("Secret Box");
        QCOMPARE(out.Hiders, std::vector<ItemId>{hider});
        out = StampSearch("secret box");
        QVERIFY(out.Hiders.empty());
        QCOMPARE(out.Matches, 2);
    }

    void emptyAfterPreparationMatchesNothing() {
        TestFolder folder;
        fixture::Add("!!!");
        PunctuationFolding = true;
        const SearchOutcome out = StampSearch("!!!");
        QCOMPARE(out.Prepared, QString());
        QCOMPARE(out.Matches, 0);
    }
};

QTEST_GUILESS_MAIN(TestSearchRunner)
#include "TestSearchRunner.moc"
