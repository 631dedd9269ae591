#include "listwin/DisplayRequest.h"

void DisplayRequest::SetName(const QString& name) {
    Name = name.left(DisplayRequestNameWidth);
}

bool DisplayRequest::operator==(const DisplayRequest& other) const {
    return Mode == other.Mode && ItemId == other.ItemId && PosId == other.PosId &&
           PosDrop == other.PosDrop && Name == other.Name && Sort == other.Sort;
}
