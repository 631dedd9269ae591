#include "common/CommonState.h"

#include "common/Dialogs.h"
#include "common/TextHelpers.h"

// Made on first use, so that code run before main (a test's constant read from the settings)
// finds it made.
CommonState& Common() {
    static CommonState state;
    return state;
}

void ResetCommonState() {
    CommonState& state = Common();
    // The hook that set the cursor is the one that knows how to put it back.
    if (state.BusyCounter > 0 && state.Busy.showNormal)
        state.Busy.showNormal();
    state = CommonState();
}
