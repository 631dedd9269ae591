#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>

// Copies of the items database, made while the program may be writing it. A copy is read from
// one snapshot of the file on a connection of its own, so it is consistent whatever commits
// meanwhile, and the program's writes never wait for it (the file is in WAL mode: a reader holds
// up no writer). It is written under a temporary name beside the copy's own, synced, checked
// and only then renamed, so a file with the copy's name is always a whole, checked database; a
// copy stopped or failed leaves nothing behind. The copy is a single file in rollback-journal
// mode; the program puts a file it opens back into WAL mode.

// How many daily copies are kept: the newest seven, and besides them the newest copy of each of
// the last four weeks (Monday to Sunday) and of each of the last twelve months, counted back
// from the newest copy. A database that went wrong unnoticed (emptied, say) thus pushes out at
// most a week of good copies.
constexpr int DailyBackupsKept = 7;
constexpr int WeeklyBackupsKept = 4;
constexpr int MonthlyBackupsKept = 12;

// DataFolder()/backup, where the daily copies live.
QString BackupFolder();
// The name of the daily copy of date: "cardolo-2024-03-05.db".
QString DailyBackupName(const QDate& date);
// The date in the name of a daily copy; an invalid date for any other name.
QDate DailyBackupDate(const QString& fileName);
// The temporary name a copy to target is written under until it is whole.
QString PartialBackupPath(const QString& target);

struct BackupOptions {
    // Pages copied in one step (4 MiB of the program's 4 KiB pages). Each step's pages are
    // flushed to disk before the next, so the disk never has a large burst to write that the
    // program's own commits would queue behind.
    int PagesPerStep = 1024;
    // Pause between steps, leaving the disk to the program's commits.
    int PauseMs = 10;
    // Runs the engine's quick_check on the copy before it takes its name.
    bool QuickCheck = true;
    // Set from another thread to abandon the copy at its next step.
    const std::atomic<bool>* Stop = nullptr;
    // Called after each step with the pages still to copy and the pages of the snapshot.
    std::function<void(int remaining, int total)> AfterStep;
    // Called with the temporary file once the copy in it is whole, before it is checked (a test
    // spoils a page there, as a failing disk would).
    std::function<void(const QString& temporaryFile)> BeforeCheck;
};

enum class BackupResult { Made, Stopped };

// The first lines of an engine's report (a check's findings, one a line): a long report is kept
// whole in file, which the text names, so that no message holds pages of it.
QString ShortReport(const QString& report, const QString& file, int lines = 3);

// The newest daily copy in folder (by the date in its name), as a full path; empty when there is
// none.
QString NewestDailyBackup(const QString& folder);

// When the database file at path is missing or empty (0 bytes) while the daily copies of it
// exist beside it, that is an accident, not a first start: the text that says so, names the
// newest copy and tells how to put it back. Empty otherwise, also when there are no copies (a
// first start).
QString LostDatabaseMessage(const QString& path);

// Copies the SQLite file database to target, which must not exist. Returns Stopped when
// options.Stop was set before the copy was whole; the temporary file is gone then. Throws
// DbError naming target when the copy fails (also when target exists), leaving no file. A
// folder that cannot be synced once the copy has its name is said on standard error only.
BackupResult BackupDatabase(const QString& database, const QString& target,
                            const BackupOptions& options = {});

// Removes from folder the temporary files of copies that no running copy is writing (left by a
// program that was killed). Returns how many files it removed.
int RemoveStaleBackupParts(const QString& folder);

// Deletes the daily copies in folder (files named as DailyBackupName names them) beyond the
// newest keep (newest by the date in the name) that are not the newest of their week or month
// among the last WeeklyBackupsKept weeks and MonthlyBackupsKept months, and never justMade (the
// copy just made, which a clock set back may have given an old date). Nothing else is touched.
// Returns the names deleted, newest first.
QStringList PruneDailyBackups(const QString& folder, int keep = DailyBackupsKept,
                              const QString& justMade = QString());
