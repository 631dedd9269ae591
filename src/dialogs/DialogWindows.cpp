#include "dialogs/DialogWindows.h"

#include "dialogs/TFAbout1.h"
#include "dialogs/TFFlash.h"
#include "dialogs/TFchoice.h"
#include "dialogs/TFinpstr.h"

DialogWindowsState& DialogWindows() {
    static DialogWindowsState state;
    return state;
}

void CreateDialogWindows() {
    TFAbout1::Instance();
    TFchoice::Instance();
    TFinpstr::Instance();
    TFFlash::Instance();
}

void DestroyDialogWindows() {
    TFFlash::DestroyInstance();
    TFinpstr::DestroyInstance();
    TFchoice::DestroyInstance();
    TFAbout1::DestroyInstance();
}
