#pragma once

#include <atomic>
#include <csignal>

// For the commands without a window: while one lives, SIGINT and SIGTERM set Stopped() instead
// of ending the process, so that long work stops at its next step and removes what it had
// begun (a temporary file) rather than leave it behind.
class StopOnSignal {
public:
    StopOnSignal() {
        flag() = false;
        struct sigaction sa = {};
        sa.sa_handler = [](int) { flag() = true; };
        sigemptyset(&sa.sa_mask);
        ::sigaction(SIGINT, &sa, &oldInt);
        ::sigaction(SIGTERM, &sa, &oldTerm);
    }
    ~StopOnSignal() {
        ::sigaction(SIGINT, &oldInt, nullptr);
        ::sigaction(SIGTERM, &oldTerm, nullptr);
    }
    StopOnSignal(const StopOnSignal&) = delete;
    StopOnSignal& operator=(const StopOnSignal&) = delete;

    const std::atomic<bool>& Stopped() const { return flag(); }

private:
    static std::atomic<bool>& flag() {
        static std::atomic<bool> stopped{false};
        return stopped;
    }
    struct sigaction oldInt = {};
    struct sigaction oldTerm = {};
};
