#pragma once

#include "store/ItemStore.h"

#include <QDateTime>
#include <QString>

// The state of the items list window: what is listed and how. The window is a single
// instance, so these are program-wide; the list commands, the search and the item windows
// read and change them.

// 'T' top-level items, 'S' search results, '1' links down, '2' links across.
extern char ListKind;
// 'D' default (decided once the list is loaded), 'N' by name, 'R' by ref.
extern char SortOrder;
// The item whose links are listed; 0 for the top-level list and for a search list.
extern ItemId CurrentId;
// The name carried by the request that produced the list.
extern QString CurrentName;
// The parent of the current item: where the header's parent line leads.
extern ItemId ParentId;
extern QString ParentName;
// The stamp of the search listed; invalid when the list is not a search list.
extern QDateTime SearchStamp;
// The prepared search text shown in the header of a search list.
extern QString SearchText;
// Set when the link-note placement switched while a list was built; ShowLinks rebuilds once.
extern bool RelistNeeded;
// The link-note placement option: note before the name (and ordered by note) when true.
extern bool LnoteBefore;

// True when SearchStamp marks the list as a search list.
bool IsSearchList();

// Back to the state the window starts with.
void ResetListState();
