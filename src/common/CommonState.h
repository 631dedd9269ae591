#pragma once

#include "common/Busy.h"
#include "common/NameCollator.h"
#include "common/NamedStack.h"
#include "common/Placement.h"
#include "common/Settings.h"
#include "common/WorkProgress.h"

#include <QChar>
#include <QDateTime>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

class DialogBackend;

// The state the helpers everything uses keep for the life of the program, in one place, reached
// through Common() or the functions of the header named beside each.
struct CommonState {
    // Fill character of PadNumber; the diary switches it to a blank while it fills its grid.
    QChar PadChar = QLatin1Char('0');
    bool PunctuationFolding = false; // searches compare letters and digits only (TextHelpers)
    QString MessageCaption;          // caption override for message boxes; empty: the title
    bool ProgrammaticChange = false; // code itself checks a radio button or clears an edit box
    bool LoadingItemText = false;    // the text window loads its page
    int BusyCounter = 0;             // nesting of the busy cursor (Busy)
    MessageAnchor MessageBoxAnchor;  // where the last message box stood (Placement)
    MessageAnchor ChooserAnchor;     // the chooser's own (Placement)
    QString CollationLocale;         // names sort by it; null: the user's (NameCollator)
    // The collator UserNameCollator made last, kept while the locale stays (NameCollator).
    std::unique_ptr<NameCollator> UserCollator;
    // The clock tests put in place of the real one; empty: the real one (Clock).
    std::function<QDateTime()> Clock;
    // What the window layer installs to show the busy cursor (Busy) and the progress of long
    // work (WorkProgress); empty until it does.
    BusyHooks Busy;
    WorkProgressHooks Progress;
    // The backend that shows messages and asks questions; null: the silent one (Dialogs).
    DialogBackend* Backend = nullptr;
    // The program folder, with its separator at the end; empty until start-up sets it (Folders).
    QString ProgramFolderPath;
    // Where the settings are read and written; empty until start-up sets it (Settings).
    QString SettingsFilePath;
    // The settings holders (Settings).
    Settings ProgramSettings = StartSettings();
    // The queue of integers that PushInteger and TakeInteger use (NamedStack).
    NamedStack<int32_t> Integers{QStringLiteral("integers"), 'Q'};
};

CommonState& Common();
// Back to the values the program starts with: also the hooks and the dialog backend that the
// window layer installs, and a busy cursor still shown is taken away by its own hook first.
void ResetCommonState();
