#include "search/SearchIndexBuilder.h"

#include "search/SearchIndex.h"
#include "store/BackgroundBuild.h"
#include "store/Database.h"

#include <sqlite3.h>

#include <memory>

namespace {
std::unique_ptr<BackgroundBuild> Current;

BackgroundStep searchIndexStep(sqlite3* db, int rows) {
    const SearchIndexStepResult result = BuildSearchIndexStep(db, rows);
    return {result.BuiltUpTo, result.LastId, result.Complete};
}
} // namespace

void StartSearchIndexBuild() {
    if (Current && !Current->Done())
        return;
    StopSearchIndexBuild();
    if (PhoneDBWriteRefusal() != WriteRefusal::None || !SearchIndexIncomplete())
        return;
    Current = std::make_unique<BackgroundBuild>(PhoneDB().databaseName(),
                                                RegisterSearchIndexFunction, searchIndexStep);
}

void StopSearchIndexBuild() {
    Current.reset();
}

SearchIndexBuildStatus PollSearchIndexBuild() {
    if (!Current)
        return SearchIndexBuildStatus();
    const SearchIndexBuildStatus status = Current->Status();
    if (status.Finished)
        Current.reset();
    return status;
}

SearchIndexPause::SearchIndexPause() : held(&BackgroundStepLock()) {
    held->lock();
}

SearchIndexPause::~SearchIndexPause() {
    held->unlock();
}
