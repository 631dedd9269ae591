#include "listwin/ListState.h"

#include "search/SearchRunner.h"

ListWindowState& ListWindow() {
    static ListWindowState state;
    return state;
}

NamedStack<DisplayRequest>& DisplayRequests() {
    return ListWindow().Requests;
}

bool IsSearchList() {
    return ListWindow().SearchStamp.isValid();
}

void ResetListState() {
    // The start values are the ones the state is declared with.
    ListWindowState& s = ListWindow();
    const ListWindowState fresh;
    s.ListKind = fresh.ListKind;
    s.SortOrder = fresh.SortOrder;
    s.CurrentId = fresh.CurrentId;
    s.CurrentName = fresh.CurrentName;
    s.ParentId = fresh.ParentId;
    s.ParentName = fresh.ParentName;
    s.SearchStamp = fresh.SearchStamp;
    s.SearchText = fresh.SearchText;
    s.RelistNeeded = fresh.RelistNeeded;
    s.LnoteBefore = fresh.LnoteBefore;
}

void ResetNavigation() {
    ListWindowState& s = ListWindow();
    s.Requests.StackInit(s.Requests.Name(), s.Requests.Kind()); // emptied, keeping its name
    s.CurrentRequest = DisplayRequest();
    s.RestoreId = ItemId();
    s.RestoreDrop = 0;
}

void ResetLinkStart() {
    ListWindow().LinkStartId = ItemId();
    ListWindow().LinkStartName.clear();
}

void ResetListWindowState() {
    ResetListState();
    ResetNavigation();
    ResetLinkStart();
    LastSearchStamp = QDateTime();
}
