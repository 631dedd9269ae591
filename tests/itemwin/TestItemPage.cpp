#include "itemwin/ItemPage.h"

#include <QTest>

// The item page: how an item becomes a page of lines and how a page is saved back.
class TestItemPage : public QObject {
    Q_OBJECT
private slots:
    void storedTextLines_data() {
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
    void storedTextLines() {
        QFETCH(QString, text);
        QFETCH(QStringList, lines);
        QCOMPARE(StoredTextLines(text), lines);
    }

    // The page built from an item, and what saving that page unchanged writes back.
    void buildPage_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("page");
        QTest::addColumn<QString>("savedName");
        QTest::addColumn<QString>("savedText");
        const auto row = [](const char* tag, const QString& name, const QString& text,
                            const QStringList& page, const QString& savedName,
                            const QString& savedText) {
            QTest::newRow(tag) << name << text << page << savedName << savedText;
        };
        const QStringList shopping{"Shopping", "", "eggs", "milk"};
        row("shopping", "Shopping", "eggs\r\nmilk\r\n", shopping, "Shopping", "eggs\r\nmilk\r\n");
        row("text without final break gains one", "Shopping", "eggs\r\nmilk", shopping, "Shopping",
            "eggs\r\nmilk\r\n");
        row("no name: text alone, first line becomes the name", "", "eggs\r\nmilk\r\n",
            {"eggs", "milk"}, "eggs", "milk\r\n");
        row("name without text", "Shopping", "", {"Shopping", ""}, "Shopping", "");
        row("nothing", "", "", {}, "", "");
    }
    void buildPage() {
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(QStringList, page);
        QFETCH(QString, savedName);
        QFETCH(QString, savedText);
        QCOMPARE(BuildItemPage(name, text), page);
        const PageFields fields = ParseItemPage(page);
        QCOMPARE(fields.Name, savedName);
        QCOMPARE(fields.Text, savedText);
    }

    void parsePage_data() {
        QTest::addColumn<QStringList>("page");
        QTest::addColumn<bool>("empty");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        const auto row = [](const char* tag, const QStringList& page, bool empty,
                            const QString& name, const QString& text) {
            QTest::newRow(tag) << page << empty << name << text;
        };
        row("trailing empty lines dropped", {"Shopping", "", "eggs", "", ""}, false, "Shopping",
            "eggs\r\n");
        row("second empty line under name kept", {"Shopping", "", "", "eggs"}, false, "Shopping",
            "\r\neggs\r\n");
        row("text right under name", {"Shopping", "eggs"}, false, "Shopping", "eggs\r\n");
        row("empty first line", {"", "eggs"}, false, "", "eggs\r\n");
        row("blanks are not empty", {"  "}, false, "  ", "");
        row("no lines", {}, true, "", "");
        row("only empty lines", {"", "", ""}, true, "", "");
        row("long first line uncut", {QString(100, 'x')}, false, QString(100, 'x'), "");
    }
    void parsePage() {
        QFETCH(QStringList, page);
        QFETCH(bool, empty);
        QFETCH(QString, name);
        QFETCH(QString, text);
        const PageFields fields = ParseItemPage(page);
        QCOMPARE(fields.Empty, empty);
        QCOMPARE(fields.Name, name);
        QCOMPARE(fields.Text, text);
    }
};

QTEST_GUILESS_MAIN(TestItemPage)
#include "TestItemPage.moc"
