#include "store/SnapshotReader.h"

#include <QFile>

#include <sqlite3.h>

SnapshotReader::SnapshotReader(const QString& path) {
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr) !=
        SQLITE_OK) {
        error = QString::fromUtf8(db ? sqlite3_errmsg(db) : "cannot open");
        return;
    }
    // A running program's commit holds the file only for moments.
    sqlite3_busy_timeout(db, 5000);
}

SnapshotReader::~SnapshotReader() {
    if (db && !sqlite3_get_autocommit(db))
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

bool SnapshotReader::Begin() {
    return Exec("BEGIN");
}

bool SnapshotReader::Exec(const char* sql) {
    if (!error.isEmpty())
        return false;
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        NoteEngineError();
    return error.isEmpty();
}

qint64 SnapshotReader::Count(const QByteArray& sql) {
    SnapshotRows rows(*this, sql);
    if (!rows.Next())
        return -1;
    return rows.Int64(0);
}

void SnapshotReader::NoteEngineError() {
    error = QString::fromUtf8(sqlite3_errmsg(db));
}

SnapshotRows::SnapshotRows(SnapshotReader& reader, const QByteArray& sql) : reader(reader) {
    if (!reader.Error().isEmpty())
        return;
    if (sqlite3_prepare_v2(reader.Handle(), sql.constData(), int(sql.size()), &stmt, nullptr) !=
        SQLITE_OK) {
        reader.NoteEngineError();
        sqlite3_finalize(stmt);
        stmt = nullptr;
    }
}

SnapshotRows::~SnapshotRows() {
    sqlite3_finalize(stmt);
}

bool SnapshotRows::Next() {
    if (!stmt)
        return false;
    const int rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc != SQLITE_DONE)
        reader.NoteEngineError();
    return false;
}

void SnapshotRows::BindInt64(int index, qint64 value) {
    if (stmt)
        sqlite3_bind_int64(stmt, index, value);
}

void SnapshotRows::Reset() {
    if (stmt)
        sqlite3_reset(stmt);
}

bool SnapshotRows::IsNull(int column) const {
    return sqlite3_column_type(stmt, column) == SQLITE_NULL;
}

qint64 SnapshotRows::Int64(int column) const {
    return sqlite3_column_int64(stmt, column);
}

const char* SnapshotRows::TextData(int column) const {
    const unsigned char* text = sqlite3_column_text(stmt, column);
    return text ? reinterpret_cast<const char*>(text) : "";
}

int SnapshotRows::TextSize(int column) const {
    return sqlite3_column_bytes(stmt, column);
}

QString SnapshotRows::Text(int column) const {
    const char* text = TextData(column); // the bytes first, then their count
    return QString::fromUtf8(text, TextSize(column));
}

bool ReadSnapshotItem(SnapshotReader& reader, qint64 id, SnapshotItem& item, bool withText) {
    SnapshotRows row(reader, withText ? "SELECT name, tel, text FROM phonebk WHERE id = ?"
                                      : "SELECT name, tel, NULL FROM phonebk WHERE id = ?");
    row.BindInt64(1, id);
    if (!row.Next())
        return false;
    item.Name = row.Text(0);
    item.Ref = row.Text(1);
    item.Text = row.Text(2);
    return true;
}
