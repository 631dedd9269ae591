#pragma once

#include "listwin/ListKinds.h"
#include "store/ItemStore.h"

#include <QString>

#include <cstdint>

// One list the user can return to: what it shows, its sort and the row the cursor was on.
struct DisplayRequest {
    ListOf Mode = ListOf::TopLevel;
    // The member ItemId shadows the type inside the struct: the type is named ::ItemId here.
    ::ItemId ItemId;     // the item whose links are listed (links down or across)
    ::ItemId PosId;      // the row the cursor was on; 0 for none
    int32_t PosDrop = 0; // that row's drop2 (tells apart several links between two items)
    QString Name;        // the listed item's name, or the search text as typed
    SortBy Sort = SortBy::Default;

    // Names longer than a record holds are cut.
    void SetName(const QString& name);
    bool operator==(const DisplayRequest& other) const;
};

constexpr int DisplayRequestNameWidth = 255;
