#include "store/WriteGate.h"

#include <atomic>
#include <mutex>

namespace {
std::mutex Gate;
// Turns the user's thread holds or waits for (nested ones count once each).
std::atomic<int> UserTurns{0};
// The user's thread's nesting depth: only the outermost turn takes the gate.
thread_local int Depth = 0;
} // namespace

void EnterUserWrite() {
    if (Depth++ > 0)
        return;
    // Said before waiting, so that no background writer starts another turn meanwhile.
    UserTurns.fetch_add(1);
    Gate.lock();
}

void LeaveUserWrite() {
    if (Depth == 0 || --Depth > 0)
        return;
    Gate.unlock();
    UserTurns.fetch_sub(1);
}

UserWriteTurn::UserWriteTurn() {
    EnterUserWrite();
}

UserWriteTurn::~UserWriteTurn() {
    LeaveUserWrite();
}

BackgroundWriteTurn::~BackgroundWriteTurn() {
    Release();
}

bool BackgroundWriteTurn::TryAcquire() {
    if (held)
        return true;
    if (UserTurns.load() > 0 || !Gate.try_lock())
        return false;
    // The user may have asked between the look and the lock: the turn is theirs.
    if (UserTurns.load() > 0) {
        Gate.unlock();
        return false;
    }
    held = true;
    return true;
}

void BackgroundWriteTurn::Release() {
    if (!held)
        return;
    held = false;
    Gate.unlock();
}

bool BackgroundWriteTurn::UserWants() {
    return UserTurns.load() > 0;
}
