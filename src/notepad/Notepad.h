#pragma once

#include "notepad/NotepadFiles.h"

#include <QFont>

// The notepad as the rest of the program calls it.

// Makes the window (hidden) at start-up if it does not exist yet; DestroyNotepad ends it at
// shutdown or between tests.
void CreateNotepad();
void DestroyNotepad();
// "Tools" > "Notepad": shows the window and brings it to the front.
void ShowNotepad();
// The program is ending: the notepad writes what changed and hides, asking nothing. forced (a
// shutdown that cannot wait): a failure goes to standard error instead of a message box.
void CloseNotepadForExit(bool forced = false);

// The notepad's font is the item text window's: the text window starts with the font npad.ini
// holds, and a font chosen there becomes the notepad's and is stored with it.
QFont StoredNotepadFont();
void SetNotepadFont(const QFont& font);

// A font as npad.ini keeps it, and back.
QFont NotepadQFont(const NotepadFontStyle& style);
NotepadFontStyle NotepadFontOf(const QFont& font);
