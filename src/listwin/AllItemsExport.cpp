#include "listwin/AllItemsExport.h"

#include "common/Busy.h"
#include "common/Dialogs.h"
#include "common/Folders.h"
#include "common/Settings.h"
#include "common/WorkProgress.h"
#include "search/SearchStamps.h"
#include "store/CommandGuard.h"

#include <QDir>

QString AllItemsExportCaption(ExportFormat format) {
    return format == ExportFormat::Markdown
               ? QStringLiteral("All items as Markdown: the new folder to make")
               : QStringLiteral("All items to a file");
}

bool RunAllItemsExport(ExportFormat format) {
    const bool markdown = format == ExportFormat::Markdown;
    QString target;
    if (!ChooseSaveFile(AllItemsExportCaption(format),
                        markdown ? QStringLiteral("Folders (*)")
                                 : QStringLiteral("JSON Lines files (*.jsonl)"),
                        markdown ? QString() : QStringLiteral("jsonl"), target))
        return false;
    QString error;
    bool written = false;
    const bool ran = RunCommand([&] {
        const BusyScope busy;
        WorkProgress progress(QStringLiteral("Exporting"));
        // The marks of the last search are still being written in the background: the export
        // carries them as the list of search results shows them.
        FinishSearchStamps(&progress);
        written = ExportAllItems(
            format, DatabasePath(), target, AppSettings(), error,
            [&progress](qint64 done, qint64 total) { return progress.Step(done, total); });
    });
    if (!ran)
        return false;
    const QString shown = QDir::toNativeSeparators(target);
    if (written)
        FlashMessage(QStringLiteral("All items exported to %1").arg(shown));
    else if (error == QLatin1String("Stopped"))
        FlashMessage(QStringLiteral("Export stopped: nothing was written to %1").arg(shown));
    else
        ShowInfo(error);
    return written;
}
