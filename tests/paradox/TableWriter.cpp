#include "TableWriter.h"

#include <QtEndian>

#include <cstring>

namespace {
void Put16(QByteArray& b, qint64 at, quint16 v) {
    qToLittleEndian(v, b.data() + at);
}
void Put32(QByteArray& b, qint64 at, quint32 v) {
    qToLittleEndian(v, b.data() + at);
}
QByteArray BigEndian(quint64 v, int size) {
    QByteArray b(size, '\0');
    for (int i = size - 1; i >= 0; --i, v >>= 8)
        b[i] = char(v & 0xFF);
    return b;
}
constexpr qint64 Chunk = 4096;
} // namespace

TableWriter::TableWriter(QVector<Field> f) : fields(std::move(f)) {
    memo = QByteArray(Chunk, '\0'); // the header block: type 0, one chunk
    Put16(memo, 1, 1);
}

QByteArray TableWriter::Blank(int size) {
    return QByteArray(size, '\0');
}
QByteArray TableWriter::Alpha(const QByteArray& text, int size) {
    QByteArray b = text.left(size);
    b.append(QByteArray(size - b.size(), '\0'));
    return b;
}
QByteArray TableWriter::Short(int v) {
    return BigEndian(quint16(v) ^ 0x8000u, 2);
}
QByteArray TableWriter::Long(qint32 v) {
    return BigEndian(quint32(v) ^ 0x80000000u, 4);
}
QByteArray TableWriter::Number(double v) {
    quint64 bits;
    std::memcpy(&bits, &v, sizeof bits);
    bits = (bits >> 63) ? ~bits : bits ^ (quint64(1) << 63);
    return BigEndian(bits, 8);
}
QByteArray TableWriter::Logical(bool v) {
    return QByteArray(1, char(v ? 0x81 : 0x80));
}
QByteArray TableWriter::Date(const QDate& d) {
    return Long(qint32(d.toJulianDay() - 1721425));
}
QByteArray TableWriter::Time(int msecs) {
    return Long(msecs);
}
QByteArray TableWriter::Timestamp(const QDate& d, qint64 msecsOfDay) {
    return Number(double((d.toJulianDay() - 1721425) * 86400000 + msecsOfDay));
}

QByteArray TableWriter::Memo(const QByteArray& data, int fieldSize, Place place) {
    const int leader = fieldSize - 10;
    QByteArray field = Alpha(data.left(leader), leader) + QByteArray(10, '\0');
    Put32(field, leader + 4, quint32(data.size()));
    Put16(field, leader + 8, 1);
    if (place == Place::Record)
        return field;
    if (place == Place::Single) {
        const qint64 offset = memo.size();
        const qint64 chunks = (9 + data.size() + Chunk - 1) / Chunk;
        memo.append(QByteArray(chunks * Chunk, '\0'));
        memo[offset] = 2;
        Put16(memo, offset + 1, quint16(chunks));
        Put32(memo, offset + 3, quint32(data.size()));
        Put16(memo, offset + 7, 1);
        std::memcpy(memo.data() + offset + 9, data.constData(), size_t(data.size()));
        Put32(field, leader, quint32(offset) | 0xFFu);
        return field;
    }
    const int units = int((data.size() + 15) / 16);
    if (sharedChunk == 0 || sharedEntry == 0 || sharedNext + units > int(Chunk / 16)) {
        sharedChunk = memo.size();
        memo.append(QByteArray(Chunk, '\0'));
        memo[sharedChunk] = 3;
        Put16(memo, sharedChunk + 1, 1);
        sharedNext = 0x150 / 16; // the first unit after the entry table
        sharedEntry = 64;
    }
    const int entry = --sharedEntry;
    const qint64 at = sharedChunk + 12 + 5 * entry;
    memo[at] = char(sharedNext);
    memo[at + 1] = char(units);
    Put16(memo, at + 2, 1);
    memo[at + 4] = char(data.size() - (units - 1) * 16);
    std::memcpy(memo.data() + sharedChunk + sharedNext * 16, data.constData(), size_t(data.size()));
    sharedNext += units;
    Put32(field, leader, quint32(sharedChunk) | quint32(entry));
    return field;
}

void TableWriter::Add(const QVector<QByteArray>& values) {
    records.append(Record(values));
}

QByteArray TableWriter::Record(const QVector<QByteArray>& values) const {
    QByteArray r;
    for (const QByteArray& v : values)
        r += v;
    Q_ASSERT(r.size() == RecordSize());
    return r;
}

int TableWriter::RecordSize() const {
    int size = 0;
    for (const Field& f : fields)
        size += f.type == 0x17 ? 17 : f.size;
    return size;
}

QByteArray TableWriter::Table() const {
    const int recordSize = RecordSize();
    const int perBlock = recordsPerBlock > 0 ? recordsPerBlock : (BlockSize() - 6) / recordSize;
    QVector<int> order = chain;
    const int needed = int((records.size() + perBlock - 1) / perBlock);
    if (order.isEmpty())
        for (int i = 1; i <= needed; ++i)
            order.append(i);
    int blocks = spare;
    for (int n : order)
        blocks = qMax(blocks, n);
    blocks = qMax(blocks, int(order.size()) + spare);

    QByteArray t(HeaderSize() + qint64(blocks) * BlockSize(), '\0');
    Put16(t, 0x00, quint16(recordSize));
    Put16(t, 0x02, quint16(HeaderSize()));
    t[0x04] = char(fileType);
    t[0x05] = char(blockCode);
    Put32(t, 0x06, quint32(records.size()));
    Put16(t, 0x0A, quint16(blocks));
    Put16(t, 0x0C, quint16(blocks));
    Put16(t, 0x0E, quint16(order.isEmpty() ? 0 : order.first()));
    Put16(t, 0x10, quint16(order.isEmpty() ? 0 : order.last()));
    Put16(t, 0x21, quint16(fields.size()));
    t[0x39] = char(version);
    const bool newHeader = version >= 5;
    if (newHeader) {
        Put32(t, 0x25, 0xFF00FF00u);
        Put32(t, 0x5C, encryption);
        Put16(t, 0x6A, quint16(codePage));
    } else {
        Put32(t, 0x25, encryption);
    }
    int at = newHeader ? 0x78 : 0x58;
    for (const Field& f : fields) {
        t[at++] = char(f.type);
        t[at++] = char(f.size);
    }
    at += 4 + 4 * int(fields.size()) + (version >= 0x0C ? 261 : 79);
    for (const Field& f : fields) {
        std::memcpy(t.data() + at, f.name.constData(), size_t(f.name.size()));
        at += int(f.name.size()) + 1;
    }
    Q_ASSERT(at < HeaderSize());

    auto writeBlock = [&](int number, int next, int prev, const QVector<QByteArray>& rows) {
        const qint64 offset = BlockOffset(number);
        Put16(t, offset, quint16(next));
        Put16(t, offset + 2, quint16(prev));
        Put16(t, offset + 4, quint16(qint16((int(rows.size()) - 1) * recordSize)));
        for (int i = 0; i < rows.size(); ++i)
            std::memcpy(t.data() + offset + 6 + i * recordSize, rows[i].constData(),
                        size_t(recordSize));
    };
    for (int i = 0; i < order.size(); ++i)
        writeBlock(order[i], i + 1 < order.size() ? order[i + 1] : 0, i > 0 ? order[i - 1] : 0,
                   records.mid(i * perBlock, perBlock));
    int next = 1;
    for (int s = 0; s < spare; ++s) {
        while (order.contains(next))
            ++next;
        QVector<QByteArray> rows;
        for (const QVector<QByteArray>& r : spareRecords)
            rows.append(Record(r));
        writeBlock(next++, 0, 0, rows);
    }
    return t;
}
