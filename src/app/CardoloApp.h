#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class DailyBackup;
class QSocketNotifier;
class TFAddsBk;
class QtDialogBackend;

// Start-up and shutdown of the program: the single-instance guard, the settings, the database,
// the windows, and the signals that close the main window as a system shutdown would.
class CardoloApp : public QObject {
    Q_OBJECT
public:
    struct Options {
        QString folder; // empty: the executable's folder (or the user data folder)
        bool help = false;
        bool version = false;
        // --check [--repair] [--counts]: the health check without a window, then the end.
        bool check = false;
        bool repair = false;
        bool counts = false;
        QString dumpTable;     // --dump-table FILE.DB: print the table and end
        QString importDir;     // --import DIR: import DIR's Paradox tables and end
        QString backupFile;    // --backup FILE: one copy of the database to FILE, then the end
        QString exportPath;    // --export FILE: every item and link to FILE, then the end
        bool markdown = false; // --format markdown: the export as a folder of Markdown files
        QString restoreFile;   // --restore-jsonl FILE: a new database from FILE, then the end
        bool find = false;     // --find TEXT: the items the search lists for TEXT, then the end
        QString findText;
        qint64 showId = 0; // --show ID: one item, then the end
        QString error;
    };
    // Reads the command line: any argument it does not know (or an option without its value)
    // is an error, the options of the window system excepted.
    static Options ParseArguments(const QStringList& args);
    // How many values the window system's option arg takes (-platform offscreen: 1); -1 when
    // arg is not one of them.
    static int WindowSystemOptionValues(const QString& arg);
    static QString UsageText();

    CardoloApp();
    ~CardoloApp() override;

    // Runs the start-up steps in order. Returns the process exit code to use when start-up
    // ends the program, or -1 when the main window is up and the event loop should run.
    int Start(const Options& options);
    TFAddsBk* MainWindow() const { return mainWindow; }

private:
    // The steps of Start. Those that may end the program give its exit code, else -1.
    int StartFolder(const QString& folder);
    int StartDatabase();
    void StartWindows();
    void StartBackgroundWork();
    void InstallSignalHandlers();
    void SignalArrived();

    TFAddsBk* mainWindow = nullptr;
    std::unique_ptr<QtDialogBackend> backend;
    std::unique_ptr<DailyBackup> dailyBackup;
    QSocketNotifier* signalNotifier = nullptr;
    bool started = false;         // the main window is up and the event loop may run
    bool shutdownPending = false; // a signal came before that
    // The main window closes for a signal: nothing may wait for an answer.
    bool closingBySignal = false;
};
