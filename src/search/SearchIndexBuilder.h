#pragma once

#include "store/BackgroundBuild.h"

#include <mutex>

// Builds the search index in the background (BackgroundBuild): a write of the window waits at
// most one step for the engine's lock, and a build stopped at exit goes on at the next start.

// Starts a build when PhoneDB's index is incomplete and none is running. Throws DbError when
// PhoneDB is not open.
void StartSearchIndexBuild();
// Stops a running build and waits for it; what it committed stays.
void StopSearchIndexBuild();

using SearchIndexBuildStatus = BackgroundBuildStatus;
// What the build has done since the last poll.
SearchIndexBuildStatus PollSearchIndexBuild();

// Holds every running background build (this one, the sort keys') between two of its steps for
// as long as it lives (nothing when none runs). A search takes it: see BackgroundStepLock.
class SearchIndexPause {
public:
    SearchIndexPause();
    ~SearchIndexPause();
    SearchIndexPause(const SearchIndexPause&) = delete;
    SearchIndexPause& operator=(const SearchIndexPause&) = delete;

private:
    std::recursive_mutex* held = nullptr;
};
