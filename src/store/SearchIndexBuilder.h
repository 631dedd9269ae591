#pragma once

#include <QString>

#include <mutex>

// Builds the search index in the background, on a connection of its own to PhoneDB's file, in
// steps of about a tenth of a second that each commit: a write of the window waits at most one
// step for the engine's lock. A build stopped (at exit) goes on at the next start from the last
// step committed. Its progress and errors are read on the user's thread.

// Starts a build when PhoneDB's index is incomplete and none is running. Throws DbError when
// PhoneDB is not open.
void StartSearchIndexBuild();
// Stops a running build and waits for it; what it committed stays.
void StopSearchIndexBuild();

struct SearchIndexBuildStatus {
    bool Running = false;  // a build is under way
    int Percent = 0;       // of the items, by id, indexed so far
    bool Finished = false; // a build ended since the last poll, complete or failed
    QString Error;         // the engine's text when it failed
};
// What the build has done since the last poll.
SearchIndexBuildStatus PollSearchIndexBuild();

// Holds a running build between two of its steps for as long as it lives (nothing when none
// runs). A search takes it: a commit of the build while the search reads would leave the
// search's view of the file behind, and a write made meanwhile on PhoneDB (a timer's save)
// would then be refused.
class SearchIndexPause {
public:
    SearchIndexPause();
    ~SearchIndexPause();
    SearchIndexPause(const SearchIndexPause&) = delete;
    SearchIndexPause& operator=(const SearchIndexPause&) = delete;

private:
    std::recursive_mutex* held = nullptr;
};
