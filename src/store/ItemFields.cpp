#include "store/ItemFields.h"

#include "store/Database.h"
#include "store/ItemRows.h"

#include <QSqlQuery>
#include <QVariant>

namespace {
// An empty text is stored as null, as a text never written.
QVariant TextValue(const QString& text) {
    return text.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(text);
}
} // namespace

ItemId CreateItem(const QString& name, const QString& tel, const QString& text,
                  const QDateTime& created) {
    QSqlQuery& q = StoredQuery(QStringLiteral(
        "INSERT INTO phonebk (name, tel, text, parent, rank, numchildren, numcousins, createdts) "
        "VALUES (:name, :tel, :text, 0, 0, 0, 0, :createdts)"));
    q.bindValue(QStringLiteral(":name"), NameValue(name));
    q.bindValue(QStringLiteral(":tel"), RefValue(tel));
    q.bindValue(QStringLiteral(":text"), TextValue(text));
    q.bindValue(QStringLiteral(":createdts"), StampToDb(created));
    ExecQuery(q);
    const ItemId id = q.lastInsertId().toInt();
    q.finish();
    return id;
}

bool WriteItemFields(ItemId id, const QString& name, const QString& tel, const QString& text) {
    if (id <= 0)
        return false;
    QSqlQuery q = PrepareQuery(
        QStringLiteral("UPDATE phonebk SET name = :name, tel = :tel, text = :text WHERE id = :id"));
    q.bindValue(QStringLiteral(":name"), NameValue(name));
    q.bindValue(QStringLiteral(":tel"), RefValue(tel));
    q.bindValue(QStringLiteral(":text"), TextValue(text));
    q.bindValue(QStringLiteral(":id"), id);
    ExecQuery(q);
    return q.numRowsAffected() > 0;
}

bool WriteItemFields(ItemId id, const ItemFieldEdits& edits) {
    if (id <= 0)
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
    q.bindValue(QStringLiteral(":id"), id);
    ExecQuery(q);
    return q.numRowsAffected() > 0;
}

bool RemoveItemRow(ItemId id) {
    LinkFields item;
    if (!ReadLinkFields(id, item))
        return false;
    Transaction t;
    QSqlQuery del = PrepareQuery(QStringLiteral("DELETE FROM phonebk WHERE id = :id"));
    del.bindValue(QStringLiteral(":id"), id);
    ExecQuery(del);
    // A self-linked item is its own parent: the row that counted it is the one just deleted.
    if (item.Parent != id)
        AddToNumchildren(item.Parent, -1);
    t.Commit();
    return true;
}
