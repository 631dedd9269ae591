#include "common/Clock.h"

#include "common/CommonState.h"

QDateTime CurrentDateTime() {
    const std::function<QDateTime()>& clock = Common().Clock;
    if (clock)
        return clock();
    return QDateTime::currentDateTime();
}

void SetClockForTesting(std::function<QDateTime()> clock) {
    Common().Clock = std::move(clock);
}
