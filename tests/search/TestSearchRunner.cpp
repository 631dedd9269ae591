#include "support/ItemFixture.h"

#include "common/Clock.h"
#include "common/CommonState.h"
#include "common/NameCollator.h"
#include "common/TextHelpers.h"
#include "search/SearchRunner.h"
#include "support/SearchReference.h"
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
    void init() { ResetAllState(); }
    void cleanup() { ResetAllState(); }

    // The matcher prepares texts its own way (byte by byte for ASCII texts, its own line walk
    // for the others); on every case it must agree with the line-by-line helpers, for names
    // and texts, given as strings and as the engine's UTF-8 bytes.
    void matcherAgreesWithLineHelpers_data() {
        QTest::addColumn<QString>("search");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("folding");
        QTest::addColumn<bool>("expected");
        const auto row = [](const char* tag, const QString& search, const QString& text,
                            bool folding, bool expected) {
            QTest::newRow(tag) << search << text << folding << expected;
        };
        row("plain hit", "smith", "a line\nthe smithy\n", false, true);
        row("upper-case text", "smith", "J. SMITH", false, true);
        row("spans a break", "ab cd", "xx ab\ncd yy", false, false);
        row("spans a CR LF", "abcd", "ab\r\ncd", true, false);
        row("spans a lone CR, folded", "abcd", "ab\rcd", true, false);
        row("spans a lone CR", "b c", "ab\r cd", false, false);
        row("spans a lone LF, folded", "bc", "xab\n\ncd", true, false);
        row("line after CR LF", "cd", "ab\r\nCD", false, true);
        row("line after lone CR, folded", "cd", "ab\rC-D", true, true);
        row("folded across punctuation", "oneil", "Mr O'Neil\nx", true, true);
        row("not folded", "oneil", "Mr O'Neil", false, false);
        row("folded, last line", "oneil", "x\r\nO Neil", true, true);
        row("folded tabs and digits", "route66", "Route\t66!", true, true);
        row("search with a break", "a\nb", "a\nb", false, false);
        row("accents removed", "cafe", "café", true, false);
        row("accents folded out between letters", "cafbar", "Caf\u00e9 Bar", true, true);
        row("accents kept", "café", "Le CAFÉ", false, true);
        row("accented search, ASCII text", "café", "le cafe", false, false);
        row("accented, spans a break", "éa", "caf\u00c9\r\nAb", false, false);
        row("accented, second line", "xyz", "\u00e9\r\nxYz", true, true);
        row("kelvin sign folds to k", "kg", QString(QChar(0x212A)) + "g", true, true);
        // Lowered as a whole text, capital I with dot becomes i and a combining dot; folding
        // keeps the i.
        row("dotted capital I, folded", "istanbul", QString(QChar(0x130)) + "stanbul", true, true);
        row("dotted capital I, not folded", "istanbul", QString(QChar(0x130)) + "stanbul", false,
            false);
        row("outside the basic plane lowered", QString::fromUcs4(U"\U00010428x"),
            QString::fromUcs4(U"a\U00010400X"), false, true);
        row("outside the basic plane folded out", "ax", QString::fromUcs4(U"a\U00010400X"), true,
            true);
        // Each character next to the letters and digits, inside a long text, is folded out.
        row("slash folded out", "a0", "xxxxxxxxA/0yyyyy", true, true);
        row("colon folded out", "9a", "xxxxxxx9:Ayyyyyy", true, true);
        row("at sign folded out", "az", "xxxxxxxxA@Zyyyyy", true, true);
        row("bracket folded out", "az", "xxxxxxxxxA[Zyyyy", true, true);
        row("backquote folded out", "az", "xxxxxxxxxxA`zyyy", true, true);
        row("brace folded out", "az", "xxxxxxxxxxxa{Zyy", true, true);
        row("CR inside a long text, folded", "bc", "xxxxxxab\rcdyyyyy", true, false);
        row("LF inside a long text, folded", "bc", "xxxxxab\n-cdyyyyy", true, false);
        row("letters' neighbours keep their case", "h@[`{xyz", "ABCDEFGH@[`{XYZ", false, true);
        row("at sign is no letter", "`", "@@@@@@@@@@", false, false);
        row("long text, accent at the end", "mnop", "abcdefghijklMNOP\u00e9", false, true);
        row("empty text", "a", "", false, false);
        row("empty search", "", "abc", true, false);
        row("only breaks", "a", "\n\r\n", true, false);
        row("text shorter than search", "abcdef", "abc", false, false);
    }
    void matcherAgreesWithLineHelpers() {
        QFETCH(QString, search);
        QFETCH(QString, text);
        QFETCH(bool, folding);
        QFETCH(bool, expected);
        Common().PunctuationFolding = folding;
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

    // Names and texts of every kind in the database, never refs: the walk answers from the
    // bytes or the decoded text, and finds exactly what the helpers find.
    void searchOverMixedTexts() {
        TestFolder folder;
        const QStringList texts = {"plain smith",
                                   "Smith\u00e9",
                                   "\u00c9 then\r\nSMITHY",
                                   "smi\u00e9th",
                                   "sm\r\nith",
                                   "sMiTh\u4e2d",
                                   "none",
                                   "first line\nvisit the smithy\n"};
        for (int i = 0; i < texts.size(); ++i)
            MakeItem(QStringLiteral("item %1").arg(i), ItemId(), QString(), texts[i]);
        const QString named = QStringLiteral("J. Sm\u00efth-Smith");
        MakeItem(named);
        MakeItem("J. SMITH");
        MakeItem("Ref only", ItemId(), "smith");
        const SearchOutcome out = StampSearch("Smith");
        QCOMPARE(out.Prepared, QString("smith"));
        QCOMPARE(out.Matches, 7);
        QCOMPARE(stamped(out.Stamp), (QStringList{"J. SMITH", named, "item 0", "item 1", "item 2",
                                                  "item 5", "item 7"}));
    }

    // Folding takes punctuation out of the search as well; a search left empty matches nothing.
    void punctuationFolding() {
        TestFolder folder;
        MakeItem("O Neil");
        MakeItem("ONeil");
        MakeItem("O'Brien");
        MakeItem("!!!");
        Common().PunctuationFolding = true;
        SearchOutcome out = StampSearch("o'neil");
        QCOMPARE(out.Prepared, QString("oneil"));
        QCOMPARE(stamped(out.Stamp), (QStringList{"O Neil", "ONeil"}));
        out = StampSearch("!!!");
        QCOMPARE(out.Prepared, QString());
        QCOMPARE(out.Matches, 0);
        Common().PunctuationFolding = false;
        out = StampSearch("o'neil");
        QCOMPARE(out.Matches, 0);
    }

    // Two searches in the same millisecond still get different stamps, and each item carries
    // the stamp of the last search that matched it.
    void stampsAlwaysMoveOn() {
        TestFolder folder;
        MakeItem("apple");
        MakeItem("apricot");
        const QDateTime frozen(QDate(2024, 3, 31), QTime(12, 0, 0, 500));
        SetClockForTesting([frozen] { return frozen; });
        const SearchOutcome first = StampSearch("ap");
        const SearchOutcome second = StampSearch("apple");
        QCOMPARE(first.Stamp, frozen);
        QCOMPARE(second.Stamp, frozen.addMSecs(1));
        QCOMPARE(stamped(first.Stamp), QStringList{"apricot"});
        QCOMPARE(stamped(second.Stamp), QStringList{"apple"});
    }

    // The refs of a search list, short and long (whose keys are made on two threads), list the
    // matches shown in the collator's order of their names, equal names by id, with each
    // match's own rank and lengths; hidden matches of another group are left out.
    void searchRefsInNameOrder_data() {
        QTest::addColumn<int>("count");
        QTest::newRow("short") << 500;
        QTest::newRow("long") << 45000;
    }
    void searchRefsInNameOrder() {
        QFETCH(int, count);
        const NameCollator collator("de_DE");
        const QStringList stems{"Mark",  "mark",  "Märk",  "MARK",          "",
                                "ämark", "Zmark", "Äpfel", "same prefix 1", "same prefix 2"};
        SearchFound found;
        QStringList names;
        for (int i = 0; i < count; ++i) {
            const QString name = stems[(i * 7) % stems.size()] + QString::number((i * 13) % 97);
            const QByteArray utf8 = name.toUtf8();
            found.Ids.push_back(ItemId(i + 1));
            found.Rows.Add(ItemId(i % 11 == 0   ? 5
                                  : i % 13 == 0 ? 6
                                                : 0),
                           i % 4, utf8.constData(), int(utf8.size()));
            names << name;
        }
        const std::vector<RowRef> refs = SearchRefs(found, ItemId(5), collator);

        std::vector<int> expected;
        for (int i = 0; i < count; ++i)
            if (i % 11 == 0 || i % 13 != 0)
                expected.push_back(i);
        std::stable_sort(expected.begin(), expected.end(), [&](int a, int b) {
            return collator.SortKey(names[a]) < collator.SortKey(names[b]);
        });
        QCOMPARE(refs.size(), expected.size());
        for (size_t k = 0; k < refs.size(); ++k) {
            const int i = expected[k];
            QCOMPARE(refs[k].Id, ItemId(i + 1));
            QCOMPARE(refs[k].Drop2, i % 11 == 0 ? 5 : 0);
            QCOMPARE(int(refs[k].NameLength), int(names[i].size()));
            QCOMPARE(int(refs[k].RefLength), i % 4);
        }
    }

    void hiderByExactNameOnly() {
        TestFolder folder;
        const ItemId hider = MakeItem("Secret Box");
        MakeHider(hider);
        MakeItem("Secret Box copy"); // matches, but is not self-linked
        SearchOutcome out = StampSearch("Secret Box");
        QCOMPARE(out.Hiders, std::vector<ItemId>{hider});
        out = StampSearch("secret box");
        QVERIFY(out.Hiders.empty());
        QCOMPARE(out.Matches, 2);
    }
};

QTEST_GUILESS_MAIN(TestSearchRunner)
#include "TestSearchRunner.moc"
