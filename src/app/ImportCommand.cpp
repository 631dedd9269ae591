#include "app/ImportCommand.h"

#include "app/CommandSupport.h"

#include "common/Busy.h"
#include "common/Dialogs.h"
#include "common/Folders.h"
#include "common/Settings.h"
#include "common/SingleInstanceGuard.h"
#include "common/WholeFile.h"
#include "paradox/ParadoxTable.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>
#include <QWidget>

#include <climits>
#include <cstdio>
#include <memory>
#include <vector>
#include <unistd.h>

namespace {
const QString ItemsFile = QStringLiteral("PHONEBK.DB");

// A table below this many records is read without showing progress.
constexpr qint64 LargeTable = 5000;

ImportColumnType columnType(ParadoxType type) {
    switch (type) {
    case ParadoxType::Alpha:
        return ImportColumnType::Text;
    case ParadoxType::Memo:
    case ParadoxType::FormattedMemo:
        return ImportColumnType::Memo;
    case ParadoxType::Short:
    case ParadoxType::Long:
        return ImportColumnType::Integer;
    case ParadoxType::AutoIncrement:
        return ImportColumnType::AutoIncrement;
    case ParadoxType::Number:
    case ParadoxType::Currency:
        return ImportColumnType::Real;
    case ParadoxType::Logical:
        return ImportColumnType::Logical;
    case ParadoxType::Date:
        return ImportColumnType::Date;
    case ParadoxType::Time:
        return ImportColumnType::Time;
    case ParadoxType::Timestamp:
        return ImportColumnType::Timestamp;
    case ParadoxType::Blob:
    case ParadoxType::Ole:
    case ParadoxType::Graphic:
    case ParadoxType::Bytes:
    case ParadoxType::Bcd:
        return ImportColumnType::Binary;
    }
    return ImportColumnType::Binary;
}

// A Paradox table as the store's import reads it.
class ParadoxSource : public ImportSource {
public:
    bool Open(const QString& path, QString& error) { return table.Open(path, error); }
    QString FileName() const override { return QDir::toNativeSeparators(table.Path()); }
    QVector<ImportColumn> Columns() const override {
        QVector<ImportColumn> columns;
        for (const ParadoxField& f : table.Fields()) {
            ImportColumn c;
            c.Name = f.name;
            c.Type = columnType(f.type);
            c.Width = c.Type == ImportColumnType::Text ? f.size : 0;
            columns << c;
        }
        return columns;
    }
    qint64 RecordCount() const override { return table.RecordCount(); }
    bool Next(QVector<QVariant>& values, QString& error) override {
        return table.Next(values, error);
    }

private:
    ParadoxTable table;
};

// Shows how far the import of a large table has got, in a window of its own that the events it
// lets through keep painted. Small tables show nothing.
class ProgressWindow {
public:
    void Report(const QString& file, qint64 done, qint64 total) {
        if (!window) {
            if (total < LargeTable)
                return;
            build();
        }
        label->setText(QStringLiteral("Importing %1: %2 of %3 records")
                           .arg(QFileInfo(file).fileName())
                           .arg(done)
                           .arg(total));
        bar->setRange(0, int(qMin<qint64>(total, INT_MAX)));
        bar->setValue(int(qMin<qint64>(done, INT_MAX)));
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }

private:
    void build() {
        window = std::make_unique<QWidget>(nullptr, Qt::Window);
        window->setObjectName(QStringLiteral("ImportProgress"));
        window->setWindowTitle(ApplicationTitle);
        auto* layout = new QVBoxLayout(window.get());
        label = new QLabel(window.get());
        bar = new QProgressBar(window.get());
        layout->addWidget(label);
        layout->addWidget(bar);
        window->show();
    }

    std::unique_ptr<QWidget> window;
    QLabel* label = nullptr;
    QProgressBar* bar = nullptr;
};

// The settings of the old tables that a declined import's new database changed, kept beside
// them until the tables are imported.
const char* const ImportDbvnKey = "IMPORTDBVN";
const char* const ImportDiaryIdKey = "IMPORTDIARYID";

// After an import at start: the old tables' DBVN and diary id, where a declined import kept
// them, are the settings again, so that the tables are converted as they need.
void restoreTablesSettings() {
    const QString dbvn = ReadSettingValue(SettingsPath(), ImportDbvnKey);
    if (dbvn.isEmpty())
        return;
    AppSettings().Dbvn = dbvn.toInt();
    AppSettings().DiaryId = ItemId(ReadSettingValue(SettingsPath(), ImportDiaryIdKey).toInt());
    WriteSettings();
    WriteSettingValue(SettingsPath(), ImportDbvnKey, QString());
    WriteSettingValue(SettingsPath(), ImportDiaryIdKey, QString());
}

// The settings come with the tables imported by --import: DBVN says which conversions they have
// had, the diary and archive ids name items among them, and the rest (the prefix, the options)
// are the user's. Into a folder without settings the old file (oldSettings) comes whole, with
// its other keys, comments and order; a folder's own file takes every setting the old one
// holds and keeps the rest of itself. Without an old file, only the three that describe the
// tables are set, to what tables without conversions need. What a declined import at start
// kept of older tables is dropped. False when the settings could not be written.
bool carrySettings(const QString& oldSettings) {
    if (QFileInfo::exists(SettingsPath()) &&
        !ReadSettingValue(SettingsPath(), ImportDbvnKey).isEmpty()) {
        WriteSettingValue(SettingsPath(), ImportDbvnKey, QString());
        WriteSettingValue(SettingsPath(), ImportDiaryIdKey, QString());
    }
    SetSettingsFile(SettingsPath());
    ReadSettings();
    if (!oldSettings.isEmpty() && !QFileInfo::exists(SettingsPath())) {
        QFile old(oldSettings);
        QString error;
        return old.open(QIODevice::ReadOnly) &&
               WriteWholeFile(SettingsPath(), old.readAll(), error);
    }
    const Settings tables = oldSettings.isEmpty() ? Settings() : ReadSettingsFrom(oldSettings);
    Settings settings = oldSettings.isEmpty() ? AppSettings() : tables;
    settings.Dbvn = tables.Dbvn;
    settings.DiaryId = tables.DiaryId;
    settings.ArchiveId = tables.ArchiveId;
    return WriteSettingsTo(SettingsPath(), settings);
}

// Progress of a large table on a terminal, on one line rewritten as it goes.
void reportOnTerminal(const QString& file, qint64 done, qint64 total) {
    if (::isatty(STDERR_FILENO) != 1 || total < LargeTable)
        return;
    std::fprintf(stderr, "\r%s: %lld of %lld records%s",
                 QFileInfo(file).fileName().toLocal8Bit().constData(), static_cast<long long>(done),
                 static_cast<long long>(total), done == total ? "\n" : "");
    std::fflush(stderr);
}

int fail(const QString& text) {
    std::fprintf(stderr, "cardolo: %s\n", text.toLocal8Bit().constData());
    return 1;
}
} // namespace

QString FindTableFile(const QString& dir, const QString& name) {
    const QStringList files = QDir(dir).entryList(QDir::Files | QDir::Hidden);
    for (const QString& file : files) {
        if (file.compare(name, Qt::CaseInsensitive) == 0)
            return QDir(dir).filePath(file);
    }
    return QString();
}

bool ImportFolder(const QString& dir, const QString& path, QString& error,
                  const ImportProgress& progress, QStringList* counts, bool replace) {
    // The tables in the order they are read, with the names they get.
    const struct {
        const char* file;
        const char* table;
    } wanted[] = {{"PHONEBK.DB", "phonebk"}, {"mm2.db", "mm2"}, {"mm.DB", "mm"}};
    std::vector<std::unique_ptr<ParadoxSource>> sources;
    QVector<ImportTable> tables;
    for (const auto& w : wanted) {
        const QString file = FindTableFile(dir, QLatin1String(w.file));
        if (file.isEmpty()) {
            if (tables.isEmpty()) {
                error = QStringLiteral("%1 holds no %2")
                            .arg(QDir::toNativeSeparators(dir), QLatin1String(w.file));
                return false;
            }
            continue;
        }
        sources.push_back(std::make_unique<ParadoxSource>());
        if (!sources.back()->Open(file, error))
            return false;
        tables.append({QLatin1String(w.table), sources.back().get()});
    }
    // The last report of a table gives the records it held.
    QStringList files;
    QHash<QString, qint64> read;
    const bool ok = ImportTables(
        path, tables, error,
        [&](const QString& file, qint64 done, qint64 total) {
            if (progress)
                progress(file, done, total);
            if (!read.contains(file))
                files << file;
            read[file] = done;
        },
        replace);
    if (ok && counts) {
        for (const QString& file : files)
            *counts
                << QStringLiteral("%1: %2 records").arg(QFileInfo(file).fileName()).arg(read[file]);
    }
    return ok;
}

bool OfferImportAtStart() {
    if (FindTableFile(DataFolder(), ItemsFile).isEmpty())
        return true;
    // A database the user has put nothing into yet (the import was declined at an earlier
    // start) does not make the question final.
    const bool replace = QFileInfo::exists(DatabasePath());
    if (replace && DatabaseHoldsUserItems(DatabasePath()))
        return true;
    if (!Confirm(QStringLiteral("Import the items from PHONEBK.DB?\rThe old tables are only "
                                "read, never changed; if you answer No, you are asked again at "
                                "the next start until you have made items of your own.")))
        return true;
    QString error;
    bool ok;
    {
        BusyScope busy;
        ProgressWindow window;
        ok = ImportFolder(
            DataFolder(), DatabasePath(), error,
            [&window](const QString& file, qint64 done, qint64 total) {
                window.Report(file, done, total);
            },
            nullptr, replace);
    }
    if (ok) {
        restoreTablesSettings();
        return true;
    }
    const QString text = QStringLiteral("The items were not imported:\r") + error;
    std::fprintf(
        stderr, "%s\n",
        QString(text).replace(QLatin1Char('\r'), QLatin1Char(' ')).toLocal8Bit().constData());
    ShowInfo(text);
    return false;
}

void KeepOldTablesSettings() {
    if (FindTableFile(DataFolder(), ItemsFile).isEmpty() ||
        !ReadSettingValue(SettingsPath(), ImportDbvnKey).isEmpty())
        return;
    WriteSettingValue(SettingsPath(), ImportDbvnKey, QString::number(AppSettings().Dbvn));
    WriteSettingValue(SettingsPath(), ImportDiaryIdKey,
                      QString::number(AppSettings().DiaryId.Value()));
}

int RunImportCommand(const QString& folder, const QString& dir) {
    if (!folder.isEmpty()) {
        if (!QFileInfo(folder).isDir())
            return fail(QStringLiteral("Folder %1 does not exist").arg(folder));
        SetProgramFolder(folder);
    } else {
        SetProgramFolder(DefaultProgramFolder(QCoreApplication::applicationDirPath()));
    }
    if (!QFileInfo(dir).isDir())
        return fail(QStringLiteral("Folder %1 does not exist").arg(dir));
    if (FindTableFile(dir, ItemsFile).isEmpty())
        return fail(QStringLiteral("%1 holds no %2").arg(QDir::toNativeSeparators(dir), ItemsFile));

    // The program folder is held while its database is made, as a running program holds it.
    QString error;
    if (!HoldProgramFolder(error))
        return fail(error);
    // A database the user has put nothing into (the import was declined at a start) is replaced,
    // whole or not at all; one holding the user's items never is.
    const bool replace = QFileInfo::exists(DatabasePath());
    if (replace && DatabaseHoldsUserItems(DatabasePath()))
        return fail(QStringLiteral("%1 holds items of your own; --import makes a new database "
                                   "only. Import into another program folder (--folder DIR), or "
                                   "move %1 away first.")
                        .arg(QDir::toNativeSeparators(DatabasePath())));

    QStringList counts;
    const bool ok = ImportFolder(dir, DatabasePath(), error, reportOnTerminal, &counts, replace);
    if (!ok)
        return fail(error);
    const QString oldSettings = FindTableFile(dir, QStringLiteral("PHONEBK.INI"));
    const int dbvn = oldSettings.isEmpty() ? Settings().Dbvn : ReadSettingsFrom(oldSettings).Dbvn;
    if (!carrySettings(oldSettings))
        return fail(QStringLiteral("The items are in %1, but %2 could not be written: it must "
                                   "hold DBVN=%3 for the next start to convert them")
                        .arg(QDir::toNativeSeparators(DatabasePath()),
                             QDir::toNativeSeparators(SettingsPath()))
                        .arg(dbvn));
    for (const QString& line : counts)
        std::printf("%s\n", line.toLocal8Bit().constData());
    if (oldSettings.isEmpty())
        std::fprintf(stderr,
                     "cardolo: %s holds no PHONEBK.INI: the tables are taken to need no "
                     "conversion\n",
                     QDir::toNativeSeparators(dir).toLocal8Bit().constData());
    return 0;
}
