#pragma once

#include <QString>

#include <functional>

struct Settings;

// The two forms in which every item of a database is written out: JSON Lines (store/JsonLines.h)
// to one file, or a folder of Markdown files (store/MarkdownExport.h).
enum class ExportFormat { JsonLines, Markdown };

// Called with the items written and the items in all; false stops the export, which then
// leaves nothing behind and says "Stopped".
using ExportProgress = std::function<bool(qint64 done, qint64 total)>;

// Writes every item of the database file database to target in format, with what the items
// depend on taken from settings (the diary's and the archive's ids). Read through one snapshot
// beside whatever else has the file open, and written whole or not at all. False, with error,
// when it could not; target is then as it was.
bool ExportAllItems(ExportFormat format, const QString& database, const QString& target,
                    const Settings& settings, QString& error, const ExportProgress& progress = {});
