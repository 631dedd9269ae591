#pragma once

#include "paradox/ParadoxCodePage.h"
#include "paradox/ParadoxMemoFile.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QVariant>
#include <QVector>

// The kinds of field a table may hold, by the code its header gives them.
enum class ParadoxType : quint8 {
    Alpha = 0x01,
    Date = 0x02,
    Short = 0x03,
    Long = 0x04,
    Currency = 0x05,
    Number = 0x06,
    Logical = 0x09,
    Memo = 0x0C,
    Blob = 0x0D,
    FormattedMemo = 0x0E,
    Ole = 0x0F,
    Graphic = 0x10,
    Time = 0x14,
    Timestamp = 0x15,
    AutoIncrement = 0x16,
    Bcd = 0x17,
    Bytes = 0x18,
};

struct ParadoxField {
    QString name;
    ParadoxType type = ParadoxType::Alpha;
    // Bytes the field takes in a record. For alpha, the most characters it holds; for the memo
    // and BLOB kinds, the part of the value kept in the record plus the ten bytes that point
    // into the memo file.
    int size = 0;
    // "alpha", "short", "memo" ...: for messages and listings.
    QString TypeName() const;
};

// Reads a table file (.DB) with its memo file (.MB) record by record, in file order, never
// writing to either. Usage:
//
//     ParadoxTable table;
//     QString error;
//     if (!table.Open(dataFolder + "/PHONEBK.DB", error))
//         return Fail(error);                      // names the file and what is wrong
//     const int name = table.FieldIndex("Name");    // any case; -1 when the table has none
//     QVector<QVariant> row;
//     while (table.Next(row, error))
//         Insert(name < 0 ? QVariant() : row[name]); // row[i] belongs to Fields()[i]
//     if (!error.isEmpty())
//         return Fail(error);                      // the walk stopped on damage
//
// Values, by field type (a NULL of any type is a null QVariant, QVariant::isValid() false):
//   alpha, memo, formatted memo       QString, decoded from the table's code page
//   short, long, autoincrement        int
//   number, currency                  double
//   logical                           bool
//   date                              QDate
//   time                              QTime (to the millisecond)
//   timestamp                         QDateTime to the millisecond, in Qt::UTC: the wall-clock
//                                     time as written, with no time zone applied to it
//   BLOB, OLE, graphic, bytes, BCD    QByteArray (BCD as its 17 stored bytes)
//
// Records come in the order of the chain of data blocks that starts at the header's first
// block (a keyed table's key order). Records deleted from a block (the bytes past the block's
// last record) and blocks taken off the chain are not read; a record whose bytes are all zero
// (a slot with no field set) is skipped as empty.
//
// Every fault of the files is a message that names the file and what is wrong, never a crash
// and never an endless walk: Open checks the header, the field descriptors and the whole chain
// of blocks (a pointer past the end of the file or back into the chain stops it) and that the
// memo file is there when the table has memo or BLOB fields; Next checks each memo pointer and
// each value it decodes. Encrypted (password-protected) tables are refused by Open.
class ParadoxTable {
public:
    ParadoxTable() = default;
    ParadoxTable(const ParadoxTable&) = delete;
    ParadoxTable& operator=(const ParadoxTable&) = delete;

    // Opens path and its memo file (the same name with the extension .MB, in any case, in the
    // same folder). False with the reason in error; the table is then closed.
    bool Open(const QString& path, QString& error);
    void Close();
    bool IsOpen() const { return file.isOpen(); }

    QString Path() const { return path; }
    const QVector<ParadoxField>& Fields() const { return fields; }
    // The index of the field named name, compared without regard to case; -1 when none is.
    int FieldIndex(const QString& name) const;
    // The code page the texts are decoded from (1252 when the header names none).
    int CodePage() const { return codePage.Number(); }
    // The records the chain of blocks holds: what Next yields, less any empty slots. For
    // progress reports.
    qint64 RecordCount() const { return recordCount; }

    // The next record's values, one per field in the order of Fields(). False at the end
    // (error empty) or when the record cannot be read (error names the file, the record's
    // position counted from 1 in file order, the field and the fault); after a fault every
    // further call gives the same error.
    bool Next(QVector<QVariant>& values, QString& error);
    // Starts the walk again at the first record.
    void Rewind();

private:
    struct Block {
        int number = 0;    // as the chain numbers it, the first block after the header being 1
        qint64 offset = 0; // in the file
        int records = 0;
    };

    bool Fail(QString& error, const QString& what);
    bool ReadHeader(QString& error);
    bool ReadFields(QString& error, int fixed, int numFields);
    bool ReadChain(QString& error);
    bool OpenMemoFile(QString& error);
    bool DecodeField(const ParadoxField& field, const char* data, QVariant& value, QString& what);
    // A memo, formatted memo or binary field: its leader, or its value from the memo file.
    bool DecodeMemo(const ParadoxField& field, const char* data, QVariant& value, QString& what);

    QString path;
    QFile file;
    qint64 fileSize = 0;
    QByteArray header;
    int recordSize = 0;
    int headerSize = 0;
    int blockSize = 0;
    int fileVersion = 0;
    QVector<ParadoxField> fields;
    ParadoxCodePage codePage;
    ParadoxMemoFile memoFile;
    QVector<Block> blocks;
    qint64 recordCount = 0;

    // Where Next stands.
    int blockIndex = 0;
    int recordIndex = 0;
    qint64 position = 0;
    bool blockLoaded = false;
    QByteArray blockData;
    QString fault;
};
