#pragma once

#include "store/Database.h"
#include "store/ItemStore.h"

#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <QtTest>

// Arranges items straight in the tables, so that a test sets up its tree without going through
// the operations it is testing, and reads back single fields.

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

// A new item under parent (0: top-level), counted in the parent and carrying its Rank.
inline ItemId MakeItem(const QString& name, ItemId parent = 0) {
    const ItemId id = CreateItem(name, QString());
    if (parent != 0) {
        Exec(QStringLiteral("UPDATE phonebk SET parent = ?, rank = (SELECT rank FROM phonebk "
                            "WHERE id = ?) WHERE id = ?"),
             {parent, parent, id});
        Exec(QStringLiteral("UPDATE phonebk SET numchildren = IFNULL(numchildren, 0) + 1 "
                            "WHERE id = ?"),
             {parent});
    }
    return id;
}

inline int Field(ItemId id, const char* field) {
    return Scalar(QStringLiteral("SELECT %1 FROM phonebk WHERE id = ?").arg(QLatin1String(field)),
                  {id})
        .toInt();
}

inline int CountLinkRows() {
    return Scalar(QStringLiteral("SELECT COUNT(*) FROM mm2")).toInt();
}
