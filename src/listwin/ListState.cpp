#include "listwin/ListState.h"

char ListKind = 'T';
char SortOrder = 'N';
ItemId CurrentId = 0;
QString CurrentName;
ItemId ParentId = 0;
QString ParentName;
QDateTime SearchStamp;
QString SearchText;
bool RelistNeeded = false;
bool LnoteBefore = true;

bool IsSearchList() {
    return SearchStamp.isValid();
}

void ResetListState() {
    ListKind = 'T';
    SortOrder = 'N';
    CurrentId = 0;
    CurrentName.clear();
    ParentId = 0;
    ParentName.clear();
    SearchStamp = QDateTime();
    SearchText.clear();
    RelistNeeded = false;
    LnoteBefore = true;
}
