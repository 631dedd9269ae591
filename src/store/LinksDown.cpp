#include "store/ItemStore.h"

#include "common/Dialogs.h"
#include "common/TextHelpers.h"
#include "store/Database.h"
#include "store/ItemRows.h"
#include "store/StoreState.h"

namespace {
// Chains of parents are followed at most this many steps, so a loop of parents cannot hang.
constexpr int AncestryBound = 99;

QString Number(ItemId id) {
    return QString::number(id.Value());
}

int LinkDown(ItemId from, ItemId to) {
    LinkFields toRow;
    if (!ReadLinkFields(to, toRow)) {
        LinkMessage(QStringLiteral("To-item not found #") + Number(to));
        return ToNotFound;
    }
    const ItemId oldParent = toRow.Parent;
    const ItemId oldRank = toRow.Rank;
    const QString toName = QuoteDouble(toRow.Name);

    LinkFields fromRow;
    if (!ReadLinkFields(from, fromRow)) {
        LinkMessage(QStringLiteral("From-Item not found #") + Number(from));
        return FromNotFound;
    }
    const QString fromName = QuoteDouble(fromRow.Name);
    ItemId newRank = fromRow.Rank;

    if (from == oldParent) {
        LinkMessage(QStringLiteral("Items are already linked"));
        return AlreadyLinked;
    }

    // Every question comes before the first write: declining any of them changes nothing.
    if (!oldParent.IsNone()) {
        LinkFields oldParentRow;
        if (!ReadLinkFields(oldParent, oldParentRow)) {
            ItemNotFound(oldParent);
            return LinkOk;
        }
        if (!Confirm(fromName + QStringLiteral(" will replace ") + QuoteDouble(oldParentRow.Name) +
                     QStringLiteral("\r") + QStringLiteral("as parent of ") + toName +
                     QStringLiteral(" - OK?")))
            return LinkOk;
    }

    switch (CheckAncestry(from, to)) {
    case 1:
        if (!Confirm(QStringLiteral("Linking these items will form a loop, not recommended!\r"
                                    "Are you sure you want to continue?")))
            return LinkOk;
        break;
    case 2:
        if (!Confirm(QStringLiteral(
                "A loop already exists in \"From\" item's ancestry - OK to continue?")))
            return LinkOk;
        break;
    default:
        break;
    }

    if (from == to) {
        if (!Confirm(QStringLiteral("Self-linking! Item will only be retrievable if its name is "
                                    "entered exactly - OK?")))
            return SelfLinkDeclined;
        newRank = to;
    }

    Transaction t;
    if (!ItemExists(from))
        return LinkOk;
    AddToNumchildren(from, 1);
    AddToNumchildren(oldParent, -1); // an old parent of 0 is no row
    SetParentOf(to, from);
    if (oldRank != newRank)
        SetHiderBelow(to, newRank);
    t.Commit();
    return LinkOk;
}
} // namespace

void LinkMessage(const QString& text) {
    if (!TheStoreState.QuietLinking)
        ShowInfo(text);
}

int LinkItems(ItemId from, ItemId to, int mode) {
    if (mode == 2)
        return LinkAcross(from, to);
    return LinkDown(from, to);
}

int CheckAncestry(ItemId from, ItemId to) {
    if (from == to)
        return 0;
    ItemId x = from;
    for (int step = 0;; ++step) {
        LinkFields row;
        if (!ReadLinkFields(x, row))
            return 0;
        const ItemId p = row.Parent;
        if (p.IsNone())
            return 0;
        if (step >= AncestryBound)
            return 2;
        if (p == to)
            return 1;
        x = p;
    }
}

void DelinkDown(ItemId item, ItemId /*shownParent*/) {
    LinkFields row;
    if (!ReadLinkFields(item, row))
        return;
    // The parent the item has now, not the one a list showed: the list may be older than a
    // move made since, and counting off the shown one would leave it at -1 and the real one
    // counting a child it no longer has.
    const ItemId oldParent = row.Parent;
    Transaction t;
    SetParentOf(item, ItemId());
    AddToNumchildren(oldParent, -1); // a top-level item's parent 0 is no row
    // The item is top-level now, so its branch is shown again even when the old parent is
    // gone: a hidden top-level item could never be shown by any hider.
    if (!row.Rank.IsNone())
        SetHiderBelow(item, ItemId());
    t.Commit();
    if (!row.Rank.IsNone())
        TheStoreState.CurrentHider = ItemId();
}
