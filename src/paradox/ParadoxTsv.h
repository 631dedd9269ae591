#pragma once

#include "paradox/ParadoxTable.h"

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <cstdio>

// A table as tab-separated text, for looking into an old table and comparing it with what it
// should hold: a line of field names, then one line per record in file order, UTF-8, each line
// ended by LF. A NULL is an empty field. Dates are yyyy-mm-dd, times hh:mm:ss, timestamps
// yyyy-mm-dd hh:mm:ss.zzz, logicals true or false, numbers the shortest text that reads back
// as the same number, BLOB-like values their bytes in hexadecimal. In texts (and names) a
// backslash, TAB, CR and LF are written \\, \t, \r and \n, so that one record is one line.

// One value of field as it stands in a line.
QString TsvValue(const ParadoxField& field, const QVariant& value);
// Escapes the backslash, TAB, CR and LF of text.
QString TsvText(const QString& text);

// Writes the table at path to out. False, with the reader's message in error, when the table
// cannot be opened or read, or when out refuses the text; the lines of the records read before
// a fault have been written by then.
bool WriteTableTsv(const QString& path, std::FILE* out, QString& error);

// cardolo --dump-table: the table to standard output; the exit code 0, or 1 with the message
// on standard error. Needs no program folder, lock or display.
int DumpTable(const QString& path);
