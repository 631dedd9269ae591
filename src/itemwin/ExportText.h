#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

// A table exported as text: its fields in order, each with the label shown over its column and
// whether it is shown, and its records as text, one value per field in field order.
//
// A table too long to hold its records whole gives them one at a time instead: RecordAt(i) for
// i below RecordCount, Records then left empty.
struct ExportTable {
    struct Field {
        QString Label;
        bool Visible = true;
    };
    QVector<Field> Fields;
    QVector<QStringList> Records;
    std::function<QStringList(int)> RecordAt = nullptr;
    int RecordCount = 0;

    int Count() const { return RecordAt ? RecordCount : int(Records.size()); }
    QStringList Record(int i) const { return RecordAt ? RecordAt(i) : Records[i]; }
};

// The export text of a table and the number of characters reported for it.
struct ExportText {
    QStringList Lines; // each to be ended by CR LF
    int Count = 0;
};

// The lines an export writes: the title and the second title when not empty, one header line
// (the visible fields' labels when withTitles, else nothing, separated by TABs), then one line
// per record (the visible fields' values separated by TABs, nothing quoted). An empty table
// gives the titles alone. Count: the length of the title and of every header and record line.
ExportText ComposeExport(const ExportTable& table, const QString& title, const QString& secondTitle,
                         bool withTitles);

// Writes text to the file at path as it stands (UTF-8), replacing the file only once the whole
// text is on disk. False when it could not be written, with error naming the file and giving
// the system's reason; the file is then as it was.
bool WriteExportFile(const QString& path, const QString& text, QString& error);
