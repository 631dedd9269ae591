#include "store/ItemStore.h"

#include "common/Dialogs.h"
#include "store/Database.h"
#include "store/ItemRows.h"

#include <QSqlQuery>
#include <QVariant>

namespace {
QString RowNotFound(ItemId id1, ItemId id2) {
    return QStringLiteral("Link-across ") + QString::number(id1.Value()) + QStringLiteral("-") +
           QString::number(id2.Value()) + QStringLiteral(" not found");
}

// Removes one row and takes it off its item's count; a row that is not there counts nothing.
void RemoveRow(ItemId id1, ItemId id2, int drop) {
    QSqlQuery& q =
        StoredQuery(QStringLiteral("DELETE FROM mm2 WHERE id1 = ? AND id2 = ? AND \"drop\" = ?"));
    q.bindValue(0, IdToDb(id1));
    q.bindValue(1, IdToDb(id2));
    q.bindValue(2, drop);
    ExecQuery(q);
    const bool removed = q.numRowsAffected() > 0;
    q.finish();
    if (removed)
        UncountLinkAcross(id1);
}

// The first number from drop on that neither direction of the pair uses: a row stored in one
// direction only (older data, converted links) must not make the mirror of a new link clash.
int FreeDrop(ItemId a, ItemId b, int drop) {
    while (LinkAcrossRowExists(a, b, drop) || LinkAcrossRowExists(b, a, drop))
        ++drop;
    return drop;
}
} // namespace

int LinkAcross(ItemId a, ItemId b) {
    // Both items must be there, as for a link down: a link to nothing would keep A from ever
    // being deleted.
    if (!ItemExists(b)) {
        LinkMessage(QStringLiteral("To-item not found #") + QString::number(b.Value()));
        return ToNotFound;
    }
    if (!ItemExists(a)) {
        LinkMessage(QStringLiteral("From-Item not found #") + QString::number(a.Value()));
        return FromNotFound;
    }
    // An item linked across to itself would be one row whose mirror is the row itself: it is
    // never stored, and nothing is asked first (a self row from older data would otherwise
    // bring the question to link again, and a note, for nothing).
    if (a == b)
        return LinkRefused;
    QString note;
    int drop = FindRepeatLink(a, b, note);
    if (drop < 0)
        return AlreadyLinked;
    drop = FreeDrop(a, b, drop);
    // Both rows or neither: a row without its mirror would be a link in one direction only.
    Transaction t;
    const int first = AddLinkAcrossRow(a, b, drop, note);
    if (first != LinkOk)
        return first;
    const int mirror = AddLinkAcrossRow(b, a, drop, note);
    if (mirror != LinkOk)
        return mirror;
    t.Commit();
    return LinkOk;
}

int FindRepeatLink(ItemId a, ItemId b, QString& note) {
    QSqlQuery& q = StoredQuery(QStringLiteral(
        "SELECT \"drop\" FROM mm2 WHERE id1 = ? AND id2 = ? ORDER BY \"drop\" DESC LIMIT 1"));
    q.bindValue(0, IdToDb(a));
    q.bindValue(1, IdToDb(b));
    ExecQuery(q);
    if (!q.next()) {
        q.finish();
        return 0;
    }
    const int highest = q.value(0).toInt();
    q.finish();
    if (!Confirm(QStringLiteral("The items are already linked - link them again?")))
        return -1;
    // The new link's note is asked at once; a cancelled prompt leaves it empty and the link is
    // still made.
    note.clear();
    PromptLinkNote(note);
    return highest + 1;
}

int AddLinkAcrossRow(ItemId id1, ItemId id2, int drop, const QString& note) {
    Transaction t;
    QSqlQuery& q = StoredQuery(
        QStringLiteral("INSERT INTO mm2 (id1, id2, linknote, \"drop\") VALUES (?, ?, ?, ?)"));
    q.bindValue(0, IdToDb(id1));
    q.bindValue(1, IdToDb(id2));
    q.bindValue(2, LinkNoteValue(note));
    q.bindValue(3, drop);
    try {
        ExecQuery(q);
    } catch (const DbError& e) {
        q.finish();
        // A row whose key is taken is a refusal, answered as a result; any other failure of
        // the engine (a full disk, a read-only file) goes on to the command that asked.
        if (e.IsKeyClash())
            return LinkRefused;
        throw;
    }
    q.finish();
    CountLinkAcross(id1);
    t.Commit();
    return LinkOk;
}

bool DeleteLinkAcrossRow(ItemId id1, ItemId id2, int drop) {
    if (!LinkAcrossRowExists(id1, id2, drop)) {
        ShowInfo(RowNotFound(id1, id2));
        return false;
    }
    Transaction t;
    RemoveRow(id1, id2, drop);
    t.Commit();
    return true;
}

bool DelinkAcross(ItemId a, ItemId b, int drop) {
    if (!LinkAcrossRowExists(a, b, drop)) {
        ShowInfo(RowNotFound(a, b));
        return false;
    }
    // A missing mirror is reported, but the row found is still removed: that ends a link
    // that was left in one direction only. A row linking an item to itself (older data) is
    // its own mirror: it is removed, and counted off, once.
    const bool self = a == b;
    const bool mirror = self || LinkAcrossRowExists(b, a, drop);
    Transaction t;
    RemoveRow(a, b, drop);
    if (mirror && !self)
        RemoveRow(b, a, drop);
    t.Commit();
    if (!mirror)
        ShowInfo(RowNotFound(b, a));
    return mirror;
}

void SetLinkNote(ItemId id1, ItemId id2, int drop, const QString& note) {
    QSqlQuery& q = StoredQuery(
        QStringLiteral("UPDATE mm2 SET linknote = ? WHERE id1 = ? AND id2 = ? AND \"drop\" = ?"));
    q.bindValue(0, LinkNoteValue(note));
    q.bindValue(1, IdToDb(id1));
    q.bindValue(2, IdToDb(id2));
    q.bindValue(3, drop);
    ExecQuery(q);
    q.finish();
}

void SetLinkAcrossNote(ItemId a, ItemId b, int drop, const QString& note) {
    Transaction t;
    SetLinkNote(a, b, drop, note);
    SetLinkNote(b, a, drop, note);
    t.Commit();
}

bool PromptLinkNote(QString& note) {
    return PromptText(QStringLiteral("[ Link note ]"), note);
}
