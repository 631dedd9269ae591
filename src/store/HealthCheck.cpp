#include "store/HealthCheck.h"

#include "store/Database.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

namespace {

const char* const CountItemsSql = "SELECT COUNT(*) FROM phonebk";
const char* const CountLinksSql = "SELECT COUNT(*) FROM mm2";

// Each item with what the checks need of its parent, found through the parent's key.
const char* const ItemChunkSql =
    "SELECT p.id, p.rank, p.parent,\n"
    "  (IFNULL(p.name, '') = '' AND IFNULL(p.tel, '') = '') AS blank,\n"
    "  q.id AS parentid, q.rank AS parentrank\n"
    "FROM phonebk p LEFT JOIN phonebk q ON q.id = p.parent\n"
    "WHERE p.id > :after ORDER BY p.id LIMIT :limit";

const char* const FirstLinkChunkSql =
    "SELECT m.id1, m.id2, m.\"drop\",\n"
    "  EXISTS (SELECT 1 FROM phonebk WHERE id = m.id1) AS found1,\n"
    "  EXISTS (SELECT 1 FROM phonebk WHERE id = m.id2) AS found2\n"
    "FROM mm2 m\n"
    "ORDER BY m.id1, m.id2, m.\"drop\" LIMIT :limit";
// The row value comparison walks the primary key's index from the key given.
const char* const NextLinkChunkSql =
    "SELECT m.id1, m.id2, m.\"drop\",\n"
    "  EXISTS (SELECT 1 FROM phonebk WHERE id = m.id1) AS found1,\n"
    "  EXISTS (SELECT 1 FROM phonebk WHERE id = m.id2) AS found2\n"
    "FROM mm2 m\n"
    "WHERE (m.id1, m.id2, m.\"drop\") > (:id1, :id2, :drop)\n"
    "ORDER BY m.id1, m.id2, m.\"drop\" LIMIT :limit";

const char* const ResetMinusOneRanksSql = "UPDATE phonebk SET rank = 0 WHERE rank = -1";
const char* const NullRankToZeroSql = "UPDATE phonebk SET rank = 0 WHERE id = :id AND rank IS NULL";
const char* const NullParentToZeroSql =
    "UPDATE phonebk SET parent = 0 WHERE id = :id AND parent IS NULL";
const char* const DeleteLinkSql =
    "DELETE FROM mm2 WHERE id1 = :id1 AND id2 = :id2 AND \"drop\" = :drop";

const char* const WrongChildCountsSql =
    "SELECT id, stored, actual FROM (\n"
    "  SELECT p.id AS id, IFNULL(p.numchildren, 0) AS stored,\n"
    "    (SELECT COUNT(*) FROM phonebk c WHERE c.parent = p.id) AS actual\n"
    "  FROM phonebk p)\n"
    "WHERE stored <> actual ORDER BY id";
const char* const WrongLinkCountsSql =
    "SELECT id, stored, actual FROM (\n"
    "  SELECT p.id AS id, IFNULL(p.numcousins, 0) AS stored,\n"
    "    (SELECT COUNT(*) FROM mm2 m WHERE m.id1 = p.id) AS actual\n"
    "  FROM phonebk p)\n"
    "WHERE stored <> actual ORDER BY id";

const char* const UnmirroredLinksSql =
    "SELECT m.id1, m.id2, m.\"drop\" FROM mm2 m\n"
    "WHERE NOT EXISTS (SELECT 1 FROM mm2 r\n"
    "                  WHERE r.id1 = m.id2 AND r.id2 = m.id1 AND r.\"drop\" = m.\"drop\")\n"
    "  AND EXISTS (SELECT 1 FROM phonebk WHERE id = m.id1)\n"
    "  AND EXISTS (SELECT 1 FROM phonebk WHERE id = m.id2)\n"
    "ORDER BY m.id1, m.id2, m.\"drop\"";
// The mirror is made from the row itself, so that it carries the very note the row holds.
const char* const AddMirrorSql = "INSERT INTO mm2 (id1, id2, linknote, \"drop\")\n"
                                 "SELECT id2, id1, linknote, \"drop\" FROM mm2\n"
                                 "WHERE id1 = :id1 AND id2 = :id2 AND \"drop\" = :drop";

// Runs a reading statement prepared once per connection; the caller reads it and finishes it.
QSqlQuery& read(const char* sql, std::initializer_list<std::pair<const char*, QVariant>> values) {
    QSqlQuery& q = StoredQuery(QString::fromLatin1(sql));
    q.setForwardOnly(true);
    for (const auto& value : values)
        q.bindValue(QLatin1String(value.first), value.second);
    ExecQuery(q);
    return q;
}

int countOf(const char* sql) {
    QSqlQuery& q = read(sql, {});
    const int count = q.next() ? q.value(0).toInt() : 0;
    q.finish();
    return count;
}

// Runs one writing statement; returns the number of rows it changed.
int write(const char* sql, std::initializer_list<std::pair<const char*, QVariant>> values) {
    QSqlQuery& q = StoredQuery(QString::fromLatin1(sql));
    for (const auto& value : values)
        q.bindValue(QLatin1String(value.first), value.second);
    ExecQuery(q);
    const int changed = q.numRowsAffected();
    q.finish();
    return changed;
}

std::vector<CountMismatch> mismatches(const char* sql) {
    QSqlQuery& q = read(sql, {});
    std::vector<CountMismatch> rows;
    while (q.next())
        rows.push_back({IdFromDb(q.value(0)), q.value(1).toInt(), q.value(2).toInt()});
    q.finish();
    return rows;
}

} // namespace

ReadOnlyPhoneDB::ReadOnlyPhoneDB(const QString& path)
    : wal(path + QStringLiteral("-wal")), shm(path + QStringLiteral("-shm")) {
    walWasThere = QFileInfo::exists(wal);
    shmWasThere = QFileInfo::exists(shm);
    ClosePhoneDB();
    QSqlError error;
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QLatin1String(PhoneDBName));
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (!db.open())
            error = db.lastError();
    }
    if (error.isValid()) {
        ClosePhoneDB();
        const QString text = error.databaseText();
        throw DbError(text.isEmpty() ? error.text() : text, error.nativeErrorCode().toInt());
    }
    ExecSql(QStringLiteral("PRAGMA busy_timeout=5000"));
}

ReadOnlyPhoneDB::~ReadOnlyPhoneDB() {
    ClosePhoneDB();
    // A log this connection made is empty, since it wrote nothing; the index file goes with it.
    if (!walWasThere && QFileInfo::exists(wal)) {
        if (QFileInfo(wal).size() != 0 || !QFile::remove(wal))
            return;
    }
    if (!shmWasThere && !QFileInfo::exists(wal))
        QFile::remove(shm);
}

int CountHealthItems() {
    return countOf(CountItemsSql);
}

int CountHealthLinks() {
    return countOf(CountLinksSql);
}

std::vector<HealthItemRow> ReadHealthItems(ItemId after, int limit) {
    QSqlQuery& q = read(ItemChunkSql, {{":after", IdToDb(after)}, {":limit", limit}});
    std::vector<HealthItemRow> rows;
    rows.reserve(size_t(limit));
    while (q.next()) {
        HealthItemRow row;
        row.Id = IdFromDb(q.value(0));
        row.RankNull = q.isNull(1);
        row.Rank = IdFromDb(q.value(1));
        row.ParentNull = q.isNull(2);
        row.Parent = IdFromDb(q.value(2));
        row.NameAndRefBlank = q.value(3).toInt() != 0;
        row.ParentFound = !q.isNull(4);
        row.ParentRank = IdFromDb(q.value(5));
        rows.push_back(row);
    }
    q.finish();
    return rows;
}

std::vector<HealthLinkRow> ReadHealthLinks(const HealthLinkKey& after, int limit) {
    QSqlQuery& q =
        StoredQuery(QString::fromLatin1(after.IsStart() ? FirstLinkChunkSql : NextLinkChunkSql));
    q.setForwardOnly(true);
    if (!after.IsStart()) {
        q.bindValue(QStringLiteral(":id1"), after.Id1);
        q.bindValue(QStringLiteral(":id2"), after.Id2);
        q.bindValue(QStringLiteral(":drop"), after.Drop);
    }
    q.bindValue(QStringLiteral(":limit"), limit);
    ExecQuery(q);
    std::vector<HealthLinkRow> rows;
    while (q.next())
        rows.push_back(
            {q.value(0), q.value(1), q.value(2), q.value(3).toInt() != 0, q.value(4).toInt() != 0});
    q.finish();
    return rows;
}

void ResetMinusOneRanks() {
    write(ResetMinusOneRanksSql, {});
}

bool SetNullRankToZero(ItemId id) {
    return write(NullRankToZeroSql, {{":id", IdToDb(id)}}) > 0;
}

bool SetNullParentToZero(ItemId id) {
    return write(NullParentToZeroSql, {{":id", IdToDb(id)}}) > 0;
}

bool DeleteHealthLink(const HealthLinkRow& row) {
    return write(DeleteLinkSql, {{":id1", row.Id1}, {":id2", row.Id2}, {":drop", row.Drop}}) > 0;
}

std::vector<CountMismatch> WrongChildCounts() {
    return mismatches(WrongChildCountsSql);
}

std::vector<CountMismatch> WrongLinkCounts() {
    return mismatches(WrongLinkCountsSql);
}

std::vector<UnmirroredLink> UnmirroredLinks() {
    QSqlQuery& q = read(UnmirroredLinksSql, {});
    std::vector<UnmirroredLink> rows;
    while (q.next())
        rows.push_back({IdFromDb(q.value(0)), IdFromDb(q.value(1)), q.value(2).toInt()});
    q.finish();
    return rows;
}

void AddMirrorLink(const UnmirroredLink& row) {
    write(AddMirrorSql,
          {{":id1", IdToDb(row.Id1)}, {":id2", IdToDb(row.Id2)}, {":drop", row.Drop}});
}
