#pragma once

#include "store/ItemStore.h"

#include <QtGlobal>

// A row's place in a list, and what the walks over the whole list need of it: 20 bytes a
// row, however long the list. The rest of a row is read when it is shown.
struct RowRef {
    ItemId Id;
    ItemId Id2;
    int Drop2 = 0;
    // Characters of the name, the Ref and the link's note, for the columns' widths.
    quint16 NameLength = 0;
    quint16 RefLength = 0;
    quint16 NoteLength = 0;
};
static_assert(sizeof(RowRef) == 20, "a list holds one ref a row, however long it is");
