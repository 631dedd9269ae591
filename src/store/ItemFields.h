#pragma once

#include "store/ItemStore.h"

#include <QString>

#include <optional>

// The item windows' own writes to the items table: the fields a user edits and the removal of
// a blank item that the text window created and the user left. Each commits at once. (A new
// item with the time the user began it is CreateItem's, in ItemStore.h.)

// Writes Name (cut to 80 characters), Tel (cut to 40) and Text (null when empty) of one item
// and nothing else. False when there is no such item.
bool WriteItemFields(ItemId id, const QString& name, const QString& tel, const QString& text);

// The fields a user changed in an edit; the others are left as they are stored, so that what
// another window saved meanwhile is not written over.
struct ItemFieldEdits {
    std::optional<QString> Name;
    std::optional<QString> Tel;
    std::optional<QString> Text;
};
// Writes the changed fields (cut and stored as WriteItemFields does). False when there is no
// such item.
bool WriteItemFields(ItemId id, const ItemFieldEdits& edits);

// Deletes the item row without any question, keeping its parent's count right.
// False when there is no such item.
bool RemoveItemRow(ItemId id);
