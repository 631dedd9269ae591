#include "listwin/DisplayRequest.h"

DisplayRequest CurrentRequest;
ItemId RestoreId = 0;
int RestoreDrop = 0;

void DisplayRequest::SetName(const QString& name) {
    Name = name.left(DisplayRequestNameWidth);
}

bool DisplayRequest::operator==(const DisplayRequest& other) const {
    return Mode == other.Mode && ItemId == other.ItemId && PosId == other.PosId &&
           PosDrop == other.PosDrop && Name == other.Name && Sort == other.Sort;
}

NamedStack<DisplayRequest>& DisplayRequests() {
    static NamedStack<DisplayRequest> stack(QStringLiteral("dp reqs"), 'S');
    return stack;
}

void ResetNavigation() {
    DisplayRequests().StackInit(QStringLiteral("dp reqs"), 'S');
    CurrentRequest = DisplayRequest();
    RestoreId = 0;
    RestoreDrop = 0;
}
