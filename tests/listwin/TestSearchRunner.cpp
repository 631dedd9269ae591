#include "ListFixture.h"

#include "app/Clock.h"
#include "app/TextHelpers.h"
#include "listwin/ListQuery.h"
#include "listwin/SearchRunner.h"
#include "support/TestFolder.h"

#include <QRegularExpression>
#include <QTest>

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

    // The matcher reads long texts without splitting them; it must agree with the line-by-line
    // helpers on every case.
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
        QTest::newRow("folded across punctuation") << "oneil"
                                                   << "Mr O'Neil\nx" << true << true;
        QTest::newRow("not folded") << "oneil"
                                    << "Mr O'Neil" << false << false;
        QTest::newRow("folded, last line") << "oneil"
                                           << "x\r\nO Neil" << true << true;
        QTest::newRow("accents removed") << "cafe"
                                         << "café" << true << false;
        QTest::newRow("accents kept") << "café"
                                      << "Le CAFÉ" << false << true;
        QTest::newRow("kelvin sign folds to k")
            << "kg" << QString(QChar(0x212A)) + "g" << true << true;
        QTest::newRow("empty text") << "a"
                                    << "" << false << false;
        QTest::newRow("empty search") << ""
                                      << "abc" << true << false;
        QTest::newRow("only breaks") << "a"
                                     << "\n\r\n"
                                     << true << false;
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
        QCOMPARE(m.NameMatches(text), TextContains(prepared, text));
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
