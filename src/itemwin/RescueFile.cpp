#include "itemwin/RescueFile.h"

#include "common/Clock.h"
#include "common/Dialogs.h"
#include "common/Folders.h"
#include "common/WholeFile.h"
#include "store/Database.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>

QString WriteRescueFile(ItemId id, const QStringList& lines) {
    const QString name = QStringLiteral("unsaved item %1 %2")
                             .arg(id.Value())
                             .arg(CurrentDateTime().toString(QStringLiteral("yyyy-MM-dd HHmmss")));
    const QDir folder(DataFolder());
    QString path = folder.filePath(name + QStringLiteral(".txt"));
    // A second file for the same item within the same second (both item windows keeping a
    // version of it) is numbered rather than written over the first.
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = folder.filePath(QStringLiteral("%1 (%2).txt").arg(name).arg(n));
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += line.toUtf8() + "\r\n";
    QString error;
    if (!WriteWholeFile(path, bytes, error)) {
        std::fprintf(stderr, "Cardolo: the unsaved text of item #%d could not be kept. %s\n",
                     id.Value(), qPrintable(error));
        return QString();
    }
    std::fprintf(stderr, "Cardolo: the unsaved text of item #%d is kept in %s\n", id.Value(),
                 qPrintable(QDir::toNativeSeparators(path)));
    return path;
}

ExitSave SaveBeforeExit(const std::function<void()>& save, bool forced, ItemId id,
                        const QStringList& lines) {
    try {
        save();
        return ExitSave::Saved;
    } catch (const DbError& e) {
        if (!forced) {
            ShowInfo(e.Text);
            return ExitSave::Refused;
        }
        std::fprintf(stderr, "Cardolo: %s\n", qPrintable(e.Text));
        WriteRescueFile(id, lines);
        return ExitSave::Rescued;
    }
}
