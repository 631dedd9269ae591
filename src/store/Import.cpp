#include "store/Import.h"

#include "store/Database.h"
#include "store/SideFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

#include <sqlite3.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {
// The import works on a connection of its own: PhoneDB would make the file new in the current
// layout, and the file must keep the old one until the conversion steps change it.
const char* const ConnectionName = "CardoloImport";

// Records read between two progress reports.
constexpr qint64 ProgressEvery = 1000;

struct Failure {
    QString Text;
};

QString engineText(const QSqlError& e) {
    return e.databaseText().isEmpty() ? e.text() : e.databaseText();
}

QString quoted(const QString& name) {
    return QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QLatin1String("\"\"")) +
           QLatin1Char('"');
}

QString declaredType(const ImportColumn& column) {
    switch (column.Type) {
    case ImportColumnType::Text:
        return QStringLiteral("VARCHAR(%1)").arg(column.Width);
    case ImportColumnType::Memo:
        return QStringLiteral("TEXT");
    case ImportColumnType::Integer:
    case ImportColumnType::AutoIncrement:
        return QStringLiteral("INTEGER");
    case ImportColumnType::Real:
        return QStringLiteral("REAL");
    case ImportColumnType::Logical:
        return QStringLiteral("BOOLEAN");
    case ImportColumnType::Date:
        return QStringLiteral("DATE");
    case ImportColumnType::Time:
        return QStringLiteral("TIME");
    case ImportColumnType::Timestamp:
        return QStringLiteral("TIMESTAMP");
    case ImportColumnType::Binary:
        return QStringLiteral("BLOB");
    }
    return QString();
}

// The columns each table must have for the store and the conversion steps to use it, and the
// key made of them, named as the store names them.
QStringList requiredFields(const QString& table) {
    if (table == QLatin1String("phonebk"))
        return {QStringLiteral("Id")};
    if (table == QLatin1String("mm2"))
        return {QStringLiteral("Id1"), QStringLiteral("Id2"), QStringLiteral("Drop")};
    if (table == QLatin1String("mm"))
        return {QStringLiteral("Id1"), QStringLiteral("Id2")};
    return {};
}

// The same as column names.
QStringList requiredColumns(const QString& table) {
    QStringList columns;
    for (const QString& field : requiredFields(table))
        columns << field.toLower();
    return columns;
}

// A table of the current layout for links across, for a folder that has none.
const char* const EmptyLinksAcross = "CREATE TABLE mm2 (\n"
                                     "  id1 INTEGER NOT NULL,\n"
                                     "  id2 INTEGER NOT NULL,\n"
                                     "  linknote VARCHAR(40),\n"
                                     "  \"drop\" INTEGER NOT NULL,\n"
                                     "  PRIMARY KEY (id1, id2, \"drop\"))";

void exec(QSqlDatabase& db, const QString& sql, const QString& file) {
    QSqlQuery q(db);
    if (!q.exec(sql))
        throw Failure{file + QStringLiteral(": ") + engineText(q.lastError())};
}

// The column names in lower case, in the file's order; two fields whose names differ only in
// case would be one column.
QStringList columnNames(const ImportTable& table, const QVector<ImportColumn>& columns) {
    const QString file = table.Source->FileName();
    QStringList names;
    for (const ImportColumn& c : columns) {
        const QString name = c.Name.toLower();
        if (name.isEmpty())
            throw Failure{file + QStringLiteral(" has a field without a name")};
        if (names.contains(name))
            throw Failure{file + QStringLiteral(" has two fields named ") + c.Name};
        names << name;
    }
    for (const QString& required : requiredFields(table.Name)) {
        if (!names.contains(required.toLower()))
            throw Failure{file + QStringLiteral(" has no field ") + required};
    }
    return names;
}

QString createStatement(const ImportTable& table, const QVector<ImportColumn>& columns,
                        const QStringList& names) {
    const bool isItems = table.Name == QLatin1String("phonebk");
    const bool isLinks = table.Name == QLatin1String("mm2");
    const QStringList key = requiredColumns(table.Name);
    QStringList parts;
    for (int i = 0; i < columns.size(); ++i) {
        const QString& name = names[i];
        if (isItems && name == QLatin1String("id")) {
            // The engine's own item key: new items get the next id after the highest imported.
            parts << quoted(name) + QStringLiteral(" INTEGER PRIMARY KEY AUTOINCREMENT");
        } else if (isLinks && key.contains(name)) {
            parts << quoted(name) + QLatin1Char(' ') + declaredType(columns[i]) +
                         QStringLiteral(" NOT NULL");
        } else {
            parts << quoted(name) + QLatin1Char(' ') + declaredType(columns[i]);
        }
    }
    if (isLinks) {
        QStringList keyColumns;
        for (const QString& k : key)
            keyColumns << quoted(k);
        parts << QStringLiteral("PRIMARY KEY (") + keyColumns.join(QStringLiteral(", ")) +
                     QLatin1Char(')');
    }
    return QStringLiteral("CREATE TABLE ") + quoted(table.Name) + QStringLiteral(" (") +
           parts.join(QStringLiteral(", ")) + QLatin1Char(')');
}

// A value as the store keeps it: dates and times as text that sorts in time order, logical
// values as 1 and 0.
QVariant storedValue(const QVariant& value) {
    if (!value.isValid() || value.isNull())
        return QVariant();
    switch (value.metaType().id()) {
    case QMetaType::Bool:
        return value.toBool() ? 1 : 0;
    case QMetaType::QDate:
        return value.toDate().toString(QStringLiteral("yyyy-MM-dd"));
    case QMetaType::QTime:
        return value.toTime().toString(QStringLiteral("HH:mm:ss.zzz"));
    case QMetaType::QDateTime:
        return StampToDb(value.toDateTime());
    default:
        return value;
    }
}

void importTable(QSqlDatabase& db, const ImportTable& table, const ImportProgress& progress) {
    ImportSource& source = *table.Source;
    const QString file = source.FileName();
    const QVector<ImportColumn> columns = source.Columns();
    const QStringList names = columnNames(table, columns);
    exec(db, createStatement(table, columns, names), file);

    QStringList quotedNames;
    for (const QString& n : names)
        quotedNames << quoted(n);
    QSqlQuery insert(db);
    if (!insert.prepare(QStringLiteral("INSERT INTO ") + quoted(table.Name) + QStringLiteral(" (") +
                        quotedNames.join(QStringLiteral(", ")) + QStringLiteral(") VALUES (") +
                        QStringList(names.size(), QStringLiteral("?")).join(QStringLiteral(", ")) +
                        QLatin1Char(')')))
        throw Failure{file + QStringLiteral(": ") + engineText(insert.lastError())};

    const qint64 total = source.RecordCount();
    if (progress)
        progress(file, 0, total);
    qint64 done = 0;
    QVector<QVariant> values;
    QString error;
    while (source.Next(values, error)) {
        ++done;
        if (values.size() != columns.size())
            throw Failure{QStringLiteral("%1, record %2: %3 values for %4 fields")
                              .arg(file)
                              .arg(done)
                              .arg(values.size())
                              .arg(columns.size())};
        for (int i = 0; i < values.size(); ++i)
            insert.bindValue(i, storedValue(values[i]));
        if (!insert.exec())
            throw Failure{QStringLiteral("%1, record %2: %3")
                              .arg(file)
                              .arg(done)
                              .arg(engineText(insert.lastError()))};
        if (progress && done % ProgressEvery == 0)
            progress(file, done, total);
    }
    if (!error.isEmpty())
        throw Failure{error};
    if (progress)
        progress(file, done, done);
}

void removeFiles(const QString& path) {
    for (const char* suffix : {"", "-journal", "-wal", "-shm"})
        QFile::remove(path + QLatin1String(suffix));
}

QString systemError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

bool syncPath(const QString& path, bool directory) {
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_RDONLY | O_CLOEXEC | (directory ? O_DIRECTORY : 0));
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

// Fills the file part in one transaction; the connection is gone when it returns.
void fill(const QString& part, const QVector<ImportTable>& tables, const ImportProgress& progress) {
    QString failure;
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QLatin1String(ConnectionName));
        db.setDatabaseName(part);
        try {
            if (!db.open())
                throw Failure{QDir::toNativeSeparators(part) + QStringLiteral(": ") +
                              engineText(db.lastError())};
            if (!db.transaction())
                throw Failure{engineText(db.lastError())};
            bool hasLinks = false;
            for (const ImportTable& t : tables) {
                importTable(db, t, progress);
                hasLinks = hasLinks || t.Name == QLatin1String("mm2");
            }
            if (!hasLinks)
                exec(db, QString::fromLatin1(EmptyLinksAcross), QStringLiteral("mm2"));
            if (!db.commit())
                throw Failure{engineText(db.lastError())};
        } catch (const Failure& f) {
            failure = f.Text;
            db.rollback();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QLatin1String(ConnectionName));
    if (!failure.isEmpty())
        throw Failure{failure};
}
} // namespace

bool ImportTables(const QString& path, const QVector<ImportTable>& tables, QString& error,
                  const ImportProgress& progress, bool replace) {
    const QString part = path + QStringLiteral(".import");
    try {
        if (QFileInfo::exists(path) && !replace)
            throw Failure{QDir::toNativeSeparators(path) + QStringLiteral(" exists already")};
        bool hasItems = false;
        for (const ImportTable& t : tables)
            hasItems = hasItems || t.Name == QLatin1String("phonebk");
        if (!hasItems)
            throw Failure{QStringLiteral("No items table to import")};
        // What an import cut off earlier left behind.
        removeFiles(part);
        fill(part, tables, progress);
        // On disk before it takes the database's name, so that a database under that name is
        // always a whole import.
        if (!syncPath(part, false))
            throw Failure{QDir::toNativeSeparators(part) + QStringLiteral(": ") + systemError()};
        if (QFileInfo::exists(path) && !replace)
            throw Failure{QDir::toNativeSeparators(path) + QStringLiteral(" exists already")};
        // The engine would replay a log left beside the file it replaces into the new one.
        if (replace)
            for (const char* suffix : {"-journal", "-wal", "-shm"})
                QFile::remove(path + QLatin1String(suffix));
        if (std::rename(QFile::encodeName(part).constData(), QFile::encodeName(path).constData()) !=
            0)
            throw Failure{QDir::toNativeSeparators(path) + QStringLiteral(": ") + systemError()};
        syncPath(QFileInfo(path).absolutePath(), true);
    } catch (const Failure& f) {
        removeFiles(part);
        error = f.Text;
        return false;
    }
    return true;
}

bool DatabaseHoldsUserItems(const QString& path) {
    const QStringList sideFilesMade = MissingSideFiles(path);
    sqlite3* db = nullptr;
    bool holds = true;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr) ==
        SQLITE_OK) {
        // Anything but the one item a new database is made with (the top-level "Diary", with
        // no text, Ref, children or links), or a file that cannot be read, is the user's.
        const char* sql =
            "SELECT (SELECT count(*) FROM phonebk) > 1 OR EXISTS (SELECT 1 FROM phonebk WHERE "
            "NOT (name = 'Diary' AND coalesce(parent, 0) = 0 AND coalesce(text, '') = '' AND "
            "coalesce(tel, '') = '' AND coalesce(numchildren, 0) = 0 AND "
            "coalesce(numcousins, 0) = 0)) OR EXISTS (SELECT 1 FROM mm2)";
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) == SQLITE_OK &&
            sqlite3_step(stmt) == SQLITE_ROW)
            holds = sqlite3_column_int64(stmt, 0) != 0;
        sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
    RemoveEmptySideFiles(sideFilesMade);
    return holds;
}
