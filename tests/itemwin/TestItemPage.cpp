#include "itemwin/ItemPage.h"

#include <QTest>

// The item page: how an item becomes a page of lines and how a page is saved back.
class TestItemPage : public QObject {
    Q_OBJECT
private slots:
    void storedTextLines_data();
    void storedTextLines();
    void buildPage_data();
    void buildPage();
    void parsePage_data();
    void parsePage();
    void roundTrip_data();
    void roundTrip();
};

void TestItemPage::storedTextLines_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("empty") << QString() << QStringList();
    QTest::newRow("crlf ended") << "eggs\r\nmilk\r\n" << QStringList{"eggs", "milk"};
    QTest::newRow("no final break") << "eggs\r\nmilk" << QStringList{"eggs", "milk"};
    QTest::newRow("lone lf and cr") << "a\nb\rc" << QStringList{"a", "b", "c"};
    QTest::newRow("empty line kept") << "a\r\n\r\nb\r\n" << QStringList{"a", "", "b"};
    QTest::newRow("trailing empty line") << "a\r\n\r\n" << QStringList{"a", ""};
    QTest::newRow("only a break") << "\r\n" << QStringList{""};
}

void TestItemPage::storedTextLines() {
    QFETCH(QString, text);
    QFETCH(QStringList, lines);
    QCOMPARE(StoredTextLines(text), lines);
}

void TestItemPage::buildPage_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("page");
    QTest::newRow("shopping") << "Shopping"
                              << "eggs\r\nmilk\r\n"
                              << QStringList{"Shopping", "", "eggs", "milk"};
    QTest::newRow("no name: text alone") << ""
                                         << "eggs\r\nmilk\r\n"
                                         << QStringList{"eggs", "milk"};
    QTest::newRow("name without text") << "Shopping"
                                       << "" << QStringList{"Shopping", ""};
    QTest::newRow("nothing") << ""
                             << "" << QStringList();
}

void TestItemPage::buildPage() {
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QStringList, page);
    QCOMPARE(BuildItemPage(name, text), page);
}

void TestItemPage::parsePage_data() {
    QTest::addColumn<QStringList>("page");
    QTest::addColumn<bool>("empty");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::newRow("shopping") << QStringList{"Shopping", "", "eggs", "milk"} << false << "Shopping"
                              << "eggs\r\nmilk\r\n";
    QTest::newRow("trailing empty lines dropped")
        << QStringList{"Shopping", "", "eggs", "", ""} << false << "Shopping"
        << "eggs\r\n";
    QTest::newRow("second empty line under name kept")
        << QStringList{"Shopping", "", "", "eggs"} << false << "Shopping"
        << "\r\neggs\r\n";
    QTest::newRow("name only") << QStringList{"Shopping", ""} << false << "Shopping"
                               << "";
    QTest::newRow("text right under name") << QStringList{"Shopping", "eggs"} << false << "Shopping"
                                           << "eggs\r\n";
    QTest::newRow("empty first line") << QStringList{"", "eggs"} << false << ""
                                      << "eggs\r\n";
    QTest::newRow("blanks are not empty") << QStringList{"  "} << false << "  "
                                          << "";
    QTest::newRow("no lines") << QStringList() << true << ""
                              << "";
    QTest::newRow("only empty lines") << QStringList{"", "", ""} << true << ""
                                      << "";
    QTest::newRow("long first line uncut")
        << QStringList{QString(100, 'x')} << false << QString(100, 'x') << "";
}

void TestItemPage::parsePage() {
    QFETCH(QStringList, page);
    QFETCH(bool, empty);
    QFETCH(QString, name);
    QFETCH(QString, text);
    const PageFields fields = ParseItemPage(page);
    QCOMPARE(fields.Empty, empty);
    QCOMPARE(fields.Name, name);
    QCOMPARE(fields.Text, text);
}

void TestItemPage::roundTrip_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("savedName");
    QTest::addColumn<QString>("savedText");
    QTest::newRow("shopping") << "Shopping"
                              << "eggs\r\nmilk\r\n"
                              << "Shopping"
                              << "eggs\r\nmilk\r\n";
    QTest::newRow("text without final break gains one") << "Shopping"
                                                        << "eggs\r\nmilk"
                                                        << "Shopping"
                                                        << "eggs\r\nmilk\r\n";
    QTest::newRow("no name: first text line becomes the name") << ""
                                                               << "eggs\r\nmilk\r\n"
                                                               << "eggs"
                                                               << "milk\r\n";
}

void TestItemPage::roundTrip() {
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QString, savedName);
    QFETCH(QString, savedText);
    const PageFields fields = ParseItemPage(BuildItemPage(name, text));
    QCOMPARE(fields.Name, savedName);
    QCOMPARE(fields.Text, savedText);
}

QTEST_GUILESS_MAIN(TestItemPage)
#include "TestItemPage.moc"
