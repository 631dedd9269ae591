#pragma once

#include <QFile>
#include <QString>

#include <sqlite3.h>

// Reads a database copy on a read-only connection of its own, beside PhoneDB.
class CopyReader {
public:
    explicit CopyReader(const QString& path) {
        if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY,
                            nullptr) != SQLITE_OK) {
            sqlite3_close(db);
            db = nullptr;
        }
    }
    ~CopyReader() { sqlite3_close(db); }
    CopyReader(const CopyReader&) = delete;
    CopyReader& operator=(const CopyReader&) = delete;

    bool IsOpen() const { return db != nullptr; }
    // The first column of the first row, as text; "(error ...)" when the engine refuses.
    QString Value(const char* sql) const {
        sqlite3_stmt* stmt = nullptr;
        if (!db || sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK)
            return QStringLiteral("(error %1)").arg(db ? sqlite3_errmsg(db) : "no file");
        QString value;
        const int rc = sqlite3_step(stmt);
        if (rc == SQLITE_ROW)
            value = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
        else if (rc != SQLITE_DONE)
            value = QStringLiteral("(error %1)").arg(sqlite3_errmsg(db));
        sqlite3_finalize(stmt);
        return value;
    }

private:
    sqlite3* db = nullptr;
};

// Every item's id, name and text in id order, as one text to compare.
constexpr const char* ItemsDigestSql =
    "SELECT count(*) || ':' || group_concat(id || '|' || ifnull(name, '') || '|' || "
    "ifnull(text, ''), ';') FROM (SELECT * FROM phonebk ORDER BY id)";
