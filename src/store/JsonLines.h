#pragma once

#include "common/ItemId.h"

#include <QString>

#include <functional>

// Every item and every link across of a database as JSON Lines, and back: an export that any
// program can read and that restores to the same database.
//
// The file is UTF-8, one JSON object a line, each line ended by "\n":
//   {"format":"cardolo-export","version":1,"program":"12.0","diaryid":1,"archiveid":0,
//    "items":N,"links":M}
//   {"type":"item","id":1,"name":...,"ref":...,"text":...,"parent":0,"rank":0,"numchildren":0,
//    "numcousins":0,"rprts":null,"srchts":null,"createdts":"2024-05-17T09:05:00.000",
//    "editts":null}                                    one line per item, in id order
// A stored time stamp not in the program's form is written as {"text":"..."}, and a blob as
// {"blob":"<base64>"}.
//   {"type":"link","id1":2,"id2":3,"drop":0,"note":"met at the fair"}
//                                                      one per row of the links, in key order
// Every column as stored: texts exactly (CR LF kept), a missing value as null, whole numbers as
// numbers. Time stamps in the program's form are written as ISO 8601 with milliseconds
// (2024-05-17T09:05:00.000) and read back into that form; any other stored value of a time
// stamp's column is written as {"text":"..."}, so that it comes back exactly as it was. The
// same database exported twice gives the same bytes, and so does an export of its restore.

struct JsonExportHeader {
    QString Program; // the program's version
    ItemId DiaryId;  // the settings the items depend on
    ItemId ArchiveId;
};

// Called with the rows written (after every row of an export, every so many lines of a restore)
// and the rows in all; false stops the work, which then leaves nothing behind.
using JsonProgress = std::function<bool(qint64 done, qint64 total)>;

// Writes the database file database (read through one snapshot, on a connection of its own, so
// that a running program may go on writing) to path, whole or not at all: into a file beside
// it that takes its name only when every line is on disk. False, with error, when it could
// not; a file at path is then as it was.
bool ExportJsonLines(const QString& database, const QString& path, const JsonExportHeader& header,
                     QString& error, const JsonProgress& progress = {});

// What a restore read from the file's header, for the settings.
struct JsonRestored {
    ItemId DiaryId;
    ItemId ArchiveId;
    qint64 Items = 0;
    qint64 Links = 0;
};

// Checks the export file whole (its format and version, every line a valid object of its kind,
// ids unique, every parent and every link's items among the items, every link with its mirror,
// the stored counts of links down and across agreeing with the links, the numbers of items and
// links the header gives), then makes the database file database from it, with the same ids,
// values and links, in one transaction, in a file beside it that takes its name only when
// whole. An existing file at database is replaced; the caller has made sure it may be. False,
// with error naming the line and the reason (or what failed), and nothing made.
bool RestoreJsonLines(const QString& file, const QString& database, JsonRestored& restored,
                      QString& error, const JsonProgress& progress = {});
