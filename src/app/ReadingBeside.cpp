#include "app/ReadingBeside.h"

#include "app/CommandSupport.h"
#include "common/Folders.h"
#include "common/SingleInstanceGuard.h"
#include "store/SideFiles.h"

#include <QDir>
#include <QFileInfo>

ReadingBeside::ReadingBeside(const QString& folder) {
    if (!UseProgramFolder(folder, error))
        return;
    database = DatabasePath();
    if (!QFileInfo(database).isFile()) {
        error = QStringLiteral("Database %1 not found").arg(QDir::toNativeSeparators(database));
        return;
    }
    sideFilesMade = MissingSideFiles(database);
    atRest = sideFilesMade.contains(database + QStringLiteral("-wal")) &&
             SingleInstanceGuard::AcquireExisting(LockFilePath()) ==
                 SingleInstanceGuard::Result::Acquired;
}

ReadingBeside::~ReadingBeside() {
    if (atRest)
        RemoveEmptySideFiles(sideFilesMade);
}
