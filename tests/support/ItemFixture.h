#pragma once

#include "store/Database.h"
#include "store/ItemStore.h"

#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <QtTest>

#include <initializer_list>

// Failure messages of QCOMPARE show an id as its number.
inline char* toString(ItemId id) {
    return QTest::toString(id.Value());
}

// Arranges items straight in the tables, so that a test sets up its tree without going through
// the operations it is testing (or the questions they ask), and reads back single fields.

// Runs one statement with positional values; fails the test when the engine refuses it.
inline void Exec(const QString& sql, const QVariantList& values = {}) {
    QSqlQuery q(PhoneDB());
    QVERIFY2(q.prepare(sql), qPrintable(sql));
    for (int i = 0; i < values.size(); ++i)
        q.bindValue(i, values[i]);
    QVERIFY2(q.exec(), qPrintable(sql));
}

// The first column of the first row of a query, or an invalid value when there is none.
inline QVariant Scalar(const QString& sql, const QVariantList& values = {}) {
    QSqlQuery q(PhoneDB());
    q.prepare(sql);
    for (int i = 0; i < values.size(); ++i)
        q.bindValue(i, values[i]);
    if (!q.exec() || !q.next())
        return QVariant();
    return q.value(0);
}

// Puts an item under parent, counted in the parent and carrying its Rank, as a link down would.
inline void SetParent(ItemId id, ItemId parent) {
    Exec(QStringLiteral("UPDATE phonebk SET parent = ?, rank = (SELECT rank FROM phonebk "
                        "WHERE id = ?) WHERE id = ?"),
         {IdToDb(parent), IdToDb(parent), IdToDb(id)});
    Exec(QStringLiteral("UPDATE phonebk SET numchildren = IFNULL(numchildren, 0) + 1 "
                        "WHERE id = ?"),
         {IdToDb(parent)});
}

// A new item, top-level or under parent.
inline ItemId MakeItem(const QString& name, ItemId parent = ItemId(),
                       const QString& tel = QString(), const QString& text = QString()) {
    const ItemId id = CreateItem(name, tel, text);
    if (!parent.IsNone())
        SetParent(id, parent);
    return id;
}

// One field of an item: as a number (0 when there is no such item), as an id (parent, rank),
// or as text.
inline int Field(ItemId id, const char* field) {
    return Scalar(QStringLiteral("SELECT %1 FROM phonebk WHERE id = ?").arg(QLatin1String(field)),
                  {IdToDb(id)})
        .toInt();
}
inline ItemId IdField(ItemId id, const char* field) {
    return ItemId(Field(id, field));
}
inline QString TextField(ItemId id, const char* field) {
    return Scalar(QStringLiteral("SELECT %1 FROM phonebk WHERE id = ?").arg(QLatin1String(field)),
                  {IdToDb(id)})
        .toString();
}
inline void SetField(ItemId id, const char* field, const QVariant& value) {
    Exec(QStringLiteral("UPDATE phonebk SET %1 = ? WHERE id = ?").arg(QLatin1String(field)),
         {value, IdToDb(id)});
}

// Both rows of a link across, each counted in its item.
inline void LinkAcrossRows(ItemId a, ItemId b, const QString& note = QString(), int drop = 0) {
    for (auto pair : {std::pair<ItemId, ItemId>{a, b}, std::pair<ItemId, ItemId>{b, a}}) {
        Exec(QStringLiteral("INSERT INTO mm2 (id1, id2, linknote, \"drop\") VALUES (?, ?, ?, ?)"),
             {IdToDb(pair.first), IdToDb(pair.second), note, drop});
        Exec(QStringLiteral("UPDATE phonebk SET numcousins = IFNULL(numcousins, 0) + 1 "
                            "WHERE id = ?"),
             {IdToDb(pair.first)});
    }
}

// Makes an item a hider: its own parent, with its own rank and that of the items given.
inline void MakeHider(ItemId hider, std::initializer_list<ItemId> hidden = {}) {
    SetParent(hider, hider);
    SetField(hider, "rank", IdToDb(hider));
    for (ItemId id : hidden)
        SetField(id, "rank", IdToDb(hider));
}

inline int CountLinkRows() {
    return Scalar(QStringLiteral("SELECT COUNT(*) FROM mm2")).toInt();
}
