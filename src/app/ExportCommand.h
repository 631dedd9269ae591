#pragma once

#include "store/ExportAll.h"

#include <QString>

// cardolo --export FILE.jsonl [--format jsonl]: every item and link of the program folder's
// database (folder empty: the default one) in JSON Lines; --export DIR --format markdown: every
// item as a Markdown file in the new folder DIR. Whole or not at all, also while the program
// runs; SIGINT and SIGTERM stop it, leaving nothing behind. Returns the exit code: 0 written,
// 1 refused or failed (the reason on standard error).
int RunExportCommand(const QString& folder, const QString& path, ExportFormat format);

// cardolo --restore-jsonl FILE.jsonl: a new database in the program folder from such a file,
// with the settings it names. Refused when the folder's database holds items the user made.
// Returns the exit code: 0 restored, 1 refused or failed (the line and the reason on standard
// error).
int RunRestoreCommand(const QString& folder, const QString& file);
