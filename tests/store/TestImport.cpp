#include "common/Folders.h"
#include "common/Settings.h"
#include "store/Conversion.h"
#include "store/Database.h"
#include "store/Import.h"
#include "store/ItemStore.h"
#include "support/ItemFixture.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFolder.h"

#include <QDir>
#include <QFile>
#include <QSqlRecord>
#include <QTest>

namespace {
using Rows = QVector<QVector<QVariant>>;
using T = ImportColumnType;

// A table fed to the import row by row, as a file reader would give it; failAt makes the
// reading of that record (counted from 1) fail.
class RowSource : public ImportSource {
public:
    RowSource(QString file, QVector<ImportColumn> columns, Rows rows, int failAt = 0)
        : file(std::move(file)), columns(std::move(columns)), rows(std::move(rows)),
          failAt(failAt) {}
    QString FileName() const override { return file; }
    QVector<ImportColumn> Columns() const override { return columns; }
    qint64 RecordCount() const override { return rows.size(); }
    bool Next(QVector<QVariant>& values, QString& error) override {
        if (next + 1 == failAt) {
            error = file + QStringLiteral(": record %1 is damaged").arg(failAt);
            return false;
        }
        if (next >= rows.size())
            return false;
        values = rows[next++];
        return true;
    }

private:
    QString file;
    QVector<ImportColumn> columns;
    Rows rows;
    int failAt;
    int next = 0;
};

QStringList Columns(const QString& table) {
    QStringList columns;
    const QSqlRecord record = PhoneDB().record(table);
    for (int i = 0; i < record.count(); ++i)
        columns << record.fieldName(i);
    return columns;
}

QStringList FilesInData() {
    return QDir(DataFolder()).entryList(QDir::Files);
}

const QVariant Null;

// An items table of the layout before 702, its fields in an order and case of its own.
RowSource OldItems(int failAt = 0) {
    return RowSource("PHONEBK.DB",
                     {{"TEL", T::Text, 40},
                      {"Name", T::Text, 40},
                      {"PARENT", T::Integer},
                      {"ID", T::AutoIncrement},
                      {"name2", T::Text, 40},
                      {"Text", T::Memo},
                      {"NumChildren", T::Integer},
                      {"Rprts", T::Integer},
                      {"SrchTs", T::Timestamp},
                      {"RANK", T::Integer}},
                     {{"r1", "Hider", 3, 3, "x", "hidden text", 2, Null, Null, 55},
                      {Null, "Top", 0, 5, Null, Null, 0, 1, Null, 0},
                      {"2024-01-02", "Below", 3, 8, Null, Null, 0, Null, Null, 0}},
                     failAt);
}
} // namespace

// The import of an older version's tables: their columns as the files have them, found by
// name in any order and case, the keys the store relies on, one transaction, and the
// conversion steps running on the result as on the old tables.
class TestImport : public QObject {
    Q_OBJECT
private slots:
    void oldLayoutImportedThenConverted() {
        TestFolder folder(false);
        RowSource items = OldItems();
        RowSource links("mm2.db",
                        {{"DROP", T::Integer},
                         {"LinkNote", T::Text, 40},
                         {"Id2", T::Integer},
                         {"ID1", T::Integer}},
                        {});
        RowSource oldLinks("mm.DB", {{"ID2", T::Integer}, {"id1", T::Integer}},
                           {{5, 3}, {3, 5}, {5, 3}});
        QString error;
        QVERIFY2(ImportTables(DatabasePath(),
                              {{"phonebk", &items}, {"mm2", &links}, {"mm", &oldLinks}}, error),
                 qPrintable(error));
        QCOMPARE(FilesInData(), QStringList({"cardolo.db"}));

        Settings s;
        s.Dbvn = 701;
        QVERIFY(WriteSettingsTo(SettingsPath(), s));
        ReadSettings();
        BindConversionSettings(AppSettings().Dbvn, [] { WriteSettings(); });
        QVERIFY(!OpenPhoneDB(DatabasePath()));
        QCOMPARE(Columns("phonebk"), QStringList({"tel", "name", "parent", "id", "name2", "text",
                                                  "numchildren", "rprts", "srchts", "rank"}));
        QCOMPARE(Columns("mm"), QStringList({"id2", "id1"}));
        QCOMPARE(TextField(ItemId(3), "name") + TextField(ItemId(3), "tel") +
                     TextField(ItemId(3), "text"),
                 QString("Hiderr1hidden text"));

        // Six questions, six steps, as for the old tables.
        ScriptedDialogs dialogs;
        for (int i = 0; i < 6; ++i)
            dialogs.AnswerYes();
        QCOMPARE(RunEarlyConversionSteps(), ConversionResult::Done);
        QVERIFY(CoreStartup());
        QCOMPARE(dialogs.Questions().size(), 6);
        QCOMPARE(ReadSettingsFrom(SettingsPath()).Dbvn, 1100);

        ItemRecord below;
        QVERIFY(LocateItem(ItemId(8), below));
        QCOMPARE(below.Name, QString("Below"));
        QCOMPARE(below.Tel, QString("2024-01-02"));
        QCOMPARE(below.Parent, ItemId(3));
        QCOMPARE(below.Rank, ItemId(3)); // under the self-linked item 3 since step 704
        ItemRecord hider;
        QVERIFY(LocateItem(ItemId(3), hider));
        QCOMPARE(hider.Text, QString("hidden text"));
        QCOMPARE(hider.Rank, ItemId(3));
        QCOMPARE(Field(ItemId(5), "rank"), 0);
        QCOMPARE(Scalar("SELECT group_concat(id1 || '-' || id2 || '-' || \"drop\", ' ') FROM "
                        "(SELECT * FROM mm2 ORDER BY id1, id2, \"drop\")")
                     .toString(),
                 QString("3-5-0 3-5-1 5-3-0"));
        // New items take ids after the imported ones.
        QCOMPARE(CreateItem("new", ""), ItemId(9));
    }

    // Values as the store keeps them: stamps to the millisecond, dates and times as text,
    // logical values as 1 and 0, NULL of any kind as NULL.
    void valuesStoredAsTheStoreReadsThem() {
        TestFolder folder(false);
        const QDateTime stamp(QDate(2001, 2, 3), QTime(4, 5, 6, 789), Qt::UTC);
        RowSource items("PHONEBK.DB",
                        {{"Id", T::AutoIncrement},
                         {"SrchTs", T::Timestamp},
                         {"Day", T::Date},
                         {"Clock", T::Time},
                         {"Flag", T::Logical},
                         {"Amount", T::Real},
                         {"Data", T::Binary},
                         {"Note", T::Memo}},
                        {{1, stamp, QDate(1999, 12, 31), QTime(23, 59, 58, 7), true, 2.5,
                          QByteArray("\x00\x01", 2), QString("line one\r\nline two")},
                         {2, Null, Null, Null, false, Null, Null, Null}});
        QString error;
        QVERIFY2(ImportTables(DatabasePath(), {{"phonebk", &items}}, error), qPrintable(error));
        QVERIFY(!OpenPhoneDB(DatabasePath()));
        // The wall-clock time as written, whatever zone the reader gave it in.
        QCOMPARE(Scalar("SELECT srchts FROM phonebk WHERE id = 1").toString(),
                 QString("2001-02-03 04:05:06.789"));
        QCOMPARE(Scalar("SELECT day || ' ' || clock || ' ' || flag || ' ' || amount FROM phonebk "
                        "WHERE id = 1")
                     .toString(),
                 QString("1999-12-31 23:59:58.007 1 2.5"));
        QCOMPARE(Scalar("SELECT data FROM phonebk WHERE id = 1").toByteArray(),
                 QByteArray("\x00\x01", 2));
        QCOMPARE(Scalar("SELECT typeof(data) FROM phonebk WHERE id = 1").toString(),
                 QString("blob"));
        QCOMPARE(TextField(ItemId(1), "note"), QString("line one\r\nline two"));
        QCOMPARE(Scalar("SELECT flag || (srchts IS NULL) || (day IS NULL) || (data IS NULL) FROM "
                        "phonebk WHERE id = 2")
                     .toString(),
                 QString("0111"));
        // No links-across table came: an empty one of the current layout stands in.
        QCOMPARE(Columns("mm2"), QStringList({"id1", "id2", "linknote", "drop"}));
        Exec("INSERT INTO mm2 (id1, id2, linknote, \"drop\") VALUES (1, 2, '', 0)");
        QSqlQuery dup(PhoneDB());
        QVERIFY(!dup.exec("INSERT INTO mm2 (id1, id2, linknote, \"drop\") VALUES (1, 2, 'x', 0)"));
    }

    // Everything is read in one transaction into a file that takes the database's name only
    // when it is whole: any failure leaves nothing in the data folder.
    void failureLeavesNothing() {
        QFETCH(QString, expected);
        QFETCH(int, itemsFailAt);
        QFETCH(int, oldLinksFailAt);
        QFETCH(bool, duplicateId);
        TestFolder folder(false);
        RowSource items = OldItems(itemsFailAt);
        RowSource dupItems("PHONEBK.DB", {{"Id", T::AutoIncrement}, {"Name", T::Text, 40}},
                           {{1, "a"}, {1, "b"}});
        RowSource links("mm2.db", {{"Id1", T::Integer}, {"Id2", T::Integer}, {"Drop", T::Integer}},
                        {{1, 2, 0}, {2, 1, 0}});
        RowSource oldLinks("mm.DB", {{"Id1", T::Integer}, {"Id2", T::Integer}}, {{1, 2}, {2, 1}},
                           oldLinksFailAt);
        QString error;
        QVERIFY(!ImportTables(
            DatabasePath(),
            {{"phonebk", duplicateId ? &dupItems : &items}, {"mm2", &links}, {"mm", &oldLinks}},
            error));
        QVERIFY2(error.startsWith(expected), qPrintable(error));
        QCOMPARE(FilesInData(), QStringList());
    }
    void failureLeavesNothing_data() {
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("itemsFailAt");
        QTest::addColumn<int>("oldLinksFailAt");
        QTest::addColumn<bool>("duplicateId");
        QTest::newRow("damaged item") << "PHONEBK.DB: record 2 is damaged" << 2 << 0 << false;
        QTest::newRow("damaged last table") << "mm.DB: record 2 is damaged" << 0 << 2 << false;
        QTest::newRow("taken id") << "PHONEBK.DB, record 2: UNIQUE constraint failed" << 0 << 0
                                  << true;
    }

    // Tables the store could not use are refused whole, naming the file and the field.
    void unusableTablesRefused() {
        QFETCH(QVector<ImportColumn>, linkColumns);
        QFETCH(QString, expected);
        TestFolder folder(false);
        RowSource items("PHONEBK.DB", {{"Id", T::AutoIncrement}}, {{1}});
        RowSource links("mm2.db", linkColumns, {});
        QString error;
        QVERIFY(!ImportTables(DatabasePath(), {{"phonebk", &items}, {"mm2", &links}}, error));
        QCOMPARE(error, expected);
        QCOMPARE(FilesInData(), QStringList());
    }
    void unusableTablesRefused_data() {
        QTest::addColumn<QVector<ImportColumn>>("linkColumns");
        QTest::addColumn<QString>("expected");
        QTest::newRow("no Drop") << QVector<ImportColumn>{{"Id1", T::Integer}, {"id2", T::Integer}}
                                 << "mm2.db has no field Drop";
        QTest::newRow("one name twice") << QVector<ImportColumn>{{"Id1", T::Integer},
                                                                 {"Id2", T::Integer},
                                                                 {"Drop", T::Integer},
                                                                 {"ID2", T::Integer}}
                                        << "mm2.db has two fields named ID2";
    }

    // A database that exists is never replaced.
    void existingDatabaseRefused() {
        TestFolder folder;
        const ItemId kept = CreateItem("kept", "");
        ClosePhoneDB();
        RowSource items = OldItems();
        QString error;
        QVERIFY(!ImportTables(DatabasePath(), {{"phonebk", &items}}, error));
        QCOMPARE(error, QDir::toNativeSeparators(DatabasePath()) + " exists already");
        QVERIFY(!OpenPhoneDB(DatabasePath()));
        QCOMPARE(TextField(kept, "name"), QString("kept"));
        QVERIFY(!Columns("phonebk").contains("name2"));
    }

    // Progress comes before the first record, every thousand records and after the last.
    void progressOfLargeTables() {
        TestFolder folder(false);
        Rows rows;
        for (int i = 1; i <= 2500; ++i)
            rows.append(QVector<QVariant>{i});
        RowSource items("PHONEBK.DB", {{"Id", T::AutoIncrement}}, rows);
        QStringList reports;
        QString error;
        QVERIFY(ImportTables(DatabasePath(), {{"phonebk", &items}}, error,
                             [&](const QString& file, qint64 done, qint64 total) {
                                 reports << QString("%1 %2/%3").arg(file).arg(done).arg(total);
                             }));
        QCOMPARE(reports, QStringList({"PHONEBK.DB 0/2500", "PHONEBK.DB 1000/2500",
                                       "PHONEBK.DB 2000/2500", "PHONEBK.DB 2500/2500"}));
    }
};

QTEST_GUILESS_MAIN(TestImport)
#include "TestImport.moc"
