#include "support/ItemFixture.h"

#include "common/CommonState.h"
#include "common/TextHelpers.h"
#include "search/SearchIndex.h"
#include "search/SearchRunner.h"
#include "support/SearchTexts.h"
#include "support/TestFolder.h"

#include <QTest>

#include <random>
#include <vector>

// The search through the index against the search that reads every item: on generated items
// full of what folding and line splitting must get right, both find the same items for every
// query, with punctuation ignored and not.
class TestSearchByIndex : public QObject {
    Q_OBJECT
private slots:
    void init() { ResetAllState(); }
    void cleanup() { ResetAllState(); }

    void indexFindsWhatTheScanFinds() {
        TestFolder folder;
        SearchTexts gen(20240607);
        QStringList stored;
        QStringList hiderNames;
        {
            Transaction t;
            for (int i = 0; i < 2500; ++i) {
                const auto [name, text] = gen.NameAndText(stored);
                const ItemId id = CreateItem(name, QString(), text);
                // Some self-linked items, whose exact name reveals them.
                if (gen.Chance(2)) {
                    Exec("UPDATE phonebk SET parent = id, rank = id WHERE id = ?", {IdToDb(id)});
                    hiderNames << name;
                }
            }
            // Texts another program may leave: empty, with a break inside a name.
            Exec("INSERT INTO phonebk (name, text) VALUES ('two\nlines', '')");
            stored << "two\nlines";
            t.Commit();
        }
        QVERIFY(SearchIndexReady());

        QStringList queries = hiderNames;
        queries << "harbour"
                << "o'neil"
                << "ONEIL"
                << "route 66"
                << "caf\u00e9"
                << "a"
                << "ab"
                << "a b"
                << "--"
                << "\u4e2d"
                << "\u00e9t\u00e9"
                << "two\nlines"
                << "kg";
        gen.Odd = true;
        while (queries.size() < 300)
            queries << gen.Query(stored);

        int throughIndex = 0;
        int found = 0;
        for (bool folding : {false, true}) {
            Common().PunctuationFolding = folding;
            for (const QString& typed : queries) {
                const QString prepared = PrepareSearchText(typed);
                const SearchMatches byIndex = FindMatches(prepared, folding, typed);
                const SearchMatches byScan =
                    FindMatches(prepared, folding, typed, nullptr, SearchWay::Scan);
                const QByteArray what =
                    (folding ? "folded " : "") + QStringLiteral("query \"%1\"").arg(typed).toUtf8();
                QVERIFY2(!byScan.UsedIndex, what);
                // The index answers exactly when the folded search has a trigram.
                QCOMPARE(byIndex.UsedIndex, PrepareSearchText(prepared, true).size() >= 3);
                QVERIFY2(byIndex.Ids == byScan.Ids, what);
                QVERIFY2(byIndex.Hiders == byScan.Hiders, what);
                QVERIFY2(byIndex.PriorStamps == byScan.PriorStamps, what);
                throughIndex += byIndex.UsedIndex;
                found += !byIndex.Ids.empty() && byIndex.UsedIndex;
            }
        }
        // The comparison is worth something only when the index answered many queries that
        // found items.
        QVERIFY2(throughIndex > 350, qPrintable(QString::number(throughIndex)));
        QVERIFY2(found > 200, qPrintable(QString::number(found)));
    }

    // While the index is not complete the search reads every item, and finds the same.
    void incompleteIndexIsNotUsed() {
        TestFolder folder;
        const ItemId a = MakeItem("Harbour master", ItemId(), QString(), "at the harbour");
        MakeItem("other");
        RequestSearchIndexRebuild();
        Common().PunctuationFolding = true;
        const SearchMatches found = FindMatches("harbour", true, "harbour");
        QVERIFY(!found.UsedIndex);
        QCOMPARE(found.Ids, std::vector<ItemId>{a});
        QVERIFY(BuildSearchIndexNow());
        const SearchMatches again = FindMatches("harbour", true, "harbour");
        QVERIFY(again.UsedIndex);
        QCOMPARE(again.Ids, std::vector<ItemId>{a});
    }
};

QTEST_GUILESS_MAIN(TestSearchByIndex)
#include "TestSearchByIndex.moc"
