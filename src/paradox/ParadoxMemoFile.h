#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// The memo file (.MB) of a table, read only. It is a series of blocks made of 4096-byte chunks
// after a one-chunk header block. A memo or BLOB field too long for the part kept in its record
// names its data in this file by a pointer: the offset of a block with, in its low byte, 0xFF for
// a block that holds that one entry (spanning as many chunks as it needs), or else the index of
// its entry in a chunk shared by up to 64 small entries.
class ParadoxMemoFile {
public:
    // False, with the reason in error, when the file cannot be opened or is no memo file.
    bool Open(const QString& path, QString& error);
    void Close();
    bool IsOpen() const { return file.isOpen(); }
    QString Path() const { return file.fileName(); }

    // Reads the entry pointer names, which the record says is length bytes long. Every offset
    // and length is checked against the file before anything is read, so a damaged pointer
    // gives a reason in error (without the file name) instead of a wild read.
    bool Read(quint32 pointer, quint32 length, QByteArray& data, QString& error);

private:
    bool ReadAt(qint64 offset, qint64 size, QByteArray& data, QString& error);
    bool ReadSingle(qint64 offset, int index, qint64 blockEnd, quint32 length, QByteArray& data,
                    QString& error);
    bool ReadShared(qint64 offset, int index, qint64 blockEnd, quint32 length, QByteArray& data,
                    QString& error);

    QFile file;
    qint64 size = 0;
};
