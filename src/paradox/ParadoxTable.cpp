#include "paradox/ParadoxTable.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QTime>
#include <QtEndian>

#include <cmath>
#include <cstring>

namespace {
// The fixed part of the header: up to 0x58 in the oldest tables, up to 0x78 from version 4 on
// (fileVersion 5 and above), where the field descriptors begin.
constexpr int OldFixedHeader = 0x58;
constexpr int NewFixedHeader = 0x78;
constexpr int BlockHeader = 6; // next block, previous block, offset of the last record
// Julian day number of 0000-12-31: dates count days from it, so that 1 is 0001-01-01.
constexpr qint64 DayZero = 1721425;
constexpr qint64 MsecsPerDay = 86400000;

quint16 U16(const QByteArray& b, int at) {
    return qFromLittleEndian<quint16>(b.constData() + at);
}
qint16 S16(const QByteArray& b, int at) {
    return qFromLittleEndian<qint16>(b.constData() + at);
}
quint32 U32(const QByteArray& b, int at) {
    return qFromLittleEndian<quint32>(b.constData() + at);
}

bool AllZero(const char* data, int size) {
    for (int i = 0; i < size; ++i)
        if (data[i] != 0)
            return false;
    return true;
}

// Numbers in records are stored high byte first with the sign bit inverted, so that all zero
// bytes are a blank (NULL) value and the bytes sort as the numbers do. Integers flip the sign
// bit only; a negative floating-point number has every bit inverted.
quint64 BigEndian(const char* data, int size) {
    quint64 v = 0;
    for (int i = 0; i < size; ++i)
        v = (v << 8) | quint8(data[i]);
    return v;
}

double StoredDouble(quint64 raw) {
    if (raw & (quint64(1) << 63))
        raw ^= quint64(1) << 63;
    else
        raw = ~raw;
    double d;
    std::memcpy(&d, &raw, sizeof d);
    return d;
}

// The bytes a field of type takes in a record, from the size its descriptor gives; 0 when the
// size does not suit the type.
int StoredSize(ParadoxType type, int size) {
    switch (type) {
    case ParadoxType::Alpha:
    case ParadoxType::Bytes:
        return size >= 1 ? size : 0;
    case ParadoxType::Short:
        return size == 2 ? 2 : 0;
    case ParadoxType::Logical:
        return size == 1 ? 1 : 0;
    case ParadoxType::Date:
    case ParadoxType::Long:
    case ParadoxType::Time:
    case ParadoxType::AutoIncrement:
        return size == 4 ? 4 : 0;
    case ParadoxType::Currency:
    case ParadoxType::Number:
    case ParadoxType::Timestamp:
        return size == 8 ? 8 : 0;
    case ParadoxType::Memo:
    case ParadoxType::FormattedMemo:
        return size >= 11 ? size : 0; // at least one byte kept in the record
    case ParadoxType::Blob:
    case ParadoxType::Ole:
    case ParadoxType::Graphic:
        return size >= 10 ? size : 0;
    case ParadoxType::Bcd:
        return size <= 32 ? 17 : 0; // the descriptor gives the digits after the point
    }
    return 0;
}

bool KnownType(quint8 code) {
    switch (ParadoxType(code)) {
    case ParadoxType::Alpha:
    case ParadoxType::Date:
    case ParadoxType::Short:
    case ParadoxType::Long:
    case ParadoxType::Currency:
    case ParadoxType::Number:
    case ParadoxType::Logical:
    case ParadoxType::Memo:
    case ParadoxType::Blob:
    case ParadoxType::FormattedMemo:
    case ParadoxType::Ole:
    case ParadoxType::Graphic:
    case ParadoxType::Time:
    case ParadoxType::Timestamp:
    case ParadoxType::AutoIncrement:
    case ParadoxType::Bcd:
    case ParadoxType::Bytes:
        return true;
    }
    return false;
}

bool InMemoFile(ParadoxType type) {
    return type == ParadoxType::Memo || type == ParadoxType::FormattedMemo ||
           type == ParadoxType::Blob || type == ParadoxType::Ole || type == ParadoxType::Graphic;
}
} // namespace

QString ParadoxField::TypeName() const {
    switch (type) {
    case ParadoxType::Alpha:
        return QStringLiteral("alpha");
    case ParadoxType::Date:
        return QStringLiteral("date");
    case ParadoxType::Short:
        return QStringLiteral("short");
    case ParadoxType::Long:
        return QStringLiteral("long");
    case ParadoxType::Currency:
        return QStringLiteral("currency");
    case ParadoxType::Number:
        return QStringLiteral("number");
    case ParadoxType::Logical:
        return QStringLiteral("logical");
    case ParadoxType::Memo:
        return QStringLiteral("memo");
    case ParadoxType::Blob:
        return QStringLiteral("BLOB");
    case ParadoxType::FormattedMemo:
        return QStringLiteral("formatted memo");
    case ParadoxType::Ole:
        return QStringLiteral("OLE");
    case ParadoxType::Graphic:
        return QStringLiteral("graphic");
    case ParadoxType::Time:
        return QStringLiteral("time");
    case ParadoxType::Timestamp:
        return QStringLiteral("timestamp");
    case ParadoxType::AutoIncrement:
        return QStringLiteral("autoincrement");
    case ParadoxType::Bcd:
        return QStringLiteral("BCD");
    case ParadoxType::Bytes:
        return QStringLiteral("bytes");
    }
    return QStringLiteral("unknown");
}

bool ParadoxTable::Fail(QString& error, const QString& what) {
    error = QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), what);
    Close();
    return false;
}

bool ParadoxTable::Open(const QString& tablePath, QString& error) {
    Close();
    path = tablePath;
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly)) {
        const QString why = file.errorString();
        return Fail(error, QStringLiteral("cannot open the table: %1").arg(why));
    }
    fileSize = file.size();
    return ReadHeader(error) && ReadChain(error) && OpenMemoFile(error);
}

void ParadoxTable::Close() {
    file.close();
    memoFile.Close();
    fileSize = 0;
    header.clear();
    fields.clear();
    blocks.clear();
    recordCount = 0;
    Rewind();
}

void ParadoxTable::Rewind() {
    blockIndex = 0;
    recordIndex = 0;
    position = 0;
    blockLoaded = false;
    blockData.clear();
    fault.clear();
}

int ParadoxTable::FieldIndex(const QString& name) const {
    for (int i = 0; i < fields.size(); ++i)
        if (fields[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

bool ParadoxTable::ReadHeader(QString& error) {
    if (fileSize < OldFixedHeader)
        return Fail(
            error,
            QStringLiteral("the file is too short for a table header (%1 bytes)").arg(fileSize));
    header = file.read(qMin<qint64>(fileSize, 0x10000));
    if (header.size() < OldFixedHeader)
        return Fail(error, QStringLiteral("cannot read the table header"));

    recordSize = U16(header, 0x00);
    headerSize = U16(header, 0x02);
    const int fileType = quint8(header[0x04]);
    const int blockCode = quint8(header[0x05]);
    const int numFields = S16(header, 0x21);
    fileVersion = quint8(header[0x39]);

    if (fileType != 0 && fileType != 2) {
        if (fileType <= 8)
            return Fail(
                error,
                QStringLiteral("this is an index file, not a table (file type %1)").arg(fileType));
        return Fail(error, QStringLiteral("not a table file (file type %1)").arg(fileType));
    }
    // From version 4 on the header carries a second part with the code page and the
    // encryption word; older tables keep the encryption word at 0x25 only.
    const bool newHeader = fileVersion >= 5;
    const int fixed = newHeader ? NewFixedHeader : OldFixedHeader;
    if (headerSize < fixed || headerSize > fileSize)
        return Fail(error, QStringLiteral("the header size %1 does not fit a file of %2 bytes")
                               .arg(headerSize)
                               .arg(fileSize));
    header.truncate(headerSize);

    const quint32 encryption = newHeader ? U32(header, 0x5C) : U32(header, 0x25);
    if (encryption != 0)
        return Fail(error, QStringLiteral("the table is encrypted (protected by a password); "
                                          "encrypted tables cannot be read"));

    QString why;
    if (!codePage.Open(newHeader ? U16(header, 0x6A) : 0, why))
        return Fail(error, QStringLiteral("the table's %1").arg(why));

    if (!ReadFields(error, fixed, numFields))
        return false;

    if (blockCode < 1 || blockCode > 32)
        return Fail(error, QStringLiteral("the block size code %1 is not known").arg(blockCode));
    blockSize = blockCode * 1024;
    if (BlockHeader + recordSize > blockSize)
        return Fail(error, QStringLiteral("a record of %1 bytes does not fit a block of %2")
                               .arg(recordSize)
                               .arg(blockSize));
    return true;
}

// The field descriptors and names of the header, whose fixed part takes fixed bytes; their
// sizes must add up to the record size.
bool ParadoxTable::ReadFields(QString& error, int fixed, int numFields) {
    if (numFields < 1 || numFields > 255)
        return Fail(error, QStringLiteral("the header gives %1 fields").arg(numFields));
    // After the descriptors: a pointer to the table name, one pointer per field name, the
    // table name (79 bytes, 261 from version 7 on), then the field names, each ending in a
    // zero byte.
    const int nameLength = fileVersion >= 0x0C ? 261 : 79;
    int at = fixed + 2 * numFields + 4 + 4 * numFields + nameLength;
    if (at > headerSize)
        return Fail(error, QStringLiteral("the header (%1 bytes) is too short for %2 fields")
                               .arg(headerSize)
                               .arg(numFields));

    int total = 0;
    for (int i = 0; i < numFields; ++i) {
        const quint8 code = quint8(header[fixed + 2 * i]);
        const int size = quint8(header[fixed + 2 * i + 1]);
        const int end = int(header.indexOf('\0', at));
        if (end < 0)
            return Fail(error, QStringLiteral("the field names run past the end of the header"));
        ParadoxField field;
        field.name = codePage.Decode(header.constData() + at, end - at);
        at = end + 1;
        if (!KnownType(code))
            return Fail(error, QStringLiteral("field %1 (%2) has an unknown type (code %3)")
                                   .arg(i + 1)
                                   .arg(field.name)
                                   .arg(code));
        field.type = ParadoxType(code);
        field.size = StoredSize(field.type, size);
        if (field.size == 0)
            return Fail(error, QStringLiteral("field %1 (%2) of type %3 has the size %4")
                                   .arg(i + 1)
                                   .arg(field.name, field.TypeName())
                                   .arg(size));
        total += field.size;
        fields.append(field);
    }
    if (total != recordSize)
        return Fail(error, QStringLiteral("the record size %1 does not match the fields, which "
                                          "take %2 bytes")
                               .arg(recordSize)
                               .arg(total));
    return true;
}

bool ParadoxTable::ReadChain(QString& error) {
    // Only whole blocks count: a block cut off by the end of the file is past the end.
    const qint64 blocksInFile = (fileSize - headerSize) / blockSize;
    const int firstBlock = U16(header, 0x0E);
    QVector<bool> seen(int(blocksInFile) + 1, false);
    int number = firstBlock;
    int from = 0;
    while (number != 0) {
        if (number > blocksInFile) {
            if (from == 0)
                return Fail(error, QStringLiteral("the first block, %1, lies past the end of the "
                                                  "file, which holds %2 blocks")
                                       .arg(number)
                                       .arg(blocksInFile));
            return Fail(error, QStringLiteral("block %1 points to block %2, past the end of the "
                                              "file, which holds %3 blocks")
                                   .arg(from)
                                   .arg(number)
                                   .arg(blocksInFile));
        }
        if (seen[number])
            return Fail(error, QStringLiteral("the chain of blocks loops: block %1 points back "
                                              "to block %2")
                                   .arg(from)
                                   .arg(number));
        seen[number] = true;
        Block block;
        block.number = number;
        block.offset = headerSize + qint64(number - 1) * blockSize;
        QByteArray head;
        if (!file.seek(block.offset) || (head = file.read(BlockHeader)).size() != BlockHeader)
            return Fail(error, QStringLiteral("cannot read block %1").arg(number));
        // The offset of the block's last record, counted from the first; negative when the
        // block holds none.
        const int last = S16(head, 4);
        if (last >= 0) {
            if (last % recordSize != 0 || BlockHeader + last + recordSize > blockSize)
                return Fail(error, QStringLiteral("block %1 gives its last record at offset %2, "
                                                  "which is no record of a %3-byte block")
                                       .arg(number)
                                       .arg(last)
                                       .arg(blockSize));
            block.records = last / recordSize + 1;
        }
        recordCount += block.records;
        blocks.append(block);
        from = number;
        number = U16(head, 0);
    }
    return true;
}

bool ParadoxTable::OpenMemoFile(QString& error) {
    bool needed = false;
    for (const ParadoxField& f : fields)
        needed = needed || InMemoFile(f.type);
    if (!needed)
        return true;
    // The memo file has the table's name with the extension .MB; a copy from another system
    // may have either name in any case.
    const QFileInfo info(path);
    const QString wanted = info.completeBaseName() + QStringLiteral(".mb");
    const QStringList names = info.dir().entryList(QDir::Files | QDir::Hidden);
    QString memoPath;
    for (const QString& n : names) {
        if (n == info.completeBaseName() + QStringLiteral(".MB")) {
            memoPath = info.dir().filePath(n); // an exact match wins over one in another case
            break;
        }
        if (memoPath.isEmpty() && n.compare(wanted, Qt::CaseInsensitive) == 0)
            memoPath = info.dir().filePath(n);
    }
    if (memoPath.isEmpty())
        return Fail(error, QStringLiteral("the memo file %1 is missing")
                               .arg(info.completeBaseName() + QStringLiteral(".MB")));
    QString why;
    if (!memoFile.Open(memoPath, why)) {
        error = why;
        Close();
        return false;
    }
    return true;
}

bool ParadoxTable::Next(QVector<QVariant>& values, QString& error) {
    if (!fault.isEmpty()) {
        error = fault;
        return false;
    }
    error.clear();
    while (blockIndex < blocks.size()) {
        const Block& block = blocks[blockIndex];
        if (recordIndex >= block.records) {
            ++blockIndex;
            recordIndex = 0;
            blockLoaded = false;
            continue;
        }
        if (!blockLoaded) {
            const qint64 wanted = BlockHeader + qint64(block.records) * recordSize;
            if (!file.seek(block.offset) || (blockData = file.read(wanted)).size() != wanted) {
                fault = QStringLiteral("%1: cannot read block %2")
                            .arg(QDir::toNativeSeparators(path))
                            .arg(block.number);
                error = fault;
                return false;
            }
            blockLoaded = true;
        }
        const char* record = blockData.constData() + BlockHeader + recordIndex * recordSize;
        ++recordIndex;
        ++position;
        if (AllZero(record, recordSize))
            continue;
        values.resize(fields.size());
        const char* at = record;
        for (int i = 0; i < fields.size(); ++i) {
            QString what;
            if (!DecodeField(fields[i], at, values[i], what)) {
                fault = QStringLiteral("%1: record %2, field %3: %4")
                            .arg(QDir::toNativeSeparators(path))
                            .arg(position)
                            .arg(fields[i].name, what);
                error = fault;
                return false;
            }
            at += fields[i].size;
        }
        return true;
    }
    return false;
}

namespace {
// A four-byte value: a whole number, a date or a time of day. False, with what, for a time
// outside a day.
bool decodeFourBytes(ParadoxType type, const char* data, QVariant& value, QString& what) {
    const quint64 raw = BigEndian(data, 4);
    if (raw == 0)
        return true;
    const qint32 n = qint32(quint32(raw ^ 0x80000000u));
    if (type == ParadoxType::Date) {
        value = QDate::fromJulianDay(DayZero + n);
    } else if (type == ParadoxType::Time) {
        if (n < 0 || n >= MsecsPerDay) {
            what = QStringLiteral("the time %1 ms lies outside a day").arg(n);
            return false;
        }
        value = QTime::fromMSecsSinceStartOfDay(n);
    } else {
        value = int(n);
    }
    return true;
}

// An eight-byte value: a number, an amount or a timestamp. False, with what, for a timestamp
// out of range.
bool decodeEightBytes(ParadoxType type, const char* data, QVariant& value, QString& what) {
    const quint64 raw = BigEndian(data, 8);
    if (raw == 0)
        return true;
    const double d = StoredDouble(raw);
    if (type != ParadoxType::Timestamp) {
        value = d;
        return true;
    }
    // Milliseconds counted the same way as dates: 86400000 is 0001-01-01 00:00. Beyond some
    // 30,000 years either way a value can only be damage.
    if (!std::isfinite(d) || std::fabs(d) > 1e15) {
        what = QStringLiteral("the timestamp %1 is out of range").arg(d);
        return false;
    }
    const qint64 ms = std::llround(d);
    qint64 days = ms / MsecsPerDay;
    qint64 rest = ms % MsecsPerDay;
    if (rest < 0) {
        rest += MsecsPerDay;
        --days;
    }
    value = QDateTime(QDate::fromJulianDay(DayZero + days),
                      QTime::fromMSecsSinceStartOfDay(int(rest)), Qt::UTC);
    return true;
}
} // namespace

bool ParadoxTable::DecodeField(const ParadoxField& field, const char* data, QVariant& value,
                               QString& what) {
    value = QVariant();
    switch (field.type) {
    case ParadoxType::Alpha:
        if (data[0] != 0)
            value = codePage.Decode(data, field.size);
        return true;
    case ParadoxType::Short: {
        const quint64 raw = BigEndian(data, 2);
        if (raw != 0)
            value = int(qint16(quint16(raw ^ 0x8000)));
        return true;
    }
    case ParadoxType::Long:
    case ParadoxType::AutoIncrement:
    case ParadoxType::Date:
    case ParadoxType::Time:
        return decodeFourBytes(field.type, data, value, what);
    case ParadoxType::Number:
    case ParadoxType::Currency:
    case ParadoxType::Timestamp:
        return decodeEightBytes(field.type, data, value, what);
    case ParadoxType::Logical: {
        const quint8 b = quint8(data[0]);
        if (b != 0)
            value = (b ^ 0x80) != 0;
        return true;
    }
    case ParadoxType::Bcd:
    case ParadoxType::Bytes:
        if (!AllZero(data, field.size))
            value = QByteArray(data, field.size);
        return true;
    case ParadoxType::Memo:
    case ParadoxType::FormattedMemo:
    case ParadoxType::Blob:
    case ParadoxType::Ole:
    case ParadoxType::Graphic:
        return DecodeMemo(field, data, value, what);
    }
    return true;
}

bool ParadoxTable::DecodeMemo(const ParadoxField& field, const char* data, QVariant& value,
                              QString& what) {
    // The leader (the value's first bytes, or all of it when it fits), then the pointer into
    // the memo file, the value's length and a modification number, little-endian.
    const int leader = field.size - 10;
    const quint32 pointer = qFromLittleEndian<quint32>(data + leader);
    const quint32 length = qFromLittleEndian<quint32>(data + leader + 4);
    if (length == 0)
        return true;
    QByteArray bytes;
    if (length <= quint32(leader)) {
        bytes = QByteArray(data, int(length));
    } else if ((pointer & 0xFFFFFF00u) == 0) {
        what = QStringLiteral("the memo of %1 bytes has no place in the memo file").arg(length);
        return false;
    } else if (!memoFile.Read(pointer, length, bytes, what)) {
        what = QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(memoFile.Path()), what);
        return false;
    }
    if (field.type == ParadoxType::Memo || field.type == ParadoxType::FormattedMemo) {
        QString text = codePage.Decode(bytes);
        value = text.isNull() ? QStringLiteral("") : text;
    } else {
        value = bytes;
    }
    return true;
}
