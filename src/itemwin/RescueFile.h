#pragma once

#include "store/ItemStore.h"

#include <QString>
#include <QStringList>

// Keeps what the user typed when the program must end and the store refuses to save it: the
// lines go to a text file of their own in the data folder, one line per line with CR LF, and the
// file's path is written to standard error. Returns the path, or an empty text when even that
// file could not be written.
QString WriteRescueFile(ItemId id, const QStringList& lines);
