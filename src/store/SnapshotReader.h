#pragma once

#include <QByteArray>
#include <QString>

struct sqlite3;
struct sqlite3_stmt;

// A read-only connection of its own to a database file, for the work that reads the whole file
// beside a running program (the exports, the commands for scripts). Begin() opens one read
// transaction that lasts until the reader goes: every statement sees the file as it was at the
// first read, whatever the program commits meanwhile. The engine's failures are kept as text
// rather than thrown, so that the caller can say what failed in its own words.
class SnapshotReader {
public:
    explicit SnapshotReader(const QString& path);
    ~SnapshotReader();
    SnapshotReader(const SnapshotReader&) = delete;
    SnapshotReader& operator=(const SnapshotReader&) = delete;

    // Starts the read transaction; the snapshot is taken at the first read after it.
    bool Begin();
    bool Exec(const char* sql);
    // The first column of the single row of sql, or -1 on failure.
    qint64 Count(const QByteArray& sql);

    sqlite3* Handle() const { return db; }
    // Empty while nothing has failed.
    const QString& Error() const { return error; }
    // Keeps the engine's last message as the error.
    void NoteEngineError();

private:
    sqlite3* db = nullptr;
    QString error;
};

// One statement on a snapshot, finalized when it goes. A failure is the reader's error.
class SnapshotRows {
public:
    SnapshotRows(SnapshotReader& reader, const QByteArray& sql);
    ~SnapshotRows();
    SnapshotRows(const SnapshotRows&) = delete;
    SnapshotRows& operator=(const SnapshotRows&) = delete;

    bool Ok() const { return stmt != nullptr; }
    // The next row: false at the end or on a failure (then the reader's error is set).
    bool Next();
    void BindInt64(int index, qint64 value); // index from 1, as the engine counts
    void Reset();

    bool IsNull(int column) const;
    qint64 Int64(int column) const;
    // The column's text as the engine holds it (UTF-8), valid until the next row.
    const char* TextData(int column) const;
    int TextSize(int column) const;
    QString Text(int column) const;
    sqlite3_stmt* Statement() const { return stmt; }

private:
    SnapshotReader& reader;
    sqlite3_stmt* stmt = nullptr;
};

// One item as stored, read on a snapshot: its name and Ref, and its text when asked for.
struct SnapshotItem {
    QString Name;
    QString Ref;
    QString Text;
};
// False when there is no item id, or reading failed (the reader's error says so).
bool ReadSnapshotItem(SnapshotReader& reader, qint64 id, SnapshotItem& item, bool withText);
