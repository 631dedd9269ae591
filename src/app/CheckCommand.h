#pragma once

#include <QString>

// cardolo --check [--repair] [--counts]: the database health check without a window. The
// report goes to standard output line by line, progress to standard error when that is a
// terminal. Needs no display; run it with a QCoreApplication.
struct CheckCommandOptions {
    QString folder; // empty: the default program folder
    bool repair = false;
    bool counts = false;
};

// Exit codes: 0 when the scan (the recheck, after a repair) found nothing, 1 when it found
// problems, 2 when the check could not run, the reason on standard error: also when the
// database file is damaged (the engine's report of the damage; nothing is scanned or repaired).
int RunCheckCommand(const CheckCommandOptions& options);
