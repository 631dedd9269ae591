#pragma once

#include <QString>
#include <QtGlobal>

// The write-ahead log beside the database holds every page a commit wrote until a checkpoint
// copies the pages into the database; the file keeps its largest size until it is cut. PhoneDB
// never copies it itself, so that no command waits for it: once a commit has left
// CheckpointAfterPages pages or more in the log, a thread of its own, on a connection of its
// own, copies the log into the database without holding up the program's writes. Once all of
// it is copied, PhoneDB's next write starts the log over and cuts the file back to
// JournalSizeLimit; closing the database removes it. A commit is on disk once it is in the log,
// so none of this changes when a change is safe.

constexpr qint64 JournalSizeLimit = 4 * 1024 * 1024;
constexpr int CheckpointAfterPages = 1000;

// Starts the checkpoints of PhoneDB's file (OpenPhoneDB calls it); throws DbError when the
// thread's connection cannot open.
void StartLogCheckpoints();
// Stops them and waits for the thread (ClosePhoneDB calls it).
void StopLogCheckpoints();
// Asks for a checkpoint now, whatever the log holds.
void RequestLogCheckpoint();
// The log's size in bytes (0 when there is none).
qint64 WriteAheadLogBytes();
