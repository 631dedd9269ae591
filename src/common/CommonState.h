#pragma once

#include "common/Placement.h"

#include <QChar>
#include <QString>

// The state the helpers everything uses keep for the life of the program, in one place. Each
// value is also reachable under its own name (PadChar, PunctuationFolding, MessageCaption,
// ProgrammaticChange, LoadingItemText: see the headers that declare them).
struct CommonState {
    QChar PadChar = QLatin1Char('0'); // fills numbers to width (TextHelpers)
    bool PunctuationFolding = false;  // searches ignore punctuation (TextHelpers)
    QString MessageCaption;           // caption override for message boxes (Dialogs)
    bool ProgrammaticChange = false;  // code itself changed a control (Dialogs)
    bool LoadingItemText = false;     // the text window loads its page (Dialogs)
    int BusyCounter = 0;              // nesting of the busy cursor (Busy)
    MessageAnchor MessageBoxAnchor;   // where the last message box stood (Placement)
    MessageAnchor ChooserAnchor;      // the chooser's own (Placement)
    QString CollationLocale;          // names sort by it; null: the user's (NameCollator)
};

CommonState& Common();
// Back to the values the program starts with. The dialog backend and the busy hooks, which
// the window layer installs, are left as they are.
void ResetCommonState();
