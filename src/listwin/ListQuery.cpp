#include "listwin/ListQuery.h"

#include "store/Database.h"

#include <QSqlQuery>
#include <QSqlRecord>

const char* const SearchWalkSql = "SELECT id, name, text, parent FROM phonebk ORDER BY id";
const char* const SearchStampSql = "UPDATE phonebk SET srchts = :srchts WHERE id = :id";

namespace {
const char* const StoreChildrenSql = "UPDATE phonebk SET numchildren = :count WHERE id = :id";
const char* const StoreCousinsSql = "UPDATE phonebk SET numcousins = :count WHERE id = :id";
} // namespace

QStringList ListQueryLines(char listKind, bool searchList, char sortOrder, bool lnoteBefore) {
    QStringList lines;
    if (listKind == '2') {
        lines << QStringLiteral(
                     "SELECT m.id1 , m.id2 , m.\"drop\" as drop2, m.linknote , p.id, p.name, "
                     "p.text, p.rank, LOWER(p.name) as lname, p.parent, p.tel, p.numchildren, "
                     "p.numcousins")
              << QStringLiteral("FROM mm2 m LEFT JOIN phonebk p ON p.id = m.id2");
    } else {
        lines << QStringLiteral(
                     "SELECT id, id as id2, name, text, rank, rank as drop2, LOWER(name) as lname, "
                     "parent, tel, lower(tel) as linknote, numchildren, numcousins")
              << QStringLiteral("FROM phonebk");
    }
    if (searchList) {
        lines << QStringLiteral("WHERE ( ( rank = 0 ) or ( rank = :parent ) )")
              << QStringLiteral("and (srchts = :srchts)");
    } else if (listKind == '2') {
        lines << QStringLiteral("WHERE (m.id1 = :parent)");
    } else {
        lines << QStringLiteral("WHERE (parent = :parent)");
    }
    if (sortOrder != 'D' && sortOrder != 'N')
        lines << QStringLiteral("ORDER BY tel,lname");
    else if (listKind == '2' && lnoteBefore)
        lines << QStringLiteral("ORDER BY linknote , lname");
    else
        lines << QStringLiteral("ORDER BY lname , linknote");
    return lines;
}

QString ListQueryText(const QStringList& lines) {
    return lines.join(QLatin1Char('\n'));
}

std::vector<ListRow> LoadListRows(const QStringList& lines, bool searchList, ItemId parent,
                                  const QDateTime& stamp) {
    QSqlQuery q = PrepareQuery(ListQueryText(lines));
    q.setForwardOnly(true);
    q.bindValue(QStringLiteral(":parent"), parent);
    if (searchList)
        q.bindValue(QStringLiteral(":srchts"), StampToDb(stamp));
    ExecQuery(q);

    const QSqlRecord rec = q.record();
    const int cId = rec.indexOf(QStringLiteral("id"));
    const int cId2 = rec.indexOf(QStringLiteral("id2"));
    const int cName = rec.indexOf(QStringLiteral("name"));
    const int cText = rec.indexOf(QStringLiteral("text"));
    const int cRank = rec.indexOf(QStringLiteral("rank"));
    const int cDrop2 = rec.indexOf(QStringLiteral("drop2"));
    const int cLName = rec.indexOf(QStringLiteral("lname"));
    const int cParent = rec.indexOf(QStringLiteral("parent"));
    const int cTel = rec.indexOf(QStringLiteral("tel"));
    const int cNote = rec.indexOf(QStringLiteral("linknote"));
    const int cChildren = rec.indexOf(QStringLiteral("numchildren"));
    const int cCousins = rec.indexOf(QStringLiteral("numcousins"));

    std::vector<ListRow> rows;
    while (q.next()) {
        ListRow r;
        r.Id = q.value(cId).toInt(); // a null id (missing linked item) reads as 0
        r.Id2 = q.value(cId2).toInt();
        r.Name = q.value(cName).toString();
        r.Rank = q.value(cRank).toInt();
        r.Drop2 = q.value(cDrop2).toInt();
        r.LName = q.value(cLName).toString();
        r.Parent = q.value(cParent).toInt();
        r.Tel = q.value(cTel).toString();
        r.LinkNote = q.value(cNote).toString();
        r.NumChildren = q.value(cChildren).toInt();
        r.NumCousins = q.value(cCousins).toInt();
        r.HasText = !q.isNull(cText);
        rows.push_back(std::move(r));
    }
    return rows;
}

void StoreLinkCount(ItemId id, bool down, int count) {
    QSqlQuery q = PrepareQuery(QString::fromLatin1(down ? StoreChildrenSql : StoreCousinsSql));
    q.bindValue(QStringLiteral(":count"), count);
    q.bindValue(QStringLiteral(":id"), id);
    ExecQuery(q);
}
