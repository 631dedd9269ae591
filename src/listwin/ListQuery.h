#pragma once

#include "listwin/ListKinds.h"
#include "store/ItemStore.h"
#include "store/RowRef.h"

class NameCollator;

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <vector>

// The list query of the items list window and the few statements the window writes with.
// Every kind of list returns the same column names, so one row shape serves them all.

// One listed row. The item's text is not kept, only whether it has one: a list of many
// thousand items must not hold their texts; whoever needs a text reads it by id.
struct ListRow {
    ItemId Id;  // 0 when a link across names an item that no longer exists
    ItemId Id2; // the item id as the link stores it (the item's own id otherwise)
    QString Name;
    ItemId Rank;
    int Drop2 = 0; // the link's drop in a links-across list, else the rank
    QString LName; // lower-case name, as the engine lower-cases it
    ItemId Parent;
    QString Tel;
    QString LinkNote; // the link's note in a links-across list, else the lower-case ref
    int NumChildren = 0;
    int NumCousins = 0;
    bool HasText = false;
};

// The statement for a list, one line per element, from the list state it depends on. Read in
// the stored keys' order, its rows come in the order shown; read to be sorted here, in no order
// (SortListRows puts them in it).
QStringList ListQueryLines(ListOf listKind, bool searchList, SortBy sortOrder, bool lnoteBefore,
                           RowOrder order);
// The same in the order the program reads lists in now (CurrentRowOrder).
QStringList ListQueryLines(ListOf listKind, bool searchList, SortBy sortOrder, bool lnoteBefore);
// The stored keys when they are ready for the user's collation, else a sort here.
RowOrder CurrentRowOrder();
QString ListQueryText(const QStringList& lines);

// Runs the list query: parent is the current item (or the hider shown, for a search list);
// stamp is bound only for a search list. Throws DbError.
// limit, when not negative, reads no more rows than that.
std::vector<ListRow> LoadListRows(const QStringList& lines, bool searchList, ItemId parent,
                                  const QDateTime& stamp, int limit = -1);

// The number of rows the list query of lines returns, or upTo when there are more, without
// sorting them. Throws DbError.
int CountListRows(const QStringList& lines, bool searchList, ItemId parent, const QDateTime& stamp,
                  int upTo);

// The refs of a list in the stored keys' order (the lines of ListQueryLines with
// RowOrder::StoredKeys): the same rows, of which only a ref's worth is read. Throws DbError.
std::vector<RowRef> LoadListRefs(ListOf listKind, bool searchList, SortBy sortOrder,
                                 bool lnoteBefore, ItemId parent, const QDateTime& stamp);
// The whole rows of refs of a list of listKind (a links-across list: the links of parent), in
// the refs' order; a row whose item or link is gone is an empty row. Throws DbError.
std::vector<ListRow> LoadRowsOf(ListOf listKind, ItemId parent, const std::vector<RowRef>& refs);

// Brings the refs of a search list (stamp, the group of hider shown), in the order of their
// names' keys by collator then their ids, up to date for the items changed (in id order): each
// is taken out, and put back in its place when it still carries the stamp and is shown. False
// when the list cannot be brought up to date so (a row it holds is gone): it is to be read
// again. Throws DbError.
bool UpdateSearchRefs(std::vector<RowRef>& refs, const std::vector<ItemId>& changed,
                      const QDateTime& stamp, ItemId hider, const NameCollator& collator);
