#include "store/ItemFields.h"

#include "store/Database.h"
#include "store/ItemRows.h"

#include <QSqlQuery>
#include <QVariant>

bool WriteItemFields(ItemId id, const QString& name, const QString& tel, const QString& text) {
    if (!id.IsValid())
        return false;
    QSqlQuery q = PrepareQuery(
        QStringLiteral("UPDATE phonebk SET name = :name, tel = :tel, text = :text WHERE id = :id"));
    q.bindValue(QStringLiteral(":name"), NameValue(name));
    q.bindValue(QStringLiteral(":tel"), RefValue(tel));
    q.bindValue(QStringLiteral(":text"), TextValue(text));
    q.bindValue(QStringLiteral(":id"), IdToDb(id));
    ExecQuery(q);
    return q.numRowsAffected() > 0;
}

bool WriteItemFields(ItemId id, const ItemFieldEdits& edits) {
    if (!id.IsValid())
        return false;
    QStringList assignments;
    if (edits.Name)
        assignments << QStringLiteral("name = :name");
    if (edits.Tel)
        assignments << QStringLiteral("tel = :tel");
    if (edits.Text)
        assignments << QStringLiteral("text = :text");
    if (assignments.isEmpty()) {
        ItemRecord item;
        return LocateItem(id, item);
    }
    QSqlQuery q =
        PrepareQuery(QStringLiteral("UPDATE phonebk SET ") +
                     assignments.join(QStringLiteral(", ")) + QStringLiteral(" WHERE id = :id"));
    if (edits.Name)
        q.bindValue(QStringLiteral(":name"), NameValue(*edits.Name));
    if (edits.Tel)
        q.bindValue(QStringLiteral(":tel"), RefValue(*edits.Tel));
    if (edits.Text)
        q.bindValue(QStringLiteral(":text"), TextValue(*edits.Text));
    q.bindValue(QStringLiteral(":id"), IdToDb(id));
    ExecQuery(q);
    return q.numRowsAffected() > 0;
}

bool RemoveItemRow(ItemId id) {
    LinkFields item;
    if (!ReadLinkFields(id, item))
        return false;
    Transaction t;
    QSqlQuery del = PrepareQuery(QStringLiteral("DELETE FROM phonebk WHERE id = :id"));
    del.bindValue(QStringLiteral(":id"), IdToDb(id));
    ExecQuery(del);
    // A self-linked item is its own parent: the row that counted it is the one just deleted.
    if (item.Parent != id)
        AddToNumchildren(item.Parent, -1);
    t.Commit();
    return true;
}
