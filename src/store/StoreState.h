#pragma once

#include "store/Database.h"
#include "store/ItemStore.h"

#include <QHash>
#include <QSqlQuery>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class QSqlError;
struct sqlite3;

// The settings the store is told by whoever runs it: the diary item that year items are filed
// under, and the archive item that deleting offers (0: none). Bound, the store reads and writes
// the caller's own holders, so that the values live in one place; unbound, it keeps holders of
// its own, starting at 0.
void BindStoreSettings(ItemId& diaryId, ItemId& archiveId);
ItemId& StoreDiaryId();
ItemId& StoreArchiveId();

// Everything the store keeps between calls. The part that belongs to the open connection (the
// prepared queries, the transaction depth, the armed failures, the refusal of writes and the
// year-item cache) is forgotten when PhoneDB closes, so a second database never sees what the
// first one left.
struct StoreState {
    // Silences LinkMessage. On at start; the list build and text-to-list switch it off.
    bool QuietLinking = true;
    // The hider whose hidden items searches currently include; 0 when none.
    ItemId CurrentHider;

    // The last year FindOrCreateYearItem answered and the id it answered with; 0 and 0 when
    // none.
    int CachedYear = 0;
    ItemId CachedYearId;
    // How many Transaction guards are open on PhoneDB.
    int TransactionDepth = 0;
    // The outermost guard took the user's turn to write (WriteGate).
    bool OutermostHoldsTurn = false;
    // FailNextWrites: how many writes are still to fail, and with what text.
    int InjectedFailures = 0;
    QString InjectedFailureText;
    // Held by pointer, so a reference handed out stays valid when the table grows.
    QHash<QString, std::shared_ptr<QSqlQuery>> StoredQueries;
    // The last connection the linked engine opened while OpenPhoneDB was watching.
    sqlite3* OpenedHandle = nullptr;
    // OpenPhoneDB has made sure the driver runs the linked engine: the store may call the
    // engine on PhoneDB's handle.
    bool LinkedEngine = false;
    // OpenPhoneDB is under way: an engine failure is its to word.
    bool Opening = false;
    // Why PhoneDB takes no writes (RefuseWrites), and whether the damage has been told.
    WriteRefusal Refusal = WriteRefusal::None;
    bool DamageTold = false;
    // PhoneDB's file is in WAL mode, with the log's checkpoints running (UseWriteAheadLog).
    bool LogInUse = false;
    // The refusal of a read-only file has been said (at start, or by the first write refused).
    bool ReadOnlyTold = false;
    // The side files (log, log index) that were not there when PhoneDB was opened.
    QStringList SideFilesMade;
    // The connection PrepareSortKeys set the sort keys up on; null until then.
    sqlite3* SortKeysPreparedOn = nullptr;
    // The items changed since FollowItemChanges (ItemChanges.h), while followed; too many when
    // more than it keeps were, or PhoneDB closed.
    bool FollowingItems = false;
    unsigned ItemChangesFollower = 0; // the number of the last FollowItemChanges
    bool ItemChangesTooMany = false;
    std::vector<ItemId> ChangedItems;

    // The holders BindStoreSettings gave, or null while the store uses its own.
    ItemId* BoundDiaryId = nullptr;
    ItemId* BoundArchiveId = nullptr;
    ItemId OwnDiaryId;
    ItemId OwnArchiveId;

    // The conversion steps (Conversion.h): the DBVN holder BindConversionSettings gave, or null
    // while the store uses its own, and the function that saves the settings (none unbound).
    int* BoundDbvn = nullptr;
    int OwnDbvn = 800;
    std::function<void()> SaveSettings;
    // The copy made for the current series of steps, and the step it was made before; empty
    // until the series' first step.
    QString SeriesCopyPath;
    int SeriesCopyStep = 0;

    // Forgets what belongs to the connection; called by ClosePhoneDB.
    void ForgetConnection();
};

extern StoreState TheStoreState;

// PhoneDB's handle once OpenPhoneDB has checked its engine, else null; safe to ask on any
// thread.
sqlite3* PhoneDBHandleSeen();

// Throws the refusal's DbError when PhoneDB takes no writes (also when damage was noted on
// another thread and not yet acted on). Every writing statement of the store passes here first.
void RefuseWriteWhenRefused();

// ThrowEngineError for a failure the driver reported: the engine's text (the driver's own when
// the engine gave none) and its extended result code.
[[noreturn]] void ThrowDriverError(const QSqlError& error);

// Closes PhoneDB and puts all of the store's state back as it is when the program starts. A
// binding of the diary and archive holders stays; the store's own holders go back to 0. The
// conversion's binding goes, with the function that saves the settings: its DBVN is the
// store's own again, at 800.
void ResetStoreState();
