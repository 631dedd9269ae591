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
                  const ImportProgress& progress = {}, QStringList* counts = nullptr,
                  bool replace = false);

// Start-up, before the database is opened: when the data folder holds PHONEBK.DB and there is no
// database yet, or one that holds nothing the user made (the import was declined at an earlier
// start), asks "Import the items from PHONEBK.DB?" and on Yes imports the data folder's tables,
// in place of that database, showing progress while a large table is read. The tables'
// DBVN, when a declined import's new database raised the settings' one, is put back. False
// when the import failed: its message has been shown and the program must end, with the
// database as it was.
bool OfferImportAtStart();
// A new database is being made beside the older version's tables (their import was declined):
// what the settings say of the tables (DBVN, the diary's id), which the new database changes,
// is kept in the settings file (IMPORTDBVN, IMPORTDIARYID) for a later import.
void KeepOldTablesSettings();

// cardolo --import DIR: imports the tables of dir into the program folder's database, which
// must not exist yet; DBVN, DIARYID and ARCHIVEID of DIR's PHONEBK.INI, which describe those
// tables, go into the program folder's settings, so that the next start converts them. Needs a
// QCoreApplication. Exit codes: 0 imported, 1 refused or failed (the reason on standard error).
int RunImportCommand(const QString& folder, const QString& dir);
