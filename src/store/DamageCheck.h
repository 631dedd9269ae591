#pragma once

#include <QString>
#include <QStringList>

struct sqlite3;

// The engine's check of a database file's structure (PRAGMA quick_check): every page of every
// table and index where it belongs, every row within its page, the list of free pages. It reads
// the whole file: a file of 1.4 GB took 3 s from the disk cache and 29 s from the disk, too long
// to wait for at every start. So the program runs it once per start in the background, and the
// start itself reads only the file's header, its list of tables and the ends of the two tables
// (OpenPhoneDB). It does not compare the indexes with their tables (PRAGMA integrity_check, five
// times slower), which no damage to the disk can leave wrong without breaking a page too.

// Opens path for reading only on a connection of the linked engine, for FindDamage. Throws
// DbError when the engine cannot open it.
sqlite3* OpenForDamageCheck(const QString& path);
// Runs the check on db: the problems the engine lists, at most maxLines of them, or the engine's
// text when the file cannot be read far enough to list any; empty when the file is sound. Throws
// DbError for a failure that is not damage (the disk, an interruption).
QStringList FindDamage(sqlite3* db, int maxLines = 10);
// The same on a connection of its own to path, opened for reading only and closed again.
QStringList FindDamage(const QString& path, int maxLines = 10);

// Checks PhoneDB's file once on a thread of its own, on a connection of its own, at the lowest
// disk and processor priority, so that a damaged page anywhere in the file is found soon after
// the start without holding the start or the user up. Damage found is noted (NoteDatabaseDamage):
// writes are refused from then on and the damage is told once. Throws DbError when PhoneDB is
// not open.
void StartDamageCheck();
// Stops a check under way and waits for it (ClosePhoneDB calls it).
void StopDamageCheck();
// Whether a check is under way (for tests).
bool DamageCheckRunning();
