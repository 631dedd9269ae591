#pragma once

#include "store/Database.h"

#include <QString>

#include <functional>

// Databases made by older versions reach the current layout in steps, each named by the DBVN it
// leaves behind: 702 and 703 run before the windows are made, 704, 1000, 1001 and 1100 in the
// store's start-up (CoreStartup). Each step asks that a backup exists, changes the tables in one
// transaction, then raises DBVN and has the settings saved at once, so that a series cut short
// resumes at the next start with the first step not yet done, and a step that fails leaves the
// tables as they were and runs again from its start.

// The DBVN of a database that has had every step.
constexpr int NewestDbvn = 1100;

// The store is told where DBVN is held and how to save it with the other settings, as
// BindStoreSettings tells it the diary and archive ids. Unbound, it keeps a holder of its own
// at 800, the value that runs no step, and saves nothing. Binding also begins a new series: the
// first step run after it copies the database first.
void BindConversionSettings(int& dbvn, std::function<void()> saveSettings);
int& StoreDbvn();

// The steps ask before changing anything; Declined means the user did not confirm the backup
// and the program must end now, with the tables as the last completed step left them.
enum class ConversionResult { Done, Declined };

// A step the engine refused: Text is the engine's text, Step the step that was undone.
class ConversionError : public DbError {
public:
    ConversionError(const DbError& cause, int step) : DbError(cause.Text, cause.Code), Step(step) {}
    int Step;
};

// Steps 702 (DBVN below 702) and 703 (DBVN below 703), on PhoneDB.
ConversionResult RunEarlyConversionSteps();
// Steps 704 (DBVN 703), 1000 (704), 1001 (1000) and 1100 (1001), each test made after the
// step before. Throws ConversionError for a refused step.
ConversionResult RunLateConversionSteps();

// Whether a DBVN calls for any step.
bool ConversionPending(int dbvn);
// A database just made new has the current layout, whatever DBVN the settings carry from an
// older installation: a DBVN that would run a step becomes NewestDbvn and is saved.
void NoteNewDatabase();

// The question step begins with; true only for Yes. It names the copy made before the series'
// first step, and for a later step says that the copy is from before that first step.
bool ConfirmConversion(int step);
// Runs one statement that returns no rows.
void ExecStatement(const QString& sql);
// Where the copy of the database taken before a step at dbvn goes: beside the database file.
QString ConversionCopyPath(int dbvn);
