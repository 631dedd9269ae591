#include "itemwin/PageSizing.h"

#include <QTest>

// The text window's sizing rules, measured with a font where every character other than a TAB
// is 7 pixels wide.
namespace {
int FakeWidth(const QString& line) {
    return 7 * int(line.size() - line.count(QLatin1Char('\t')));
}
constexpr int TabWidth = 7 * 7;
} // namespace

class TestPageSizing : public QObject {
    Q_OBJECT
private slots:
    void width_data() {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<int>("maxWidth");
        QTest::addColumn<int>("width");
        QTest::addColumn<bool>("wrap");
        QTest::newRow("narrow lines still 300")
            << QStringList{"eggs", "milk"} << 600 << 300 << false;
        QTest::newRow("no lines still 300") << QStringList() << 600 << 300 << false;
        QTest::newRow("widest line wins")
            << QStringList{QString(50, 'x'), QString(60, 'x'), "a"} << 600 << 420 << false;
        // 40 characters and two TABs: 280 + 2 x 49.
        QTest::newRow("two tabs") << QStringList{QString(20, 'x') + "\t" + QString(20, 'y') + "\t"}
                                  << 600 << 378 << false;
        QTest::newRow("past the maximum wraps")
            << QStringList{QString(100, 'x')} << 600 << 600 << true;
        QTest::newRow("exactly the maximum")
            << QStringList{QString(100, 'x')} << 700 << 700 << false;
    }
    void width() {
        QFETCH(QStringList, lines);
        QFETCH(int, maxWidth);
        QFETCH(int, width);
        QFETCH(bool, wrap);
        const PageWidth result = MeasurePageWidth(lines, FakeWidth, TabWidth, maxWidth);
        QCOMPARE(result.Width, width);
        QCOMPARE(result.WordWrap, wrap);
    }

    void widthStopsAtFirstLineTooWide() {
        int measured = 0;
        const auto counting = [&](const QString& s) {
            ++measured;
            return FakeWidth(s);
        };
        const PageWidth result = MeasurePageWidth(
            {"short", QString(200, 'x'), QString(300, 'y'), "tail"}, counting, TabWidth, 500);
        QCOMPARE(measured, 2);
        QCOMPARE(result.LinesMeasured, 2);
        QCOMPARE(result.Width, 500);
        QVERIFY(result.WordWrap);
    }

    void height_data() {
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("maxHeight");
        QTest::addColumn<int>("height");
        QTest::addColumn<bool>("scroll");
        QTest::newRow("four lines") << 4 << 450 << 16 * 6 + 24 << false;
        QTest::newRow("empty page") << 0 << 450 << 16 * 2 + 24 << false;
        QTest::newRow("too many lines") << 100 << 450 << 450 << true;
        QTest::newRow("just fits") << 23 << 16 * 25 + 24 << 16 * 25 + 24 << false;
    }
    void height() {
        QFETCH(int, lines);
        QFETCH(int, maxHeight);
        QFETCH(int, height);
        QFETCH(bool, scroll);
        const PageHeight result = MeasurePageHeight(lines, 16, maxHeight);
        QCOMPARE(result.ClientHeight, height);
        QCOMPARE(result.ScrollBar, scroll);
    }

    void clientWidthAndScrollBarNeed() {
        QCOMPARE(PageClientWidth(300, 8, 16, false), 300 + 8 + 24);
        QCOMPARE(PageClientWidth(300, 8, 16, true), 300 + 8 + 16 + 24);
        QCOMPARE(PageClientWidth(300, -5, 16, false), 300 + 24);
        QVERIFY(!PageNeedsScrollBar(160, 10, 16));
        QVERIFY(PageNeedsScrollBar(159, 10, 16));
        QVERIFY(!PageNeedsScrollBar(100, 0, 16));
    }
};

QTEST_GUILESS_MAIN(TestPageSizing)
#include "TestPageSizing.moc"
