#include "itemwin/ExportText.h"

#include <QTest>

Q_DECLARE_METATYPE(ExportTable)

namespace {
ExportTable Table(const QVector<ExportTable::Field>& fields, const QVector<QStringList>& records) {
    ExportTable table;
    table.Fields = fields;
    table.Records = records;
    return table;
}
} // namespace

class TestExportText : public QObject {
    Q_OBJECT
private slots:
    void composes_data() {
        QTest::addColumn<ExportTable>("table");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("secondTitle");
        QTest::addColumn<bool>("withTitles");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<int>("count");
        const ExportTable fruit =
            Table({{"Name", true}, {"Ref", true}}, {{"Apple", "12"}, {"Pear", ""}});
        QTest::newRow("column titles")
            << fruit << "Fruit" << QString() << true
            << QStringList{"Fruit", "Name\tRef", "Apple\t12", "Pear\t"} << 26;
        QTest::newRow("empty title") << fruit << QString() << QString() << false
                                     << QStringList{"\t", "Apple\t12", "Pear\t"} << 14;
        // The second title is shown but not counted.
        QTest::newRow("second title")
            << fruit << "Fruit"
            << "2 items" << false << QStringList{"Fruit", "2 items", "\t", "Apple\t12", "Pear\t"}
            << 19;
        // Hidden fields leave no column and no TAB, first or last.
        QTest::newRow("hidden fields")
            << Table({{"Id", false}, {"Name", true}, {"Ref", true}, {"X", false}},
                     {{"7", "Apple", "12", "x"}})
            << "T" << QString() << true << QStringList{"T", "Name\tRef", "Apple\t12"} << 17;
        // One field without titles: the header is an empty line of its own. Values are neither
        // quoted nor escaped.
        QTest::newRow("one field, values as they are")
            << Table({{"Name", true}}, {{"a\tb \"c\""}, {"x\r\ny"}}) << "T" << QString() << false
            << QStringList{"T", "", "a\tb \"c\"", "x\r\ny"} << 1 + 0 + 7 + 4;
    }
    void composes() {
        QFETCH(ExportTable, table);
        QFETCH(QString, title);
        QFETCH(QString, secondTitle);
        QFETCH(bool, withTitles);
        QFETCH(QStringList, lines);
        QFETCH(int, count);
        const ExportText text = ComposeExport(table, title, secondTitle, withTitles);
        QCOMPARE(text.Lines, lines);
        QCOMPARE(text.Count, count);
        // The same table giving its records one at a time.
        ExportTable given;
        given.Fields = table.Fields;
        given.RecordCount = int(table.Records.size());
        int asked = 0;
        given.RecordAt = [&](int i) {
            ++asked;
            return table.Records.at(i);
        };
        const ExportText streamed = ComposeExport(given, title, secondTitle, withTitles);
        QCOMPARE(streamed.Lines, lines);
        QCOMPARE(streamed.Count, count);
        QCOMPARE(asked, int(table.Records.size()));
    }
};

QTEST_GUILESS_MAIN(TestExportText)
#include "TestExportText.moc"
