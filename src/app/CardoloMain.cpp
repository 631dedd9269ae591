#include "app/CardoloMain.h"

#include "app/BackupCommand.h"
#include "app/CardoloApp.h"
#include "app/CheckCommand.h"
#include "app/ExportCommand.h"
#include "app/ImportCommand.h"
#include "app/ScriptCommands.h"
#include "common/Folders.h"
#include "paradox/ParadoxTsv.h"
#include "search/SearchHooks.h"

#include <QApplication>

#include <cstdio>

int RunCardolo(int argc, char* argv[], const std::function<void(CardoloApp&)>& whenStarted) {
    KeepNewFilesPrivate();
    // The commands open the database as the windows do.
    InstallSearchHooks();
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    CardoloApp::Options options = CardoloApp::ParseArguments(args);
    if (!options.error.isEmpty()) {
        std::fprintf(stderr, "cardolo: %s\n%s", options.error.toLocal8Bit().constData(),
                     CardoloApp::UsageText().toLocal8Bit().constData());
        return 2;
    }
    if (options.help) {
        std::fputs(CardoloApp::UsageText().toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("cardolo %s\n", CARDOLO_VERSION);
        return 0;
    }
    // Before any application object: the dump needs no display, program folder or lock.
    if (!options.dumpTable.isEmpty())
        return DumpTable(options.dumpTable);
    // The health check needs no display either.
    if (options.check) {
        QCoreApplication core(argc, argv);
        return RunCheckCommand({options.folder, options.repair, options.counts});
    }

    // The import makes the database without a window.
    if (!options.importDir.isEmpty()) {
        QCoreApplication core(argc, argv);
        return RunImportCommand(options.folder, options.importDir);
    }

    // The export needs neither a display nor the lock; the restore makes the database.
    if (!options.exportPath.isEmpty()) {
        QCoreApplication core(argc, argv);
        return RunExportCommand(options.folder, options.exportPath,
                                options.markdown ? ExportFormat::Markdown
                                                 : ExportFormat::JsonLines);
    }
    if (!options.restoreFile.isEmpty()) {
        QCoreApplication core(argc, argv);
        return RunRestoreCommand(options.folder, options.restoreFile);
    }

    // The commands for scripts read beside a running program, as the export does.
    if (options.find) {
        QCoreApplication core(argc, argv);
        return RunFindCommand(options.folder, options.findText);
    }
    if (options.showId > 0) {
        QCoreApplication core(argc, argv);
        return RunShowCommand(options.folder, options.showId);
    }

    // A copy of the database needs no display and no lock.
    if (!options.backupFile.isEmpty()) {
        QCoreApplication core(argc, argv);
        return RunBackupCommand(options.folder, options.backupFile);
    }

    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(true);
    CardoloApp cardolo;
    int rc = cardolo.Start(options);
    if (rc >= 0)
        return rc;
    if (whenStarted)
        whenStarted(cardolo);
    return app.exec();
}
