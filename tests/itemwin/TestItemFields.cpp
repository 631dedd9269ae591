#include "store/ItemFields.h"

#include "store/Database.h"
#include "support/TestFolder.h"

#include <QSqlQuery>
#include <QTest>

namespace {
QVariant Field(ItemId id, const QString& field) {
    QSqlQuery q(PhoneDB());
    q.exec(QStringLiteral("SELECT %1 FROM phonebk WHERE id = %2").arg(field).arg(id.Value()));
    return q.next() ? q.value(0) : QVariant();
}

void Sql(const QString& sql) {
    QSqlQuery q(PhoneDB());
    QVERIFY2(q.exec(sql), qPrintable(sql));
}
} // namespace

// The item windows' writes: new items with a given creation time, field edits and the quiet
// removal of a blank item.
class TestItemFields : public QObject {
    Q_OBJECT
private slots:
    void createWithStamp() {
        TestFolder folder;
        const QDateTime begun(QDate(2023, 12, 31), QTime(23, 59, 58, 250));
        const ItemId id = CreateItem(QString(90, 'n'), QString(45, 't'), QString(), begun);
        ItemRecord r;
        QVERIFY(LocateItem(id, r));
        QCOMPARE(r.CreatedTS, begun);
        QCOMPARE(r.Name.size(), 80);
        QCOMPARE(r.Tel.size(), 40);
        QVERIFY(r.TextIsNull);
        QCOMPARE(r.Parent, ItemId(0));
        QCOMPARE(r.Rank, ItemId(0));
        QCOMPARE(r.Numchildren, 0);
        QCOMPARE(r.numcousins, 0);
    }

    void writeFields_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("tel");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("storedName");
        QTest::addColumn<QString>("storedTel");
        QTest::addColumn<bool>("textNull");
        const auto row = [](const char* tag, const QString& name, const QString& tel,
                            const QString& text, const QString& storedName,
                            const QString& storedTel, bool textNull) {
            QTest::newRow(tag) << name << tel << text << storedName << storedTel << textNull;
        };
        row("plain", "New", "r", "a\r\nb", "New", "r", false);
        row("empty text is null", "", "", "", "", "", true);
        row("cut to width", QString(81, 'x'), QString(41, 'y'), "t", QString(80, 'x'),
            QString(40, 'y'), false);
    }
    void writeFields() {
        QFETCH(QString, name);
        QFETCH(QString, tel);
        QFETCH(QString, text);
        QFETCH(QString, storedName);
        QFETCH(QString, storedTel);
        QFETCH(bool, textNull);
        TestFolder folder;
        const ItemId id = CreateItem("Old", "old", "old text");
        Sql(QStringLiteral("UPDATE phonebk SET parent = 1, rank = 7, numchildren = 3 WHERE id = %1")
                .arg(id.Value()));
        const QVariant created = Field(id, "createdts");
        QVERIFY(WriteItemFields(id, name, tel, text));
        ItemRecord r;
        QVERIFY(LocateItem(id, r));
        QCOMPARE(r.Name, storedName);
        QCOMPARE(r.Tel, storedTel);
        QCOMPARE(r.TextIsNull, textNull);
        if (!textNull)
            QCOMPARE(r.Text, text);
        // Nothing but the three fields changes.
        QCOMPARE(r.Parent, ItemId(1));
        QCOMPARE(r.Rank, ItemId(7));
        QCOMPARE(r.Numchildren, 3);
        QCOMPARE(Field(id, "createdts"), created);
        QVERIFY(Field(id, "editts").isNull());
    }

    // Removing a row lowers its parent's count; writes and removals of missing rows fail and
    // touch nothing else.
    void removeRowAndMissingItems() {
        TestFolder folder;
        const ItemId parent = CreateItem("P", "");
        const ItemId child = CreateItem("C", "");
        const ItemId other = CreateItem("D", "");
        Sql(QStringLiteral("UPDATE phonebk SET numchildren = 2 WHERE id = %1").arg(parent.Value()));
        Sql(QStringLiteral("UPDATE phonebk SET parent = %1 WHERE id IN (%2, %3)")
                .arg(parent.Value())
                .arg(child.Value())
                .arg(other.Value()));
        QVERIFY(RemoveItemRow(child));
        QVERIFY(Field(child, "id").isNull());
        QCOMPARE(Field(parent, "numchildren").toInt(), 1);
        QVERIFY(!Field(other, "id").isNull());
        QVERIFY(!RemoveItemRow(child));
        QVERIFY(!WriteItemFields(child, "x", "y", "z"));
        QVERIFY(!WriteItemFields(ItemId(0), "x", "y", "z"));
        QCOMPARE(Field(ItemId(1), "name").toString(), QStringLiteral("Diary"));
        QCOMPARE(Field(other, "name").toString(), QStringLiteral("D"));
    }
};

QTEST_GUILESS_MAIN(TestItemFields)
#include "TestItemFields.moc"
