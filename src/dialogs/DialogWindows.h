#pragma once

#include <QPointer>

class TFAbout1;
class TFFlash;
class TFchoice;
class TFinpstr;

// The program's own message windows: the About window, the chooser, the input prompt and the
// flash window. Each is one instance, made on first use (or all at once at start-up), kept
// hidden between uses, and destroyed when the program ends; empty once destroyed, however that
// happened.
struct DialogWindowsState {
    QPointer<TFAbout1> About;
    QPointer<TFchoice> Chooser;
    QPointer<TFinpstr> Prompt;
    QPointer<TFFlash> Flash;
};
DialogWindowsState& DialogWindows();

// Makes the windows (hidden) that do not exist yet.
void CreateDialogWindows();
// Destroys the windows that exist; the next use makes them again.
void DestroyDialogWindows();
