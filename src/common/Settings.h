#pragma once

#include "common/ItemId.h"

#include <QString>

// The program's settings, section main of PHONEBK.INI in the data folder. Read once at
// start, written on every close of the main window and after each database conversion step.
struct Settings {
    QString Prefix;
    int Dbvn = 800;
    bool WantTabs = false;
    ItemId DiaryId;
    int FlashInterval = 1000;
    bool ShowLinkCounts = false;
    ItemId ArchiveId;
};

// The holders the whole program reads and changes.
Settings& AppSettings();
// The holders as the program starts, before the file is read.
Settings StartSettings();

// Where ReadSettings and WriteSettings look; empty until start-up has computed it.
void SetSettingsFile(const QString& path);
QString SettingsFile();

// Reads the seven keys into AppSettings(); missing file, section or key gives the default.
void ReadSettings();
// Writes the seven keys, keeping every other key, comment and the order of the file.
// Does nothing before SetSettingsFile; a write that fails is not reported.
void WriteSettings();

// One key of section main that Settings does not hold, as text; empty when it is missing.
QString ReadSettingValue(const QString& path, const char* key);
// Sets one such key, or removes it when value is empty, keeping every other key, comment and
// the order of the file. False when the file could not be read or written.
bool WriteSettingValue(const QString& path, const char* key, const QString& value);

// File-level forms, used by the two above and by tests.
Settings ReadSettingsFrom(const QString& path);
bool WriteSettingsTo(const QString& path, const Settings& settings);
