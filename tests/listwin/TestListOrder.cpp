#include "support/ItemFixture.h"

#include "common/NameCollator.h"
#include "listwin/ItemsList.h"
#include "store/SortKeys.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFolder.h"

#include <QTest>

#include <functional>

namespace {
QStringList names(const ItemsList& list) {
    QStringList out;
    for (int i = 0; i < list.Rows().Count(); ++i)
        out << list.Rows().Row(i).Name;
    return out;
}

// What the grid shows in the name column, link notes and all.
QStringList shownNames(const ItemsList& list) {
    QStringList out;
    for (int i = 0; i < list.Rows().Count(); ++i)
        out << list.CellText(i, ListField::dpname);
    return out;
}

// The name of the row the jump box puts the cursor on for each typed text, from the last row.
QStringList jumps(ItemsList& list, const QStringList& typed) {
    QStringList reached;
    for (const QString& text : typed) {
        list.Rows().Last();
        list.JumpTo(text);
        reached << list.CellText(list.Rows().Cursor(), ListField::dpname);
    }
    return reached;
}

// Runs check on a list ordered by the stored keys, then on the same list sorted in memory, as
// while the keys are being made: both must show the same.
void inBothOrders(ItemsList& list, const std::function<void()>& build,
                  const std::function<void(const char*)>& check) {
    QVERIFY(SortKeysReady());
    build();
    QVERIFY(list.QueryText().contains("phonebk_sortkey"));
    check("stored keys");
    RequestSortKeysRebuild();
    build();
    QVERIFY(!list.QueryText().contains("phonebk_sortkey"));
    check("sorted here");
}

const QString AUml = QStringLiteral("\u00c4pfel"), aUml = QStringLiteral("\u00e4pfel");
const QString EAcute = QStringLiteral("\u00c9clair"), eAcute = QStringLiteral("\u00e9clair");
const QString OUml = QStringLiteral("\u00d6lfass");
const QString ZhukUpper = QStringLiteral("\u0416\u0423\u041a");
const QString ZhukLower = QStringLiteral("\u0436\u0443\u043a");
} // namespace

// The order lists are shown in and the jump box's agreement with it, for names of every kind,
// in the user's language: whether read in the stored keys' order or sorted in memory.
class TestListOrder : public QObject {
    Q_OBJECT
private slots:
    void namesAndJumps_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<QStringList>("reached");
        // German and English share the order common to most languages; Swedish puts its own
        // letters after z.
        const QStringList common{"",      "10 Downing", "9 Elms", "apfel", aUml,      AUml,
                                 "Diary", "eclair",     eAcute,   EAcute,  OUml,      "Twin",
                                 "Twin",  "zebra",      "Zebra",  "Zhuk",  ZhukLower, ZhukUpper};
        const QStringList typed{"",
                                "1",
                                "9",
                                QStringLiteral("\u00e4"),
                                "APF",
                                "\u00c9",
                                "ecl",
                                eAcute,
                                "tw",
                                "zh",
                                "zz",
                                QStringLiteral("\u0416"),
                                QStringLiteral("\u044f")};
        const QStringList reached{"",        "10 Downing", "9 Elms", "apfel", "apfel",
                                  "eclair",  "eclair",     eAcute,   "Twin",  "Zhuk",
                                  ZhukLower, ZhukLower,    ZhukUpper};
        QTest::newRow("German") << "de_DE" << common << typed << reached;
        QTest::newRow("English") << "en_GB" << common << typed << reached;
        QTest::newRow("Swedish") << "sv_SE"
                                 << QStringList{"",       "10 Downing", "9 Elms", "apfel", "Diary",
                                                "eclair", eAcute,       EAcute,   "Twin",  "Twin",
                                                "zebra",  "Zebra",      "Zhuk",   aUml,    AUml,
                                                OUml,     ZhukLower,    ZhukUpper}
                                 << QStringList{QStringLiteral("\u00e4"), "a", "zz",
                                                QStringLiteral("\u00f6")}
                                 << QStringList{aUml, "apfel", aUml, OUml};
    }
    void namesAndJumps() {
        QFETCH(QString, locale);
        QFETCH(QStringList, expected);
        QFETCH(QStringList, typed);
        QFETCH(QStringList, reached);
        SetCollationLocale(locale);
        TestFolder folder;
        ScriptedDialogs dialogs;
        QList<ItemId> twins;
        for (const QString& name :
             {QString("zebra"), QString("Twin"), aUml, EAcute, QString("10 Downing"), ZhukUpper,
              QString("Zebra"), QString(""), eAcute, QString("9 Elms"), AUml, QString("eclair"),
              ZhukLower, OUml, QString("Twin"), QString("apfel"), QString("Zhuk")}) {
            const ItemId id = MakeItem(name);
            if (name == "Twin")
                twins << id;
        }
        ItemsList list;
        inBothOrders(
            list, [&] { list.BuildList(); },
            [&](const char* how) {
                QVERIFY2(names(list) == expected, how);
                QVERIFY2(jumps(list, typed) == reached, how);
                // Equal names follow their ids.
                QList<ItemId> twinRows;
                for (int i = 0; i < list.Rows().Count(); ++i)
                    if (list.Rows().Row(i).Name == "Twin")
                        twinRows << list.Rows().Row(i).Id;
                QVERIFY2(twinRows == twins, how);
            });
    }

    // Sorted by Ref: the Refs in their stored order, those without one (null, or empty as an
    // older version stored them) first and together, and the names within a Ref in the
    // language's order. The jump box compares its text with the Refs; a text that begins with
    // a whole Ref goes on to the names under it.
    void refOrderAndJumps() {
        SetCollationLocale("de_DE");
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId p = MakeItem("P");
        MakeItem("Zebra", p, "R1");
        MakeItem("cat", p, "r0");
        MakeItem(EAcute, p, "R1");
        MakeItem("bob", p, "R2");
        MakeItem("apfel", p, "R1");
        MakeItem("ann", p);
        const ItemId older = MakeItem(AUml, p);
        SetField(older, "tel", "");
        ItemsList list;
        ListWindow().ListKind = ListOf::LinksDown;
        inBothOrders(
            list,
            [&] {
                ListWindow().SortOrder = SortBy::Ref;
                list.ShowLinks(p, "P");
            },
            [&](const char* how) {
                QVERIFY2(names(list) ==
                             (QStringList{"ann", AUml, "apfel", EAcute, "Zebra", "bob", "cat"}),
                         how);
                QVERIFY2(jumps(list, {"", "R", "R1", "R1e", "R1z", "R1zz", "R3", "s"}) ==
                             (QStringList{"ann", "apfel", "apfel", EAcute, "Zebra", "bob", "cat",
                                          "cat"}),
                         how);
            });
    }

    // Links across with a note each: by note, then by name; a link to an item that no longer
    // exists comes first. With some links noted and some not: by name, then by note.
    void linksAcrossOrders() {
        SetCollationLocale("en_GB");
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId p = MakeItem("P");
        LinkAcrossRows(p, MakeItem("Zebra"), "a note");
        LinkAcrossRows(p, MakeItem("apfel"), "b note");
        LinkAcrossRows(p, MakeItem(EAcute), "a note");
        LinkAcrossRows(p, MakeItem("eclair"), "a note");
        const ItemId gone = MakeItem("gone");
        LinkAcrossRows(p, gone, "b note");
        Exec("DELETE FROM phonebk WHERE id = ?", {IdToDb(gone)});
        ItemsList list;
        ListWindow().ListKind = ListOf::LinksAcross;
        inBothOrders(
            list, [&] { list.ShowLinks(p, "P"); },
            [&](const char* how) {
                QVERIFY2(ListWindow().LnoteBefore, how);
                QVERIFY2(
                    shownNames(list) ==
                        (QStringList{"[ a note ]  eclair", "[ a note ]  " + EAcute,
                                     "[ a note ]  Zebra", "[ b note ]  ", "[ b note ]  apfel"}),
                    how);
                QVERIFY2(jumps(list, {"a", "a notez", "b", "c"}) ==
                             (QStringList{"[ a note ]  eclair", "[ a note ]  Zebra", "[ b note ]  ",
                                          "[ b note ]  apfel"}),
                         how);
            });
        BuildSortKeysNow();
        LinkAcrossRows(p, MakeItem("apfel"));
        inBothOrders(
            list, [&] { list.ShowLinks(p, "P"); },
            [&](const char* how) {
                QVERIFY2(!ListWindow().LnoteBefore, how);
                QVERIFY2(shownNames(list) ==
                             (QStringList{"  [ b note ]", "apfel", "apfel  [ b note ]",
                                          "eclair  [ a note ]", EAcute + "  [ a note ]",
                                          "Zebra  [ a note ]"}),
                         how);
                QVERIFY2(jumps(list, {"", "E"}) ==
                             (QStringList{"  [ b note ]", "eclair  [ a note ]"}),
                         how);
            });
    }
};

QTEST_GUILESS_MAIN(TestListOrder)
#include "TestListOrder.moc"
