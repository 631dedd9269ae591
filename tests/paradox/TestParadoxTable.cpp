#include "paradox/ParadoxTable.h"
#include "paradox/ParadoxTsv.h"

#include "TableWriter.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

namespace {
using W = TableWriter;
using Place = TableWriter::Place;

enum : quint8 {
    A = 0x01,
    D = 0x02,
    S = 0x03,
    I = 0x04,
    Cur = 0x05,
    N = 0x06,
    L = 0x09,
    M = 0x0C,
    B = 0x0D,
    F = 0x0E,
    T = 0x14,
    TS = 0x15,
    AutoInc = 0x16,
    Bcd = 0x17,
    Y = 0x18
};

const QString Fixtures = QStringLiteral(CARDOLO_PARADOX_FIXTURES);

bool Save(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Writes name.DB (and name.MB unless memo is null) into dir; returns the table's path.
QString SaveTable(const QTemporaryDir& dir, const QString& name, const QByteArray& table,
                  const QByteArray& memo = QByteArray()) {
    const QString path = QDir(dir.path()).filePath(name + ".DB");
    Save(path, table);
    if (!memo.isNull())
        Save(QDir(dir.path()).filePath(name + ".MB"), memo);
    return path;
}

struct Read {
    bool opened = false;
    QVector<QVector<QVariant>> rows;
    QString error;
    qint64 calls = 0;
    qint64 count = 0;
};

// Opens path and reads every record, as an importer would. Never calls Next more often than
// the table's records and one more, so that a walk that does not end shows as a failure.
Read ReadAll(const QString& path) {
    Read r;
    ParadoxTable table;
    r.opened = table.Open(path, r.error);
    if (!r.opened)
        return r;
    r.count = table.RecordCount();
    QVector<QVariant> values;
    while (r.calls <= r.count) {
        ++r.calls;
        if (!table.Next(values, r.error))
            break;
        r.rows.append(values);
    }
    return r;
}

QByteArray Repeat(const QByteArray& unit, int length) {
    QByteArray b;
    while (b.size() < length)
        b += unit;
    return b.left(length);
}

QDateTime Utc(const QDate& d, const QTime& t) {
    return QDateTime(d, t, Qt::UTC);
}

void Put16(QByteArray& b, qint64 at, quint16 v) {
    qToLittleEndian(v, b.data() + at);
}
void Put32(QByteArray& b, qint64 at, quint32 v) {
    qToLittleEndian(v, b.data() + at);
}
} // namespace

// The table reader against files written by another program and by the tests' own writer:
// every field type, NULLs, code pages, memo entries, the chain of blocks, and damaged files.
class TestParadoxTable : public QObject {
    Q_OBJECT
private slots:
    void readsEveryFieldTypeOfAFileAnotherWriterMade() {
        Read r = ReadAll(Fixtures + "/types.db");
        QVERIFY2(r.opened, qPrintable(r.error));
        QVERIFY2(r.error.isEmpty(), qPrintable(r.error));
        ParadoxTable table;
        QString error;
        QVERIFY(table.Open(Fixtures + "/types.db", error));
        QCOMPARE(table.CodePage(), 1252);
        QStringList described;
        for (const ParadoxField& f : table.Fields())
            described << QStringLiteral("%1 %2 %3").arg(f.name, f.TypeName()).arg(f.size);
        QCOMPARE(described,
                 QStringList({"Name alpha 20", "Small short 2", "Big long 4",
                              "Counter autoincrement 4", "Amount number 8", "Price currency 8",
                              "Flag logical 1", "Day date 4", "Clock time 4", "Stamp timestamp 8",
                              "Note memo 20", "Data BLOB 10", "Styled formatted memo 15"}));
        QCOMPARE(r.rows.size(), 4);

        const QVector<QVariant> first = {QString("First row"),
                                         1,
                                         100000,
                                         1,
                                         1.5,
                                         2.25,
                                         true,
                                         QDate(2024, 2, 29),
                                         QTime(13, 45, 30, 250),
                                         Utc(QDate(2024, 2, 29), QTime(13, 45, 30, 123)),
                                         QString("Short memo"),
                                         QVariant(),
                                         QString("Fits")};
        QCOMPARE(r.rows[0], first);
        const QByteArray lines = "Line one\tTAB\\back\r\nLine two\nlast";
        const QVector<QVariant> second = {QString::fromUtf8("Ünicöde € été"),
                                          -1,
                                          -100000,
                                          2,
                                          -0.1,
                                          -1234.5,
                                          false,
                                          QDate(1, 1, 1),
                                          QTime(0, 0),
                                          Utc(QDate(1, 1, 1), QTime(0, 0)),
                                          QString::fromLatin1(Repeat(lines, 100)),
                                          QVariant(),
                                          QString::fromLatin1(Repeat("Formatted ", 9000))};
        QCOMPARE(r.rows[1], second);
        // All NULL but the autoincrement, which the writer numbered.
        for (int i = 0; i < 13; ++i)
            QCOMPARE(r.rows[2][i].isValid(), i == 3);
        QCOMPARE(r.rows[2][3], QVariant(3));
        const QVector<QVariant> last = {QString("Last"),
                                        32767,
                                        2147483647,
                                        4,
                                        1e21,
                                        123456789.125,
                                        true,
                                        QDate(9999, 12, 31),
                                        QTime::fromMSecsSinceStartOfDay(86399999),
                                        Utc(QDate(1999, 12, 31), QTime(23, 59, 59, 999)),
                                        QString::fromLatin1(Repeat("0123456789abcdef", 48)),
                                        QVariant(),
                                        QVariant()};
        QCOMPARE(r.rows[3], last);
        // The value types an importer relies on.
        QCOMPARE(r.rows[0][1].typeId(), int(QMetaType::Int));
        QCOMPARE(r.rows[0][4].typeId(), int(QMetaType::Double));
        QCOMPARE(r.rows[0][9].toDateTime().timeSpec(), Qt::UTC);
    }

    void findsColumnsByNameInAnyCaseAndOrder() {
        QTemporaryDir dir;
        W one({{"Id", AutoInc, 4}, {"Name", A, 20}, {"Text", M, 20}, {"Tel", A, 10}});
        one.Add({W::Long(7), W::Alpha("Item", 20), one.Memo("Some text", 20, Place::Record),
                 W::Alpha("2024-01-02", 10)});
        W other({{"tel", A, 10}, {"TEXT", M, 20}, {"name", A, 20}, {"ID", AutoInc, 4}});
        other.Add({W::Alpha("2024-01-02", 10), other.Memo("Some text", 20, Place::Record),
                   W::Alpha("Item", 20), W::Long(7)});
        const QString paths[] = {SaveTable(dir, "ONE", one.Table(), one.MemoFile()),
                                 SaveTable(dir, "other", other.Table(), other.MemoFile())};
        for (const QString& path : paths) {
            ParadoxTable table;
            QString error;
            QVERIFY2(table.Open(path, error), qPrintable(error));
            QVector<QVariant> row;
            QVERIFY2(table.Next(row, error), qPrintable(error));
            QCOMPARE(row[table.FieldIndex("ID")], QVariant(7));
            QCOMPARE(row[table.FieldIndex("name")], QVariant("Item"));
            QCOMPARE(row[table.FieldIndex("Text")], QVariant("Some text"));
            QCOMPARE(row[table.FieldIndex("TEL")], QVariant("2024-01-02"));
            QCOMPARE(table.FieldIndex("Parent"), -1);
            QVERIFY(!table.Next(row, error));
            QVERIFY(error.isEmpty());
        }
    }

    // A blank field is NULL whatever its type; a zero, false or midnight is a value. A record
    // with every byte zero is an empty slot and is skipped.
    void tellsNullsFromZerosInEveryTypeAndSkipsEmptyRecords() {
        QTemporaryDir dir;
        W w({{"Mark", S, 2},
             {"A", A, 10},
             {"S", S, 2},
             {"I", I, 4},
             {"Inc", AutoInc, 4},
             {"N", N, 8},
             {"Cur", Cur, 8},
             {"L", L, 1},
             {"D", D, 4},
             {"T", T, 4},
             {"TS", TS, 8},
             {"M", M, 15},
             {"B", B, 12},
             {"F", F, 15},
             {"Y", Y, 4},
             {"Bcd", Bcd, 2}});
        QVector<QByteArray> blank = {W::Short(1)};
        for (int size : {10, 2, 4, 4, 8, 8, 1, 4, 4, 8, 15, 12, 15, 4, 17})
            blank << W::Blank(size);
        w.Add(blank);
        w.Add({W::Short(2), W::Alpha(" ", 10), W::Short(0), W::Long(0), W::Long(0), W::Number(0),
               W::Number(0), W::Logical(false), W::Date(QDate(1, 1, 1)), W::Time(0),
               W::Timestamp(QDate(2000, 1, 1), 0), w.Memo(" ", 15, Place::Record),
               w.Memo(QByteArray(1, '\0'), 12, Place::Record), w.Memo("x", 15, Place::Record),
               QByteArray("\0\0\0\1", 4), QByteArray(1, char(0xC2)) + QByteArray(16, '\0')});
        blank[0] = W::Blank(2); // every byte zero: an empty slot
        w.Add(blank);
        Read r = ReadAll(SaveTable(dir, "NULLS", w.Table(), w.MemoFile()));
        QVERIFY2(r.error.isEmpty(), qPrintable(r.error));
        QCOMPARE(r.count, 3);
        QCOMPARE(r.rows.size(), 2);
        for (int i = 1; i < r.rows[0].size(); ++i)
            QVERIFY2(!r.rows[0][i].isValid(), qPrintable(QString::number(i)));
        const QVector<QVariant> zeros = {2,
                                         QString(" "),
                                         0,
                                         0,
                                         0,
                                         0.0,
                                         0.0,
                                         false,
                                         QDate(1, 1, 1),
                                         QTime(0, 0),
                                         Utc(QDate(2000, 1, 1), QTime(0, 0)),
                                         QString(" "),
                                         QByteArray(1, '\0'),
                                         QString("x"),
                                         QByteArray("\0\0\0\1", 4),
                                         QByteArray(1, char(0xC2)) + QByteArray(16, '\0')};
        QCOMPARE(r.rows[1], zeros);
    }

    void decodesTextsFromTheTablesCodePage_data() {
        QTest::addColumn<int>("version");
        QTest::addColumn<int>("codePage");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("decodedAs");
        QTest::newRow("437") << 0x0C << 437 << QByteArray("\x81\xE1\x9C\xAB") << "üß£½" << 437;
        QTest::newRow("850") << 0x0C << 850 << QByteArray("\x90\xD5\x9B\xB5") << "ÉıøÁ" << 850;
        QTest::newRow("852") << 0x09 << 852 << QByteArray("\xA5\x9F\xE7\xB7") << "ąčšĚ" << 852;
        QTest::newRow("1250") << 0x0C << 1250 << QByteArray("\x8A\xB9\xE8\xF8") << "Šąčř" << 1250;
        QTest::newRow("1251") << 0x0C << 1251 << QByteArray("\xC0\xFF\xB8\xDF") << "АяёЯ" << 1251;
        QTest::newRow("1252") << 0x0B << 1252 << QByteArray("\x80\x9C\xE9\xDF") << "€œéß" << 1252;
        QTest::newRow("unset") << 0x0C << 0 << QByteArray("\x80\x9C\xE9\xDF") << "€œéß" << 1252;
        // The oldest header has no code page at all.
        QTest::newRow("version 3") << 0x03 << 850 << QByteArray("\x80\xE9") << "€é" << 1252;
    }
    void decodesTextsFromTheTablesCodePage() {
        QFETCH(int, version);
        QFETCH(int, codePage);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QFETCH(int, decodedAs);
        QTemporaryDir dir;
        W w({{"N" + bytes, A, 12}, {"Memo", M, 11}, {"Long", M, 11}});
        w.version = version;
        w.codePage = codePage;
        w.Add({W::Alpha("x" + bytes, 12), w.Memo(bytes + "!", 11, Place::Shared),
               w.Memo(Repeat(bytes, 5000), 11, Place::Single)});
        const QString path = SaveTable(dir, "CP", w.Table(), w.MemoFile());
        ParadoxTable table;
        QString error;
        QVERIFY2(table.Open(path, error), qPrintable(error));
        QCOMPARE(table.CodePage(), decodedAs);
        QCOMPARE(table.Fields()[0].name, "N" + text);
        QVector<QVariant> row;
        QVERIFY2(table.Next(row, error), qPrintable(error));
        QCOMPARE(row[0], QVariant("x" + text));
        QCOMPARE(row[1], QVariant(text + "!"));
        QCOMPARE(row[2].toString().size(), 5000);
        QVERIFY(row[2].toString().startsWith(text + text));
    }

    void refusesACodePageItDoesNotKnow() {
        QTemporaryDir dir;
        W w({{"Name", A, 10}});
        w.codePage = 9999;
        w.Add({W::Alpha("x", 10)});
        const QString path = SaveTable(dir, "CP", w.Table());
        Read r = ReadAll(path);
        QVERIFY(!r.opened);
        QCOMPARE(r.error,
                 QDir::toNativeSeparators(path) + ": the table's code page 9999 is not known");
    }

    // Memos and BLOBs kept whole in the record, as entries of a shared chunk (several in one
    // chunk) and in blocks of their own of one and of several chunks, read to the byte.
    void readsMemoEntriesOfEveryKind() {
        QTemporaryDir dir;
        W w({{"Text", M, 14}, {"Data", B, 10}, {"Styled", F, 11}});
        const QByteArray binary = QByteArray("\0\1\2\xff\r\n\\", 7);
        const QByteArray oneChunk = Repeat("one chunk ", 4096 - 9);
        const QByteArray twoChunks = Repeat(binary, 4096 - 8);
        const QByteArray manyChunks = Repeat("many chunks\r\n", 20000);
        const QByteArray sharedText = Repeat("shared ", 40);
        w.Add({w.Memo("abcd", 14, Place::Record), w.Memo(binary, 10, Place::Shared),
               w.Memo("s", 11, Place::Record)});
        w.Add({w.Memo(sharedText, 14, Place::Shared), w.Memo(twoChunks, 10, Place::Single),
               w.Memo("Styled text", 11, Place::Shared)});
        w.Add({w.Memo(oneChunk, 14, Place::Single), w.Memo(QByteArray(), 10, Place::Record),
               w.Memo(manyChunks, 11, Place::Single)});
        w.Add({w.Memo("16 bytes exactly", 14, Place::Shared),
               w.Memo(Repeat(binary, 2000), 10, Place::Shared),
               w.Memo(Repeat("17 bytes exactly", 17), 11, Place::Shared)});
        Read r = ReadAll(SaveTable(dir, "MEMO", w.Table(), w.MemoFile()));
        QVERIFY2(r.error.isEmpty(), qPrintable(r.error));
        QCOMPARE(r.rows.size(), 4);
        QCOMPARE(r.rows[0], QVector<QVariant>({QString("abcd"), binary, QString("s")}));
        QCOMPARE(r.rows[1], QVector<QVariant>({QString::fromLatin1(sharedText), twoChunks,
                                               QString("Styled text")}));
        QCOMPARE(r.rows[2], QVector<QVariant>({QString::fromLatin1(oneChunk), QVariant(),
                                               QString::fromLatin1(manyChunks)}));
        QCOMPARE(r.rows[3],
                 QVector<QVariant>({QString("16 bytes exactly"), Repeat(binary, 2000),
                                    QString::fromLatin1(Repeat("17 bytes exactly", 17))}));
    }

    // Records come in the order of the chain, not of the blocks in the file; records deleted
    // from a block, a block emptied and a block off the chain are not read.
    void readsBlocksInChainOrderSkippingWhatWasDeleted() {
        QTemporaryDir dir;
        W w({{"Id", I, 4}, {"Name", A, 10}});
        w.recordsPerBlock = 2;
        w.chain = {3, 1, 4, 2};
        for (int id = 1; id <= 8; ++id)
            w.Add({W::Long(id), W::Alpha("item " + QByteArray::number(id), 10)});
        w.spare = 1;
        w.spareRecords = {{W::Long(98), W::Alpha("gone", 10)}, {W::Long(99), W::Alpha("gone", 10)}};
        QByteArray table = w.Table();
        Put16(table, w.BlockOffset(1) + 4, 0);                                // 4 deleted
        Put16(table, w.BlockOffset(4) + 4, quint16(qint16(-w.RecordSize()))); // 5, 6 deleted
        const QString path = SaveTable(dir, "CHAIN", table);

        ParadoxTable reader;
        QString error;
        QVERIFY2(reader.Open(path, error), qPrintable(error));
        QCOMPARE(reader.RecordCount(), 5);
        for (int round = 0; round < 2; ++round) {
            QVector<int> ids;
            QVector<QVariant> row;
            while (reader.Next(row, error))
                ids << row[0].toInt();
            QVERIFY(error.isEmpty());
            QCOMPARE(ids, QVector<int>({1, 2, 3, 7, 8}));
            QVERIFY(!reader.Next(row, error)); // the end stays the end
            reader.Rewind();
        }
    }

    void refusesEncryptedTables_data() {
        QTest::addColumn<int>("version");
        QTest::newRow("version 7") << 0x0C;
        QTest::newRow("version 4") << 0x09;
        QTest::newRow("version 3") << 0x03;
    }
    void refusesEncryptedTables() {
        QFETCH(int, version);
        QTemporaryDir dir;
        W w({{"Name", A, 10}});
        w.version = version;
        w.encryption = 0x1234ABCD;
        w.Add({W::Alpha("secret", 10)});
        const QString path = SaveTable(dir, "LOCKED", w.Table());
        Read r = ReadAll(path);
        QVERIFY(!r.opened);
        QCOMPARE(r.error, QDir::toNativeSeparators(path) +
                              ": the table is encrypted (protected by a password); encrypted "
                              "tables cannot be read");
    }

    // Each kind of damage gives a message naming the file and the fault: found on opening
    // (header, descriptors, chain, memo file) or where the walk reaches it (a memo, a value).
    void reportsDamagedFiles_data() {
        QTest::addColumn<QByteArray>("table");
        QTest::addColumn<QByteArray>("memo"); // null: no memo file
        QTest::addColumn<QString>("message"); // what follows "<file>: "
        QTest::addColumn<bool>("inMemoFile");
        QTest::addColumn<int>("goodRecords"); // read before the fault; -1: Open fails

        // Three records, one a block; record 2's memo in a block of its own, record 3's in a
        // shared chunk. Field offsets in a record: Id 0, Clock 4, Text 8 (pointer 18, length 22).
        W w({{"Id", I, 4}, {"Clock", T, 4}, {"Text", M, 20}});
        w.recordsPerBlock = 1;
        w.Add({W::Long(1), W::Time(1000), w.Memo("short", 20, Place::Record)});
        w.Add({W::Long(2), W::Time(2000), w.Memo(Repeat("long ", 5000), 20, Place::Single)});
        w.Add({W::Long(3), W::Time(3000), w.Memo(Repeat("small ", 50), 20, Place::Shared)});
        const QByteArray table = w.Table();
        const QByteArray memo = w.MemoFile();
        const qint64 record2 = w.BlockOffset(2) + 6;
        const qint64 record3 = w.BlockOffset(3) + 6;
        const qint64 shared = 4096 + 2 * 4096; // the chunk after record 2's two-chunk block
        auto table_ = [&](auto change) {
            QByteArray t = table;
            change(t);
            return t;
        };
        auto memo_ = [&](auto change) {
            QByteArray m = memo;
            change(m);
            return m;
        };

        QTest::newRow("cut to 40 bytes")
            << table.left(40) << memo << "the file is too short for a table header (40 bytes)"
            << false << -1;
        QTest::newRow("header size past the end")
            << table_([](QByteArray& t) { Put16(t, 2, 0xFFFF); }) << memo
            << QStringLiteral("the header size 65535 does not fit a file of %1 bytes")
                   .arg(table.size())
            << false << -1;
        QTest::newRow("header too small for its fields")
            << table_([](QByteArray& t) { Put16(t, 2, 0x80); }) << memo
            << "the header (128 bytes) is too short for 3 fields" << false << -1;
        QTest::newRow("names past the header")
            << table_([](QByteArray& t) { Put16(t, 2, 0x78 + 6 + 4 + 12 + 261 + 5); }) << memo
            << "the field names run past the end of the header" << false << -1;
        QTest::newRow("record size")
            << table_([](QByteArray& t) { Put16(t, 0, 99); }) << memo
            << "the record size 99 does not match the fields, which take 28 bytes" << false << -1;
        QTest::newRow("unknown field type")
            << table_([](QByteArray& t) { t[0x78 + 2] = 0x07; }) << memo
            << "field 2 (Clock) has an unknown type (code 7)" << false << -1;
        QTest::newRow("wrong field size")
            << table_([](QByteArray& t) { t[0x78 + 1] = 3; }) << memo
            << "field 1 (Id) of type long has the size 3" << false << -1;
        QTest::newRow("index file")
            << table_([](QByteArray& t) { t[4] = 1; }) << memo
            << "this is an index file, not a table (file type 1)" << false << -1;
        QTest::newRow("block size code") << table_([](QByteArray& t) { t[5] = 0; }) << memo
                                         << "the block size code 0 is not known" << false << -1;
        QTest::newRow("first block past the end")
            << table_([](QByteArray& t) { Put16(t, 0x0E, 9); }) << memo
            << "the first block, 9, lies past the end of the file, which holds 3 blocks" << false
            << -1;
        QTest::newRow("cut inside the last block")
            << table.left(w.BlockOffset(3) + 100) << memo
            << "block 2 points to block 3, past the end of the file, which holds 2 blocks" << false
            << -1;
        QTest::newRow("chain loops back")
            << table_([&](QByteArray& t) { Put16(t, w.BlockOffset(3), 1); }) << memo
            << "the chain of blocks loops: block 3 points back to block 1" << false << -1;
        QTest::newRow("block points to itself")
            << table_([&](QByteArray& t) { Put16(t, w.BlockOffset(1), 1); }) << memo
            << "the chain of blocks loops: block 1 points back to block 1" << false << -1;
        QTest::newRow("last record past the block")
            << table_([&](QByteArray& t) { Put16(t, w.BlockOffset(2) + 4, 28 * 40); }) << memo
            << "block 2 gives its last record at offset 1120, which is no record of a 1024-byte "
               "block"
            << false << -1;
        QTest::newRow("last record not whole")
            << table_([&](QByteArray& t) { Put16(t, w.BlockOffset(2) + 4, 5); }) << memo
            << "block 2 gives its last record at offset 5, which is no record of a 1024-byte "
               "block"
            << false << -1;
        QTest::newRow("memo file missing")
            << table << QByteArray() << "the memo file BAD.MB is missing" << false << -1;
        QTest::newRow("memo file empty")
            << table << QByteArray("") << "not a memo file (no header block)" << true << -1;
        QTest::newRow("time outside a day")
            << table_([&](QByteArray& t) { t.replace(record2 + 4, 4, W::Time(86400000)); }) << memo
            << "record 2, field Clock: the time 86400000 ms lies outside a day" << false << 1;
        QTest::newRow("memo file cut short")
            << table << memo.left(4096 + 100) << "the memo lies past the end of the memo file"
            << true << 1;
        QTest::newRow("memo pointer into the header")
            << table_([&](QByteArray& t) { Put32(t, record2 + 18, 0x0100 | 0xFF); }) << memo
            << "the memo points into the header of the memo file" << true << 1;
        QTest::newRow("memo pointer past the end")
            << table_([&](QByteArray& t) { Put32(t, record2 + 18, 0x7FFF00FF); }) << memo
            << "the memo lies past the end of the memo file" << true << 1;
        QTest::newRow("memo of no place")
            << table_([&](QByteArray& t) { Put32(t, record2 + 18, 0xFF); }) << memo
            << "record 2, field Text: the memo of 5000 bytes has no place in the memo file" << false
            << 1;
        QTest::newRow("memo length differs")
            << table_([&](QByteArray& t) { Put32(t, record2 + 22, 5001); }) << memo
            << "the memo file holds 5000 bytes at offset 4096 where the record says 5001" << true
            << 1;
        QTest::newRow("memo longer than its block")
            << table << memo_([](QByteArray& m) { Put16(m, 4096 + 1, 1); })
            << "the memo at offset 4096 runs past the end of its block" << true << 1;
        QTest::newRow("memo in a free block")
            << table << memo_([](QByteArray& m) { m[4096] = 4; })
            << "the memo points to a free block at offset 4096" << true << 1;
        QTest::newRow("shared entry deleted")
            << table << memo_([&](QByteArray& m) { m[shared + 12 + 5 * 63 + 4] = 0; })
            << QStringLiteral("the memo names entry 63 of the block at offset %1, which was "
                              "deleted")
                   .arg(shared)
            << true << 2;
        QTest::newRow("shared entry out of its chunk")
            << table << memo_([&](QByteArray& m) { m[shared + 12 + 5 * 63] = char(0xFE); })
            << QStringLiteral("entry 63 of the block at offset %1 lies outside its block")
                   .arg(shared)
            << true << 2;
        QTest::newRow("shared entry index")
            << table_([&](QByteArray& t) { Put32(t, record3 + 18, quint32(shared) | 64); }) << memo
            << QStringLiteral("the memo names entry 64 of a shared block at offset %1, which has "
                              "64")
                   .arg(shared)
            << true << 2;
    }
    void reportsDamagedFiles() {
        QFETCH(QByteArray, table);
        QFETCH(QByteArray, memo);
        QFETCH(QString, message);
        QFETCH(bool, inMemoFile);
        QFETCH(int, goodRecords);
        QTemporaryDir dir;
        const QString path = SaveTable(dir, "BAD", table, memo);
        const QString table_ = QDir::toNativeSeparators(path);
        const QString memo_ = QDir::toNativeSeparators(QDir(dir.path()).filePath("BAD.MB"));
        // A memo fault met on the walk names the record and field, then the memo file.
        QString expected = table_ + ": " + message;
        if (inMemoFile)
            expected = (goodRecords >= 0 ? QStringLiteral("%1: record %2, field Text: ")
                                               .arg(table_)
                                               .arg(goodRecords + 1)
                                         : QString()) +
                       memo_ + ": " + message;
        Read r = ReadAll(path);
        QCOMPARE(r.error, expected);
        QCOMPARE(r.opened, goodRecords >= 0);
        QCOMPARE(r.rows.size(), qMax(goodRecords, 0));
    }

    // Random damage to good files, from a fixed seed: every open and every walk ends, with
    // the rows or with a message naming one of the two files.
    void survivesRandomDamage() {
        // Thousands of small files are written: in memory where the system offers it, so that
        // a busy disk does not slow the test down.
        const QString base =
            QDir("/dev/shm").exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
        QTemporaryDir dir(base + QStringLiteral("/TestParadoxTable-XXXXXX"));
        QVERIFY(dir.isValid());
        QFile dbFile(Fixtures + "/types.db"), mbFile(Fixtures + "/types.mb");
        QVERIFY(dbFile.open(QIODevice::ReadOnly) && mbFile.open(QIODevice::ReadOnly));
        W w({{"Id", I, 4}, {"Name", A, 30}, {"Text", M, 12}, {"Stamp", TS, 8}});
        w.recordsPerBlock = 3;
        w.chain = {2, 5, 1, 3, 4};
        for (int i = 0; i < 15; ++i)
            w.Add({W::Long(i), W::Alpha("name " + QByteArray::number(i), 30),
                   w.Memo(Repeat("text ", 10 + i * 700), 12,
                          i % 3 == 0   ? Place::Record
                          : i % 3 == 1 ? Place::Shared
                                       : Place::Single),
                   W::Timestamp(QDate(1990 + i, 1, 2), i * 1000)});
        const QList<QPair<QByteArray, QByteArray>> bases = {{dbFile.readAll(), mbFile.readAll()},
                                                            {w.Table(), w.MemoFile()}};
        const QString dbPath = QDir(dir.path()).filePath("FUZZ.DB");
        const QString mbPath = QDir(dir.path()).filePath("FUZZ.MB");
        QRandomGenerator random(20240229);
        QElapsedTimer clock;
        clock.start();
        int opened = 0, failedOnOpen = 0, failedOnWalk = 0;
        for (int round = 0; round < 3000; ++round) {
            QByteArray db = bases[round % 2].first;
            QByteArray mb = bases[round % 2].second;
            const int changes = 1 + int(random.bounded(4));
            for (int c = 0; c < changes; ++c) {
                QByteArray& target = random.bounded(4) == 0 ? mb : db;
                const quint32 kind = random.bounded(10);
                if (kind == 0) { // cut the file short
                    target.truncate(int(random.bounded(quint32(target.size()) + 1)));
                    continue;
                }
                if (target.isEmpty())
                    continue;
                qint64 at;
                if (kind <= 4 && &target == &db) // the header and the block headers matter most
                    at = random.bounded(2)
                             ? random.bounded(0x80)
                             : 2048 + qint64(random.bounded(6)) + 1024 * qint64(random.bounded(6));
                else
                    at = random.bounded(quint32(target.size()));
                if (at < target.size())
                    target[at] = char(random.bounded(256));
            }
            QFile::remove(mbPath);
            QVERIFY(Save(dbPath, db));
            if (random.bounded(20) != 0)
                QVERIFY(Save(mbPath, mb));

            ParadoxTable table;
            QString error;
            if (!table.Open(dbPath, error)) {
                ++failedOnOpen;
                QVERIFY2(error.startsWith(dbPath + ": ") || error.startsWith(mbPath + ": "),
                         qPrintable(error));
                continue;
            }
            ++opened;
            QVector<QVariant> row;
            qint64 calls = 0;
            while (table.Next(row, error)) {
                QVERIFY2(++calls <= table.RecordCount(), "more records than the chain holds");
                for (int i = 0; i < row.size(); ++i)
                    TsvValue(table.Fields()[i], row[i]); // every decoded value can be shown
            }
            if (!error.isEmpty()) {
                ++failedOnWalk;
                QVERIFY2(error.startsWith(dbPath + ": "), qPrintable(error));
            }
        }
        // The damage reached every stage of reading.
        QVERIFY(opened > 100);
        QVERIFY(failedOnOpen > 100);
        QVERIFY(failedOnWalk > 10);
        qInfo("%d opened (%d stopped on a record), %d refused, in %lld ms", opened, failedOnWalk,
              failedOnOpen, qint64(clock.elapsed()));
    }
};

QTEST_GUILESS_MAIN(TestParadoxTable)
#include "TestParadoxTable.moc"
