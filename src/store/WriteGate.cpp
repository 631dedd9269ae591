#include "store/WriteGate.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>

namespace {
std::mutex Gate;
// Turns the user's thread holds or waits for (nested ones count once each).
std::atomic<int> UserTurns{0};
// When the user's thread began to wait for its turn (steady clock, nanoseconds); 0 while it
// holds its turn or wants none.
std::atomic<std::int64_t> WaitingSince{0};
// The user's thread's nesting depth: only the outermost turn takes the gate.
thread_local int Depth = 0;

std::int64_t now() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
} // namespace

void EnterUserWrite() {
    if (Depth++ > 0)
        return;
    // Said before waiting, so that no background writer starts another turn meanwhile.
    WaitingSince.store(now());
    UserTurns.fetch_add(1);
    Gate.lock();
    WaitingSince.store(0);
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

bool BackgroundWriteTurn::UserWaitingLongerThan(int ms) {
    const std::int64_t since = WaitingSince.load();
    return since != 0 && now() - since > std::int64_t(ms) * 1000000;
}

bool HoldsUserWrite() {
    return Depth > 0;
}
