#pragma once

#include "store/Database.h"
#include "store/ItemStore.h"

#include <QSqlQuery>
#include <QString>
#include <QVariant>

// Builds small item trees for the list tests directly in the tables, so that the tests do not
// depend on the questions the linking commands ask.
namespace fixture {

inline void Run(const QString& sql, const QList<QPair<QString, QVariant>>& binds = {}) {
    QSqlQuery q = PrepareQuery(sql);
    for (const auto& b : binds)
        q.bindValue(b.first, b.second);
    ExecQuery(q);
}

inline void SetParent(ItemId id, ItemId parent) {
    Run("UPDATE phonebk SET parent = :p WHERE id = :id", {{":p", parent}, {":id", id}});
    Run("UPDATE phonebk SET numchildren = COALESCE(numchildren, 0) + 1 WHERE id = :p",
        {{":p", parent}});
}

inline ItemId Add(const QString& name, ItemId parent = 0, const QString& tel = QString(),
                  const QString& text = QString()) {
    const ItemId id = CreateItem(name, tel, text);
    if (parent != 0)
        SetParent(id, parent);
    return id;
}

inline void SetInt(ItemId id, const QString& field, int value) {
    Run("UPDATE phonebk SET " + field + " = :v WHERE id = :id", {{":v", value}, {":id", id}});
}

inline void SetText(ItemId id, const QString& field, const QString& value) {
    Run("UPDATE phonebk SET " + field + " = :v WHERE id = :id", {{":v", value}, {":id", id}});
}

inline int GetInt(ItemId id, const QString& field) {
    QSqlQuery q = PrepareQuery("SELECT " + field + " FROM phonebk WHERE id = :id");
    q.bindValue(":id", id);
    ExecQuery(q);
    return q.next() ? q.value(0).toInt() : -1;
}

inline QString GetText(ItemId id, const QString& field) {
    QSqlQuery q = PrepareQuery("SELECT " + field + " FROM phonebk WHERE id = :id");
    q.bindValue(":id", id);
    ExecQuery(q);
    return q.next() ? q.value(0).toString() : QString();
}

inline void LinkAcross(ItemId a, ItemId b, const QString& note = QString(), int drop = 0) {
    for (auto pair : {std::pair<ItemId, ItemId>{a, b}, std::pair<ItemId, ItemId>{b, a}}) {
        Run("INSERT INTO mm2 (id1, id2, linknote, \"drop\") VALUES (:a, :b, :n, :d)",
            {{":a", pair.first}, {":b", pair.second}, {":n", note}, {":d", drop}});
        Run("UPDATE phonebk SET numcousins = COALESCE(numcousins, 0) + 1 WHERE id = :a",
            {{":a", pair.first}});
    }
}

// Makes an item a hider: its own parent, and its own rank and that of the items given.
inline void MakeHider(ItemId hider, std::initializer_list<ItemId> hidden = {}) {
    SetParent(hider, hider);
    SetInt(hider, "rank", hider);
    for (ItemId id : hidden)
        SetInt(id, "rank", hider);
}

} // namespace fixture
