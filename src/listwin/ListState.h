#pragma once

#include "common/NamedStack.h"
#include "listwin/DisplayRequest.h"
#include "listwin/ListKinds.h"
#include "store/ItemStore.h"

#include <QDateTime>
#include <QString>

// The state of the items list window, in one place: what is listed and how, and the history of
// lists (the stamp of the last search is the search's own, SearchRunner.h). The window is a
// single instance, so this is program-wide; the list commands, the search and the item windows
// read and change it through ListWindow().
struct ListWindowState {
    // What is listed and how (ResetListState).
    // The kind of list on screen.
    ListOf ListKind = ListOf::TopLevel;
    // Its order; Default is decided once the list is loaded (ResolveDefaultSort).
    SortBy SortOrder = SortBy::Name;
    // The item whose links are listed; 0 for the top-level list and for a search list.
    ItemId CurrentId;
    // The name carried by the request that produced the list.
    QString CurrentName;
    // The parent of the current item: where the header's parent line leads.
    ItemId ParentId;
    QString ParentName;
    // The stamp of the search listed; invalid when the list is not a search list.
    QDateTime SearchStamp;
    // The prepared search text shown in the header of a search list.
    QString SearchText;
    // Set when the link-note placement switched while a list was built; ShowLinks rebuilds once.
    bool RelistNeeded = false;
    // The link-note placement option: note before the name (and ordered by note) when true.
    bool LnoteBefore = true;
    // Where the window has been (ResetNavigation).
    // The request describing the list on screen.
    DisplayRequest CurrentRequest;
    // The row to put the cursor on after a rebuild.
    ItemId RestoreId;
    int RestoreDrop = 0;
    NamedStack<DisplayRequest> Requests{QStringLiteral("dp reqs"), 'S'};
    // The item chosen with "Start new link", X in the link commands; 0 when none. It stays chosen
    // after a link is made, so that one item can be linked to many in turn.
    ItemId LinkStartId;
    // Its name as the link commands show it: quoted (QuoteDouble).
    QString LinkStartName;
};

// The one instance.
ListWindowState& ListWindow();

// The history of lists left behind, newest first: the stack "dp reqs".
NamedStack<DisplayRequest>& DisplayRequests();

// True when the list window's SearchStamp marks the list as a search list.
bool IsSearchList();

// What is listed back to the window's start: the top level in name order.
void ResetListState();
// An empty history and a reset current request, as at start.
void ResetNavigation();
// No item chosen with "Start new link".
void ResetLinkStart();
// All of the list window's state as the program starts, the stamp of the last search included.
void ResetListWindowState();
