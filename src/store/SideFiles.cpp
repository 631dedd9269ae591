#include "store/SideFiles.h"

#include <QFile>
#include <QFileInfo>

QStringList SideFilesOf(const QString& database) {
    return {database + QStringLiteral("-wal"), database + QStringLiteral("-shm")};
}

QStringList MissingSideFiles(const QString& database) {
    QStringList missing;
    for (const QString& side : SideFilesOf(database))
        if (!QFileInfo::exists(side) && !QFileInfo(side).isSymLink())
            missing << side;
    return missing;
}

void RemoveEmptySideFiles(const QStringList& made) {
    for (const QString& file : made) {
        if (file.endsWith(QLatin1String("-wal")) && QFileInfo(file).size() != 0)
            return;
        QFile::remove(file);
    }
}
