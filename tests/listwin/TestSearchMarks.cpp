#include "support/ItemFixture.h"

#include "common/CommonState.h"
#include "common/Settings.h"
#include "common/TextHelpers.h"
#include "listwin/ItemsList.h"
#include "listwin/ListQuery.h"
#include "search/SearchRunner.h"
#include "search/SearchStamps.h"
#include "store/Database.h"
#include "store/ItemChanges.h"
#include "store/StoreState.h"
#include "store/WriteGate.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFolder.h"

#include <QRegularExpression>
#include <QTest>

#include <optional>

#include <sqlite3.h>

namespace {
// The ids and names of the list's rows, in their order.
QStringList listed(const ItemsList& list) {
    QStringList out;
    for (int i = 0; i < list.Rows().Count(); ++i) {
        const ListRow& r = list.Rows().Row(i);
        out << QString::number(r.Id.Value()) + ":" + r.Name + ":" + r.Tel + ":" +
                   (r.HasText ? "T" : "") + ":" + QString::number(r.Rank.Value());
    }
    return out;
}

// The ids of the items marked with stamp, in id order.
QList<ItemId> marked(const QDateTime& stamp) {
    QList<ItemId> out;
    QSqlQuery q(PhoneDB());
    q.prepare("SELECT id FROM phonebk WHERE srchts = :s ORDER BY id");
    q.bindValue(":s", StampToDb(stamp));
    q.exec();
    while (q.next())
        out << IdFromDb(q.value(0));
    return out;
}

// The ids the search rule finds for typed, by reading every item.
QList<ItemId> scanned(const QString& typed) {
    const SearchMatches m = FindMatches(PrepareSearchText(typed), Common().PunctuationFolding,
                                        typed, nullptr, SearchWay::Scan);
    return QList<ItemId>(m.Ids.begin(), m.Ids.end());
}

// Items whose names sort in tricky ways (case, accents, empty and equal names, digits), some
// with a Ref or a text; every fifth hidden under a hider named as the search's text, which the
// search then shows; count of them match "mark".
ItemId makeItems(int count) {
    const QStringList stems{"Mark",  "mark",  "Märk",    "MARK",   "",
                            "ämark", "Zmark", "mark 10", "mark 9", "émark"};
    Transaction t;
    const ItemId hider = MakeItem("mark");
    SetParent(hider, hider);
    for (int i = 0; i < count; ++i) {
        const QString stem = stems[i % stems.size()];
        QString name = stem.isEmpty() ? QString() : stem + QString::number(i % 7);
        if (i == count - 3)
            name = "Mark with the longest name, accented: éééééééééééééééééé";
        const ItemId id = MakeItem(name, ItemId(), i % 3 ? QString() : QStringLiteral("R%1").arg(i),
                                   i % 2 ? QStringLiteral("a mark in the text") : QString());
        if (i % 5 == 0)
            SetField(id, "rank", IdToDb(hider));
        MakeItem(QStringLiteral("other %1").arg(i));
    }
    t.Commit();
    return hider;
}
} // namespace

// The search lists what it found while the items are marked in the background; whatever reads
// the marks waits for them.
class TestSearchMarks : public QObject {
    Q_OBJECT
private slots:
    void init() { ResetAllState(); }
    void cleanup() { ResetAllState(); }

    // The list made from what the search found is the list made from its marks afterwards
    // (Refresh), row for row, for a short list read whole and a long one read as shown; the
    // items marked are every item the rule finds, hidden ones too, and no others.
    void foundListIsTheMarkedList_data() {
        QTest::addColumn<int>("count");
        QTest::newRow("short") << 60;
        QTest::newRow("long") << 6000;
    }
    void foundListIsTheMarkedList() {
        QFETCH(int, count);
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId hider = makeItems(count);
        ItemsList list;
        list.BuildList();
        QVERIFY(list.RunSearch("mark"));
        QCOMPARE(TheStoreState.CurrentHider, hider);
        const QStringList found = listed(list);
        const QString status = list.Header().Status;
        const auto widths = [&list] {
            QList<int> out;
            for (const ListColumn& c : list.Header().Columns)
                out << c.Width;
            return out;
        };
        const QList<int> shownWidths = widths();
        // Every match but the hidden ones of no group shown; the hider's group is shown.
        QVERIFY(found.size() > count / 2);
        QCOMPARE(found.size(), list.Rows().Count());

        FinishSearchStamps();
        QVERIFY(!SearchStampsPending());
        QCOMPARE(marked(ListWindow().SearchStamp), scanned("mark"));
        list.RefreshKeepingPlace();
        QCOMPARE(listed(list), found);
        QCOMPARE(list.Header().Status, status);
        QCOMPARE(widths(), shownWidths);
    }

    // Read again while nothing was written, the list of the last search is the one made from
    // what it found, without the engine sorting the marked items again; after a rename, a
    // hiding, a deletion or a mark given, the changed items alone are read and put in their
    // places, and the list is what the marks give; after changes too many to follow, it is
    // read from the marks.
    void foundListServesReadingAgainUntilAWrite() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId hider = makeItems(6000);
        ItemsList list;
        list.BuildList();
        QVERIFY(list.RunSearch("mark"));
        const QStringList found = listed(list);
        QVERIFY(found.size() > ListRows::ReadWholeUpTo);
        QStringList statements;
        sqlite3_trace_v2(
            PhoneDBHandle(), SQLITE_TRACE_STMT,
            [](unsigned, void* out, void* stmt, void*) {
                static_cast<QStringList*>(out)->append(
                    QString::fromUtf8(sqlite3_sql(static_cast<sqlite3_stmt*>(stmt))));
                return 0;
            },
            &statements);
        // Whether the whole list was read from the marks since last asked.
        const auto marksRead = [&statements] {
            const bool read = statements.filter("(p.srchts = :srchts)").size() > 0;
            statements.clear();
            return read;
        };
        // The ids of the list as the marks give them.
        const auto fromMarks = [hider, &statements] {
            QList<ItemId> ids;
            for (const RowRef& r : LoadListRefs(ListOf::SearchResults, true, SortBy::Name, true,
                                                hider, ListWindow().SearchStamp))
                ids << r.Id;
            statements.clear();
            return ids;
        };
        const auto shown = [&list] {
            QList<ItemId> ids;
            for (int i = 0; i < list.Rows().Count(); ++i)
                ids << list.Rows().Ref(i).Id;
            return ids;
        };
        list.RefreshKeepingPlace();
        QCOMPARE(listed(list), found);
        QVERIFY(!marksRead());

        // Renamed to sort first: every other row where the search's own list had it, equal
        // names by id.
        const ItemId renamed = list.Rows().Ref(found.size() / 2).Id;
        const QString oldName = list.Rows().Row(found.size() / 2).Name;
        SetField(renamed, "name", "  a mark renamed");
        list.RefreshKeepingPlace();
        QVERIFY(!marksRead());
        QStringList expected = found;
        const int at = found.indexOf(QRegularExpression(QString("%1:.*").arg(renamed.Value())));
        QVERIFY(at >= 0);
        const QString id = QString::number(renamed.Value()) + ":";
        expected.prepend(expected.takeAt(at).replace(id + oldName + ":", id + "  a mark renamed:"));
        QCOMPARE(listed(list), expected);
        QCOMPARE(shown(), fromMarks());

        // Hidden by a group not shown, deleted, renamed to sort last, and an item not found
        // given the mark: each where the marks put it.
        const ItemId hidden = list.Rows().Ref(10).Id;
        const ItemId deleted = list.Rows().Ref(20).Id;
        const ItemId last = list.Rows().Ref(30).Id;
        const ItemId marked = MakeItem("mark given by hand");
        SetField(hidden, "rank", IdToDb(MakeItem("another hider")));
        Exec(QStringLiteral("DELETE FROM phonebk WHERE id = %1").arg(deleted.Value()));
        SetField(last, "name", "zzzz mark");
        SetField(marked, "srchts", StampToDb(ListWindow().SearchStamp));
        list.RefreshKeepingPlace();
        QVERIFY(!marksRead());
        QCOMPARE(list.Rows().Count(), found.size() - 1);
        QCOMPARE(shown(), fromMarks());
        QCOMPARE(list.Rows().Ref(list.Rows().Count() - 1).Id, last);
        QVERIFY(shown().contains(marked) && !shown().contains(hidden));
        list.RefreshKeepingPlace();
        QVERIFY(!marksRead());

        // More items changed than are followed: the list is read from the marks.
        Exec(QStringLiteral("UPDATE phonebk SET numchildren = numchildren WHERE id <= %1")
                 .arg(int(ItemChangesKept) + 10));
        list.RefreshKeepingPlace();
        QVERIFY(marksRead());
        QCOMPARE(shown(), fromMarks());
        list.RefreshKeepingPlace();
        QVERIFY(marksRead());
        sqlite3_trace_v2(PhoneDBHandle(), 0, nullptr, nullptr);
    }

    // While the user's thread holds the write turn, no mark is written; a list of the marks
    // made meanwhile (Back to the search, here Refresh) waits until all are written, and the
    // user's own writes between go through.
    void marksGiveWayAndAreFinishedBeforeTheyAreRead() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        makeItems(3000);
        ItemsList list;
        list.BuildList();
        const int shown = [&] {
            const UserWriteTurn turn;
            list.RunSearch("mark");
            QTest::qWait(50);
            // Held off by the turn: nothing written yet.
            if (!SearchStampsPending())
                return -1;
            if (!marked(ListWindow().SearchStamp).isEmpty())
                return -2;
            return list.Rows().Count();
        }();
        QVERIFY(shown > 0);
        const ItemId late = MakeItem("a late mark");
        list.RefreshKeepingPlace();
        QVERIFY(!SearchStampsPending());
        QCOMPARE(list.Rows().Count(), shown); // the late item was not found by that search
        QList<ItemId> expected = scanned("mark");
        QVERIFY(expected.removeAll(late) == 1);
        QCOMPARE(marked(ListWindow().SearchStamp), expected);
        QVERIFY(dialogs.Infos().isEmpty());
    }

    // A new search, and the closing of the database, come after the last search's marks.
    void nextSearchAndClosingFinishTheMarks() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        makeItems(3000);
        ItemsList list;
        list.BuildList();
        QDateTime first;
        {
            const UserWriteTurn turn;
            list.RunSearch("mark");
            first = ListWindow().SearchStamp;
        }
        list.RunSearch("text");
        const QDateTime second = ListWindow().SearchStamp;
        FinishSearchStamps();
        const QList<ItemId> mark = scanned("mark");
        const QList<ItemId> text = scanned("text");
        QVERIFY(!text.isEmpty());
        const auto without = [](QList<ItemId> a, const QList<ItemId>& b) {
            for (ItemId id : b)
                a.removeAll(id);
            return a;
        };
        // The first search's marks were all written before the second's.
        QCOMPARE(marked(first), without(mark, text));
        QCOMPARE(marked(second), text);
        {
            const UserWriteTurn turn;
            list.RunSearch("mark");
        }
        const QDateTime third = ListWindow().SearchStamp;
        const QString path = PhoneDB().databaseName();
        ClosePhoneDB();
        QVERIFY(!OpenPhoneDB(path)); // opened, not made
        QCOMPARE(marked(third), mark);
        QCOMPARE(marked(second), without(text, mark));
        QVERIFY(marked(first).isEmpty());
    }

    // Waiting for the marks inside the user's own transaction, which the writer of the marks
    // would wait for in turn: the rest is written in that transaction, and kept with it.
    void marksFinishedWithinTheUsersWrite() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        makeItems(3000);
        ItemsList list;
        list.BuildList();
        {
            Transaction t;
            list.RunSearch("mark");
            QVERIFY(SearchStampsPending());
            MakeItem("made in the same transaction");
            FinishSearchStamps();
            QVERIFY(!SearchStampsPending());
            t.Commit();
        }
        QCOMPARE(marked(ListWindow().SearchStamp), scanned("mark"));
    }

    // A file that takes no writes refuses the search before anything changes; an engine error
    // while marking is told by the next command that reads the marks, with the engine's text.
    void refusedAndFailedMarks() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        makeItems(50);
        ItemsList list;
        list.BuildList();
        Exec("CREATE TRIGGER nomarks BEFORE UPDATE OF srchts ON phonebk "
             "BEGIN SELECT RAISE(ABORT, 'marks refused here'); END");
        QVERIFY(list.RunSearch("mark"));
        const int shown = list.Rows().Count();
        QVERIFY(shown > 0);
        // The writer has given up before the list is read again: its error is still told.
        QTRY_VERIFY(!SearchStampsPending());
        std::optional<DbError> error;
        try {
            list.RefreshKeepingPlace();
        } catch (const DbError& e) {
            error = e;
        }
        QVERIFY(error);
        QVERIFY2(error->Text.contains("marks refused here"), qPrintable(error->Text));
        QVERIFY(!SearchStampsPending());
        Exec("DROP TRIGGER nomarks");

        ResetListState();
        TheStoreState.CurrentHider = ItemId(0);
        list.BuildList();
        const QStringList top = listed(list);
        RefuseWrites(WriteRefusal::ReadOnlyFile);
        QVERIFY_THROWS_EXCEPTION(DbError, list.RunSearch("mark"));
        QCOMPARE(listed(list), top);
        QVERIFY(!IsSearchList());
        QVERIFY(!SearchStampsPending());
    }
};

QTEST_GUILESS_MAIN(TestSearchMarks)
#include "TestSearchMarks.moc"
