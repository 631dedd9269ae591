#include "common/Busy.h"

#include "common/CommonState.h"
#include "common/TextHelpers.h"

namespace {
BusyHooks& hooks() {
    return Common().Busy;
}
} // namespace

void SetBusyHooks(BusyHooks h) {
    hooks() = std::move(h);
}

int BusyDepth() {
    return Common().BusyCounter;
}

void BeginBusy() {
    if (hooks().showBusy)
        hooks().showBusy();
    ++Common().BusyCounter;
}

void EndBusy() {
    DecrementToZero(Common().BusyCounter);
    if (Common().BusyCounter == 0)
        ResetBusy();
}

void ResetBusy() {
    Common().BusyCounter = 0;
    if (hooks().showNormal)
        hooks().showNormal();
    if (hooks().processEvents)
        hooks().processEvents();
}
