#pragma once

#include <QString>

// cardolo --backup FILE: one copy of the program folder's database, made to FILE without a
// window and without the program's lock: a copy taken while the program runs is consistent, as
// the engine's own locking sees to it. Needs no display; run it with a QCoreApplication.
// folder is the program folder given with --folder, empty for the default one. FILE must not
// exist. Exit codes: 0 when the copy was made, 1 when it was refused or failed, the message on
// standard error naming the file. SIGINT and SIGTERM abandon the copy, leaving no file.
int RunBackupCommand(const QString& folder, const QString& file);
