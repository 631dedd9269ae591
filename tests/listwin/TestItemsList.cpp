#include "support/ItemFixture.h"

#include "common/Busy.h"
#include "common/Clock.h"
#include "common/CommonState.h"
#include "common/Folders.h"
#include "common/NameCollator.h"
#include "common/Settings.h"
#include "common/TextHelpers.h"
#include "common/WorkProgress.h"
#include "listwin/ItemsList.h"
#include "search/SearchRunner.h"
#include "search/SearchStamps.h"
#include "store/HealthCheck.h"
#include "store/LogCheckpoints.h"
#include "store/StoreState.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFolder.h"

#include <QRegularExpression>
#include <QTest>

#include <sqlite3.h>

Q_DECLARE_METATYPE(ListField)
Q_DECLARE_METATYPE(SortBy)

namespace {
// Records what the list asks of its window.
class RecordingView : public ItemsListView {
public:
    // The row counts the list had when it announced a change and when it reported it done.
    void ListAboutToChange() override {
        if (list)
            CountsAnnounced << list->Rows().Count();
    }
    void ListRebuilt() override {
        ++Rebuilt;
        if (list)
            CountsRebuilt << list->Rows().Count();
    }
    void CursorMoved() override {}
    void ShowItemDetails(ItemId id) override { Details << id; }
    void OpenItemText(ItemId id) override { Texts << id; }
    void ClearSearchText() override { ++SearchCleared; }
    void ClearJumpBoxQuietly() override { ++JumpCleared; }
    bool NewItemText(int, ItemId&) override { return false; }
    bool NewItemDetails(ItemId, ItemId&) override { return false; }
    int Rebuilt = 0;
    QList<ItemId> Details;
    QList<ItemId> Texts;
    int SearchCleared = 0;
    int JumpCleared = 0;
    const ItemsList* list = nullptr;
    QList<int> CountsAnnounced;
    QList<int> CountsRebuilt;
};

// Notes the list's row count whenever a message is shown.
class CountingDialogs : public ScriptedDialogs {
public:
    const ItemsList* list = nullptr;
    QList<int> CountsAtInfo;
    void ShowInfoBox(const QString& message, const QString& caption) override {
        CountsAtInfo << list->Rows().Count();
        ScriptedDialogs::ShowInfoBox(message, caption);
    }
};

QStringList names(const ItemsList& list) {
    QStringList out;
    for (int i = 0; i < list.Rows().Count(); ++i)
        out << list.Rows().Row(i).Name;
    return out;
}

void cursorTo(ItemsList& list, ItemId id) {
    for (int i = 0; i < list.Rows().Count(); ++i)
        if (list.Rows().Row(i).Id == id)
            list.Rows().SetCursor(i);
}

QStringList labels(const ItemsList& list) {
    QStringList out;
    for (const ListColumn& c : list.Header().Columns)
        out << c.Label;
    return out;
}
// Every item's search stamp, by id.
QStringList allStamps() {
    QStringList out;
    QSqlQuery q(PhoneDB());
    q.exec("SELECT id, srchts FROM phonebk ORDER BY id");
    while (q.next())
        out << q.value(0).toString() + "=" + (q.value(1).isNull() ? "null" : q.value(1).toString());
    return out;
}

// A long search as the window sees it: a clock a second further on at each reading, and
// hooks that note what the status line shows, whether the busy cursor is held at each poll,
// and answer Esc at the poll numbered stopAt (0: never).
struct LongSearch {
    QDateTime now{QDate(2024, 6, 1), QTime(9, 0)};
    QStringList Shown;
    QList<int> BusyAtPoll;
    int StopAt = 0;
    explicit LongSearch(int stopAt) : StopAt(stopAt) {
        SetClockForTesting([this] { return now = now.addSecs(1); });
        SetWorkProgressHooks({[this](const QString& text) { Shown << text; },
                              [this] {
                                  BusyAtPoll << BusyDepth();
                                  return BusyAtPoll.size() == StopAt;
                              }});
    }
    ~LongSearch() {
        SetClockForTesting({});
        SetWorkProgressHooks({});
    }
};
} // namespace

// Building each kind of list, moving through links and back, and searching, without a window.
class TestItemsList : public QObject {
    Q_OBJECT
private slots:
    void init() { ResetAllState(); }
    void cleanup() { ResetAllState(); }

    void topLevelList() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        MakeItem("zebra");
        MakeItem("Apple", ItemId(), QString(), "text");
        RecordingView view;
        ItemsList list(&view);
        list.BuildList();
        const ListHeader& h = list.Header();
        QCOMPARE(names(list), (QStringList{"Apple", "Diary", "zebra"}));
        QCOMPARE(h.Caption, QString("Cardolo : Top-level Items"));
        QVERIFY(!h.PanelVisible);
        QVERIFY(!h.RadiosVisible);
        QVERIFY(!h.TopEnabled);
        QCOMPARE(h.BackCaption, QString("&Exit"));
        QCOMPARE(h.Status, QString("3 Items listed"));
        QCOMPARE(labels(list), (QStringList{"Name", "Text?", "Links?"}));
        QCOMPARE(list.Rows().Cursor(), 0);
        QCOMPARE(view.Rebuilt, 1);
        QVERIFY(dialogs.Calls.isEmpty());
        // The links of an item that is gone look like the top level and open its details.
        ListWindow().ListKind = ListOf::LinksDown;
        list.ShowLinks(ItemId(999), "gone");
        QCOMPARE(h.Caption, QString("Cardolo : Top-level Items"));
        QVERIFY(!h.PanelVisible);
        QCOMPARE(h.BackCaption, QString("&Exit"));
        QCOMPARE(view.Details, QList<ItemId>{ItemId(999)});
    }

    // A wrong stored count is reported once and written; only the kind listed is checked.
    void countRepair() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId p = MakeItem("P & Q");
        SetField(p, "numchildren", 3);
        SetField(p, "numcousins", 5);
        ItemsList list;
        ListWindow().ListKind = ListOf::LinksDown;
        list.ShowLinks(p, "P & Q");
        QCOMPARE(dialogs.Infos(), QStringList{"Num links down 3 expected, 0 found - resetting"});
        QCOMPARE(Field(p, "numchildren"), 0);
        QCOMPARE(Field(p, "numcousins"), 5);
        QCOMPARE(list.Header().DownCaption, QString("0 links down"));
        QCOMPARE(list.Header().AcrossCaption, QString("5 links across"));
        QCOMPARE(list.Header().Status, QString("0 Items listed"));
        QCOMPARE(list.Header().Label2, QString("P && Q"));
        QCOMPARE(list.Header().Label2Shown, QString("P & Q"));

        dialogs.ClearCalls();
        list.SelectKind(ListOf::LinksAcross);
        QCOMPARE(dialogs.Infos(), QStringList{"Num links across 5 expected, 0 found - resetting"});
        QCOMPARE(Field(p, "numcousins"), 0);
        list.BuildList();
        QCOMPARE(dialogs.Infos().size(), 1); // repaired, so no second message
    }

    // A count the list repairs is one the health check finds right: both store what the rows give.
    void repairedCountPassesTheHealthCheck() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId p = MakeItem("P");
        MakeItem("c", p);
        LinkAcrossRows(p, MakeItem("q"));
        SetField(p, "numchildren", 3);
        SetField(p, "numcousins", 2);
        QCOMPARE(WrongChildCounts().size(), size_t(1));
        QCOMPARE(WrongLinkCounts().size(), size_t(1));
        ItemsList list;
        ListWindow().ListKind = ListOf::LinksDown;
        list.ShowLinks(p, "P");
        QVERIFY(WrongChildCounts().empty());
        QCOMPARE(WrongLinkCounts().size(), size_t(1));
        list.SelectKind(ListOf::LinksAcross);
        QVERIFY(WrongLinkCounts().empty());
        QCOMPARE(Field(p, "numchildren"), 1);
        QCOMPARE(Field(p, "numcousins"), 1);
    }

    // The list on screen stays in place while a build shows its messages and the item's details:
    // the rows change only between the announcement and the report to the window.
    void rowsReplacedOnlyWhenAnnounced() {
        TestFolder folder;
        CountingDialogs dialogs;
        const ItemId p = MakeItem("");
        MakeItem("other");
        SetField(p, "numchildren", 3);
        RecordingView view;
        ItemsList list(&view);
        view.list = &list;
        dialogs.list = &list;
        list.BuildList();
        QCOMPARE(view.CountsAnnounced, QList<int>{0});
        QCOMPARE(view.CountsRebuilt, QList<int>{3});
        ListWindow().ListKind = ListOf::LinksDown;
        list.ShowLinks(p, QString());
        // The nameless item's list opens its details mid-build; the old rows are still there.
        QCOMPARE(view.Details, QList<ItemId>{p});
        QCOMPARE(dialogs.CountsAtInfo, QList<int>{3});
        QCOMPARE(view.CountsAnnounced.mid(0, 2), (QList<int>{0, 3}));
        QCOMPARE(view.CountsRebuilt.mid(0, 2), (QList<int>{3, 0}));
        QCOMPARE(view.CountsAnnounced.size(), view.CountsRebuilt.size());
    }

    void linksListHeaderParentAndTop() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId projects = MakeItem("Projects");
        const ItemId garden = MakeItem("Garden", projects);
        const ItemId beds = MakeItem("Beds", garden, QString(), "dig");
        MakeItem("Roses", beds);
        ItemsList list;
        ListWindow().ListKind = ListOf::LinksDown;
        list.ShowLinks(beds, "Beds");
        const ListHeader& h = list.Header();
        QCOMPARE(h.Caption, QString("Cardolo : Linked Items"));
        QCOMPARE(h.Label3, QString("Projects : Garden : "));
        QVERIFY(h.Label3Visible);
        QCOMPARE(h.Label2Top, 18);
        QVERIFY(h.PanelVisible && h.RadiosVisible && h.TopEnabled && h.TextButtonVisible);
        QCOMPARE(h.BackCaption, QString("&Back"));
        QCOMPARE(ListWindow().ParentId, garden);

        // The parent line leads to the parent's links with the cursor on where we came from.
        list.GoToParent();
        QCOMPARE(ListWindow().CurrentId, garden);
        QCOMPARE(list.Rows().CursorRow().Id, beds);
        QCOMPARE(list.Header().Label2Top, 18);
        QCOMPARE(DisplayRequests().Count(), 1);

        // Top clears the history and hides the hider shown.
        ShowHidden(beds);
        dialogs.ClearCalls();
        list.Top();
        QVERIFY(DisplayRequests().IsEmpty());
        QCOMPARE(TheStoreState.CurrentHider, ItemId(0));
        QCOMPARE(dialogs.Flashes(),
                 QStringList{QString("Hiding #%1 and linked items").arg(beds.Value())});
        QCOMPARE(list.Header().BackCaption, QString("&Exit"));
        QVERIFY(!list.Header().TopEnabled);
    }

    // A links list with a ref on every row is ordered by ref; Ref leads and can be re-sorted.
    void defaultSortAndTitleClicks() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        RecordingView view;
        const ItemId p = MakeItem("P");
        const ItemId b = MakeItem("b item", p, "2024-01-01");
        MakeItem("a item", p, "2024-02-02");
        ItemsList list(&view);
        ListWindow().ListKind = ListOf::LinksDown;
        ListWindow().SortOrder = SortBy::Default;
        list.ShowLinks(p, "P");
        QCOMPARE(ListWindow().SortOrder, SortBy::Ref);
        QCOMPARE(names(list), (QStringList{"b item", "a item"}));
        QCOMPARE(labels(list), (QStringList{"REF", "NAME", "Text?", "Links?"}));

        cursorTo(list, b);
        list.TitleClick(ListField::dpname);
        QCOMPARE(ListWindow().SortOrder, SortBy::Name);
        QCOMPARE(labels(list), (QStringList{"NAME", "REF", "Text?", "Links?"}));
        QCOMPARE(list.Rows().CursorRow().Id, b);
        list.TitleClick(ListField::dpref);
        QCOMPARE(names(list).first(), QString("b item"));
        QCOMPARE(list.Rows().CursorRow().Id, b);
        QCOMPARE(view.JumpCleared, 2); // each re-sort empties the jump box first
        QVERIFY(dialogs.Infos().isEmpty());

        // One row without a ref: name order.
        MakeItem("c item", p);
        ListWindow().SortOrder = SortBy::Default;
        list.ShowLinks(p, "P");
        QCOMPARE(ListWindow().SortOrder, SortBy::Name);
    }

    // Names sort as a reader expects, whatever their case and accents: "Éclair" and "éclair"
    // stand together among the e's, as "Apple" and "apple" do among the a's, lower case first.
    void namesSortByUnicodeLowerCase() {
        SetCollationLocale("en_GB");
        TestFolder folder;
        ScriptedDialogs dialogs;
        MakeItem(QStringLiteral("\u00e9clair"));
        MakeItem("Zebra");
        MakeItem(QStringLiteral("\u00d6lfass")); // sorted apart from É by SQLite's lower()
        MakeItem(QStringLiteral("\u00c9clair"));
        MakeItem("apple");
        MakeItem("Apple");
        ItemsList list;
        list.BuildList();
        QCOMPARE(names(list), (QStringList{"apple", "Apple", "Diary", QStringLiteral("\u00e9clair"),
                                           QStringLiteral("\u00c9clair"),
                                           QStringLiteral("\u00d6lfass"), "Zebra"}));
        QCOMPARE(list.Rows().Row(4).LName, QStringLiteral("\u00e9clair"));
        // The jump box finds them in the order they are sorted in.
        list.JumpTo(QStringLiteral("\u00e9"));
        QCOMPARE(list.Rows().Cursor(), 3);
    }

    // Items without a Ref sort together by name when a list is sorted by Ref, whether they
    // were stored by this version (null) or by an older one ('').
    void itemsWithoutRefSortTogether() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId p = MakeItem("P");
        MakeItem("d", p, "2024-01-01");
        MakeItem("c", p, "");
        MakeItem("b", p, QString());
        const ItemId a = MakeItem("a", p);
        SetField(a, "tel", ""); // as an older version stored it
        CoreStartup();
        ItemsList list;
        ListWindow().ListKind = ListOf::LinksDown;
        ListWindow().SortOrder = SortBy::Ref;
        list.ShowLinks(p, "P");
        QCOMPARE(names(list), (QStringList{"a", "b", "c", "d"}));
    }

    // The "Links?" mark of an item whose counts add up past the largest integer.
    void linksMarkOfLargestCounts() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId big = MakeItem("big");
        SetField(big, "numchildren", 2147483647);
        SetField(big, "numcousins", 1);
        ItemsList list;
        list.BuildList();
        const ListRow& row = list.Rows().Row(0);
        QCOMPARE(row.Id, big);
        QCOMPARE(LinksMark(row, false), QString(QChar(0xBB)));
        QCOMPARE(LinksMark(row, true), QString("2147483648"));
        ListRow none;
        none.NumChildren = -1; // a count gone below 0 by an older fault
        none.NumCousins = 1;
        QCOMPARE(LinksMark(none, true), QString());
    }

    void resequenceRefused() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId p = MakeItem("P");
        MakeItem("x", p);
        ItemsList list;
        list.BuildList();
        list.TitleClick(ListField::dpname);
        QCOMPARE(dialogs.Infos(),
                 QStringList{"There is no facility to resequence the Top-level Items list"});
        // A links list without refs: the lower-case title does nothing at all.
        dialogs.ClearCalls();
        ListWindow().ListKind = ListOf::LinksDown;
        list.ShowLinks(p, "P");
        list.TitleClick(ListField::dpname);
        QVERIFY(dialogs.Calls.isEmpty());
        QCOMPARE(ListWindow().SortOrder, SortBy::Name);
        // "Links?" toggles the counts whatever the list.
        const bool before = AppSettings().ShowLinkCounts;
        list.TitleClick(ListField::LinksPres);
        QCOMPARE(AppSettings().ShowLinkCounts, !before);
    }

    // A heading acts by the column it heads, whatever its caption: the name column ("NAME" beside
    // a Ref column, "Name" alone) re-sorts only when there is a Ref to sort by instead, Links?
    // switches the counts on every list, and the top level and a search list keep their order.
    void titleClickByColumn_data() {
        QTest::addColumn<QString>("shown"); // which list is shown
        QTest::addColumn<SortBy>("before");
        QTest::addColumn<ListField>("field");
        QTest::addColumn<SortBy>("after");
        QTest::addColumn<QStringList>("order");
        QTest::addColumn<bool>("countsSwitched");
        QTest::addColumn<int>("jumpCleared");
        QTest::addColumn<QStringList>("infos");
        const QStringList byName{"a item", "b item"};
        const QStringList byRef{"b item", "a item"};
        const QString refused = "There is no facility to resequence the %1 list";
        QTest::newRow("refs: name") << "refs" << SortBy::Ref << ListField::dpname << SortBy::Name
                                    << byName << false << 1 << QStringList();
        QTest::newRow("refs: ref") << "refs" << SortBy::Name << ListField::dpref << SortBy::Ref
                                   << byRef << false << 1 << QStringList();
        QTest::newRow("refs: text") << "refs" << SortBy::Ref << ListField::TextPres << SortBy::Ref
                                    << byRef << false << 1 << QStringList();
        QTest::newRow("refs: links") << "refs" << SortBy::Name << ListField::LinksPres
                                     << SortBy::Name << byName << true << 0 << QStringList();
        QTest::newRow("no refs: name")
            << "no refs" << SortBy::Default << ListField::dpname << SortBy::Default
            << QStringList{"x", "y"} << false << 1 << QStringList();
        QTest::newRow("no refs: links")
            << "no refs" << SortBy::Default << ListField::LinksPres << SortBy::Default
            << QStringList{"x", "y"} << true << 0 << QStringList();
        QTest::newRow("top level: name") << "top level" << SortBy::Name << ListField::dpname
                                         << SortBy::Name << QStringList{"Diary", "P", "Q"} << false
                                         << 0 << QStringList{refused.arg("Top-level Items")};
        QTest::newRow("top level: links")
            << "top level" << SortBy::Name << ListField::LinksPres << SortBy::Name
            << QStringList{"Diary", "P", "Q"} << true << 0 << QStringList();
        QTest::newRow("search: ref")
            << "search" << SortBy::Name << ListField::dpref << SortBy::Name << byName << false << 0
            << QStringList{refused.arg("Search Results")};
    }
    void titleClickByColumn() {
        QFETCH(QString, shown);
        QFETCH(SortBy, before);
        QFETCH(ListField, field);
        QFETCH(SortBy, after);
        QFETCH(QStringList, order);
        QFETCH(bool, countsSwitched);
        QFETCH(int, jumpCleared);
        QFETCH(QStringList, infos);
        TestFolder folder;
        ScriptedDialogs dialogs;
        RecordingView view;
        const ItemId p = MakeItem("P");
        MakeItem("b item", p, "2024-01-01");
        MakeItem("a item", p, "2024-02-02");
        const ItemId q = MakeItem("Q");
        MakeItem("x", q);
        MakeItem("y", q);
        ItemsList list(&view);
        ListWindow().SortOrder = before;
        ListWindow().ListKind = ListOf::LinksDown;
        if (shown == "refs")
            list.ShowLinks(p, "P");
        else if (shown == "no refs")
            list.ShowLinks(q, "Q");
        else if (shown == "search")
            list.SearchForText("item");
        else
            list.BuildList();
        QCOMPARE(ListWindow().SortOrder, before);
        const bool counts = AppSettings().ShowLinkCounts;
        dialogs.ClearCalls();

        list.TitleClick(field);
        QCOMPARE(ListWindow().SortOrder, after);
        QCOMPARE(names(list), order);
        QCOMPARE(AppSettings().ShowLinkCounts, countsSwitched ? !counts : counts);
        QCOMPARE(view.JumpCleared, jumpCleared);
        QCOMPARE(dialogs.Infos(), infos);
    }

    // Exit/Back leaves the top level by Exit and every other list by Back, as its caption says,
    // also a links list opened without a record in the history. A build that fails part way
    // leaves it as the list on screen has it.
    void leaveFollowsTheListShown() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId p = MakeItem("P");
        MakeItem("pear", p);
        ItemsList list;
        list.BuildList();
        QCOMPARE(list.Leave(), LeaveBy::Exit);
        QCOMPARE(list.Header().BackCaption, QString("&Exit"));
        cursorTo(list, p);
        list.StepIntoLinks();
        QCOMPARE(list.Leave(), LeaveBy::Back);
        QCOMPARE(list.Header().BackCaption, QString("&Back"));
        list.GoBack();
        QCOMPARE(list.Leave(), LeaveBy::Exit);

        list.ShowLinks(p, "P");
        QVERIFY(DisplayRequests().IsEmpty());
        QCOMPARE(list.Leave(), LeaveBy::Back);
        list.GoBack();
        QCOMPARE(ListWindow().CurrentId, ItemId(0));
        QCOMPARE(list.Leave(), LeaveBy::Exit);

        list.SearchForText("pear");
        QCOMPARE(list.Leave(), LeaveBy::Back);
        QCOMPARE(list.Header().BackCaption, QString("&Back"));
        list.GoBack();
        QCOMPARE(list.Leave(), LeaveBy::Exit);

        list.ShowLinks(p, "P");
        Exec("DROP TABLE mm2");
        QVERIFY_THROWS_EXCEPTION(DbError, list.SelectKind(ListOf::LinksAcross));
        QCOMPARE(list.Leave(), LeaveBy::Back);
    }

    void jumpTo() {
        SetCollationLocale("en_GB");
        TestFolder folder;
        ScriptedDialogs dialogs;
        for (const char* n : {"Apple", "melon", "Banana", "Zucchini", "Diary2"})
            MakeItem(n);
        Exec("DELETE FROM phonebk WHERE name = 'Diary'");
        ItemsList list;
        list.BuildList();
        // typed, row reached; a capital M finds the lower-case name, as the order ignores case.
        const QList<QPair<QString, QString>> cases{
            {"", "Apple"}, {"m", "melon"}, {"ma", "melon"}, {"M", "melon"}, {"zz", "Zucchini"}};
        for (const auto& c : cases) {
            list.Rows().SetCursor(list.Rows().Count() - 1);
            list.JumpTo(c.first);
            QVERIFY2(list.Rows().CursorRow().Name == c.second, qPrintable(c.first));
        }
    }

    // A list longer than a few pages is read as it is shown: every row is there in the order of
    // a list read whole, the cursor walks, jumps and locates over all of it, the Ref column and
    // the widths come from the whole list, and the export holds every row.
    void longListsReadAsShown() {
        SetCollationLocale("en_GB");
        TestFolder folder;
        ScriptedDialogs dialogs;
        const int count = ListRows::ReadWholeUpTo * 2 + 77;
        Exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE "
                            "i < %1) INSERT INTO phonebk (name, tel, text, parent, rank, "
                            "numchildren, numcousins) SELECT 'item ' || ((i * 7919) % %1), "
                            "CASE WHEN i % 1000 = 0 THEN 'a longer ref ' || i END, "
                            "CASE WHEN i % 3 = 0 THEN 't' END, 0, 0, 0, 0 FROM n")
                 .arg(count));
        ItemsList list;
        list.BuildList();
        const ListRows& rows = list.Rows();
        QCOMPARE(rows.Count(), count + 1); // and the Diary
        // The same rows, in the same order, as the whole list read at once.
        std::vector<ListRow> whole = LoadListRows(
            ListQueryLines(ListOf::TopLevel, false, SortBy::Name, true, RowOrder::SortedHere),
            false, ItemId(0), {});
        SortListRows(whole, ListOf::TopLevel, LeadField::None, UserNameCollator());
        QCOMPARE(int(whole.size()), rows.Count());
        for (int i = rows.Count() - 1; i >= 0; i -= 97) {
            QCOMPARE(rows.Row(i).Id, whole[size_t(i)].Id);
            QCOMPARE(rows.Row(i).Name, whole[size_t(i)].Name);
            QCOMPARE(rows.Row(i).HasText, whole[size_t(i)].HasText);
        }
        // Every row read once, from the first to the last.
        int withText = 0;
        for (int i = 0; i < rows.Count(); ++i)
            withText += rows.Row(i).HasText ? 1 : 0;
        QCOMPARE(withText, count / 3);
        list.Rows().Last();
        QCOMPARE(rows.CursorRow().Id, whole.back().Id);
        list.JumpTo("item 5");
        QCOMPARE(rows.CursorRow().Name, QString("item 5"));
        list.Rows().Locate(whole[1000].Id, 0, false);
        QCOMPARE(rows.Cursor(), 1000);
        // The Ref column is shown for the few rows that have one, as wide as the longest.
        QVERIFY(std::any_of(list.Header().Columns.begin(), list.Header().Columns.end(),
                            [](const ListColumn& c) { return c.Field == ListField::dpref; }));
        QCOMPARE(list.ExportRows().Records.size(), count + 1);
        QCOMPARE(list.ExportRows().Records.last().first(), whole.back().Name);
    }

    // A long list is exported a record at a time, as the grid shows it, and printed from its
    // refs: an item deleted since the list was read prints as missing under its id.
    void longListExportedAndPrintedRowByRow() {
        SetCollationLocale("en_GB");
        TestFolder folder;
        ScriptedDialogs dialogs;
        const int count = ListRows::ReadWholeUpTo + 300;
        Exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE "
                            "i < %1) INSERT INTO phonebk (name, tel, text, parent, rank, "
                            "numchildren, numcousins) SELECT 'item ' || i, 'r' || (i % 10), "
                            "NULL, 0, 0, 0, 0 FROM n")
                 .arg(count));
        ItemsList list;
        list.BuildList();
        QCOMPARE(list.Rows().Count(), count + 1);
        // Deleted before its row was ever read.
        const ItemId gone = list.Rows().Ref(count).Id;
        Exec(QStringLiteral("DELETE FROM phonebk WHERE id = %1").arg(gone.Value()));
        const PrintableList printed = list.PrintRows();
        QCOMPARE(int(printed.Rows.size()), count + 1);
        QCOMPARE(printed.Rows.back().Id, gone);
        QCOMPARE(printed.Rows.front().Id, list.Rows().Ref(0).Id);
        QCOMPARE(printed.CurrentRow, list.Rows().Cursor());

        const ExportTable held = list.ExportRows();
        const ExportTable source = list.ExportSource();
        QVERIFY(source.Records.isEmpty());
        QCOMPARE(source.Count(), count + 1);
        QCOMPARE(ComposeExport(source, "T", QString(), true).Lines,
                 ComposeExport(held, "T", QString(), true).Lines);
        QCOMPARE(source.Record(count), held.Records.last());
    }

    // The same for a long list of links across, whose rows are read link by link: each row is
    // its link's, with its note.
    void longLinksAcrossListReadAsShown() {
        SetCollationLocale("en_GB");
        TestFolder folder;
        ScriptedDialogs dialogs;
        const int count = ListRows::ReadWholeUpTo + 500;
        const ItemId hub = MakeItem("hub");
        Exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE "
                            "i < %1) INSERT INTO phonebk (name, parent, rank, numchildren, "
                            "numcousins) SELECT 'linked ' || i, 0, 0, 0, 1 FROM n")
                 .arg(count));
        Exec("INSERT INTO mm2 (id1, id2, linknote, \"drop\") SELECT ?, id, 'note ' || id, 0 FROM "
             "phonebk WHERE name LIKE 'linked %'",
             {IdToDb(hub)});
        Exec("INSERT INTO mm2 (id1, id2, linknote, \"drop\") SELECT id, ?, 'note ' || id, 0 FROM "
             "phonebk WHERE name LIKE 'linked %'",
             {IdToDb(hub)});
        SetField(hub, "numcousins", count);
        ItemsList list;
        ListWindow().ListKind = ListOf::LinksAcross;
        list.ShowLinks(hub, "hub");
        const ListRows& rows = list.Rows();
        QCOMPARE(rows.Count(), count);
        for (int i = 0; i < rows.Count(); i += 211) {
            const ListRow row = rows.Row(i);
            QVERIFY(row.Name.startsWith("linked "));
            QCOMPARE(row.LinkNote, QStringLiteral("note %1").arg(row.Id.Value()));
            QCOMPARE(row.Id2, row.Id);
        }
        // Every link has a note: the list is in the notes' order, and the jump goes by them.
        list.JumpTo("note 4");
        QVERIFY(list.Rows().CursorRow().LinkNote.startsWith("note 4"));
    }

    // Into A, into its child B, Back twice: each list comes back with its cursor and sort.
    void backRestoresCursorAndSort() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId a = MakeItem("A");
        MakeItem("B0", a, "r1");
        const ItemId b = MakeItem("B", a, "r2");
        MakeItem("B child", b);
        MakeItem("C");
        ItemsList list;
        list.BuildList();
        cursorTo(list, a);
        list.StepIntoLinks();
        QCOMPARE(ListWindow().CurrentId, a);
        QCOMPARE(ListWindow().SortOrder, SortBy::Ref);
        cursorTo(list, b);
        list.StepIntoLinks();
        QCOMPARE(ListWindow().CurrentId, b);
        QCOMPARE(names(list), QStringList{"B child"});

        list.GoBack();
        QCOMPARE(ListWindow().CurrentId, a);
        QCOMPARE(ListWindow().SortOrder, SortBy::Ref);
        QCOMPARE(list.Rows().CursorRow().Id, b);
        QCOMPARE(list.Header().BackCaption, QString("&Back"));
        list.GoBack();
        QCOMPARE(ListWindow().CurrentId, ItemId(0));
        QCOMPARE(list.Rows().CursorRow().Id, a);
        QCOMPARE(list.Header().BackCaption, QString("&Exit"));
        QVERIFY(DisplayRequests().IsEmpty());
    }

    void radioSwitchIsRemembered() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId a = MakeItem("A");
        MakeItem("child", a);
        const ItemId cousin = MakeItem("cousin");
        LinkAcrossRows(a, cousin);
        ItemsList list;
        list.BuildList();
        cursorTo(list, a);
        list.StepIntoLinks();
        QCOMPARE(ListWindow().ListKind, ListOf::LinksAcross); // links across come first
        list.SelectKind(ListOf::LinksDown);
        QCOMPARE(names(list), QStringList{"child"});
        list.StepIntoLinks();
        list.GoBack();
        QCOMPARE(ListWindow().ListKind, ListOf::LinksDown);
        QVERIFY(!list.Header().AcrossChecked);
        QCOMPARE(names(list), QStringList{"child"});
    }

    void linkNotes_data() {
        QTest::addColumn<QStringList>("notes");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<bool>("before");
        QTest::newRow("mixed") << QStringList{"zz", "", "aa"}
                               << QStringList{"Ann  [ zz ]", "Bob", "Cat  [ aa ]"} << false;
        QTest::newRow("every link noted")
            << QStringList{"zz", "mm", "aa"}
            << QStringList{"[ aa ]  Cat", "[ mm ]  Bob", "[ zz ]  Ann"} << true;
        QTest::newRow("no notes") << QStringList{"", "", ""} << QStringList{"Ann", "Bob", "Cat"}
                                  << true;
    }
    void linkNotes() {
        QFETCH(QStringList, notes);
        QFETCH(QStringList, expected);
        QFETCH(bool, before);
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId p = MakeItem("P");
        const QStringList itemNames{"Ann", "Bob", "Cat"};
        for (int i = 0; i < 3; ++i)
            LinkAcrossRows(p, MakeItem(itemNames[i]), notes[i]);
        ItemsList list;
        DisplayRequest r;
        r.Mode = ListOf::LinksAcross;
        r.ItemId = p;
        r.Name = "P";
        list.PushRequest(r);
        QStringList shown;
        for (int i = 0; i < list.Rows().Count(); ++i)
            shown << DisplayName(list.Rows().Row(i), ListWindow().ListKind,
                                 ListWindow().LnoteBefore);
        QCOMPARE(shown, expected);
        QCOMPARE(ListWindow().LnoteBefore, before);
        QVERIFY(list.QueryText().endsWith(
            before ? "ORDER BY ifnull(m.linknote, '') , k.key , m.id2 , m.\"drop\""
                   : "ORDER BY k.key , ifnull(m.linknote, '') , m.id2 , m.\"drop\""));
    }

    // Enter opens a row's details or its text by what the row has; a row whose item is gone
    // says so, from Enter and from its Links? cell.
    void openRowByWhatTheRowHas() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        RecordingView view;
        const ItemId plain = MakeItem("plain");
        const ItemId texted = MakeItem("texted", ItemId(), QString(), "words");
        const ItemId p = MakeItem("P");
        const ItemId gone = MakeItem("gone");
        LinkAcrossRows(p, gone);
        Exec("DELETE FROM phonebk WHERE id = ?", {IdToDb(gone)});
        ItemsList list(&view);
        list.BuildList();
        cursorTo(list, plain);
        list.OpenRow();
        QCOMPARE(view.Details, QList<ItemId>{plain});
        cursorTo(list, texted);
        list.OpenRow();
        QCOMPARE(view.Texts, QList<ItemId>{texted});
        QCOMPARE(ListWindow().CurrentId, ItemId(0));
        // The Links? cell of an item without links steps into its empty list.
        cursorTo(list, plain);
        list.CellClick(ListField::LinksPres);
        QCOMPARE(ListWindow().CurrentId, plain);
        QCOMPARE(list.Header().Status, QString("0 Items listed"));
        // Enter on an empty list does nothing.
        list.OpenRow();
        QCOMPARE(view.Details.size(), 1);
        QVERIFY(dialogs.Infos().isEmpty());

        ListWindow().ListKind = ListOf::LinksAcross;
        list.ShowLinks(p, "P");
        list.OpenRow();
        list.CellClick(ListField::LinksPres);
        QCOMPARE(dialogs.Infos(), (QStringList{QString("Item #%1 not found").arg(gone.Value()),
                                               QString("Item #%1 not found").arg(gone.Value())}));
        QCOMPARE(view.Details.size(), 1);
        QCOMPARE(ListWindow().CurrentId, p);
    }

    void rememberNextRow() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        Exec("DELETE FROM phonebk");
        const ItemId a = MakeItem("a");
        const ItemId b = MakeItem("b");
        ItemsList list;
        list.BuildList();
        list.RememberNextRow();
        QCOMPARE(ListWindow().RestoreId, b);
        QCOMPARE(list.Rows().CursorRow().Id, a);
        list.Rows().Last();
        list.RememberNextRow();
        QCOMPARE(ListWindow().RestoreId, b);
        Exec("DELETE FROM phonebk WHERE id = ?", {IdToDb(b)});
        list.BuildList();
        list.RestorePosition(ListWindow().RestoreId, ListWindow().RestoreDrop);
        QCOMPARE(list.Rows().CursorRow().Id, a); // removed last row: the new last row
    }

    // A search list, and Refresh searching again: an item renamed meanwhile leaves the list,
    // even within one millisecond of the first search.
    void searchListAndRefresh() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const QDateTime frozen(QDate(2024, 6, 1), QTime(9, 0));
        SetClockForTesting([frozen] { return frozen; });
        MakeItem("O Neil");
        const ItemId renamed = MakeItem("ONeil");
        MakeItem("Other");
        ItemsList list;
        list.BuildList();
        Common().PunctuationFolding = true;
        list.SearchForText("o'neil");
        QCOMPARE(names(list), (QStringList{"O Neil", "ONeil"}));
        const ListHeader& h = list.Header();
        QCOMPARE(h.Caption, QString("Cardolo : Search Results"));
        QCOMPARE(h.Label2, QString("\"oneil\""));
        QVERIFY(!h.Label3Visible && !h.RadiosVisible && h.TopEnabled);
        QCOMPARE(h.BackCaption, QString("&Back"));
        QCOMPARE(ListWindow().CurrentId, ItemId(0));
        QCOMPARE(ListWindow().ListKind, ListOf::SearchResults);
        QVERIFY(list.QueryText().contains(
            "FROM phonebk p CROSS JOIN phonebk_sortkey k ON k.id = p.id\nWHERE ( ( p.rank = 0 )"));
        SetField(renamed, "name", "tool store");
        list.Refresh();
        SetClockForTesting({});
        QCOMPARE(names(list), QStringList{"O Neil"});
        QCOMPARE(DisplayRequests().Count(), 1);
        list.GoBack();
        QCOMPARE(list.Header().Caption, QString("Cardolo : Top-level Items"));
    }

    // A hider's exact name reveals its branch until Top; ids find only items on show, and the
    // archive item's id reveals it.
    void hiderNameAndSearchById() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        RecordingView view;
        const ItemId hider = MakeItem("Vault");
        const ItemId inside = MakeItem("Vault key", hider);
        MakeHider(hider, {inside});
        const ItemId plain = MakeItem("plain");
        LinkAcrossRows(plain, MakeItem("cousin"));
        ItemsList list(&view);
        list.BuildList();
        list.SearchForText("vault");
        QCOMPARE(list.Rows().Count(), 0);
        QVERIFY(dialogs.Flashes().isEmpty());
        list.SearchForText("Vault");
        QCOMPARE(dialogs.Flashes(),
                 QStringList{QString("Showing #%1 and linked items").arg(hider.Value())});
        QCOMPARE(TheStoreState.CurrentHider, hider);
        QCOMPARE(view.SearchCleared, 1);
        QCOMPARE(names(list), (QStringList{"Vault", "Vault key"}));
        list.Top();
        QCOMPARE(dialogs.Flashes().last(),
                 QString("Hiding #%1 and linked items").arg(hider.Value()));
        list.SearchForText("vault");
        QCOMPARE(list.Rows().Count(), 0);

        list.Top();
        dialogs.ClearCalls();
        for (const QString& t : {QString("abc"), QString("9999"), QString::number(inside.Value()),
                                 QString::number(hider.Value())})
            list.SearchForId(t);
        QCOMPARE(ListWindow().CurrentId, ItemId(0));
        QVERIFY(DisplayRequests().IsEmpty());
        QVERIFY(dialogs.Calls.isEmpty());

        list.SearchForId(QString::number(plain.Value()));
        QCOMPARE(ListWindow().CurrentId, plain);
        QCOMPARE(ListWindow().ListKind, ListOf::LinksAcross);

        AppSettings().ArchiveId = hider;
        list.SearchForId(QString::number(hider.Value()));
        QCOMPARE(ListWindow().CurrentId, hider);
        QCOMPARE(ListWindow().ListKind, ListOf::LinksDown);
        QCOMPARE(TheStoreState.CurrentHider, hider);
        QCOMPARE(dialogs.Flashes(),
                 QStringList{QString("Showing #%1 and linked items").arg(hider.Value())});
    }

    // A search that runs long holds the busy cursor from its start and shows its progress while
    // it reads; the items found are marked in the background once they are listed. Stopped by
    // the user while it reads, at its first or its last report, it leaves every stamp as it
    // was, the list on screen, its header and the history as they were.
    void longSearchStopped_data() {
        QTest::addColumn<int>("stopAt");
        // 1000 items read, a report every 256: polls 1 to 3.
        QTest::newRow("while reading") << 1;
        QTest::newRow("at the last report") << 3;
        QTest::newRow("never") << 0;
    }
    void longSearchStopped() {
        QFETCH(int, stopAt);
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId top = MakeItem("Aardvark");
        {
            Transaction t;
            for (int i = 0; i < 999; ++i) {
                const ItemId id = MakeItem(QStringLiteral("match %1").arg(i), top);
                if (i % 2)
                    SetField(id, "srchts", "2020-01-01 10:00:00.000");
            }
            t.Commit();
        }
        ItemsList list;
        list.BuildList();
        cursorTo(list, top);
        list.StepIntoLinks();
        const QStringList listed = names(list);
        const QString caption = list.Header().Caption;
        const DisplayRequest shown = ListWindow().CurrentRequest;
        const QStringList stamps = allStamps();
        QCOMPARE(DisplayRequests().Count(), 1);

        bool completed = false;
        {
            LongSearch search(stopAt);
            list.SearchForText("MATCH");
            completed = IsSearchList();
            QCOMPARE(search.BusyAtPoll.size(), stopAt ? stopAt : 3);
            for (int depth : search.BusyAtPoll)
                QVERIFY(depth > 0);
            QVERIFY(search.Shown.first().startsWith("Searching: "));
            QVERIFY(search.Shown.first().endsWith("% - Esc to stop"));
            QVERIFY(search.Shown.filter("Marking").isEmpty());
            QCOMPARE(search.Shown.last(), QString()); // taken away at the end
        }
        QCOMPARE(BusyDepth(), 0);
        QCOMPARE(completed, stopAt == 0);
        if (completed) {
            QCOMPARE(list.Rows().Count(), 999);
            QCOMPARE(DisplayRequests().Count(), 2);
            // Every item found carries the search's stamp once the marks are written; the
            // others keep theirs.
            FinishSearchStamps();
            const QString stamp = StampToDb(ListWindow().SearchStamp).toString();
            QSqlQuery q = ExecSql("SELECT count(*) FROM phonebk WHERE srchts = '" + stamp + "'");
            QVERIFY(q.next());
            QCOMPARE(q.value(0).toInt(), 999);
            return;
        }
        QCOMPARE(allStamps(), stamps);
        QCOMPARE(names(list), listed);
        QCOMPARE(list.Header().Caption, caption);
        QVERIFY(ListWindow().CurrentRequest == shown);
        QCOMPARE(DisplayRequests().Count(), 1);
        QCOMPARE(ListWindow().CurrentId, top);
        QVERIFY(!IsSearchList());

        // Back to a search list runs it again; stopped, the window stays where it was.
        {
            LongSearch search(0);
            list.SearchForText("match");
        }
        cursorTo(list, list.Rows().Row(0).Id);
        list.StepIntoLinks();
        const DisplayRequest links = ListWindow().CurrentRequest;
        const int depth = DisplayRequests().Count();
        {
            LongSearch search(1);
            list.GoBack();
        }
        QVERIFY(ListWindow().CurrentRequest == links);
        QCOMPARE(DisplayRequests().Count(), depth);
    }

    // A search that marks many items does not leave a log of their pages behind: once no
    // reader needs them any more, they are copied into the database in the background, and the
    // next write cuts the log back; every commit is still made with synchronous FULL.
    void largeSearchLeavesASmallLog() {
        TestFolder folder;
        {
            Transaction t;
            for (int i = 0; i < 2000; ++i)
                MakeItem(QStringLiteral("wide %1").arg(i), ItemId(), QString(), QString(3000, 'w'));
            t.Commit();
        }
        // A write of nothing much: the log starts over when all of it is copied.
        const auto logAfterAWrite = [] {
            Exec("UPDATE phonebk SET rprts = IFNULL(rprts, 0) + 1 WHERE id = 1");
            return WriteAheadLogBytes();
        };
        QTRY_VERIFY(logAfterAWrite() <= JournalSizeLimit);
        // Another program reading keeps its view of the file, and the log with it.
        sqlite3* reader = nullptr;
        QCOMPARE(sqlite3_open(DatabasePath().toUtf8().constData(), &reader), SQLITE_OK);
        QCOMPARE(
            sqlite3_exec(reader, "BEGIN; SELECT count(*) FROM phonebk;", nullptr, nullptr, nullptr),
            SQLITE_OK);
        ItemsList list;
        list.SearchForText("wide");
        QCOMPARE(list.Rows().Count(), 2000);
        FinishSearchStamps(); // written in the background, from when the list is shown
        QVERIFY2(logAfterAWrite() > JournalSizeLimit,
                 qPrintable(QString::number(WriteAheadLogBytes())));
        sqlite3_exec(reader, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(reader);
        QTRY_VERIFY2(logAfterAWrite() <= JournalSizeLimit,
                     qPrintable(QString::number(WriteAheadLogBytes())));
        QCOMPARE(Scalar("PRAGMA synchronous").toInt(), 2); // FULL
    }

    // One call puts back all of the list window's state: what is listed, where the window has
    // been, and the last search's stamp, which the next search no longer has to pass.
    void oneResetPutsBackTheWholeWindowState() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const QDateTime frozen(QDate(2024, 6, 1), QTime(9, 0));
        SetClockForTesting([frozen] { return frozen; });
        const ItemId a = MakeItem("A");
        MakeItem("child", a, "r1");
        MakeItem("second", a, "r2");
        ItemsList list;
        list.BuildList();
        cursorTo(list, a);
        list.StepIntoLinks();
        list.RememberNextRow();
        list.SearchForText("child");
        QVERIFY(IsSearchList() && !ListWindow().RestoreId.IsNone() &&
                DisplayRequests().Count() == 2);

        ResetListWindowState();
        QCOMPARE(ListWindow().ListKind, ListOf::TopLevel);
        QCOMPARE(ListWindow().SortOrder, SortBy::Name);
        QCOMPARE(ListWindow().CurrentId, ItemId(0));
        QCOMPARE(ListWindow().ParentId, ItemId(0));
        QVERIFY(ListWindow().ParentName.isEmpty() && ListWindow().CurrentName.isEmpty() &&
                ListWindow().SearchText.isEmpty());
        QVERIFY(!IsSearchList());
        QVERIFY(DisplayRequests().IsEmpty());
        QVERIFY(ListWindow().CurrentRequest == DisplayRequest());
        QCOMPARE(ListWindow().RestoreId, ItemId(0));
        QCOMPARE(NextSearchStamp(), frozen);
        // Back from a fresh state is the top level.
        list.GoBack();
        QCOMPARE(list.Header().Caption, QString("Cardolo : Top-level Items"));
        SetClockForTesting({});
    }
};

QTEST_GUILESS_MAIN(TestItemsList)
#include "TestItemsList.moc"
