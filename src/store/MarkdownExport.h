#pragma once

#include "common/ItemId.h"

#include <QString>

#include <functional>

// Every item of a database as a folder of Markdown files, for a person to read, edit or publish
// elsewhere: one file per item, in folders that follow the links down (MarkdownLayout), each
// file a small YAML front matter and then the item's text.
//
//   ---
//   id: 12
//   title: "Smith, Anna"
//   ref: "0123 456"                                   when it has one
//   created: 2024-05-17T09:05:00                      the stamps to the second, local time
//   edited: 2024-05-18T10:00:00
//   hidden: true                                      a hider and the items it hides ...
//   hider: true                                       ... the hider itself
//   hidden_by: 34                                     ... an item its hider hides
//   archived: true                                    the archive item and its branch
//   parent_missing: 99                                at the top, for its parent is not there
//   parent_loop: true                                 at the top, for it is in a loop of parents
//   links:                                            the links across, in key order
//     - link: "[Okafor, Ben](../People/Okafor%2C%20Ben.md)"
//       note: "met at the fair"
//   ---
//
//   The text, its line ends (CR LF, or CR alone) as LF, which Markdown reads alike.
//
// Strings are YAML's double-quoted form; a link is a Markdown link relative to the file, its
// path percent-encoded. A stamp not in the program's form is kept as a string, as stored; a link
// to an item that is not there (a damaged file) gives its id as "missing".

using MarkdownProgress = std::function<bool(qint64 done, qint64 total)>;

struct MarkdownExported {
    qint64 Items = 0;
    qint64 Folders = 0;
};

// Writes the database file database (read through one snapshot, on a connection of its own, so
// that a running program may go on writing) as the folder folder, whole or not at all: built in
// a new folder beside it that takes its name only when every file is on disk. Refused when
// folder exists and is not an empty folder. archiveId names the archive item (0: none).
// progress hears of every item written; false from it stops the work, which leaves nothing
// behind and says "Stopped". False, with error, when it could not; folder is then as it was.
bool ExportMarkdown(const QString& database, const QString& folder, ItemId archiveId,
                    MarkdownExported& exported, QString& error,
                    const MarkdownProgress& progress = {});
