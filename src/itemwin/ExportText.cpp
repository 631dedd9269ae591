#include "itemwin/ExportText.h"

#include "common/WholeFile.h"

#include <QDir>

namespace {
const QLatin1Char Tab('\t');

// One line of the export: the text of each visible field, in field order, TAB between them.
template <class TextOf> QString JoinVisible(const ExportTable& table, TextOf textOf) {
    QString line;
    bool first = true;
    for (int i = 0; i < table.Fields.size(); ++i) {
        if (!table.Fields[i].Visible)
            continue;
        if (!first)
            line += Tab;
        first = false;
        line += textOf(i);
    }
    return line;
}
} // namespace

ExportText ComposeExport(const ExportTable& table, const QString& title, const QString& secondTitle,
                         bool withTitles) {
    ExportText out;
    if (!title.isEmpty())
        out.Lines << title;
    if (!secondTitle.isEmpty())
        out.Lines << secondTitle;
    // The second title is left out of the count; the title is counted even when it adds no line
    // (it then adds nothing).
    out.Count = int(title.size());
    // The header comes with the first record: a table without records exports its titles alone.
    const int records = table.Count();
    if (records == 0)
        return out;

    out.Lines.reserve(out.Lines.size() + records + 1);
    const auto add = [&out](QString line) {
        out.Count += int(line.size());
        line.squeeze();
        out.Lines << std::move(line);
    };
    add(JoinVisible(table, [&](int i) { return withTitles ? table.Fields[i].Label : QString(); }));
    for (int r = 0; r < records; ++r) {
        const QStringList record = table.Record(r);
        add(JoinVisible(table, [&](int i) { return record.value(i); }));
    }
    return out;
}

bool WriteExportFile(const QString& path, const QString& text, QString& error) {
    return WriteWholeFile(path, text.toUtf8(), error);
}
