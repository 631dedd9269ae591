#pragma once

#include "store/Import.h"

#include <QString>

// The import of the older version's Paradox tables (PHONEBK.DB with its memo file, mm2.db and
// mm.DB) into a new database: offered at start when the data folder holds them and no database,
// and run by cardolo --import DIR without a window. The Paradox files are only read.

// The file named name in dir, its name compared without regard to case (tables copied from
// another system keep whatever case they had there); empty when there is none.
QString FindTableFile(const QString& dir, const QString& name);

// Reads the tables of dir into a new database at path: PHONEBK.DB, and mm2.db and mm.DB where
// present. False, with nothing made at path, when a table cannot be read or stored; error says
// which and why. counts gets the records read from each file, in the order read.
bool ImportFolder(const QString& dir, const QString& path, QString& error,
                  const ImportProgress& progress = {}, QStringList* counts = nullptr);

// Start-up, before the database is opened: when the data folder holds PHONEBK.DB and there is no
// database yet, asks "Import the items from PHONEBK.DB?" and on Yes imports the data folder's
// tables, showing progress while a large table is read. False when the import failed: its
// message has been shown and the program must end, with no database made.
bool OfferImportAtStart();

// cardolo --import DIR: imports the tables of dir into the program folder's database, which
// must not exist yet; DBVN, DIARYID and ARCHIVEID of DIR's PHONEBK.INI, which describe those
// tables, go into the program folder's settings, so that the next start converts them. Needs a
// QCoreApplication. Exit codes: 0 imported, 1 refused or failed (the reason on standard error).
int RunImportCommand(const QString& folder, const QString& dir);
