#include "store/ItemChanges.h"

#include "store/StoreState.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstring>

namespace {
// Called by the engine for every row its statements on PhoneDB insert, update or delete (a
// trigger's rows too), before the statement ends; a change later rolled back is noted all the
// same, which costs only a row read again.
void noteChange(void*, int, const char* database, const char* table, sqlite3_int64 rowid) {
    StoreState& s = TheStoreState;
    if (!s.FollowingItems || s.ItemChangesTooMany || std::strcmp(table, "phonebk") != 0 ||
        std::strcmp(database, "main") != 0)
        return;
    if (s.ChangedItems.size() >= ItemChangesKept) {
        s.ItemChangesTooMany = true;
        s.ChangedItems.clear();
        return;
    }
    s.ChangedItems.push_back(ItemId(int32_t(rowid)));
}
} // namespace

void WatchItemChanges(sqlite3* db) {
    sqlite3_update_hook(db, noteChange, nullptr);
}

unsigned FollowItemChanges() {
    StoreState& s = TheStoreState;
    s.FollowingItems = true;
    s.ItemChangesTooMany = false;
    s.ChangedItems.clear();
    return ++s.ItemChangesFollower;
}

void StopFollowingItemChanges(unsigned follower) {
    StoreState& s = TheStoreState;
    if (follower != s.ItemChangesFollower)
        return;
    s.FollowingItems = false;
    s.ItemChangesTooMany = false;
    s.ChangedItems.clear();
}

ItemChangesSeen ItemChangesSinceFollow(unsigned follower) {
    const StoreState& s = TheStoreState;
    ItemChangesSeen seen;
    seen.Following = s.FollowingItems && follower == s.ItemChangesFollower;
    seen.TooMany = s.ItemChangesTooMany;
    seen.Ids = s.ChangedItems;
    std::sort(seen.Ids.begin(), seen.Ids.end());
    seen.Ids.erase(std::unique(seen.Ids.begin(), seen.Ids.end()), seen.Ids.end());
    return seen;
}
