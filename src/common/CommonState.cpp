#include "common/CommonState.h"

#include "common/Dialogs.h"
#include "common/TextHelpers.h"

namespace {
CommonState TheCommonState;
} // namespace

// The names the rest of the program knows these values by.
QChar& PadChar = TheCommonState.PadChar;
bool& PunctuationFolding = TheCommonState.PunctuationFolding;
QString& MessageCaption = TheCommonState.MessageCaption;
bool& ProgrammaticChange = TheCommonState.ProgrammaticChange;
bool& LoadingItemText = TheCommonState.LoadingItemText;

CommonState& Common() {
    return TheCommonState;
}

void ResetCommonState() {
    TheCommonState = CommonState();
}
