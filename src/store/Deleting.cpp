#include "store/ItemStore.h"

#include "common/Dialogs.h"
#include "common/TextHelpers.h"
#include "store/Database.h"
#include "store/ItemRows.h"
#include "store/StoreState.h"

#include <QSqlQuery>

bool DeleteItem(ItemId id) {
    LinkFields row;
    if (!ReadLinkFields(id, row))
        return false;
    // The rows themselves are asked as well as the counts, so that a count gone wrong never
    // orphans children or leaves links across pointing at nothing.
    if (row.Numchildren > 0 || HasChildRows(id)) {
        ShowInfo(QStringLiteral(
            "Cannot delete while links-down exist (these should first be reassigned)"));
        return false;
    }
    if (row.numcousins > 0 || HasLinkAcrossRows(id)) {
        ShowInfo(QStringLiteral("Cannot delete while links-across exist"));
        return false;
    }
    const QString name = QuoteDouble(row.Name);
    const ItemId archive = StoreArchiveId();
    if (archive.IsValid()) {
        const int choice =
            ChooseOption(QStringLiteral("Delete item ") + name + QStringLiteral(" - or Archive ?"),
                         QStringLiteral("Delete"), QStringLiteral("Archive"));
        if (choice == 0)
            return false;
        if (choice == 2) {
            if (LinkItems(archive, id, 1) != LinkOk)
                return false;
            FlashMessage(QStringLiteral("Archived OK"));
            return true;
        }
    }
    if (!Confirm(QStringLiteral("Delete item ") + name + QStringLiteral(" - OK?")))
        return false;

    Transaction t;
    QSqlQuery& q = StoredQuery(QStringLiteral("DELETE FROM phonebk WHERE id = ?"));
    q.bindValue(0, IdToDb(id));
    ExecQuery(q);
    q.finish();
    AddToNumchildren(row.Parent, -1);
    t.Commit();
    ForgetYearItem(id);
    return true;
}
