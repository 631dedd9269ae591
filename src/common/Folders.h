#pragma once

#include <QString>

// Where the program keeps its files. ProgramFolder always ends in a separator; DataFolder
// does not.

extern const QString ApplicationTitle; // "Cardolo"

QString ProgramFolder();
void SetProgramFolder(const QString& folder);
QString DataFolder();
// Creates DataFolder when it is missing. False when it could not be made.
bool EnsureDataFolder(QString* error = nullptr);
QString SettingsPath();
QString LockFilePath();
QString DatabasePath();

// The folder a program started without --folder uses: its own folder when that is writable,
// else the per-user data folder (~/.local/share/cardolo).
QString DefaultProgramFolder(const QString& executableFolder);
