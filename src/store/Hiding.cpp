#include "store/ItemStore.h"

#include "common/Dialogs.h"
#include "common/NamedStack.h"
#include "store/Database.h"
#include "store/ItemRows.h"
#include "store/StoreState.h"

#include <QSqlQuery>
#include <QVariant>

#include <vector>

void ShowHidden(ItemId hider) {
    FlashMessage(QStringLiteral("Showing #") + QString::number(hider.Value()) +
                 QStringLiteral(" and linked items"));
    TheStoreState.CurrentHider = hider;
}

void StopShowingHidden() {
    if (TheStoreState.CurrentHider.IsNone())
        return;
    FlashMessage(QStringLiteral("Hiding #") + QString::number(TheStoreState.CurrentHider.Value()) +
                 QStringLiteral(" and linked items"));
    TheStoreState.CurrentHider = ItemId();
}

namespace {
// Empties the queue "integers" when a walk ends, also when an engine error ends it early, so
// that no later walk starts from items left over.
struct QueueDrain {
    ~QueueDrain() { IntegerQueue().StackClear(); }
};

// Marks the children of parent whose Rank differs from hider, and queues those of them that
// have children of their own. A child that already carries hider is skipped with its branch:
// that is what ends the walk at a self-linked item and on a loop of parents. One UPDATE per
// parent marks the same rows as marking each child in turn, at a fraction of the cost on a
// wide branch.
void MarkChildren(ItemId parent, ItemId hider) {
    QSqlQuery& q = StoredQuery(
        QStringLiteral("SELECT id FROM phonebk WHERE parent = ? AND IFNULL(rank, 0) <> ? "
                       "AND numchildren > 0"));
    q.bindValue(0, IdToDb(parent));
    q.bindValue(1, IdToDb(hider));
    ExecQuery(q);
    std::vector<ItemId> withChildren;
    while (q.next())
        withChildren.push_back(IdFromDb(q.value(0)));
    q.finish();
    for (ItemId c : withChildren)
        PushInteger(c.Value());
    QSqlQuery& mark = StoredQuery(
        QStringLiteral("UPDATE phonebk SET rank = ? WHERE parent = ? AND IFNULL(rank, 0) <> ?"));
    mark.bindValue(0, IdToDb(hider));
    mark.bindValue(1, IdToDb(parent));
    mark.bindValue(2, IdToDb(hider));
    ExecQuery(mark);
    mark.finish();
}
} // namespace

void SetHiderBelow(ItemId item, ItemId hider) {
    // The walk needs the queue to itself: it takes from the front what it adds at the back.
    IntegerQueue().StackClear();
    QueueDrain drain;
    Transaction t;
    SetRankOf(item, hider);
    MarkChildren(item, hider);
    // A queued item was marked when its parent was visited; only its children remain.
    int32_t next = 0;
    while (TakeInteger(next))
        MarkChildren(ItemId(next), hider);
    t.Commit();
}
