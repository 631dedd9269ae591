#pragma once

#include "store/ExportAll.h"

// The list window's Export > All items to a file... and All items as Markdown...: every item of
// the open database, whatever the list shows, in one of the forms the command line writes too.
// The target comes from the file-choice seam (a new JSON Lines file, or a folder to make);
// the work shows its progress and stops on Esc, leaving nothing behind. The outcome is told
// through the dialog seam. True when the export was written.
bool RunAllItemsExport(ExportFormat format);

// The dialog's caption for each form, which also names what is to be chosen.
QString AllItemsExportCaption(ExportFormat format);
