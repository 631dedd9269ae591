#pragma once

#include <QString>

struct sqlite3;
class WorkProgress;

// The search's candidate index. For every item it holds the item's name and the lines of its
// text folded as the search folds them when punctuation is ignored (PrepareSearchText: lower
// case, then only the letters a to z and the digits), cut into trigrams by the engine's full-text
// index (phonebk_search: contentless, rowids only). Folding only takes characters out, so a line
// that holds a search, folded or not, holds the folded search once folded itself: the items whose
// folded name and lines hold every trigram of the folded search are a superset of the items
// the search matches, and the search checks each of them with its own matcher.
//
// Keeping it in step: triggers of PhoneDB's own connection (made at open, calling the folding
// function the store registers) change the index in the same statement as every insert,
// delete, and write of a name or text, whatever code runs it. Triggers stored in the file, of
// plain SQL so that any program runs them, count the same writes; this program counts its own
// as well. When the counts differ at open, another program (or an older version of this one)
// has written the items, and the index is rebuilt.
//
// Building: the rows are indexed in key order, in steps that each commit; an item above the
// last one indexed is left to the build, whatever is written to it meanwhile. The index is used
// only once the build is complete.

// Sets the index up on PhoneDB once the tables have their current layout (EnsureIndexes calls
// it): made where missing, marked for a rebuild when another program wrote the items, and
// built at once when few items are left to index. Throws DbError.
void PrepareSearchIndex();
// Whether the index is complete and in step with the items, so that a search may use it.
bool SearchIndexReady();
// Whether PrepareSearchIndex left items to index (a build is wanted).
bool SearchIndexIncomplete();

// The full-text query for the items that may hold prepared (a search text as the search
// prepares it, folded or not): every distinct trigram of its folded form, joined by AND. Empty
// when the folded form is shorter than three characters: the index cannot narrow that search.
QString SearchIndexQuery(const QString& prepared);

// The rows of the index's candidates for :query in key order, with the columns of the walk over
// every item: id, name, text, parent, srchts, rank, the Ref's length.
extern const char* const SearchCandidatesSql;

// How far a build has come: every item up to BuiltUpTo is indexed; LastId is the highest id.
struct SearchIndexStepResult {
    qint64 BuiltUpTo = 0;
    qint64 LastId = 0;
    bool Complete = false;
};
// One step of the build on db (PhoneDB's handle or a connection of its own with the folding
// function registered), inside a write transaction that the caller holds: empties the index
// when a rebuild asked for it, else indexes up to rows further items. Throws DbError.
SearchIndexStepResult BuildSearchIndexStep(sqlite3* db, int rows);
// Builds what is left on PhoneDB now, each step in a transaction of its own. progress, when
// given, is told the ids done and may stop the build between steps (what is built stays).
// Returns whether the index is complete.
bool BuildSearchIndexNow(WorkProgress* progress = nullptr);
// Marks the index to be emptied and built again from the first item.
void RequestSearchIndexRebuild();

// Registers on db the folding function that the triggers and the build call.
void RegisterSearchIndexFunction(sqlite3* db);
// Forgets the index's set-up on the connection that closes (ClosePhoneDB calls it), stopping a
// build running in the background first.
void ForgetSearchIndex();
