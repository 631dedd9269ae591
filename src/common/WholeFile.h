#pragma once

#include <QByteArray>
#include <QString>

// Writes bytes to path whole or not at all: into a new file beside it, which replaces the old
// one only once every byte is on disk, so a crash or a full disk never leaves half a file. The
// writes are unbuffered, so that one the disk cuts short is seen (a buffered device reports
// the whole text as written and would put the short file in place of the old one). On
// failure: false, with "Cannot save <path>: <the system's reason>" in error, and the old file
// as it was. directFallback: where the folder refuses new files, the file itself may be
// rewritten in place instead.
// "Cannot save <path>: <reason>", the text of every failed save of a file.
QString CannotSaveText(const QString& path, const QString& reason);

bool WriteWholeFile(const QString& path, const QByteArray& bytes, QString& error,
                    bool directFallback = false);
