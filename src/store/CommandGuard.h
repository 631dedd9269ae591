#pragma once

#include "common/Dialogs.h"
#include "store/Database.h"

// Runs one user command of a window: an engine error ends the command and is shown with the
// engine's text instead of travelling into the event loop. Returns false when it did.
template <class Command> bool RunCommand(Command&& command) {
    try {
        command();
        return true;
    } catch (const DbError& e) {
        ShowInfo(e.Text);
        return false;
    }
}
