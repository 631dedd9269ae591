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
    if (!id.IsValid())
        return false;
    QSqlQuery& q = StoredQuery(QStringLiteral(
        "SELECT name, parent, rank, numchildren, numcousins FROM phonebk WHERE id = ?"));
    q.bindValue(0, IdToDb(id));
    ExecQuery(q);
    if (!q.next()) {
        q.finish();
        return false;
    }
    row.Id = id;
    row.Name = q.value(0).toString();
    row.Parent = IdFromDb(q.value(1));
    row.Rank = IdFromDb(q.value(2));
    row.Numchildren = q.value(3).toInt();
    row.numcousins = q.value(4).toInt();
    q.finish();
    return true;
}

bool ItemExists(ItemId id) {
    return id.IsValid() &&
           AnyRow(QStringLiteral("SELECT 1 FROM phonebk WHERE id = ?"), {IdToDb(id)});
}

void AddToNumchildren(ItemId id, int delta) {
    if (!id.IsValid())
        return;
    RunStored(QStringLiteral("UPDATE phonebk SET numchildren = IFNULL(numchildren, 0) + ? "
                             "WHERE id = ?"),
              {delta, IdToDb(id)});
}

void CountLinkAcross(ItemId id) {
    RunStored(
        QStringLiteral("UPDATE phonebk SET numcousins = IFNULL(numcousins, 0) + 1 WHERE id = ?"),
        {IdToDb(id)});
}

void UncountLinkAcross(ItemId id) {
    RunStored(QStringLiteral(
                  "UPDATE phonebk SET numcousins = numcousins - 1 WHERE id = ? AND numcousins > 0"),
              {IdToDb(id)});
}

void StoreLinkCount(ItemId id, bool down, int count) {
    RunStored(down ? QStringLiteral("UPDATE phonebk SET numchildren = ? WHERE id = ?")
                   : QStringLiteral("UPDATE phonebk SET numcousins = ? WHERE id = ?"),
              {count, IdToDb(id)});
}

void SetParentOf(ItemId id, ItemId parent) {
    RunStored(QStringLiteral("UPDATE phonebk SET parent = ? WHERE id = ?"),
              {IdToDb(parent), IdToDb(id)});
}

void SetRankOf(ItemId id, ItemId rank) {
    RunStored(QStringLiteral("UPDATE phonebk SET rank = ? WHERE id = ?"),
              {IdToDb(rank), IdToDb(id)});
}

bool HasChildRows(ItemId id) {
    return AnyRow(QStringLiteral("SELECT 1 FROM phonebk WHERE parent = ? LIMIT 1"), {IdToDb(id)});
}

bool HasLinkAcrossRows(ItemId id) {
    return AnyRow(QStringLiteral("SELECT 1 FROM mm2 WHERE id1 = ? OR id2 = ? LIMIT 1"),
                  {IdToDb(id), IdToDb(id)});
}

bool LinkAcrossRowExists(ItemId id1, ItemId id2, int drop) {
    return AnyRow(QStringLiteral("SELECT 1 FROM mm2 WHERE id1 = ? AND id2 = ? AND \"drop\" = ?"),
                  {IdToDb(id1), IdToDb(id2), drop});
}
