#include "store/ExportAll.h"

#include "common/Settings.h"
#include "store/JsonLines.h"
#include "store/MarkdownExport.h"

#include <QFileInfo>

bool ExportAllItems(ExportFormat format, const QString& database, const QString& target,
                    const Settings& settings, QString& error, const ExportProgress& progress) {
    if (format == ExportFormat::Markdown) {
        MarkdownExported exported;
        return ExportMarkdown(database, target, settings.ArchiveId, exported, error, progress);
    }
    JsonExportHeader header;
    header.Program = QStringLiteral(CARDOLO_VERSION);
    header.DiaryId = settings.DiaryId;
    header.ArchiveId = settings.ArchiveId;
    return ExportJsonLines(database, QFileInfo(target).absoluteFilePath(), header, error, progress);
}
