#pragma once

#include <QDateTime>
#include <QString>

#include <functional>

// Long work done on the user's thread (a search, an import, a health check) tells here how far
// it has come. Work that is over within ProgressDelayMs shows nothing. Longer work has its
// progress shown in the main window's status line every ProgressIntervalMs, and each time the
// window may let pending events run (the screen repaints) and hear the user: Esc asks the work
// to stop. The window installs the hooks; without them the work runs to its end unseen.
//
// Events run only inside Report, so the work decides where that is safe: never while it holds
// a transaction open, since a save that a timer starts meanwhile would join it.
//
// Time is read from the program's clock (common/Clock.h), every ProgressClockEvery notes, so
// that a note costs next to nothing and tests move time on at will.

constexpr int ProgressDelayMs = 500;
constexpr int ProgressIntervalMs = 200;
constexpr int ProgressClockEvery = 256;

struct WorkProgressHooks {
    // Shows a progress text in the status line; an empty text takes it away.
    std::function<void(const QString& text)> show;
    // Lets pending events run; true when the user has asked the work to stop.
    std::function<bool()> poll;
};
void SetWorkProgressHooks(WorkProgressHooks hooks);

class WorkProgress {
public:
    // what: what the status line says is being done, "Searching" for a search. Work that
    // cannot stop halfway (canStop false) does not offer Esc and runs to its end.
    explicit WorkProgress(const QString& what, bool canStop = true);
    // Takes away the text it showed.
    ~WorkProgress();
    WorkProgress(const WorkProgress&) = delete;
    WorkProgress& operator=(const WorkProgress&) = delete;

    // A new stage of the same work, reported under its own words from now on.
    void SetWhat(const QString& what);
    // Notes that done of total units are done (total 0: unknown). True when a report is due:
    // the work should come to a point where events may run and call Report.
    bool Note(qint64 done, qint64 total);
    // Shows the progress and lets the window hear the user. False when the user asked to stop,
    // now or at an earlier report.
    bool Report();
    // Note, and Report when one is due: for work that may let events run after any unit.
    // False once the user asked to stop.
    bool Step(qint64 done, qint64 total);
    bool Stopped() const { return stopped; }
    // The text Report shows: "Searching: 37% - Esc to stop" ("Searching: 37%" for work that
    // cannot stop).
    QString Text() const;

private:
    QString what;
    QDateTime started;
    QDateTime lastReport; // invalid until the first report
    qint64 done = 0;
    qint64 total = 0;
    int notes = 0;
    bool due = false;
    bool shown = false;
    bool stopped = false;
    bool canStop = true;
};
