#pragma once

#include "store/ItemStore.h"

#include <QString>
#include <QVariant>

#include <vector>

// What the database health check reads and writes. The scan walks the items table in Id order
// and the links-across table in key order (Id1, Id2, Drop), one chunk of rows at a time: each
// chunk is read by a statement that is finished before the caller lets the user interface run,
// so that nothing another window does in between (a rollback above all, which would abort an
// open read) can cut the walk short.

// One item as the scan sees it. A null Rank or Parent reads as 0 and is marked.
struct HealthItemRow {
    ItemId Id;
    // Both the name and the Ref are empty (or null).
    bool NameAndRefBlank = false;
    bool RankNull = false;
    ItemId Rank;
    bool ParentNull = false;
    ItemId Parent;
    // Whether an item has the id Parent (never so for 0), and that item's Rank (0 when null).
    bool ParentFound = false;
    ItemId ParentRank;
};

// One links-across row. Its key is kept as the engine holds it, so that the next chunk starts
// exactly after it and a repair deletes exactly this row, whatever an older file stored there.
struct HealthLinkRow {
    QVariant Id1;
    QVariant Id2;
    QVariant Drop;
    bool Id1Found = false;
    bool Id2Found = false;
};

// A links-across key to read after; the default starts before every row.
struct HealthLinkKey {
    QVariant Id1;
    QVariant Id2;
    QVariant Drop;
    bool IsStart() const { return !Id1.isValid(); }
};

// PhoneDB opened on an existing file for reading only, for as long as this lives: nothing is
// created, converted or written, and the engine refuses every writing statement. A file that
// cannot be opened throws DbError, with PhoneDB closed. Only the reads below run on it (through
// the Qt driver alone, none on the engine's handle). Reading a file kept in WAL mode makes the
// engine create its two side files (-wal, -shm) when they are missing; they hold none of the
// data, and the ones made here are removed again once PhoneDB is closed, so that the folder is
// left as it was found.
class ReadOnlyPhoneDB {
public:
    explicit ReadOnlyPhoneDB(const QString& path);
    ~ReadOnlyPhoneDB();
    ReadOnlyPhoneDB(const ReadOnlyPhoneDB&) = delete;
    ReadOnlyPhoneDB& operator=(const ReadOnlyPhoneDB&) = delete;

private:
    QString wal;
    QString shm;
    bool walWasThere = true;
    bool shmWasThere = true;
};

// Record counts of the two tables.
int CountHealthItems();
int CountHealthLinks();
// Up to limit items with an Id above after, in Id order.
std::vector<HealthItemRow> ReadHealthItems(ItemId after, int limit);
// Up to limit links-across rows after the key after, in key order. The key columns are NOT NULL
// in the table, which keeps the order total.
std::vector<HealthLinkRow> ReadHealthLinks(const HealthLinkKey& after, int limit);

// The repairs. Each is one statement; a caller that makes several groups them.
// Every item whose Rank is -1 gets Rank 0.
void ResetMinusOneRanks();
// Rank or Parent of one item set to 0 where it is null; false when it was not null (any more).
bool SetNullRankToZero(ItemId id);
bool SetNullParentToZero(ItemId id);
// Deletes exactly the row read as row; false when it was gone already.
bool DeleteHealthLink(const HealthLinkRow& row);

// The counts the store keeps beside the rows, compared with the rows.
struct CountMismatch {
    ItemId Id;
    int Stored = 0; // null reads as 0
    int Actual = 0;
};
// Items whose Numchildren differs from the number of items naming them as Parent, in Id order.
std::vector<CountMismatch> WrongChildCounts();
// Items whose numcousins differs from the number of links-across rows with them as Id1.
std::vector<CountMismatch> WrongLinkCounts();
// A wrong count is repaired by StoreLinkCount (ItemStore.h).

// Links-across rows between two existing items whose mirror (Id2, Id1, Drop) is missing, in key
// order. Rows naming a missing item are the scan's to report and are left out.
struct UnmirroredLink {
    ItemId Id1;
    ItemId Id2;
    int Drop = 0;
};
std::vector<UnmirroredLink> UnmirroredLinks();
// Adds the mirror of row: (Id2, Id1, Drop) with the note the row holds.
void AddMirrorLink(const UnmirroredLink& row);
