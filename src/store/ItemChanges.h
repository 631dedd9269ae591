#pragma once

#include "common/ItemId.h"

#include <cstddef>
#include <vector>

struct sqlite3;

// The items PhoneDB's own statements insert, change or delete, followed for a list kept from
// before a write (a search's list read again): it is brought up to date by reading those items
// alone rather than the whole list. Writes of other connections (the search's marks, the
// builds in the background) are not seen. Ids are kept up to ItemChangesKept; past that, and
// when PhoneDB closes, the changes are too many to follow.

constexpr size_t ItemChangesKept = 1024;

// Notes the changes of db's items from now on (OpenPhoneDB calls it).
void WatchItemChanges(sqlite3* db);
// Forgets the changes seen so far and follows them from now on, for one follower at a time:
// the number returned names it, and a later call takes the following over.
unsigned FollowItemChanges();
// Stops following, unless another follower took it over.
void StopFollowingItemChanges(unsigned follower);

struct ItemChangesSeen {
    bool Following = false;
    bool TooMany = false;
    std::vector<ItemId> Ids; // each once, in id order
};
// What was seen since follower's FollowItemChanges; not following when another took it over.
ItemChangesSeen ItemChangesSinceFollow(unsigned follower);
