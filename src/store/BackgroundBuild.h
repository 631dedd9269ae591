#pragma once

#include <QString>

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

struct sqlite3;

// One of PhoneDB's derived tables (the search index, the names' sort keys) built in the
// background, on a connection of its own to PhoneDB's file, in steps of about a hundredth of a
// second that each commit: a write of the window waits at most for the step under way, and one
// that waits longer than a moment interrupts it. A build stopped (at exit) goes on at the next
// start from the last step committed, as the table's own state row says. Its progress and
// errors are read on the user's thread.

// How far a build has come: every item up to BuiltUpTo is done; LastId is the highest id.
struct BackgroundStep {
    qint64 BuiltUpTo = 0;
    qint64 LastId = 0;
    bool Complete = false;
};

struct BackgroundBuildStatus {
    bool Running = false;  // a build is under way
    int Percent = 0;       // of the items, by id, done so far
    bool Finished = false; // a build ended since the last poll, complete or failed
    QString Error;         // the engine's text when it failed
};

class BackgroundBuild {
public:
    // Sets up the build's own connection (registers the functions its steps and the file's
    // triggers call). Throws DbError.
    using Prepare = std::function<void(sqlite3*)>;
    // One step of at most rows items, inside the write transaction the build holds.
    using Step = std::function<BackgroundStep(sqlite3*, int rows)>;

    // Starts the build on path at once.
    BackgroundBuild(const QString& path, Prepare prepare, Step step);
    // Stops the build and waits for it; what it committed stays.
    ~BackgroundBuild();
    BackgroundBuild(const BackgroundBuild&) = delete;
    BackgroundBuild& operator=(const BackgroundBuild&) = delete;

    // Whether the build has ended, complete or failed.
    bool Done() const { return done; }
    // The build's progress; Finished once it has ended.
    BackgroundBuildStatus Status();

private:
    void run();

    std::thread thread;
    QString path;
    Prepare prepare;
    Step step;
    std::atomic<bool> stop{false};
    std::atomic<bool> done{false};
    std::atomic<qint64> builtUpTo{0};
    std::atomic<qint64> lastId{0};
    std::mutex errorLock;
    QString error;
};

// Held by every background build for each of its steps, and by a search for all of it (see
// SearchIndexPause): a commit of a build while the search reads would leave the search's view of
// the file behind, and a write made meanwhile on PhoneDB (a timer's save) would then be refused.
std::recursive_mutex& BackgroundStepLock();
