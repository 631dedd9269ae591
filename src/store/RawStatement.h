#pragma once

#include "store/Database.h" // PhoneDBHandle

#include <QByteArray>
#include <QString>
#include <QVariant>

struct sqlite3;
struct sqlite3_stmt;

// One statement run straight on the engine under PhoneDB, for the reads that touch every row
// of a list or of the whole items table: the rows are taken as the engine holds them (text as
// UTF-8 bytes) instead of being turned into variants and strings first. Finalized when it goes
// out of scope. Every engine failure is thrown as DbError with the engine's message (on PhoneDB
// as ThrowEngineError words it); a writing statement on PhoneDB is refused while PhoneDB takes
// no writes.
class RawStatement {
public:
    explicit RawStatement(const char* sql);
    explicit RawStatement(const QString& sql);
    // The same on another connection of the linked engine (the search index's builder).
    RawStatement(sqlite3* connection, const char* sql);
    ~RawStatement();
    RawStatement(const RawStatement&) = delete;
    RawStatement& operator=(const RawStatement&) = delete;

    // Binds a named parameter (":name"); a parameter the statement does not have is an error.
    // Strings are bound as text, a null variant as NULL, whole numbers as integers.
    void Bind(const char* name, const QVariant& value);
    void Bind(const char* name, int value);
    void Bind(const char* name, ItemId value);

    // Runs the statement to its next row: false when there is none.
    bool Step();
    // Makes the statement ready to run again, keeping its bindings.
    void Reset();

    int ColumnCount() const;
    // The index of a result column by name; throws when there is none.
    int Column(const char* name) const;
    bool IsNull(int column) const;
    int Int(int column) const;
    qint64 Int64(int column) const;
    // The column's integer as an id; NULL reads as 0, no item.
    ItemId Id(int column) const;
    // The column's text as the engine holds it, valid until the next step; empty for NULL.
    const char* TextData(int column) const;
    int TextSize(int column) const;
    QString Text(int column) const;
    // The column's text in UTF-16 as the engine converts it.
    QString Text16(int column) const;

private:
    void prepare(const QByteArray& sql);
    int parameter(const char* name) const;
    [[noreturn]] void fail() const;

    sqlite3* db = nullptr;
    sqlite3_stmt* stmt = nullptr;
    // On PhoneDB: its failures are the store's (ThrowEngineError) and its writes refused while
    // PhoneDB takes none.
    bool onPhoneDB = false;
};
