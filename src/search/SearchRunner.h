#pragma once

#include "search/SearchFolding.h"
#include "search/SearchMatcher.h"
#include "store/ItemStore.h"
#include "store/RowRef.h"

#include <QDateTime>
#include <QString>
#include <QStringView>

#include <string>
#include <vector>

class NameCollator;
class WorkProgress;
struct sqlite3;

// The text search: finds the items whose name or text contains a text, and marks each with
// the search's own time stamp, so that the search list is the items carrying that stamp.

// The stamp of the last search run; the next one is always later. Put back with the rest of the
// list window's state (ResetListWindowState).
extern QDateTime LastSearchStamp;

// Statements of the text search: every item in key order (id, name, text, parent, srchts, rank,
// the Ref's length), and the highest id, which tells how far a walk in key order has come.
extern const char* const SearchWalkSql;
extern const char* const SearchLastIdSql;

// A stamp from the clock, moved on to one millisecond after the previous search's stamp when
// the clock has not passed it (two searches in the same millisecond must not share a stamp).
QDateTime NextSearchStamp();

struct SearchOutcome {
    QDateTime Stamp;
    QString Prepared;
    int Matches = 0;
    // Self-linked items whose name is the search text exactly, in key order.
    std::vector<ItemId> Hiders;
    bool UsedIndex = false;
    // The user stopped the search: nothing is stamped.
    bool Stopped = false;
};

// What the list of the items found needs before its rows are read, for each match: the rank
// that decides whether it is hidden, the name its order comes from and the width of its Ref.
// Held in a few large blocks, not an object per match: a common word finds hundreds of
// thousands of items.
struct SearchHits {
    std::vector<ItemId> Ranks;
    std::vector<quint16> RefLengths;
    std::string Names;             // the names' UTF-8 bytes, one after another
    std::vector<quint32> NameEnds; // where each name ends in Names

    void Add(ItemId rank, qint64 refLength, const char* name, int nameBytes);
    size_t Count() const { return Ranks.size(); }
    QString Name(size_t i) const;
    // Characters in the name (as the engine's length() counts them).
    int NameLength(size_t i) const;
};

struct SearchMatches {
    std::vector<ItemId> Ids; // in key order
    // With keepRows, what each match's row in a list needs, in the same order.
    SearchHits Rows;
    // Each match's stamp as it was (a null text for none), to be put back when the search is
    // stopped after some stamps were written; left empty with keepRows.
    std::vector<QString> PriorStamps;
    // Self-linked items whose name is typed exactly.
    std::vector<ItemId> Hiders;
    // The items came from the index's candidates rather than from a walk over every item.
    bool UsedIndex = false;
    // The user stopped the search: what was found is incomplete.
    bool Stopped = false;
};

// How the search reaches the items: through the index when it is complete and can narrow the
// search, or by reading every item.
enum class SearchWay { Best, Scan };

// Collects, in key order, the items whose name or text holds the prepared text: the index's
// candidates, each checked by the matcher, or every item when the index cannot answer (it is
// being built, or the folded search is shorter than a trigram). Either way the matcher decides,
// so both find the same items. progress, when given, hears of each item read and may stop the
// search.
SearchMatches FindMatches(const QString& prepared, bool folding, const QString& typed,
                          WorkProgress* progress = nullptr, SearchWay way = SearchWay::Best,
                          bool keepRows = false);
// The same over every item of another connection of the engine (a snapshot of the file read
// beside a running program), keeping rows: no index, no progress, nothing written. Throws
// DbError.
SearchMatches FindMatchesOn(sqlite3* connection, const QString& prepared, bool folding,
                            const QString& typed);
// Writes the stamp into each item. Without progress all in one transaction; with it in one
// transaction per report, events running only between them. When the user stops it, the stamps
// written are put back to priorStamps (one per id) and false is returned.
bool StampItems(const std::vector<ItemId>& ids, const QDateTime& stamp,
                WorkProgress* progress = nullptr,
                const std::vector<QString>* priorStamps = nullptr);

// Prepares the typed text, finds the matches and stamps them with a new stamp. Stopped by the
// user (progress given), it leaves every stamp as it was and says so in the outcome.
SearchOutcome StampSearch(const QString& typed, WorkProgress* progress = nullptr);

// The search as the list window runs it: the matches found and the stamp chosen, the marks not
// yet written (StartSearchStamps writes them in the background once the list is on screen).
// Stopped by the user, nothing is marked.
struct SearchFound {
    QDateTime Stamp;
    QString Prepared;
    std::vector<ItemId> Ids; // every match, in key order: the items to mark
    SearchHits Rows;         // the same, with what their list needs
    std::vector<ItemId> Hiders;
    bool UsedIndex = false;
    bool Stopped = false;
};
SearchFound FindSearch(const QString& typed, WorkProgress* progress = nullptr);

// Whether a search list showing the group of hider (0: none) lists a match of rank: an item no
// hider hides (rank 0), or one of that group.
bool SearchListShows(ItemId rank, ItemId hider);

// The hidden group a search list shows after a search that found hiders (self-linked items
// whose name is the search text exactly): the last of them, else shownHider, the group shown
// before.
ItemId SearchListHider(const std::vector<ItemId>& hiders, ItemId shownHider);

// The refs of the search list of the items found, as the list made from their stamps shows it:
// the items not hidden (rank 0) or hidden by hider, in the order of their names' keys, then their
// ids.
std::vector<RowRef> SearchRefs(const SearchFound& found, ItemId hider,
                               const NameCollator& collator);
