#include "common/Busy.h"

#include "common/TextHelpers.h"

namespace {
int busyCounter = 0;
BusyHooks& hooks() {
    static BusyHooks h;
    return h;
}
} // namespace

void SetBusyHooks(BusyHooks h) {
    hooks() = std::move(h);
}

int BusyDepth() {
    return busyCounter;
}

void BeginBusy() {
    if (hooks().showBusy)
        hooks().showBusy();
    ++busyCounter;
}

void EndBusy() {
    DecrementToZero(busyCounter);
    if (busyCounter == 0)
        ResetBusy();
}

void ResetBusy() {
    busyCounter = 0;
    if (hooks().showNormal)
        hooks().showNormal();
    if (hooks().processEvents)
        hooks().processEvents();
}
