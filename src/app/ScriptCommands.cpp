#include "app/ScriptCommands.h"

#include "app/CommandSupport.h"
#include "app/ReadingBeside.h"
#include "search/SearchRunner.h"
#include "store/Database.h"
#include "store/SnapshotReader.h"

#include <cstdio>

namespace {
// Failures of the commands for scripts: 1 is an answer ("nothing found"), never an error.
constexpr int CannotRun = 2;

// The search dialog's default: punctuation ignored (case is always).
constexpr bool DefaultFolding = true;

// A name or Ref on a line of its own: line ends (and TABs, in a field) as blanks.
QByteArray oneLine(const QString& text, bool field) {
    QByteArray out = text.toUtf8();
    for (char& c : out)
        if (c == '\n' || c == '\r' || (field && c == '\t'))
            c = ' ';
    return out;
}

QByteArray withLf(const QString& text) {
    QString lf = text;
    lf.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    lf.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return lf.toUtf8();
}

void print(const QByteArray& bytes) {
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
}
} // namespace

int RunFindCommand(const QString& folder, const QString& text) {
    const ReadingBeside reading(folder);
    if (!reading.Error().isEmpty())
        return CommandFailure(reading.Error(), CannotRun);
    SnapshotReader reader(reading.Database());
    if (!reader.Begin())
        return CommandFailure(
            QStringLiteral("Cannot read %1: %2").arg(reading.Database(), reader.Error()),
            CannotRun);
    std::vector<ItemId> listed;
    try {
        const SearchMatches found = FindMatchesOn(
            reader.Handle(), PrepareSearchText(text, DefaultFolding), DefaultFolding, text);
        // A program started afresh shows no hidden group until a search finds its hider.
        const ItemId hider = SearchListHider(found.Hiders, ItemId());
        for (size_t i = 0; i < found.Rows.Count(); ++i)
            if (SearchListShows(found.Rows.Ranks[i], hider))
                listed.push_back(found.Ids[i]);
    } catch (const DbError& e) {
        return CommandFailure(QStringLiteral("Cannot read %1: %2").arg(reading.Database(), e.Text),
                              CannotRun);
    }
    QByteArray out;
    for (const ItemId id : listed) {
        SnapshotItem item;
        // The snapshot reads ids as the engine holds them, in 64 bits.
        if (!ReadSnapshotItem(reader, id.Value(), item, false))
            return CommandFailure(
                QStringLiteral("Cannot read %1: %2").arg(reading.Database(), reader.Error()),
                CannotRun);
        out += QByteArray::number(id.Value()) + '\t' + oneLine(item.Name, true) + '\t' +
               oneLine(item.Ref, true) + '\n';
    }
    print(out);
    return listed.empty() ? 1 : 0;
}

int RunShowCommand(const QString& folder, qint64 id) {
    const ReadingBeside reading(folder);
    if (!reading.Error().isEmpty())
        return CommandFailure(reading.Error(), CannotRun);
    SnapshotReader reader(reading.Database());
    SnapshotItem item;
    if (!reader.Begin() || !ReadSnapshotItem(reader, id, item, true)) {
        if (!reader.Error().isEmpty())
            return CommandFailure(
                QStringLiteral("Cannot read %1: %2").arg(reading.Database(), reader.Error()),
                CannotRun);
        return CommandFailure(QStringLiteral("There is no item %1").arg(id), 1);
    }
    QByteArray out =
        oneLine(item.Name, false) + '\n' + oneLine(item.Ref, false) + '\n' + withLf(item.Text);
    if (!item.Text.isEmpty() && !out.endsWith('\n'))
        out += '\n';
    print(out);
    return 0;
}
