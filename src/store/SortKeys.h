#pragma once

#include "store/BackgroundBuild.h"

#include <QString>

struct sqlite3;
class WorkProgress;

// The names' sort keys. For every item, phonebk_sortkey holds its parent and the key its name
// sorts by in the user's language (NameCollator::SortKey of the collator the keys were made
// for), with an index on (parent, key, id): a list of an item's links down is read in the order
// shown straight from the index, without the engine sorting it, and other lists sort by the key
// bytes instead of comparing names. Only the rows' order comes from here; what a list shows is
// read from phonebk.
//
// Keeping them in step, as the search index is kept: triggers of PhoneDB's own connection (made
// at open, calling the key function the store registers with the user's collator) change the
// keys in the same statement as every insert, delete and write of an id, a name or a parent;
// triggers stored in the file, of plain SQL, count the same writes of every program, and this
// program counts its own as well. When the counts differ at open, or the keys were made for
// another collation (the user's locale, or the collation library's rules, changed since), the
// keys are made again.
//
// Building: the items are done in id order, in steps that each commit; an item above the last
// one done is left to the build. The keys there are not thrown away first: each step replaces
// those it finds changed and drops those of items gone, so that after another program's few
// writes little is rewritten. Keys of a build under way may be stale above the last item done,
// so lists use the keys only once the build is complete, and until then sort their rows in
// memory by the same keys (ListOrder).

// Sets the keys up on PhoneDB once the tables have their current layout (EnsureIndexes calls
// it): made where missing, marked to be made again when another program wrote the items or
// the collation changed, and built at once when few items are left. A file that takes no
// writes is left as it is. Throws DbError.
void PrepareSortKeys();
// Whether the keys are complete, in step with the items and made for the user's collation
// (UserNameCollator), so that a list may be ordered by them.
bool SortKeysReady();
// Whether PrepareSortKeys left items to do (a build is wanted).
bool SortKeysIncomplete();

// One step of the build on db (PhoneDB's handle or a connection of its own with the key
// function registered), inside a write transaction that the caller holds: makes the keys of up
// to rows further items and drops those of items that no longer exist. Throws DbError.
BackgroundStep BuildSortKeysStep(sqlite3* db, int rows);
// Builds what is left on PhoneDB now, each step in a transaction of its own. progress, when
// given, is told the ids done and may stop the build between steps (what is built stays).
// Returns whether the keys are complete.
bool BuildSortKeysNow(WorkProgress* progress = nullptr);
// Marks the keys to be made again from the first item.
void RequestSortKeysRebuild();

// Starts a build in the background (BackgroundBuild) when PhoneDB's keys are incomplete and
// none is running. Throws DbError when PhoneDB is not open.
void StartSortKeyBuild();
// Stops a running build and waits for it; what it committed stays.
void StopSortKeyBuild();
// What the build has done since the last poll.
BackgroundBuildStatus PollSortKeyBuild();

// Registers on db the key function that the triggers and the build call, sorting by locale
// (a collator of its own, freed with the connection).
void RegisterSortKeyFunction(sqlite3* db, const QString& locale);
// Forgets the keys' set-up on the connection that closes (ClosePhoneDB calls it), stopping a
// build running in the background first.
void ForgetSortKeys();
