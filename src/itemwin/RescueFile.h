#pragma once

#include "store/ItemStore.h"

#include <QString>
#include <QStringList>

#include <functional>

// Keeps what the user typed when the program must end and the store refuses to save it: the
// lines go to a text file of their own in the data folder, one line per line with CR LF, and the
// file's path is written to standard error. The file is named after the item and the time, and
// numbered when one of that name exists. Returns the path, or an empty text when even that file
// could not be written.
QString WriteRescueFile(ItemId id, const QStringList& lines);

// What became of a save that the program's end asked an item window for.
enum class ExitSave {
    Saved,
    Refused, // the engine's text was shown: the window stays with what was typed
    Rescued, // a shutdown that could not wait: what was typed is in a rescue file
};
// Runs save for item id, whose window holds lines. When the engine refuses it: unless forced,
// its text is shown through the dialog seam; forced (nothing may be asked now), the text goes
// to standard error and the lines to a rescue file.
ExitSave SaveBeforeExit(const std::function<void()>& save, bool forced, ItemId id,
                        const QStringList& lines);
