#include "paradox/ParadoxMemoFile.h"

#include <QtEndian>

namespace {
constexpr qint64 ChunkSize = 4096;
// Header of a block holding one entry: type, chunk count, length, modification number.
constexpr qint64 SingleEntryHeader = 9;
// Header of a shared chunk, followed by its table of 64 five-byte entries.
constexpr qint64 SharedHeader = 12;
constexpr int SharedEntries = 64;

enum BlockType : quint8 { HeaderBlock = 0, SingleEntry = 2, SharedChunk = 3, FreeBlock = 4 };

quint16 U16(const QByteArray& b, int at) {
    return qFromLittleEndian<quint16>(b.constData() + at);
}
quint32 U32(const QByteArray& b, int at) {
    return qFromLittleEndian<quint32>(b.constData() + at);
}
} // namespace

bool ParadoxMemoFile::Open(const QString& path, QString& error) {
    Close();
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("%1: cannot open the memo file: %2").arg(path, file.errorString());
        return false;
    }
    size = file.size();
    QByteArray head;
    QString why;
    if (size < ChunkSize || !ReadAt(0, 3, head, why) || quint8(head[0]) != HeaderBlock) {
        error = QStringLiteral("%1: not a memo file (no header block)").arg(path);
        Close();
        return false;
    }
    return true;
}

void ParadoxMemoFile::Close() {
    file.close();
    size = 0;
}

bool ParadoxMemoFile::ReadAt(qint64 offset, qint64 count, QByteArray& data, QString& error) {
    if (offset < 0 || count < 0 || offset + count > size) {
        error = QStringLiteral("the memo lies past the end of the memo file");
        return false;
    }
    if (!file.seek(offset)) {
        error = QStringLiteral("cannot read the memo file: %1").arg(file.errorString());
        return false;
    }
    data = file.read(count);
    if (data.size() != count) {
        error = QStringLiteral("the memo file is cut short");
        return false;
    }
    return true;
}

bool ParadoxMemoFile::Read(quint32 pointer, quint32 length, QByteArray& data, QString& error) {
    const qint64 offset = pointer & 0xFFFFFF00u;
    const int index = int(pointer & 0xFFu);
    if (offset < ChunkSize) {
        error = QStringLiteral("the memo points into the header of the memo file");
        return false;
    }
    QByteArray head;
    if (!ReadAt(offset, 3, head, error))
        return false;
    const quint8 type = quint8(head[0]);
    const qint64 chunks = U16(head, 1);
    if (chunks < 1) {
        error = QStringLiteral("the memo's block at offset %1 has no size").arg(offset);
        return false;
    }
    // The entry must lie within the block its header declares; the block itself may end with
    // the file (a writer need not pad the last block to its whole size), so the file's end is
    // checked where the entry is read.
    const qint64 blockEnd = offset + chunks * ChunkSize;

    if (type == SingleEntry)
        return ReadSingle(offset, index, blockEnd, length, data, error);
    if (type == SharedChunk)
        return ReadShared(offset, index, blockEnd, length, data, error);
    if (type == FreeBlock)
        error = QStringLiteral("the memo points to a free block at offset %1").arg(offset);
    else if (type == HeaderBlock)
        error = QStringLiteral("the memo points to a header block at offset %1").arg(offset);
    else
        error = QStringLiteral("the memo points to a block of unknown type %1 at offset %2")
                    .arg(type)
                    .arg(offset);
    return false;
}

// The one entry of a block that holds a single memo (index 0xFF), of length bytes.
bool ParadoxMemoFile::ReadSingle(qint64 offset, int index, qint64 blockEnd, quint32 length,
                                 QByteArray& data, QString& error) {
    if (index != 0xFF) {
        error = QStringLiteral("the memo names entry %1 of a block at offset %2 that holds "
                               "one entry")
                    .arg(index)
                    .arg(offset);
        return false;
    }
    QByteArray head;
    if (!ReadAt(offset, SingleEntryHeader, head, error))
        return false;
    const quint32 stored = U32(head, 3);
    if (stored != length) {
        error = QStringLiteral("the memo file holds %1 bytes at offset %2 where the record "
                               "says %3")
                    .arg(stored)
                    .arg(offset)
                    .arg(length);
        return false;
    }
    if (offset + SingleEntryHeader + length > blockEnd) {
        error = QStringLiteral("the memo at offset %1 runs past the end of its block").arg(offset);
        return false;
    }
    return ReadAt(offset + SingleEntryHeader, length, data, error);
}

// Entry index of a block shared by up to 64 small memos, of length bytes.
bool ParadoxMemoFile::ReadShared(qint64 offset, int index, qint64 blockEnd, quint32 length,
                                 QByteArray& data, QString& error) {
    if (index >= SharedEntries) {
        error = QStringLiteral("the memo names entry %1 of a shared block at offset %2, "
                               "which has 64")
                    .arg(index)
                    .arg(offset);
        return false;
    }
    QByteArray entry;
    if (!ReadAt(offset + SharedHeader + 5 * index, 5, entry, error))
        return false;
    const qint64 start = quint8(entry[0]) * 16;
    const qint64 sixteens = quint8(entry[1]);
    const qint64 last = quint8(entry[4]);
    if (start == 0 || sixteens == 0 || last == 0 || last > 16) {
        error = QStringLiteral("the memo names entry %1 of the block at offset %2, which "
                               "was deleted")
                    .arg(index)
                    .arg(offset);
        return false;
    }
    const qint64 stored = (sixteens - 1) * 16 + last;
    if (stored != length) {
        error = QStringLiteral("the memo file holds %1 bytes at offset %2 where the record "
                               "says %3")
                    .arg(stored)
                    .arg(offset)
                    .arg(length);
        return false;
    }
    if (start < SharedHeader + 5 * SharedEntries || offset + start + length > blockEnd) {
        error = QStringLiteral("entry %1 of the block at offset %2 lies outside its block")
                    .arg(index)
                    .arg(offset);
        return false;
    }
    return ReadAt(offset + start, length, data, error);
}
