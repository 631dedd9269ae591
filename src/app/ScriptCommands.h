#pragma once

#include <QString>

// The commands for scripts: each reads the program folder's database (folder empty: the
// default one) through one snapshot of its own, beside a running program or none, writes
// nothing (no search stamps either) and leaves no file behind. Output is UTF-8.

// cardolo --find TEXT: the items the list window's search lists for TEXT, with the search
// dialog's default options (case and punctuation ignored; a hider's group only when TEXT is
// the hider's name exactly), one a line in id order: id, name and Ref separated by TABs, any
// TAB or line end in a name or Ref as a blank. Exit code, as grep's: 0 something found,
// 1 nothing found, 2 the search could not run (the reason on standard error).
int RunFindCommand(const QString& folder, const QString& text);

// cardolo --show ID: the item's name on a line, its Ref on the next (a line end in either as a
// blank), then its text, its line ends (CR LF, or CR alone) as LF and a line end after its last
// line. Hidden and archived items
// too. Exit code: 0 shown, 1 no such item, 2 it could not be read.
int RunShowCommand(const QString& folder, qint64 id);
