#include "store/ItemRows.h"

#include "common/TextHelpers.h"
#include "store/Database.h"

#include <QSqlQuery>
#include <QVariant>

namespace {
// Runs a stored statement with positional values and leaves it finished.
void RunStored(const QString& sql, std::initializer_list<QVariant> values) {
    QSqlQuery& q = StoredQuery(sql);
    int i = 0;
    for (const QVariant& v : values)
        q.bindValue(i++, v);
    ExecQuery(q);
    q.finish();
}

bool AnyRow(const QString& sql, std::initializer_list<QVariant> values) {
    QSqlQuery& q = StoredQuery(sql);
    int i = 0;
    for (const QVariant& v : values)
        q.bindValue(i++, v);
    ExecQuery(q);
    const bool found = q.next();
    q.finish();
    return found;
}
} // namespace

QVariant NameValue(const QString& name) {
    return CutToWidth(name, NameWidth);
}

QVariant RefValue(const QString& tel) {
    if (tel.isEmpty())
        return QVariant(QMetaType::fromType<QString>());
    return CutToWidth(tel, TelWidth);
}

QVariant TextValue(const QString& text) {
    return text.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(text);
}

QVariant LinkNoteValue(const QString& note) {
    return CutToWidth(note, LinkNoteWidth);
}

bool ReadLinkFields(ItemId id, LinkFields& row) {
    if (id <= 0)
        return false;
    QSqlQuery& q = StoredQuery(QStringLiteral(
        "SELECT name, parent, rank, numchildren, numcousins FROM phonebk WHERE id = ?"));
    q.bindValue(0, id);
    ExecQuery(q);
    if (!q.next()) {
        q.finish();
        return false;
    }
    row.Id = id;
    row.Name = q.value(0).toString();
    row.Parent = q.value(1).toInt();
    row.Rank = q.value(2).toInt();
    row.Numchildren = q.value(3).toInt();
    row.numcousins = q.value(4).toInt();
    q.finish();
    return true;
}

bool ItemExists(ItemId id) {
    return id > 0 && AnyRow(QStringLiteral("SELECT 1 FROM phonebk WHERE id = ?"), {id});
}

void AddToNumchildren(ItemId id, int delta) {
    if (id <= 0)
        return;
    RunStored(QStringLiteral("UPDATE phonebk SET numchildren = IFNULL(numchildren, 0) + ? "
                             "WHERE id = ?"),
              {delta, id});
}

void CountLinkAcross(ItemId id) {
    RunStored(
        QStringLiteral("UPDATE phonebk SET numcousins = IFNULL(numcousins, 0) + 1 WHERE id = ?"),
        {id});
}

void UncountLinkAcross(ItemId id) {
    RunStored(QStringLiteral(
                  "UPDATE phonebk SET numcousins = numcousins - 1 WHERE id = ? AND numcousins > 0"),
              {id});
}

void StoreLinkCount(ItemId id, bool down, int count) {
    RunStored(down ? QStringLiteral("UPDATE phonebk SET numchildren = ? WHERE id = ?")
                   : QStringLiteral("UPDATE phonebk SET numcousins = ? WHERE id = ?"),
              {count, id});
}

void SetParentOf(ItemId id, ItemId parent) {
    RunStored(QStringLiteral("UPDATE phonebk SET parent = ? WHERE id = ?"), {parent, id});
}

void SetRankOf(ItemId id, ItemId rank) {
    RunStored(QStringLiteral("UPDATE phonebk SET rank = ? WHERE id = ?"), {rank, id});
}

bool HasChildRows(ItemId id) {
    return AnyRow(QStringLiteral("SELECT 1 FROM phonebk WHERE parent = ? LIMIT 1"), {id});
}

bool HasLinkAcrossRows(ItemId id) {
    return AnyRow(QStringLiteral("SELECT 1 FROM mm2 WHERE id1 = ? OR id2 = ? LIMIT 1"), {id, id});
}

bool LinkAcrossRowExists(ItemId id1, ItemId id2, int drop) {
    return AnyRow(QStringLiteral("SELECT 1 FROM mm2 WHERE id1 = ? AND id2 = ? AND \"drop\" = ?"),
                  {id1, id2, drop});
}
