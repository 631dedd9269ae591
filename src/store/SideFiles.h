#pragma once

#include <QString>
#include <QStringList>

// The engine's files beside a database in WAL mode: its log (-wal) and the log's index (-shm).
// A connection makes them as it opens the file, also one that only reads; a program that used
// the file alone removes again those it made, so a folder is left as it was found.

// The log and its index beside database, the log first.
QStringList SideFilesOf(const QString& database);
// Those of them that do not exist now.
QStringList MissingSideFiles(const QString& database);
// Removes the side files named (made by this process while no other one used the database),
// the log first, unless the log holds something: then both stay, for the next connection to
// read.
void RemoveEmptySideFiles(const QStringList& made);
