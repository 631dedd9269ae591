#include "support/ItemFixture.h"

#include "common/Folders.h"
#include "store/HealthCheck.h"
#include "store/JsonLines.h"
#include "support/TestFolder.h"

#include <QDir>
#include <QFile>
#include <QSqlRecord>
#include <QTest>

namespace {
QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

// Every row of both tables, as the engine holds them (type and value of each column).
QStringList Rows() {
    QStringList rows;
    for (const char* sql :
         {"SELECT id, typeof(name), name, typeof(tel), tel, typeof(text), hex(text), parent, rank, "
          "numchildren, numcousins, rprts, srchts, createdts, editts FROM phonebk ORDER BY id",
          "SELECT id1, id2, \"drop\", typeof(linknote), linknote FROM mm2 ORDER BY 1, 2, 3"}) {
        QSqlQuery q(PhoneDB());
        q.exec(QString::fromLatin1(sql));
        while (q.next()) {
            QStringList fields;
            for (int i = 0; i < q.record().count(); ++i)
                fields << (q.value(i).isNull() ? QStringLiteral("<null>") : q.value(i).toString());
            rows << fields.join('|');
        }
    }
    return rows;
}

JsonExportHeader Header() {
    JsonExportHeader h;
    h.Program = QStringLiteral("12.0");
    h.DiaryId = ItemId(1);
    h.ArchiveId = ItemId(8);
    return h;
}
} // namespace

// Every item and link to JSON Lines and back: a second export of the restored database is the
// same file byte for byte, the restored database has the same rows and passes the checks of
// its counts, and a file that is damaged or was edited by hand is refused with its line and
// reason, leaving no database.
class TestJsonLines : public QObject {
    Q_OBJECT

    // A database with every kind of value the items and links can hold.
    void fillEveryKind() {
        const QString acute = QStringLiteral("e\u0301");
        const ItemId a =
            MakeItem(QStringLiteral("Caf") + acute + QStringLiteral(" \U0001F600"), ItemId(),
                     "ref \u00e9", "crlf\r\nlf\ncr\rtab\t\"quoted\" \\ end\r\n");
        const ItemId b = MakeItem("B");
        const ItemId c = MakeItem("child of B", b);
        SetField(b, "numchildren", 1);
        // An empty string and a text of control characters, stored as they are.
        Exec("INSERT INTO phonebk (name, tel, text, parent, rank, numchildren, numcousins, "
             "createdts, editts, srchts, rprts) VALUES ('', '', char(1, 31, 127), 0, 0, 0, 0, "
             "'2024-02-29 23:59:59.999', 'not a stamp', '2024-01-01T00:00:00.000', 3)");
        // A hidden branch: a hider (its own parent) and an item below it that it hides.
        const ItemId hider = MakeItem("hider");
        const ItemId hidden = MakeItem("hidden", hider);
        MakeHider(hider, {hidden});
        SetField(hider, "numchildren", 2);
        // The archive (id 8, as the header says) with an archived item.
        const ItemId archive = MakeItem("Archive");
        QCOMPARE(archive, ItemId(8));
        MakeItem("archived", archive);
        SetField(archive, "numchildren", 1);
        // Links: a pair linked twice with and without notes, and a self row.
        LinkAcrossRows(a, b, "met at the fair", 0);
        LinkAcrossRows(a, b, QString(), 1);
        Exec("INSERT INTO mm2 (id1, id2, linknote, \"drop\") VALUES (?, ?, 'self', 0)",
             {IdToDb(c), IdToDb(c)});
        SetField(a, "numcousins", 2);
        SetField(b, "numcousins", 2);
        SetField(c, "numcousins", 1);
    }

private slots:
    void roundTripIsByteIdentical() {
        TestFolder folder;
        fillEveryKind();
        const QStringList rows = Rows();
        const QString first = folder.Path() + "first.jsonl";
        QString error;
        QVERIFY2(ExportJsonLines(DatabasePath(), first, Header(), error), qPrintable(error));
        ClosePhoneDB();

        const QString restoredDb = folder.Path() + "restored.db";
        JsonRestored restored;
        QVERIFY2(RestoreJsonLines(first, restoredDb, restored, error), qPrintable(error));
        QCOMPARE(restored.DiaryId, ItemId(1));
        QCOMPARE(restored.ArchiveId, ItemId(8));
        QCOMPARE(restored.Items, qint64(rows.size() - 5));
        QCOMPARE(restored.Links, qint64(5));
        QVERIFY(!QFile::exists(restoredDb + ".restore"));

        const QString second = folder.Path() + "second.jsonl";
        QVERIFY2(ExportJsonLines(restoredDb, second, Header(), error), qPrintable(error));
        QCOMPARE(ReadAll(second), ReadAll(first));
        QVERIFY(ReadAll(first).contains("\"createdts\":\"2024-02-29T23:59:59.999\""));
        QVERIFY(ReadAll(first).contains("\"editts\":{\"text\":\"not a stamp\"}"));
        QVERIFY(ReadAll(first).contains("\"srchts\":{\"text\":\"2024-01-01T00:00:00.000\"}"));

        OpenPhoneDB(restoredDb);
        QCOMPARE(Rows(), rows);
        QVERIFY(WrongChildCounts().empty());
        QVERIFY(WrongLinkCounts().empty());
        QVERIFY(UnmirroredLinks().empty());
    }

    // A file edited by hand or cut short: refused with the line and the reason, nothing made.
    void refusedFiles_data() {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("error");
        QTest::newRow("wrong version") << "\"version\":1"
                                       << "\"version\":2"
                                       << "Line 1: version 2 of the format";
        QTest::newRow("not an export") << "cardolo-export"
                                       << "other"
                                       << "Line 1: not a Cardolo";
        QTest::newRow("missing parent") << "\"name\":\"child of B\",\"ref\":null,\"text\":null,"
                                           "\"parent\":3"
                                        << "\"name\":\"child of B\",\"ref\":null,\"text\":null,"
                                           "\"parent\":99"
                                        << "the parent 99 of item 4 is not among the items";
        QTest::newRow("duplicate id") << "{\"type\":\"item\",\"id\":4,"
                                      << "{\"type\":\"item\",\"id\":3,"
                                      << "the id 3 is already that of line 4";
        QTest::newRow("truncated last line") << "\"note\":\"self\"}\n"
                                             << "\"note\":\"se"
                                             << "the line is cut off";
        QTest::newRow("count that disagrees") << "\"name\":\"B\",\"ref\":null,\"text\":null,"
                                                 "\"parent\":0,\"rank\":0,\"numchildren\":1"
                                              << "\"name\":\"B\",\"ref\":null,\"text\":null,"
                                                 "\"parent\":0,\"rank\":0,\"numchildren\":5"
                                              << "item 3 counts 5 items below it";
        QTest::newRow("a line left out") << "{\"type\":\"link\",\"id1\":2,\"id2\":3,\"drop\":0,"
                                            "\"note\":\"met at the fair\"}\n"
                                         << ""
                                         << "the file ends after 9 items and 4 links; its first "
                                            "line says 9 and 5";
        QTest::newRow("link without its mirror") << "\"id1\":2,\"id2\":3,\"drop\":0"
                                                 << "\"id1\":2,\"id2\":3,\"drop\":5"
                                                 << "the link 2-3 (drop 5) has no mirror 3-2";
        QTest::newRow("unknown key") << "\"rprts\":null"
                                     << "\"rprts\":null,\"colour\":\"red\""
                                     << "keys that are no column";
        QTest::newRow("item after the links") << "\"note\":\"self\"}\n"
                                              << "\"note\":\"self\"}\n{\"type\":\"item\"}\n"
                                              << "Line 16: an item after the links";
        QTest::newRow("neither item nor link") << "{\"type\":\"item\",\"id\":9,"
                                               << "{\"type\":\"note\",\"id\":9,"
                                               << "Line 10: neither an item nor a link";
        QTest::newRow("id of no item") << "{\"type\":\"item\",\"id\":9,"
                                       << "{\"type\":\"item\",\"id\":0,"
                                       << "Line 10: the id 0 is no item's";
        QTest::newRow("null id") << "{\"type\":\"item\",\"id\":9,"
                                 << "{\"type\":\"item\",\"id\":null,"
                                 << "Line 10: \"id\" is null";
        QTest::newRow("fraction") << "\"rank\":6,\"numchildren\":2"
                                  << "\"rank\":6.5,\"numchildren\":2"
                                  << "Line 7: \"rank\" is not a whole number";
        QTest::newRow("duplicate link") << "\"id1\":2,\"id2\":3,\"drop\":1"
                                        << "\"id1\":2,\"id2\":3,\"drop\":0"
                                        << "Line 12: the link 2-3 (drop 0) is already on line 11";
        QTest::newRow("null parent") << "\"name\":\"archived\",\"ref\":null,\"text\":null,"
                                        "\"parent\":8"
                                     << "\"name\":\"archived\",\"ref\":null,\"text\":null,"
                                        "\"parent\":null"
                                     << "Line 10: the item 9 has no parent, not even 0";
        QTest::newRow("link to no item") << "\"id1\":4,\"id2\":4"
                                         << "\"id1\":4,\"id2\":44"
                                         << "Line 15: the link's item 44 is not among the items";
        QTest::newRow("not JSON") << "{\"type\":\"item\",\"id\":5,"
                                  << "{\"type\":\"item\",\"id\":5"
                                  << "not JSON";
    }
    void refusedFiles() {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QString, error);
        TestFolder folder;
        fillEveryKind();
        const QString file = folder.Path() + "export.jsonl";
        QString why;
        QVERIFY2(ExportJsonLines(DatabasePath(), file, Header(), why), qPrintable(why));
        ClosePhoneDB();
        QByteArray bytes = ReadAll(file);
        QVERIFY2(bytes.contains(from.toUtf8()), qPrintable(from));
        bytes.replace(from.toUtf8(), to.toUtf8());
        WriteAll(file, bytes);
        const QString target = folder.Path() + "restored.db";
        JsonRestored restored;
        QVERIFY(!RestoreJsonLines(file, target, restored, why));
        QVERIFY2(why.startsWith("Line ") && why.contains(error), qPrintable(why));
        QVERIFY(!QFile::exists(target));
        QVERIFY(!QFile::exists(target + ".restore"));
    }
};

QTEST_GUILESS_MAIN(TestJsonLines)
#include "TestJsonLines.moc"
