#include "store/RawStatement.h"

#include "store/Database.h"
#include "store/StoreState.h"
#include "store/WriteGate.h"

#include <sqlite3.h>

#include <optional>

RawStatement::RawStatement(const char* sql) {
    prepare(QByteArray(sql));
}

RawStatement::RawStatement(const QString& sql) {
    prepare(sql.toUtf8());
}

RawStatement::RawStatement(sqlite3* connection, const char* sql) : db(connection) {
    prepare(QByteArray(sql));
}

RawStatement::~RawStatement() {
    sqlite3_finalize(stmt);
}

void RawStatement::prepare(const QByteArray& sql) {
    if (!db)
        db = PhoneDBHandle();
    // Other connections run on threads of their own, where PhoneDB is not to be asked.
    onPhoneDB = db == PhoneDBHandleSeen();
    if (sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &stmt, nullptr) != SQLITE_OK) {
        sqlite3_finalize(stmt);
        stmt = nullptr;
        fail();
    }
    if (!stmt) // text without a statement in it
        throw DbError(QStringLiteral("No statement in: ") + QString::fromUtf8(sql));
}

void RawStatement::fail() const {
    const QString text = QString::fromUtf8(sqlite3_errmsg(db));
    const int code = sqlite3_extended_errcode(db);
    if (onPhoneDB)
        ThrowEngineError(text, code);
    throw DbError(text, code);
}

int RawStatement::parameter(const char* name) const {
    const int i = sqlite3_bind_parameter_index(stmt, name);
    if (i == 0)
        throw DbError(QStringLiteral("No parameter ") + QLatin1String(name));
    return i;
}

void RawStatement::Bind(const char* name, const QVariant& value) {
    const int i = parameter(name);
    int rc;
    // A null string binds as NULL, as the driver's own binding does.
    const bool isNull = value.isNull() ||
                        (value.metaType().id() == QMetaType::QString && value.toString().isNull());
    if (isNull) {
        rc = sqlite3_bind_null(stmt, i);
    } else {
        switch (value.metaType().id()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Bool:
            rc = sqlite3_bind_int64(stmt, i, value.toLongLong());
            break;
        case QMetaType::Double:
        case QMetaType::Float:
            rc = sqlite3_bind_double(stmt, i, value.toDouble());
            break;
        default: {
            const QByteArray text = value.toString().toUtf8();
            rc = sqlite3_bind_text(stmt, i, text.constData(), int(text.size()), SQLITE_TRANSIENT);
            break;
        }
        }
    }
    if (rc != SQLITE_OK)
        fail();
}

void RawStatement::Bind(const char* name, int value) {
    if (sqlite3_bind_int(stmt, parameter(name), value) != SQLITE_OK)
        fail();
}

void RawStatement::Bind(const char* name, ItemId value) {
    Bind(name, int(value.Value()));
}

bool RawStatement::Step() {
    const bool writes = onPhoneDB && !sqlite3_stmt_readonly(stmt);
    if (writes)
        RefuseWriteWhenRefused();
    // A write outside a transaction takes the user's turn for itself.
    std::optional<UserWriteTurn> turn;
    if (writes && sqlite3_get_autocommit(db))
        turn.emplace();
    const int rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    fail();
}

void RawStatement::Reset() {
    // A failed step has been reported already; reset only repeats its code.
    sqlite3_reset(stmt);
}

int RawStatement::ColumnCount() const {
    return sqlite3_column_count(stmt);
}

int RawStatement::Column(const char* name) const {
    for (int i = 0, n = ColumnCount(); i < n; ++i)
        if (sqlite3_stricmp(sqlite3_column_name(stmt, i), name) == 0)
            return i;
    throw DbError(QStringLiteral("No column ") + QLatin1String(name));
}

bool RawStatement::IsNull(int column) const {
    return sqlite3_column_type(stmt, column) == SQLITE_NULL;
}

int RawStatement::Int(int column) const {
    return sqlite3_column_int(stmt, column);
}

qint64 RawStatement::Int64(int column) const {
    return sqlite3_column_int64(stmt, column);
}

ItemId RawStatement::Id(int column) const {
    return ItemId(sqlite3_column_int(stmt, column));
}

const char* RawStatement::TextData(int column) const {
    const char* t = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
    return t ? t : "";
}

int RawStatement::TextSize(int column) const {
    return sqlite3_column_bytes(stmt, column);
}

QString RawStatement::Text(int column) const {
    // The text before its size: reading it may convert the value.
    const char* t = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
    if (!t)
        return QString();
    return QString::fromUtf8(t, sqlite3_column_bytes(stmt, column));
}

QString RawStatement::Text16(int column) const {
    const void* t = sqlite3_column_text16(stmt, column);
    if (!t)
        return QString();
    return QString(static_cast<const QChar*>(t), sqlite3_column_bytes16(stmt, column) / 2);
}
