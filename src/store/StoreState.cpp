#include "store/StoreState.h"

#include "store/Database.h"

StoreState TheStoreState;

void BindStoreSettings(ItemId& diaryId, ItemId& archiveId) {
    TheStoreState.BoundDiaryId = &diaryId;
    TheStoreState.BoundArchiveId = &archiveId;
}

ItemId& StoreDiaryId() {
    return TheStoreState.BoundDiaryId ? *TheStoreState.BoundDiaryId : TheStoreState.OwnDiaryId;
}

ItemId& StoreArchiveId() {
    return TheStoreState.BoundArchiveId ? *TheStoreState.BoundArchiveId
                                        : TheStoreState.OwnArchiveId;
}

void StoreState::ForgetConnection() {
    // The queries go first: the connection cannot be removed while they still use it.
    StoredQueries.clear();
    TransactionDepth = 0;
    InjectedFailures = 0;
    InjectedFailureText.clear();
    CachedYear = 0;
    CachedYearId = ItemId();
    OpenedHandle = nullptr;
    LinkedEngine = false;
    Opening = false;
    Refusal = WriteRefusal::None;
    DamageTold = false;
    ReadOnlyTold = false;
    LogInUse = false;
    SideFilesMade.clear();
    // A list that follows the items' changes cannot tell what another file holds.
    ItemChangesTooMany = true;
    ChangedItems.clear();
}

void ResetStoreState() {
    ClosePhoneDB();
    ItemId* const diary = TheStoreState.BoundDiaryId;
    ItemId* const archive = TheStoreState.BoundArchiveId;
    // A follower of the items' changes from before never passes for one from after.
    const unsigned follower = TheStoreState.ItemChangesFollower;
    TheStoreState = StoreState();
    TheStoreState.BoundDiaryId = diary;
    TheStoreState.BoundArchiveId = archive;
    TheStoreState.ItemChangesFollower = follower;
}
