#include "common/WorkProgress.h"

#include "common/Clock.h"
#include "common/CommonState.h"

#include <algorithm>

namespace {
WorkProgressHooks& hooks() {
    return Common().Progress;
}
} // namespace

void SetWorkProgressHooks(WorkProgressHooks h) {
    hooks() = std::move(h);
}

WorkProgress::WorkProgress(const QString& what, bool canStop)
    : what(what), started(CurrentDateTime()), canStop(canStop) {}

WorkProgress::~WorkProgress() {
    if (shown && hooks().show)
        hooks().show(QString());
}

void WorkProgress::SetWhat(const QString& w) {
    what = w;
}

bool WorkProgress::Note(qint64 d, qint64 t) {
    done = d;
    total = t;
    if (due)
        return true;
    if (++notes < ProgressClockEvery)
        return false;
    notes = 0;
    const QDateTime now = CurrentDateTime();
    if (lastReport.isValid())
        due = lastReport.msecsTo(now) >= ProgressIntervalMs;
    else
        due = started.msecsTo(now) >= ProgressDelayMs;
    return due;
}

QString WorkProgress::Text() const {
    QString text = what;
    if (total > 0) {
        const qint64 percent = std::clamp<qint64>(done * 100 / total, 0, 100);
        text += QStringLiteral(": %1%").arg(percent);
    }
    return canStop ? text + QStringLiteral(" - Esc to stop") : text;
}

bool WorkProgress::Report() {
    due = false;
    notes = 0;
    lastReport = CurrentDateTime();
    if (stopped)
        return false;
    if (hooks().show) {
        hooks().show(Text());
        shown = true;
    }
    if (hooks().poll && hooks().poll() && canStop)
        stopped = true;
    return !stopped;
}

bool WorkProgress::Step(qint64 d, qint64 t) {
    if (stopped)
        return false;
    if (!Note(d, t))
        return true;
    return Report();
}
