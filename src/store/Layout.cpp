#include "store/Layout.h"

#include "store/Database.h"

#include <QSqlQuery>
#include <QStringList>

#include <vector>

namespace {
const char* const ColumnsOfSql = "SELECT name FROM pragma_table_info(:table)";

struct Table {
    const char* Name;
    std::vector<const char*> Columns;
};

// The later steps run one after the other from the DBVN they start at (703, 704, 1000 or
// 1001); any other DBVN runs none of them, and the file has the current layout.
std::vector<Table> layoutOf(int dbvn) {
    const bool beforeStep1000 = dbvn <= 704;
    const bool beforeStep1100 = beforeStep1000 || dbvn == 1000 || dbvn == 1001;
    Table items{"phonebk",
                {"id", "name", "text", "numchildren", "srchts", "tel", "parent", "createdts",
                 "editts", "rank"}};
    if (!beforeStep1000)
        items.Columns.push_back("numcousins");
    std::vector<Table> tables{items, {"mm2", {"id1", "id2", "linknote", "drop"}}};
    if (beforeStep1100) {
        Table older{"mm", {"id1", "id2"}};
        if (dbvn == 1001)
            older.Columns.push_back("linknote");
        tables.push_back(older);
    }
    return tables;
}

// The columns of table in lower case; empty when there is no such table.
QStringList columnsOf(const char* table) {
    QSqlQuery q = PrepareQuery(QString::fromLatin1(ColumnsOfSql));
    q.bindValue(QStringLiteral(":table"), QString::fromLatin1(table));
    ExecQuery(q);
    QStringList columns;
    while (q.next())
        columns << q.value(0).toString().toLower();
    q.finish();
    return columns;
}
} // namespace

QString MissingLayout(int dbvn) {
    QStringList missingTables;
    QStringList missingColumns;
    for (const Table& table : layoutOf(dbvn)) {
        const QStringList have = columnsOf(table.Name);
        if (have.isEmpty()) {
            missingTables << QString::fromLatin1(table.Name);
            continue;
        }
        QStringList lacking;
        for (const char* column : table.Columns)
            if (!have.contains(QLatin1String(column)))
                lacking << QString::fromLatin1(column);
        if (!lacking.isEmpty())
            missingColumns << QStringLiteral("%1 %2 of table %3")
                                  .arg(lacking.size() == 1 ? QStringLiteral("column")
                                                           : QStringLiteral("columns"),
                                       lacking.join(QStringLiteral(", ")),
                                       QString::fromLatin1(table.Name));
    }
    QStringList parts;
    if (!missingTables.isEmpty())
        parts << (missingTables.size() == 1 ? QStringLiteral("table ")
                                            : QStringLiteral("tables ")) +
                     missingTables.join(QStringLiteral(", "));
    parts << missingColumns;
    return parts.join(QStringLiteral("; "));
}
