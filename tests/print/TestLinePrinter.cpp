#include "print/LinePrinter.h"
#include "print/PageSetup.h"

#include "print/RecordingTarget.h"
#include "support/ScriptedDialogs.h"

#include <QTest>

namespace {
PageSetup Page(double width, double height) {
    PageSetup setup;
    setup.Width = width;
    setup.Height = height;
    return setup;
}
} // namespace

class TestLinePrinter : public QObject {
    Q_OBJECT
private slots:
    void readsPageSetup_data() {
        QTest::addColumn<QStringList>("boxes"); // height, width, left, right, top, bottom
        QTest::addColumn<QString>("error");
        QTest::addColumn<double>("width");
        QTest::newRow("defaults") << QStringList{"297", "210", "10", "10", "10", "10"} << ""
                                  << 210.0;
        QTest::newRow("comma, spaces")
            << QStringList{"210", " 148,5 ", "0", "0", "0", "0"} << "" << 148.5;
        QTest::newRow("letters") << QStringList{"abc", "210", "10", "10", "10", "x"}
                                 << "Page setup: Height \"abc\" is not a number" << 0.0;
        QTest::newRow("empty") << QStringList{"297", "", "10", "10", "10", "10"}
                               << "Page setup: Width \"\" is not a number" << 0.0;
        QTest::newRow("bottom") << QStringList{"297", "210", "10", "10", "10", "1O"}
                                << "Page setup: Bottom margin \"1O\" is not a number" << 0.0;
        QTest::newRow("infinite") << QStringList{"297", "210", "inf", "10", "10", "10"}
                                  << "Page setup: Left margin \"inf\" is not a number" << 0.0;
        QTest::newRow("no width") << QStringList{"297", "0", "10", "10", "10", "10"}
                                  << "Page setup: Width must be more than 0 and at most 10000 mm"
                                  << 0.0;
        QTest::newRow("margin below 0")
            << QStringList{"297", "210", "10", "10", "-1", "10"}
            << "Page setup: Top margin must be from 0 to 10000 mm" << 0.0;
    }
    void readsPageSetup() {
        QFETCH(QStringList, boxes);
        QFETCH(QString, error);
        QFETCH(double, width);
        const PageSetupTexts texts{boxes[0], boxes[1], boxes[2], boxes[3], boxes[4], boxes[5]};
        PageSetup setup = Page(1, 1);
        QString said;
        QCOMPARE(ReadPageSetup(texts, setup, said), error.isEmpty());
        QCOMPARE(said, error);
        QCOMPARE(setup.Width, error.isEmpty() ? width : 1.0); // unchanged when refused
    }

    void millimetresToPixelsTruncate() {
        QCOMPARE(MmToPixels(10, 254), 100);
        QCOMPARE(MmToPixels(10, 300), 118);   // 118.11
        QCOMPARE(MmToPixels(285, 600), 6732); // 6732.28
        QCOMPARE(MmToPixels(2.5, 96), 9);     // 9.45
    }

    // A5 pages neither fit two across nor two down: every page has a sheet and an outline of
    // its own. A page the job ends on without using leaves no outline; one passed over does.
    void a5PagesEachOnAnOutlinedSheet() {
        RecordingTarget sheet;
        LinePrinter printer(sheet);
        QVERIFY(printer.BeginPrint(Page(148, 210)));
        for (const char* text : {"one", "two", "", "four"}) {
            printer.PrintLine(QString::fromLatin1(text));
            printer.NextPrintPage();
        }
        QVERIFY(printer.EndPrint() && sheet.Ended);
        QCOMPARE(sheet.Sheets, 5);
        const auto rects = sheet.Rectangles();
        QCOMPARE(rects.size(), 4);
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(rects[i].Sheet, i + 1);
            QCOMPARE((QList<int>{rects[i].X, rects[i].Y, rects[i].Right, rects[i].Bottom}),
                     (QList<int>{0, 0, sheet.Px(148), sheet.Px(210)}));
        }
        QCOMPARE(sheet.Strings(), (QStringList{"one", "two", "four"}));
        QCOMPARE(sheet.Texts()[2].Sheet, 4);
        QCOMPARE(sheet.Texts()[2].X, sheet.Px(10));
        QCOMPARE(sheet.Texts()[2].Y, sheet.Px(10));
    }

    // 90 x 50 mm pages go two across and five down: ten to a sheet, each outlined, and what
    // is drawn on a page is cut at its edges.
    void smallPagesTileTenToASheet() {
        RecordingTarget sheet;
        LinePrinter printer(sheet);
        QVERIFY(printer.BeginPrint(Page(90, 50)));
        for (int page = 0; page < 11; ++page) {
            printer.PrintLine(QString::number(page));
            printer.NextPrintPage();
        }
        printer.EndPrint();
        const auto rects = sheet.Rectangles();
        const auto texts = sheet.Texts();
        QCOMPARE(rects.size(), 11);
        for (int page = 0; page < 11; ++page) {
            const int x = (page % 2) * sheet.Px(90), y = (page % 10 / 2) * sheet.Px(50);
            QCOMPARE(rects[page].Sheet, 1 + page / 10);
            QCOMPARE(
                (QList<int>{rects[page].X, rects[page].Y, rects[page].Right, rects[page].Bottom}),
                (QList<int>{x, y, x + sheet.Px(90), y + sheet.Px(50)}));
            QCOMPARE(texts[page].Sheet, 1 + page / 10);
            QCOMPARE(texts[page].X, x + sheet.Px(10));
            QCOMPARE(texts[page].Y, y + sheet.Px(10));
            QCOMPARE(texts[page].Clip, (QList<int>{x, y, x + sheet.Px(90), y + sheet.Px(50)}));
        }
    }

    // On A4 a sheet's last line is the last whose bottom stays within 285 mm, though the text
    // area goes down to 287 mm; the next line starts a sheet at the top margin.
    void a4SheetEndsAtTheHeightLimit() {
        RecordingTarget sheet;
        LinePrinter printer(sheet);
        printer.SetPrintFont(PrintFont{QStringLiteral("Arial"), 6, false, false});
        const int line = sheet.LineHeight(6);
        QVERIFY(printer.BeginPrint(PageSetup()));
        for (int i = 0; i < 120; ++i)
            printer.PrintLine(QString::number(i));
        printer.EndPrint();
        const auto texts = sheet.Texts();
        int last = 0;
        while (texts[last + 1].Sheet == 1)
            ++last;
        QVERIFY(texts[last].Y + line <= sheet.Px(285));
        QVERIFY(texts[last].Y + 2 * line > sheet.Px(285));
        QVERIFY(texts[last].Y + 2 * line <= sheet.Px(287)); // the text area had room for it
        QCOMPARE(texts[last + 1].Sheet, 2);
        QCOMPARE(texts[last + 1].Y, sheet.Px(10));
        QCOMPARE(texts[1].Y - texts[0].Y, line);
        QVERIFY(sheet.Rectangles().isEmpty());
    }

    // Only 210 x 297 is a whole sheet. 210 x 296 is tiled, one to a sheet, and not outlined
    // (it is not narrower than A4); one millimetre narrower it is.
    void almostA4IsTiledWithoutOutline_data() {
        QTest::addColumn<double>("width");
        QTest::addColumn<double>("height");
        QTest::addColumn<int>("outlines");
        QTest::newRow("A4") << 210.0 << 297.0 << 0;
        QTest::newRow("210 x 296") << 210.0 << 296.0 << 0;
        QTest::newRow("209 x 296") << 209.0 << 296.0 << 2;
    }
    void almostA4IsTiledWithoutOutline() {
        QFETCH(double, width);
        QFETCH(double, height);
        QFETCH(int, outlines);
        RecordingTarget sheet;
        LinePrinter printer(sheet);
        QVERIFY(printer.BeginPrint(Page(width, height)));
        printer.PrintLine(QStringLiteral("first"));
        printer.NextPrintPage();
        printer.PrintLine(QStringLiteral("second"));
        printer.EndPrint();
        QCOMPARE(sheet.Sheets, 2);
        QCOMPARE(sheet.Texts()[1].Sheet, 2);
        QCOMPARE(sheet.Texts()[1].Y, sheet.Px(10));
        QCOMPARE(sheet.Rectangles().size(), outlines);
    }

    // The second column starts at the same x on every line, after forty "w" of the current
    // font and 20 pixels, however long the first text is; a new font moves it and the lines.
    void secondColumnStartsAtOneX() {
        RecordingTarget sheet;
        LinePrinter printer(sheet);
        QVERIFY(printer.BeginPrint(PageSetup()));
        printer.SetPrintIndent(5);
        const QString wide(60, QLatin1Char('x'));
        printer.PrintLine(QStringLiteral("a"), QStringLiteral("1"));
        printer.PrintLine(wide, QStringLiteral("2"));
        printer.PrintLine(QString(), QStringLiteral("3"));
        printer.SetPrintFont(PrintFont{QStringLiteral("Courier"), 16, false, false});
        printer.PrintLine(QStringLiteral("b"), QStringLiteral("4"));
        printer.PrintLine(QStringLiteral("c"));
        const auto t = sheet.Texts();
        QCOMPARE(sheet.Strings(), (QStringList{"a", "1", wide, "2", "3", "b", "4", "c"}));
        const int left = sheet.Px(5) + sheet.Px(10);
        QCOMPARE(t[0].X, left);
        QCOMPARE(t[1].X, left + int(40 * 8 * 600 / 144) + 20);
        QCOMPARE(t[3].X, t[1].X);
        QCOMPARE(t[4].X, t[1].X);
        QVERIFY(sheet.TextWidth(wide) > t[1].X - left); // the long text runs under column two
        QCOMPARE(t[4].Y - t[3].Y, sheet.LineHeight(8));
        QCOMPARE(t[6].X, left + int(40 * 16 * 600 / 144) + 20);
        QCOMPARE(t[5].Y - t[4].Y, sheet.LineHeight(8));
        QCOMPARE(t[7].Y - t[5].Y, sheet.LineHeight(16));
    }

    // Without a resolution no length converts: the job is dropped with a program error, the
    // program goes on, and nothing is drawn. A target that cannot start says why.
    void jobsThatCannotStartPrintNothing_data() {
        QTest::addColumn<int>("dpiX");
        QTest::addColumn<int>("dpiY");
        QTest::addColumn<bool>("refuse");
        QTest::addColumn<QString>("message");
        QTest::newRow("x") << 0 << 600 << false << "Program error : pxlsperinch.x = 0";
        QTest::newRow("y") << 600 << 0 << false << "Program error : pxlsperinch.y = 0";
        QTest::newRow("both") << 0 << 0 << false << "Program error : pxlsperinch.x = 0";
        QTest::newRow("refused") << 600 << 600 << true << "cannot start";
    }
    void jobsThatCannotStartPrintNothing() {
        QFETCH(int, dpiX);
        QFETCH(int, dpiY);
        QFETCH(bool, refuse);
        QFETCH(QString, message);
        ScriptedDialogs dialogs;
        RecordingTarget sheet;
        sheet.DpiX = dpiX;
        sheet.DpiY = dpiY;
        sheet.Refuse = refuse;
        LinePrinter printer(sheet);
        QVERIFY(!printer.BeginPrint(Page(90, 50)));
        printer.PrintLine(QStringLiteral("x"), QStringLiteral("y"));
        printer.NextPrintPage();
        QVERIFY(!printer.EndPrint());
        QCOMPARE(dialogs.Infos(), QStringList{message});
        QVERIFY(sheet.Drawn.isEmpty());
        QCOMPARE(sheet.Sheets, 1);
        QVERIFY(!sheet.Ended);
        QCOMPARE(sheet.Aborted, !refuse);
    }
};

QTEST_GUILESS_MAIN(TestLinePrinter)
#include "TestLinePrinter.moc"
