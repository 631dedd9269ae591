#pragma once

#include "common/Dialogs.h"
#include "store/Database.h"

// Runs one user command of a window: an engine error ends the command and is shown with the
// engine's text instead of travelling into the event loop. Returns false when it did. A reason
// the user has been told already (a write refused by a damaged or read-only file) comes as a
// short flash, not another box.
template <class Command> bool RunCommand(Command&& command) {
    try {
        command();
        return true;
    } catch (const DbError& e) {
        if (e.Told)
            FlashMessage(e.Text);
        else
            ShowInfo(e.Text);
        return false;
    }
}
