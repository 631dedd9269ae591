#include "common/Clock.h"

namespace {
std::function<QDateTime()>& clockHolder() {
    static std::function<QDateTime()> clock;
    return clock;
}
} // namespace

QDateTime CurrentDateTime() {
    if (clockHolder())
        return clockHolder()();
    return QDateTime::currentDateTime();
}

void SetClockForTesting(std::function<QDateTime()> clock) {
    clockHolder() = std::move(clock);
}
