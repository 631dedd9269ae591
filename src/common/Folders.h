#pragma once

#include <QString>

// Where the program keeps its files. ProgramFolder always ends in a separator; DataFolder
// does not.

extern const QString ApplicationTitle; // "Cardolo"

QString ProgramFolder();
void SetProgramFolder(const QString& folder);
QString DataFolder();
// Creates DataFolder when it is missing and makes sure a file can be made in it. False, with
// error telling why (a file of that name, a folder the user may not write, a full or read-only
// disk) and what to do, when not.
bool EnsureDataFolder(QString* error = nullptr);
// A person's notes are theirs alone: from now on every file and folder the process makes is
// readable by its owner only (0600 and 0700), whatever the umask it was started with; existing
// files and folders keep their modes. Called first thing at start.
void KeepNewFilesPrivate();
// Makes folder, readable by its owner only, when it is missing (its parent must exist); an
// existing folder keeps its mode. False, with errno set, when it cannot be made.
bool MakePrivateFolder(const QString& folder);
// What to do when a write in folder failed with the system's errno osError; empty when there
// is nothing to say beyond the error itself.
QString WriteFailureAdvice(int osError, const QString& folder);
QString SettingsPath();
QString LockFilePath();
QString DatabasePath();

// The folder a program started without --folder uses: its own folder when that is writable
// and is not an installed copy's bin folder, else the per-user data folder
// ($XDG_DATA_HOME/cardolo, by default ~/.local/share/cardolo), made when missing.
QString DefaultProgramFolder(const QString& executableFolder);
// The choice DefaultProgramFolder makes, without looking at the disk; userDataFolder is the
// per-user data folder (~/.local/share).
QString ChooseProgramFolder(const QString& executableFolder, bool executableFolderWritable,
                            const QString& userDataFolder);
