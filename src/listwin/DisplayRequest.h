#pragma once

#include "common/NamedStack.h"
#include "store/ItemStore.h"

#include <QString>

#include <cstdint>

// One list the user can return to: what it shows, its sort and the row the cursor was on.
struct DisplayRequest {
    char Mode = 'T';     // 'T' top level, '1' links down, '2' links across, 'S' search results
    int32_t ItemId = 0;  // the item whose links are listed (modes '1' and '2')
    int32_t PosId = 0;   // the row the cursor was on; 0 for none
    int32_t PosDrop = 0; // that row's drop2 (tells apart several links between two items)
    QString Name;        // the listed item's name, or the search text as typed
    char Sort = 'D';

    // Names longer than a record holds are cut.
    void SetName(const QString& name);
    bool operator==(const DisplayRequest& other) const;
};

constexpr int DisplayRequestNameWidth = 255;

// The request describing the list on screen.
extern DisplayRequest CurrentRequest;
// The row to put the cursor on after a rebuild.
extern ItemId RestoreId;
extern int RestoreDrop;

// The history of lists left behind, newest first: the stack "dp reqs".
NamedStack<DisplayRequest>& DisplayRequests();

// An empty history and a reset current request, as at start.
void ResetNavigation();
