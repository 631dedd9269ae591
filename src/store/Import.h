#pragma once

#include <QString>
#include <QVariant>
#include <QVector>

#include <functional>

// The import of an older version's tables into a new database: each table's columns as the file
// has them, so that the conversion steps then change them as they would have changed the old
// tables. The store reads the tables through ImportSource and knows nothing of their format.

// The kinds of column a table may hold, and what value each gives.
enum class ImportColumnType {
    Text,          // QString, at most Width characters
    Memo,          // QString of any length
    Integer,       // int
    AutoIncrement, // int, given by the old engine
    Real,          // double
    Logical,       // bool
    Date,          // QDate
    Time,          // QTime
    Timestamp,     // QDateTime, its wall-clock time as written
    Binary,        // QByteArray
};

struct ImportColumn {
    QString Name;
    ImportColumnType Type = ImportColumnType::Text;
    int Width = 0; // Text only
};

// One table to read, record by record in file order. A value that is not valid is NULL.
class ImportSource {
public:
    virtual ~ImportSource() = default;
    // The file's name, for messages and progress.
    virtual QString FileName() const = 0;
    virtual QVector<ImportColumn> Columns() const = 0;
    // How many records Next will give, for progress; -1 when unknown.
    virtual qint64 RecordCount() const = 0;
    // The next record, one value per column in the order of Columns(). False at the end with
    // error empty, or with error naming the file and the fault when the record cannot be read.
    virtual bool Next(QVector<QVariant>& values, QString& error) = 0;
};

// A table to import and the name it gets: "phonebk", "mm2" or "mm".
struct ImportTable {
    QString Name;
    ImportSource* Source = nullptr;
};

// Progress of one table: called with 0 before its first record, now and then while it is read,
// and with done == total after its last.
using ImportProgress = std::function<void(const QString& fileName, qint64 done, qint64 total)>;

// Makes the database file path (which must not exist) holding the tables, all read in one
// transaction. Columns keep the file's order and their names in lower case, and a value goes
// to the column of its field's name whatever the field's place. The keys the store relies on
// are made from the columns of those names, wherever they stand: Id of phonebk (the engine
// gives new items the next id), (Id1, Id2, Drop) of mm2. When no mm2 is given an empty one
// of the current layout is made. The file takes its name only when everything is in it: on
// failure nothing is left at path and error says what went wrong.
// replace: a file at path is replaced (with its log), once the new one is whole; it must hold
// nothing the user made (DatabaseHoldsUserItems), which the caller has made sure of.
bool ImportTables(const QString& path, const QVector<ImportTable>& tables, QString& error,
                  const ImportProgress& progress = {}, bool replace = false);

// Whether the database file at path holds anything the user made: any item but the top-level
// "Diary" a new database is made with (as it was made: no text, Ref, children or links), or any
// link. A file that cannot be read counts as holding the user's items. Reads only; leaves no
// side file it made.
bool DatabaseHoldsUserItems(const QString& path);
