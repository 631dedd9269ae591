#include "itemwin/ItemFields.h"

#include "store/Database.h"

#include <QSqlQuery>
#include <QVariant>

bool WriteItemFields(ItemId id, const QString& name, const QString& tel, const QString& text) {
    if (id <= 0)
        return false;
    QSqlQuery q = PrepareQuery(
        QStringLiteral("UPDATE phonebk SET name = :name, tel = :tel, text = :text WHERE id = :id"));
    q.bindValue(QStringLiteral(":name"), name.left(NameWidth));
    q.bindValue(QStringLiteral(":tel"), tel.left(TelWidth));
    q.bindValue(QStringLiteral(":text"),
                text.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(text));
    q.bindValue(QStringLiteral(":id"), id);
    ExecQuery(q);
    return q.numRowsAffected() > 0;
}

bool RemoveItemRow(ItemId id) {
    ItemRecord item;
    if (!LocateItem(id, item))
        return false;
    Transaction t;
    QSqlQuery del = PrepareQuery(QStringLiteral("DELETE FROM phonebk WHERE id = :id"));
    del.bindValue(QStringLiteral(":id"), id);
    ExecQuery(del);
    if (item.Parent > 0 && item.Parent != id) {
        QSqlQuery count = PrepareQuery(QStringLiteral(
            "UPDATE phonebk SET numchildren = COALESCE(numchildren, 0) - 1 WHERE id = :id"));
        count.bindValue(QStringLiteral(":id"), item.Parent);
        ExecQuery(count);
    }
    t.Commit();
    return true;
}
