#pragma once

#include <functional>

// The nesting busy cursor. The window layer installs the hooks that change the screen cursor
// and process pending events; without them the counter still nests.
void BeginBusy();
void EndBusy();
void ResetBusy();
int BusyDepth();

struct BusyHooks {
    std::function<void()> showBusy;
    std::function<void()> showNormal;
    std::function<void()> processEvents;
};
void SetBusyHooks(BusyHooks hooks);

// Holds the busy cursor for a scope.
class BusyScope {
public:
    BusyScope() { BeginBusy(); }
    ~BusyScope() { EndBusy(); }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;
};
