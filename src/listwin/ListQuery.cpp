#include "listwin/ListQuery.h"

#include "common/KeyBlock.h"
#include "common/NameCollator.h"
#include "store/Database.h"
#include "store/RawStatement.h"
#include "store/SortKeys.h"

#include <QHash>
#include <QSqlQuery>

#include <algorithm>

#include <cstring>

namespace {
// The columns every list returns, named alike whichever table the statement reads first.
const char* const ItemColumns =
    "SELECT id, id as id2, name, typeof(text) as text, rank, rank as drop2, "
    "LOWER(name) as lname, parent, tel, lower(tel) as linknote, numchildren, "
    "numcousins";
const char* const KeyedItemColumns =
    "SELECT p.id, p.id as id2, p.name, typeof(p.text) as text, p.rank, p.rank as drop2, "
    "LOWER(p.name) as lname, p.parent, p.tel, lower(p.tel) as linknote, p.numchildren, "
    "p.numcousins";
const char* const AcrossColumns =
    "SELECT m.id1 , m.id2 , m.\"drop\" as drop2, m.linknote , p.id, p.name, "
    "typeof(p.text) as text, p.rank, LOWER(p.name) as lname, p.parent, p.tel, "
    "p.numchildren, "
    "p.numcousins";

// The lines of a list read in the stored keys' order. A list of links down is read from the
// keys' index (parent, key, id) in the order shown, each item then found by its id: the CROSS
// JOIN keeps the engine from reading the items first and sorting them. The other lists are
// sorted by the key bytes. Ties go to the id (and a link's drop), so the order is total; null
// and empty Refs and notes are one group, as in the lists sorted here.
QStringList keyedLines(ListOf listKind, bool searchList, SortBy sortOrder, bool lnoteBefore) {
    QStringList lines;
    const bool across = listKind == ListOf::LinksAcross;
    if (across)
        lines << QString::fromLatin1(AcrossColumns)
              << QStringLiteral("FROM mm2 m LEFT JOIN phonebk p ON p.id = m.id2")
              << QStringLiteral("LEFT JOIN phonebk_sortkey k ON k.id = p.id");
    else if (searchList)
        lines << QString::fromLatin1(KeyedItemColumns)
              << QStringLiteral("FROM phonebk p CROSS JOIN phonebk_sortkey k ON k.id = p.id");
    else
        lines << QString::fromLatin1(KeyedItemColumns)
              << QStringLiteral("FROM phonebk_sortkey k CROSS JOIN phonebk p ON p.id = k.id");
    if (searchList)
        lines << QStringLiteral("WHERE ( ( p.rank = 0 ) or ( p.rank = :parent ) )")
              << QStringLiteral("and (p.srchts = :srchts)");
    else if (across)
        lines << QStringLiteral("WHERE (m.id1 = :parent)");
    else
        lines << QStringLiteral("WHERE (k.parent = :parent)");
    const QString ties = across ? QStringLiteral("m.id2 , m.\"drop\"") : QStringLiteral("k.id");
    if (sortOrder == SortBy::Ref)
        lines << QStringLiteral("ORDER BY ifnull(p.tel, '') , k.key , ") + ties;
    else if (across && lnoteBefore)
        lines << QStringLiteral("ORDER BY ifnull(m.linknote, '') , k.key , ") + ties;
    else if (across)
        lines << QStringLiteral("ORDER BY k.key , ifnull(m.linknote, '') , ") + ties;
    else
        lines << QStringLiteral("ORDER BY k.key , ") + ties;
    return lines;
}

// The lines of a list sorted here once read (SortListRows): no order asked of the engine.
QStringList unorderedLines(ListOf listKind, bool searchList) {
    QStringList lines;
    if (listKind == ListOf::LinksAcross)
        lines << QString::fromLatin1(AcrossColumns)
              << QStringLiteral("FROM mm2 m LEFT JOIN phonebk p ON p.id = m.id2");
    else
        lines << QString::fromLatin1(ItemColumns) << QStringLiteral("FROM phonebk");
    if (searchList)
        lines << QStringLiteral("WHERE ( ( rank = 0 ) or ( rank = :parent ) )")
              << QStringLiteral("and (srchts = :srchts)");
    else if (listKind == ListOf::LinksAcross)
        lines << QStringLiteral("WHERE (m.id1 = :parent)");
    else
        lines << QStringLiteral("WHERE (parent = :parent)");
    return lines;
}
} // namespace

QStringList ListQueryLines(ListOf listKind, bool searchList, SortBy sortOrder, bool lnoteBefore,
                           RowOrder order) {
    if (order == RowOrder::StoredKeys)
        return keyedLines(listKind, searchList, sortOrder, lnoteBefore);
    return unorderedLines(listKind, searchList);
}

RowOrder CurrentRowOrder() {
    return SortKeysReady() ? RowOrder::StoredKeys : RowOrder::SortedHere;
}

QStringList ListQueryLines(ListOf listKind, bool searchList, SortBy sortOrder, bool lnoteBefore) {
    return ListQueryLines(listKind, searchList, sortOrder, lnoteBefore, CurrentRowOrder());
}

QString ListQueryText(const QStringList& lines) {
    return lines.join(QLatin1Char('\n'));
}

namespace {
// A column's text, shared with an already read one when the engine returned the same bytes
// (a name that is already lower case, a ref that is its own lower-case form).
QString textOrSame(const RawStatement& q, int column, int sameColumn, const QString& sameText) {
    if (q.IsNull(column))
        return QString();
    const char* t = q.TextData(column);
    const int n = q.TextSize(column);
    const char* s = q.TextData(sameColumn);
    if (n == q.TextSize(sameColumn) && std::memcmp(t, s, size_t(n)) == 0)
        return sameText;
    return QString::fromUtf8(t, n);
}
} // namespace

namespace {
// The columns of a list's statement, found once by name.
struct RowColumns {
    explicit RowColumns(const RawStatement& q)
        : Id(q.Column("id")), Id2(q.Column("id2")), Name(q.Column("name")), Text(q.Column("text")),
          Rank(q.Column("rank")), Drop2(q.Column("drop2")), LName(q.Column("lname")),
          Parent(q.Column("parent")), Tel(q.Column("tel")), Note(q.Column("linknote")),
          Children(q.Column("numchildren")), Cousins(q.Column("numcousins")) {}
    int Id, Id2, Name, Text, Rank, Drop2, LName, Parent, Tel, Note, Children, Cousins;
};

ListRow readRow(const RawStatement& q, const RowColumns& c) {
    ListRow r;
    r.Id = q.Id(c.Id); // a null id (missing linked item) reads as 0
    r.Id2 = q.Id(c.Id2);
    r.Name = q.Text(c.Name);
    r.Rank = q.Id(c.Rank);
    r.Drop2 = q.Int(c.Drop2);
    r.LName = textOrSame(q, c.LName, c.Name, r.Name);
    r.Parent = q.Id(c.Parent);
    r.Tel = q.Text(c.Tel);
    r.LinkNote = textOrSame(q, c.Note, c.Tel, r.Tel);
    r.NumChildren = q.Int(c.Children);
    r.NumCousins = q.Int(c.Cousins);
    // The text's type only: "null" when the item has none.
    const char* textType = q.TextData(c.Text);
    r.HasText = !(q.TextSize(c.Text) == 4 && std::memcmp(textType, "null", 4) == 0);
    return r;
}

// What a ref holds, in place of the columns of a whole row (the first line of the statement).
const char* const ItemRefColumns =
    "SELECT p.id, p.id as id2, p.rank as drop2, length(p.name) as namelen, "
    "length(p.tel) as reflen, length(lower(p.tel)) as notelen";
const char* const AcrossRefColumns =
    "SELECT p.id, m.id2, m.\"drop\" as drop2, length(p.name) as namelen, "
    "length(p.tel) as reflen, length(m.linknote) as notelen";

// A page of an items list, found by the items' ids.
const char* const ItemsByIdSql = " FROM phonebk p WHERE p.id IN (";
// One row of a links-across list, found by its link.
const char* const LinkRowSql = " FROM mm2 m LEFT JOIN phonebk p ON p.id = m.id2 "
                               "WHERE m.id1 = :parent AND m.id2 = :id2 AND m.\"drop\" = :drop";

quint16 clampedLength(qint64 n) {
    return quint16(std::clamp<qint64>(n, 0, 0xFFFF));
}
} // namespace

std::vector<ListRow> LoadListRows(const QStringList& lines, bool searchList, ItemId parent,
                                  const QDateTime& stamp, int limit) {
    // A list can hold every item of a large database: the rows are read straight from the
    // engine. Of the texts the statement asks only their type, which the engine reads from the
    // row's header without loading the text or carrying it through the sort.
    QStringList limited = lines;
    if (limit >= 0)
        limited << QStringLiteral("LIMIT :limit");
    RawStatement q(ListQueryText(limited));
    q.Bind(":parent", parent);
    if (limit >= 0)
        q.Bind(":limit", limit);
    if (searchList)
        q.Bind(":srchts", StampToDb(stamp));
    const RowColumns columns(q);
    std::vector<ListRow> rows;
    while (q.Step())
        rows.push_back(readRow(q, columns));
    return rows;
}

int CountListRows(const QStringList& lines, bool searchList, ItemId parent, const QDateTime& stamp,
                  int upTo) {
    // The rows in no order, no more of them than upTo: the count stops there.
    QStringList counted = lines;
    counted[0] = QStringLiteral("SELECT count(*) FROM (SELECT 1");
    if (counted.last().startsWith(QLatin1String("ORDER BY")))
        counted.removeLast();
    counted << QStringLiteral("LIMIT :limit)");
    RawStatement q(ListQueryText(counted));
    q.Bind(":limit", upTo);
    q.Bind(":parent", parent);
    if (searchList)
        q.Bind(":srchts", StampToDb(stamp));
    return q.Step() ? q.Int(0) : 0;
}

std::vector<RowRef> LoadListRefs(ListOf listKind, bool searchList, SortBy sortOrder,
                                 bool lnoteBefore, ItemId parent, const QDateTime& stamp) {
    QStringList lines =
        ListQueryLines(listKind, searchList, sortOrder, lnoteBefore, RowOrder::StoredKeys);
    lines[0] =
        QString::fromLatin1(listKind == ListOf::LinksAcross ? AcrossRefColumns : ItemRefColumns);
    // A search list is read in no order with its keys and sorted here: the same order (the
    // keys, then the ids), in less than half the time the engine's sort of every row takes.
    const bool sortHere = searchList && listKind != ListOf::LinksAcross &&
                          lines.last() == QLatin1String("ORDER BY k.key , k.id");
    if (sortHere) {
        lines[0] += QStringLiteral(", k.key");
        lines.removeLast(); // ORDER BY
    }
    RawStatement q(ListQueryText(lines));
    q.Bind(":parent", parent);
    if (searchList)
        q.Bind(":srchts", StampToDb(stamp));
    std::vector<RowRef> refs;
    KeyBlock keys;
    while (q.Step()) {
        RowRef r;
        r.Id = q.Id(0);
        r.Id2 = q.Id(1);
        r.Drop2 = q.Int(2);
        r.NameLength = clampedLength(q.Int64(3));
        r.RefLength = clampedLength(q.Int64(4));
        r.NoteLength = clampedLength(q.Int64(5));
        refs.push_back(r);
        if (sortHere)
            keys.Add(q.TextData(6), size_t(q.TextSize(6))); // the key's bytes as stored
    }
    if (!sortHere)
        return refs;
    std::vector<RowRef> sorted;
    sorted.reserve(refs.size());
    for (quint32 k : keys.Order([&](quint32 a, quint32 b) { return refs[a].Id < refs[b].Id; }))
        sorted.push_back(refs[k]);
    return sorted;
}

std::vector<ListRow> LoadRowsOf(ListOf listKind, ItemId parent, const std::vector<RowRef>& refs) {
    std::vector<ListRow> rows(refs.size());
    if (refs.empty())
        return rows;
    if (listKind == ListOf::LinksAcross) {
        RawStatement q(QString::fromLatin1(AcrossColumns) + QLatin1String(LinkRowSql));
        const RowColumns columns(q);
        for (size_t i = 0; i < refs.size(); ++i) {
            q.Bind(":parent", parent);
            q.Bind(":id2", refs[i].Id2);
            q.Bind(":drop", refs[i].Drop2);
            if (q.Step())
                rows[i] = readRow(q, columns);
            q.Reset();
        }
        return rows;
    }
    QString sql = QString::fromLatin1(KeyedItemColumns) + QLatin1String(ItemsByIdSql);
    for (size_t i = 0; i < refs.size(); ++i)
        sql += (i ? QStringLiteral(", :i") : QStringLiteral(":i")) + QString::number(i);
    sql += QLatin1Char(')');
    RawStatement q(sql);
    for (size_t i = 0; i < refs.size(); ++i)
        q.Bind(QByteArray(":i" + QByteArray::number(qulonglong(i))).constData(), refs[i].Id);
    const RowColumns columns(q);
    QHash<ItemId, ListRow> byId;
    while (q.Step()) {
        ListRow r = readRow(q, columns);
        byId.insert(r.Id, std::move(r));
    }
    for (size_t i = 0; i < refs.size(); ++i)
        rows[i] = byId.value(refs[i].Id);
    return rows;
}

bool UpdateSearchRefs(std::vector<RowRef>& refs, const std::vector<ItemId>& changed,
                      const QDateTime& stamp, ItemId hider, const NameCollator& collator) {
    const auto isChanged = [&changed](ItemId id) {
        return std::binary_search(changed.begin(), changed.end(), id);
    };
    refs.erase(
        std::remove_if(refs.begin(), refs.end(), [&](const RowRef& r) { return isChanged(r.Id); }),
        refs.end());

    // The changed items that the list shows now, with their keys.
    struct Back {
        RowRef Ref;
        QByteArray Key;
        size_t Place = 0;
    };
    std::vector<Back> back;
    QString sql = QStringLiteral("SELECT p.id, p.rank, length(p.name), length(p.tel), "
                                 "length(lower(p.tel)), p.name FROM phonebk p "
                                 "WHERE p.srchts = :srchts AND (p.rank = 0 OR p.rank = :parent) "
                                 "AND p.id IN (");
    for (size_t i = 0; i < changed.size(); ++i)
        sql += (i ? QStringLiteral(", ") : QString()) + QString::number(changed[i].Value());
    sql += QLatin1Char(')');
    RawStatement q(sql);
    q.Bind(":srchts", StampToDb(stamp));
    q.Bind(":parent", hider);
    while (q.Step()) {
        Back b;
        b.Ref.Id = b.Ref.Id2 = q.Id(0);
        b.Ref.Drop2 = q.Int(1);
        b.Ref.NameLength = clampedLength(q.Int64(2));
        b.Ref.RefLength = clampedLength(q.Int64(3));
        b.Ref.NoteLength = clampedLength(q.Int64(4));
        b.Key = collator.SortKey(q.Text(5));
        back.push_back(std::move(b));
    }
    if (back.empty())
        return true;

    // Each one's place among the rest, found by halving: the names of the rows it is compared
    // with are read by their ids (they are unchanged, so in their order).
    RawStatement nameOf("SELECT name FROM phonebk WHERE id = :id");
    bool gone = false;
    const auto before = [&](const RowRef& r, const Back& b) {
        nameOf.Bind(":id", r.Id);
        QString name;
        if (nameOf.Step())
            name = nameOf.Text(0);
        else
            gone = true;
        nameOf.Reset();
        const int c = collator.SortKey(name).compare(b.Key);
        return c < 0 || (c == 0 && r.Id < b.Ref.Id);
    };
    for (Back& b : back)
        b.Place = size_t(std::partition_point(refs.begin(), refs.end(),
                                              [&](const RowRef& r) { return before(r, b); }) -
                         refs.begin());
    if (gone)
        return false;
    std::sort(back.begin(), back.end(), [](const Back& a, const Back& b) {
        if (a.Place != b.Place)
            return a.Place < b.Place;
        const int c = a.Key.compare(b.Key);
        return c < 0 || (c == 0 && a.Ref.Id < b.Ref.Id);
    });
    std::vector<RowRef> merged;
    merged.reserve(refs.size() + back.size());
    size_t next = 0;
    for (const Back& b : back) {
        merged.insert(merged.end(), refs.begin() + qsizetype(next),
                      refs.begin() + qsizetype(b.Place));
        merged.push_back(b.Ref);
        next = b.Place;
    }
    merged.insert(merged.end(), refs.begin() + qsizetype(next), refs.end());
    refs = std::move(merged);
    return true;
}
