#include "listwin/ItemsList.h"

#include "common/Busy.h"
#include "common/Dialogs.h"
#include "common/NameCollator.h"
#include "common/Settings.h"
#include "common/TextHelpers.h"
#include "common/WorkProgress.h"
#include "search/SearchRunner.h"
#include "search/SearchStamps.h"
#include "store/Database.h"
#include "store/ItemChanges.h"
#include "store/StoreState.h"

// The items list's search: the search run and listed from what it found, its marks written in
// the background, and its list read again from what it found while that holds.

// The list of the search just run, from the items it found rather than from their marks, which
// are still being written: the same rows in the same order (as the list of the marks would read
// them, hider the hidden group shown).
void ItemsList::loadFoundRows(ListRows& into, ItemId hider) {
    std::vector<RowRef> refs = SearchRefs(*foundRows, hider, UserNameCollator());
    forgetFoundRefs();
    lastFound =
        FoundRefs{ListWindow().SearchStamp, hider, CollationLocale(), refs, FollowItemChanges()};
    resetSearchRows(into, std::move(refs), hider);
}

void ItemsList::resetSearchRows(ListRows& into, std::vector<RowRef> refs, ItemId hider) {
    if (refs.size() <= size_t(ListRows::ReadWholeUpTo)) {
        into.Reset(LoadRowsOf(ListOf::SearchResults, hider, refs));
        return;
    }
    into.Reset(std::move(refs), [hider](const std::vector<RowRef>& page) {
        return LoadRowsOf(ListOf::SearchResults, hider, page);
    });
}

bool ItemsList::reuseFoundRefs(ItemId hider, std::vector<RowRef>& refs) {
    if (!lastFound || lastFound->Stamp != ListWindow().SearchStamp || lastFound->Hider != hider ||
        lastFound->Collation != CollationLocale())
        return false;
    const ItemChangesSeen seen = ItemChangesSinceFollow(lastFound->Follower);
    if (!seen.Following || seen.TooMany)
        return false;
    if (!seen.Ids.empty()) {
        if (!UpdateSearchRefs(lastFound->Refs, seen.Ids, lastFound->Stamp, hider,
                              UserNameCollator()))
            return false;
        lastFound->Follower = FollowItemChanges();
    }
    refs = lastFound->Refs;
    return true;
}

void ItemsList::forgetFoundRefs() {
    if (lastFound)
        StopFollowingItemChanges(lastFound->Follower);
    lastFound.reset();
}

void ItemsList::SearchForText(const QString& typed) {
    DisplayRequest request;
    request.Mode = ListOf::SearchResults;
    request.SetName(typed);
    PushRequest(request);
}

void ItemsList::SearchForId(const QString& typed) {
    int number = 0;
    if (!TryParseInt(typed, number))
        return;
    const ItemId id(number);
    ItemRecord item;
    if (!LocateItem(id, item))
        return;
    // A hidden item opens by id only while its group is shown, or when it is the archive.
    if (!item.Rank.IsNone() && item.Rank != TheStoreState.CurrentHider &&
        id != AppSettings().ArchiveId)
        return;
    DisplayRequest request;
    if (item.Numchildren > 0)
        request.Mode = ListOf::LinksDown;
    else if (item.numcousins != 0)
        request.Mode = ListOf::LinksAcross;
    else
        request.Mode = ListOf::LinksDown;
    request.ItemId = id;
    request.SetName(item.Name);
    PushRequest(request);
    if (item.Parent == id)
        ShowHidden(id);
}

bool ItemsList::RunSearch(const QString& typed) {
    const BusyScope busy;
    SearchFound found;
    {
        WorkProgress progress(QStringLiteral("Searching"));
        found = FindSearch(typed, &progress);
    }
    if (found.Stopped)
        return false;
    // The items found are marked in the background (a file that takes no writes refuses the
    // search here, the list left as it was), from the moment the list made from them is shown,
    // or the list fails.
    StartSearchStamps(found.Ids, found.Stamp, true);
    struct Release {
        ~Release() { ReleaseSearchStamps(); }
    } release;
    ListWindow().SearchText = found.Prepared;
    ListWindow().SearchStamp = found.Stamp;
    for (ItemId hider : found.Hiders) {
        ShowHidden(hider);
        if (view)
            view->ClearSearchText();
    }
    ListWindow().ListKind = ListOf::SearchResults;
    foundRows = &found;
    struct Forget {
        const SearchFound*& rows;
        ~Forget() { rows = nullptr; }
    } forget{foundRows};
    BuildList();
    return true;
}

void ItemsList::FinishSearchMarks() {
    // Writing that is over still tells how it ended (an engine error).
    if (!SearchStampsPending()) {
        FinishSearchStamps();
        return;
    }
    WorkProgress progress(QStringLiteral("Marking the items found"), false);
    FinishSearchStamps(&progress);
}
