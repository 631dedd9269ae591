#pragma once

#include <QByteArray>
#include <QDate>
#include <QVector>

// Writes table (.DB) and memo (.MB) files byte by byte for the reader's tests, so that a test
// states exactly what lies where: field encodings, the chain of blocks, records deleted from a
// block, blocks off the chain, memo entries of each kind. Tests damage the bytes it gives.
class TableWriter {
public:
    struct Field {
        QByteArray name;
        quint8 type;
        int size; // as the descriptor gives it
    };

    explicit TableWriter(QVector<Field> fields);

    // Header settings.
    int version = 0x0C;      // 3 and 4 give the oldest header layout, without a code page
    int codePage = 1252;     // 0: none recorded
    int blockCode = 1;       // blocks of blockCode * 1024 bytes
    int fileType = 2;        // 2: a table without a key
    quint32 encryption = 0;  // the word a password-protected table sets
    int recordsPerBlock = 0; // 0: as many as fit

    // Field values as a record holds them.
    static QByteArray Blank(int size);
    static QByteArray Alpha(const QByteArray& text, int size);
    static QByteArray Short(int v);
    static QByteArray Long(qint32 v);
    static QByteArray Number(double v);
    static QByteArray Logical(bool v);
    static QByteArray Date(const QDate& d);
    static QByteArray Time(int msecs);
    static QByteArray Timestamp(const QDate& d, qint64 msecsOfDay);

    // A memo or BLOB value of a field of fieldSize bytes: kept in the record when it fits the
    // part there; otherwise in the memo file, in a block of its own (Single) or as an entry of
    // a shared chunk (Shared), the record keeping its first bytes.
    enum class Place { Record, Single, Shared };
    QByteArray Memo(const QByteArray& data, int fieldSize, Place place);

    // Appends a record made of its fields' bytes.
    void Add(const QVector<QByteArray>& values);

    // The chain: the records fill blocks in the order of chain, which lists physical block
    // numbers (1 is the first after the header); empty means 1, 2, 3 ... as needed. Blocks in
    // spare are written after the chained ones, off the chain, holding spareRecords.
    QVector<int> chain;
    int spare = 0;
    QVector<QVector<QByteArray>> spareRecords;

    int RecordSize() const;
    int HeaderSize() const { return 2048; }
    int BlockSize() const { return blockCode * 1024; }
    qint64 BlockOffset(int number) const { return HeaderSize() + qint64(number - 1) * BlockSize(); }

    QByteArray Table() const;
    QByteArray MemoFile() const { return memo; }

private:
    QByteArray Record(const QVector<QByteArray>& values) const;

    QVector<Field> fields;
    QVector<QByteArray> records;
    QByteArray memo;
    qint64 sharedChunk = 0; // offset of the chunk being filled, 0 when none
    int sharedNext = 0;     // next free 16-byte unit in it
    int sharedEntry = 64;   // entries are handed out from the last down
};
