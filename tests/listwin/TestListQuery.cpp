#include "support/ItemFixture.h"

#include "listwin/ListQuery.h"
#include "store/RawStatement.h"
#include "support/TestFolder.h"

#include <QTest>

// The list statement for each kind of list, and what it returns from a real database.
class TestListQuery : public QObject {
    Q_OBJECT
private slots:
    void lines_data() {
        QTest::addColumn<ListOf>("kind");
        QTest::addColumn<bool>("search");
        QTest::addColumn<SortBy>("sort");
        QTest::addColumn<bool>("noteBefore");
        QTest::addColumn<RowOrder>("order");
        QTest::addColumn<QStringList>("expected");
        const QString items =
            "SELECT id, id as id2, name, typeof(text) as text, rank, rank as drop2, "
            "LOWER(name) as lname, parent, tel, lower(tel) as linknote, "
            "numchildren, numcousins";
        const QString keyedItems =
            "SELECT p.id, p.id as id2, p.name, typeof(p.text) as text, p.rank, p.rank as drop2, "
            "LOWER(p.name) as lname, p.parent, p.tel, lower(p.tel) as linknote, "
            "p.numchildren, p.numcousins";
        const QString across =
            "SELECT m.id1 , m.id2 , m.\"drop\" as drop2, m.linknote , p.id, "
            "p.name, typeof(p.text) as text, p.rank, LOWER(p.name) as lname, p.parent, p.tel, "
            "p.numchildren, p.numcousins";
        const QString phonebk = "FROM phonebk", byParent = "WHERE (parent = :parent)";
        const QString keyed = "FROM phonebk_sortkey k CROSS JOIN phonebk p ON p.id = k.id";
        const QString byKeyParent = "WHERE (k.parent = :parent)";
        const QString joined = "FROM mm2 m LEFT JOIN phonebk p ON p.id = m.id2";
        const QString joinedKeys = "LEFT JOIN phonebk_sortkey k ON k.id = p.id";
        const QString byName = "ORDER BY k.key , k.id";
        const auto row = [](const char* tag, ListOf kind, bool search, SortBy sort, bool noteBefore,
                            RowOrder order, const QStringList& expected) {
            QTest::newRow(tag) << kind << search << sort << noteBefore << order << expected;
        };
        const RowOrder stored = RowOrder::StoredKeys;
        row("top level", ListOf::TopLevel, false, SortBy::Name, true, stored,
            {keyedItems, keyed, byKeyParent, byName});
        row("links down by ref", ListOf::LinksDown, false, SortBy::Ref, true, stored,
            {keyedItems, keyed, byKeyParent, "ORDER BY ifnull(p.tel, '') , k.key , k.id"});
        row("links down default", ListOf::LinksDown, false, SortBy::Default, true, stored,
            {keyedItems, keyed, byKeyParent, byName});
        row("across, note before", ListOf::LinksAcross, false, SortBy::Name, true, stored,
            {across, joined, joinedKeys, "WHERE (m.id1 = :parent)",
             "ORDER BY ifnull(m.linknote, '') , k.key , m.id2 , m.\"drop\""});
        row("across, note after", ListOf::LinksAcross, false, SortBy::Default, false, stored,
            {across, joined, joinedKeys, "WHERE (m.id1 = :parent)",
             "ORDER BY k.key , ifnull(m.linknote, '') , m.id2 , m.\"drop\""});
        row("search", ListOf::SearchResults, true, SortBy::Name, true, stored,
            {keyedItems, "FROM phonebk p CROSS JOIN phonebk_sortkey k ON k.id = p.id",
             "WHERE ( ( p.rank = 0 ) or ( p.rank = :parent ) )", "and (p.srchts = :srchts)",
             byName});
        // Sorted here once read: the engine is asked for no order.
        const RowOrder here = RowOrder::SortedHere;
        row("top level, sorted here", ListOf::TopLevel, false, SortBy::Name, true, here,
            {items, phonebk, byParent});
        row("links down by ref, sorted here", ListOf::LinksDown, false, SortBy::Ref, true, here,
            {items, phonebk, byParent});
        row("across, sorted here", ListOf::LinksAcross, false, SortBy::Name, true, here,
            {across, joined, "WHERE (m.id1 = :parent)"});
        row("search, sorted here", ListOf::SearchResults, true, SortBy::Name, true, here,
            {items, phonebk, "WHERE ( ( rank = 0 ) or ( rank = :parent ) )",
             "and (srchts = :srchts)"});
    }
    void lines() {
        QFETCH(ListOf, kind);
        QFETCH(bool, search);
        QFETCH(SortBy, sort);
        QFETCH(bool, noteBefore);
        QFETCH(RowOrder, order);
        QFETCH(QStringList, expected);
        QCOMPARE(ListQueryLines(kind, search, sort, noteBefore, order), expected);
    }

    // Every kind of statement runs on the engine and fills the same row shape.
    void rowsFromEachKind() {
        TestFolder folder;
        const ItemId a = MakeItem("Beta", ItemId(), "r2", "some text");
        const ItemId b = MakeItem("alpha", a, "R1");
        const ItemId gone = MakeItem("gone");
        LinkAcrossRows(a, b, "note");
        LinkAcrossRows(a, gone);
        Exec("DELETE FROM phonebk WHERE id = ?", {IdToDb(gone)});

        auto top = LoadListRows(ListQueryLines(ListOf::TopLevel, false, SortBy::Name, true), false,
                                ItemId(0), {});
        QCOMPARE(int(top.size()), 2); // Beta and Diary; alpha is below Beta
        QCOMPARE(top[0].Name, QString("Beta"));
        QCOMPARE(top[0].LName, QString("beta"));
        QCOMPARE(top[0].LinkNote, QString("r2"));
        QVERIFY(top[0].HasText);
        QCOMPARE(top[0].NumChildren, 1);
        QCOMPARE(top[0].NumCousins, 2);
        QVERIFY(!top[1].HasText);

        auto across = LoadListRows(ListQueryLines(ListOf::LinksAcross, false, SortBy::Name, true),
                                   false, a, {});
        QCOMPARE(int(across.size()), 2);
        // A link to an item that no longer exists: no id, no name, the stored id kept.
        QCOMPARE(across[0].Id, ItemId(0));
        QCOMPARE(across[0].Id2, gone);
        QCOMPARE(across[0].Name, QString());
        QCOMPARE(across[1].Id, b);
        QCOMPARE(across[1].LinkNote, QString("note"));
    }

    // The statements ask only the text's type: a null text is none, any stored text (an empty
    // one another program wrote, one far longer than a page, a number) is one, in the items
    // lists, the search list and the links-across list alike.
    void textMarkWithoutTheText() {
        TestFolder folder;
        const ItemId parent = MakeItem("parent");
        const ItemId none = MakeItem("a none", parent);
        const ItemId empty = MakeItem("b empty", parent);
        const ItemId longText = MakeItem("c long", parent, QString(), QString(200000, 'x'));
        const ItemId number = MakeItem("d number", parent);
        Exec("UPDATE phonebk SET text = '' WHERE id = ?", {IdToDb(empty)});
        Exec("UPDATE phonebk SET text = 42 WHERE id = ?", {IdToDb(number)});
        const QDateTime stamp(QDate(2024, 5, 1), QTime(10, 0));
        for (ItemId id : {none, empty, longText, number}) {
            Exec("UPDATE phonebk SET srchts = ? WHERE id = ?", {StampToDb(stamp), IdToDb(id)});
            LinkAcrossRows(parent, id);
        }
        const QList<bool> expected{false, true, true, true};
        auto marks = [](const std::vector<ListRow>& rows) {
            QList<bool> out;
            for (const ListRow& r : rows)
                out << r.HasText;
            return out;
        };
        QCOMPARE(marks(LoadListRows(ListQueryLines(ListOf::LinksDown, false, SortBy::Name, true),
                                    false, parent, {})),
                 expected);
        QCOMPARE(marks(LoadListRows(ListQueryLines(ListOf::SearchResults, true, SortBy::Name, true),
                                    true, ItemId(0), stamp)),
                 expected);
        QCOMPARE(marks(LoadListRows(ListQueryLines(ListOf::LinksAcross, false, SortBy::Name, false),
                                    false, parent, {})),
                 expected);
    }

    // A search list holds the stamped items that are shown, and those of the hider shown.
    void searchRowsKeepHiddenOut() {
        TestFolder folder;
        const ItemId shown = MakeItem("shown");
        const ItemId hider = MakeItem("hider");
        const ItemId hidden = MakeItem("hidden", hider);
        const ItemId other = MakeItem("other");
        MakeHider(hider, {hidden});
        const QDateTime stamp(QDate(2024, 5, 1), QTime(10, 0, 0, 123));
        for (ItemId id : {shown, hider, hidden})
            Exec("UPDATE phonebk SET srchts = ? WHERE id = ?", {StampToDb(stamp), IdToDb(id)});
        Exec("UPDATE phonebk SET srchts = ? WHERE id = ?",
             {StampToDb(stamp.addMSecs(1)), IdToDb(other)});

        const QStringList lines = ListQueryLines(ListOf::SearchResults, true, SortBy::Name, true);
        auto names = [&](ItemId parent) {
            QStringList out;
            for (const ListRow& r : LoadListRows(lines, true, parent, stamp))
                out << r.Name;
            return out;
        };
        QCOMPARE(names(ItemId(0)), QStringList{"shown"});
        QCOMPARE(names(hider), (QStringList{"hidden", "hider", "shown"}));
    }

    // Names and refs come back as stored, whatever their characters; the lower-case columns
    // lowered in every letter, as the search lowers texts.
    void rowsKeepTheirCharacters() {
        TestFolder folder;
        const QString name = QStringLiteral("\u00c9mile ZOLA \U0001F600");
        const ItemId a = MakeItem(name, ItemId(), QStringLiteral("Ref-\u00c9"));
        const ItemId b = MakeItem("plain", a, "already lower");
        auto top = LoadListRows(ListQueryLines(ListOf::TopLevel, false, SortBy::Name, true), false,
                                ItemId(0), {});
        QCOMPARE(int(top.size()), 2);
        QCOMPARE(top[1].Id, a); // "Diary" sorts first
        QCOMPARE(top[1].Name, name);
        QCOMPARE(top[1].LName, QStringLiteral("\u00e9mile zola \U0001F600"));
        QCOMPARE(top[1].Tel, QStringLiteral("Ref-\u00c9"));
        QCOMPARE(top[1].LinkNote, QStringLiteral("ref-\u00e9"));
        auto down = LoadListRows(ListQueryLines(ListOf::LinksDown, false, SortBy::Name, true),
                                 false, a, {});
        QCOMPARE(int(down.size()), 1);
        QCOMPARE(down[0].Id, b);
        QCOMPARE(down[0].LName, QString("plain"));
        QCOMPARE(down[0].LinkNote, QString("already lower"));
    }

    // Statements run straight on the engine report its failures as DbError with its text.
    void engineErrorsCarryTheEngineText() {
        TestFolder folder;
        auto errorOf = [](auto run) {
            try {
                run();
            } catch (const DbError& e) {
                return e.Text;
            }
            return QString();
        };
        QVERIFY(errorOf([] { RawStatement q("SELEC id FROM phonebk"); }).contains("syntax error"));
        QVERIFY(errorOf([] {
                    RawStatement q("SELECT id FROM nosuchtable");
                }).contains("no such table: nosuchtable"));
        QVERIFY(!errorOf([] {
                     RawStatement q("SELECT id FROM phonebk WHERE id = :id");
                     q.Bind(":other", 1);
                 }).isEmpty());
        const ItemId other = MakeItem("other");
        LinkAcrossRows(ItemId(1), other);
        QVERIFY(errorOf([other] {
                    RawStatement q(
                        "INSERT INTO mm2 (id1, id2, linknote, \"drop\") VALUES (1, :b, '', 0)");
                    q.Bind(":b", other);
                    q.Step();
                }).contains("UNIQUE constraint failed"));
        ClosePhoneDB();
        QVERIFY(!errorOf([] { RawStatement q("SELECT 1"); }).isEmpty());
    }

    // Values bound straight on the engine arrive as the driver would bind them.
    void boundValuesAndStoredCounts() {
        TestFolder folder;
        const ItemId a = MakeItem("a", ItemId(), "ref");
        RawStatement update("UPDATE phonebk SET tel = :tel, name = :name WHERE id = :id");
        update.Bind(":tel", QVariant(QString()));
        update.Bind(":name", QStringLiteral("\u00fcber"));
        update.Bind(":id", QVariant(qlonglong(a.Value())));
        QVERIFY(!update.Step());
        QSqlQuery q = PrepareQuery("SELECT tel IS NULL, name FROM phonebk WHERE id = :id");
        q.bindValue(":id", IdToDb(a));
        ExecQuery(q);
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toInt(), 1);
        QCOMPARE(q.value(1).toString(), QStringLiteral("\u00fcber"));
        // A repaired count goes to the column of its kind of link.
        StoreLinkCount(a, true, 4);
        StoreLinkCount(a, false, 7);
        QCOMPARE(Field(a, "numchildren"), 4);
        QCOMPARE(Field(a, "numcousins"), 7);
    }
};

QTEST_GUILESS_MAIN(TestListQuery)
#include "TestListQuery.moc"
