#include "print/ListPrinting.h"

#include "common/NameCollator.h"
#include "print/RecordingTarget.h"
#include "support/ItemFixture.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFolder.h"

#include <QTest>

namespace {
PrintableList ListOf(std::initializer_list<ItemId> ids) {
    PrintableList list;
    list.Heading = QStringLiteral("Top");
    for (ItemId id : ids)
        list.Rows.push_back(PrintableRow{id, id});
    return list;
}

// The texts of each sheet, in order.
QList<QStringList> BySheet(const RecordingTarget& target) {
    QList<QStringList> sheets;
    for (const auto& d : target.Texts()) {
        while (sheets.size() < d.Sheet)
            sheets << QStringList();
        sheets[d.Sheet - 1] << d.Text;
    }
    return sheets;
}

RecordingTarget PrintList(const PrintableList& list, PageBreaks breaks) {
    RecordingTarget target;
    LinePrinter printer(target);
    if (printer.BeginPrint(PageSetup())) {
        PrintWholeList(printer, list, breaks);
        printer.EndPrint();
    }
    return target;
}
} // namespace

class TestListPrinting : public QObject {
    Q_OBJECT
private slots:
    void textLines_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("none") << "" << QStringList();
        QTest::newRow("one") << "eggs" << QStringList{"eggs"};
        QTest::newRow("ended") << "eggs\r\nmilk\r\n" << QStringList{"eggs", "milk"};
        QTest::newRow("empty lines") << "a\n\nb\r\r\n" << QStringList{"a", "", "b", ""};
    }
    void textLines() {
        QFETCH(QString, text);
        QFETCH(QStringList, lines);
        QCOMPARE(ItemTextLines(text), lines);
    }

    // Apple and avocado share an initial (compared in lower case); Banana starts a page.
    // After each item: every item on a page of its own, and a break after the last as well.
    void pageBreaksByLetterAndByItem() {
        TestFolder folder;
        const PrintableList list =
            ListOf({MakeItem("Apple"), MakeItem("avocado"), MakeItem("Banana")});
        QCOMPARE(BySheet(PrintList(list, PageBreaks::OnInitialLetter)),
                 (QList<QStringList>{{"Top", "Apple", "avocado"}, {"Banana"}}));
        const RecordingTarget each = PrintList(list, PageBreaks::AfterEachItem);
        QCOMPARE(BySheet(each), (QList<QStringList>{{"Top", "Apple"}, {"avocado"}, {"Banana"}}));
        QCOMPARE(each.Sheets, 4);
        QCOMPARE(BySheet(PrintList(list, PageBreaks::None)),
                 (QList<QStringList>{{"Top", "Apple", "avocado", "Banana"}}));
    }

    // The initial letter goes by the list's order at its first level: case and accents do not
    // part "Äpfel" from "apfel" in German, nor "Éclair" from "eclair"; Swedish, which sorts "Ä"
    // after z as a letter of its own, gives it a page of its own.
    void pageBreaksByLetterAsTheListSorts_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QList<QStringList>>("sheets");
        const QString AUml = QStringLiteral("\u00c4pfel"), EAcute = QStringLiteral("\u00c9clair");
        QTest::newRow("German") << "de_DE" << QStringList{"apfel", AUml, "eclair", EAcute, "Zebra"}
                                << QList<QStringList>{
                                       {"Top", "apfel", AUml}, {"eclair", EAcute}, {"Zebra"}};
        QTest::newRow("Swedish") << "sv_SE" << QStringList{"apfel", "Zebra", AUml}
                                 << QList<QStringList>{{"Top", "apfel"}, {"Zebra"}, {AUml}};
    }
    void pageBreaksByLetterAsTheListSorts() {
        QFETCH(QString, locale);
        QFETCH(QStringList, names);
        QFETCH(QList<QStringList>, sheets);
        SetCollationLocale(locale);
        TestFolder folder;
        PrintableList list = ListOf({});
        for (const QString& name : names)
            list.Rows.push_back(PrintableRow{MakeItem(name), ItemId()});
        QCOMPARE(BySheet(PrintList(list, PageBreaks::OnInitialLetter)), sheets);
    }

    // An item prints its heading (name and Ref in the order the sort gives) in the name's
    // font, its text lines 5 mm in, in the text's font, all at 6 points, then an empty line;
    // an item without text prints its heading and the empty line only.
    void itemHeadingTextAndEmptyLine() {
        TestFolder folder;
        PrintableList list = ListOf({MakeItem("Shopping", ItemId(), "shop", "eggs\r\nmilk\r\n"),
                                     MakeItem("Bare"), MakeItem("Last", ItemId(), "9")});
        list.NameFirst = false;
        list.NameFont = PrintFont{QStringLiteral("Serif"), 8, true, false};
        list.TextFont = PrintFont{QStringLiteral("Mono"), 11, false, true};
        RecordingTarget target = PrintList(list, PageBreaks::None);
        const auto t = target.Texts();
        QCOMPARE(target.Strings(),
                 (QStringList{"Top", "shop", "Shopping", "eggs", "milk", "Bare", "9", "Last"}));
        const int line = target.LineHeight(6), left = target.Px(10);
        QCOMPARE(t[1].X, left);
        QVERIFY(t[2].X > t[1].X);
        QCOMPARE(t[3].X, left + target.Px(5));
        QCOMPARE(t[4].Y - t[1].Y, 2 * line);
        QCOMPARE(t[5].Y - t[4].Y, 2 * line); // milk, the empty line, Bare
        QCOMPARE(t[5].X, t[2].X);            // no Ref: the name stays in the second column
        QCOMPARE(t[6].Y - t[5].Y, 2 * line); // Bare, the empty line, Last
        QCOMPARE(t[1].Font, (PrintFont{QStringLiteral("Serif"), 6, true, false}));
        QCOMPARE(t[3].Font, (PrintFont{QStringLiteral("Mono"), 6, false, true}));
    }

    // A row without an item, or whose item is gone, is reported and skipped: it prints
    // nothing and breaks no page.
    void missingItemsAreReportedAndSkipped() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId gone = MakeItem("Bean");
        PrintableList list = ListOf({MakeItem("Apple"), gone, MakeItem("avocado")});
        list.Rows.insert(list.Rows.begin() + 1, PrintableRow{ItemId(0), ItemId(77)});
        Exec(QStringLiteral("DELETE FROM phonebk WHERE id = ?"), {IdToDb(gone)});
        const RecordingTarget target = PrintList(list, PageBreaks::OnInitialLetter);
        QCOMPARE(dialogs.Infos(),
                 (QStringList{"Item #77 not found",
                              "Item #" + QString::number(gone.Value()) + " not found"}));
        QCOMPARE(BySheet(target), (QList<QStringList>{{"Top", "Apple", "avocado"}}));
    }
};

QTEST_GUILESS_MAIN(TestListPrinting)
#include "TestListPrinting.moc"
