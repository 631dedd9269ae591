#include "app/CardoloApp.h"

#include "app/ImportCommand.h"
#include "common/Busy.h"
#include "common/Dialogs.h"
#include "common/Folders.h"
#include "common/Settings.h"
#include "common/SingleInstanceGuard.h"
#include "common/WindowHelpers.h"
#include "common/WorkProgress.h"
#include "dialogs/QtDialogBackend.h"
#include "dialogs/TFAbout1.h"
#include "dialogs/TFFlash.h"
#include "dialogs/TFchoice.h"
#include "dialogs/TFinpstr.h"
#include "diary/Diary.h"
#include "itemwin/ItemWindows.h"
#include "listwin/TFAddsBk.h"
#include "notepad/Notepad.h"
#include "repair/HealthCheckWindow.h"
#include "search/SearchHooks.h"
#include "store/Backup.h"
#include "store/Conversion.h"
#include "store/DailyBackup.h"
#include "store/DamageCheck.h"
#include "store/Database.h"
#include "store/ItemStore.h"
#include "store/Layout.h"
#include "store/StoreState.h"

#include <QApplication>
#include <QCoreApplication>
#include <QCursor>
#include <QDialog>
#include <QFileInfo>
#include <QHash>
#include <QLabel>
#include <QSocketNotifier>
#include <QTimer>
#include <QVBoxLayout>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int signalPipe[2] = {-1, -1};
// The main window closes for a signal: nothing may wait for an answer.
bool closingBySignal = false;

void onSignal(int) {
    char c = 1;
    ssize_t ignored = ::write(signalPipe[1], &c, 1);
    (void)ignored;
}

// Long work of the database's start (the indexes of a large imported or older database) told
// in a small window of its own, with the busy cursor: the main window is not made yet. The
// window appears at the first report, after the work has run half a second.
class StartupProgress {
public:
    StartupProgress() {
        SetWorkProgressHooks({[this](const QString& text) { show(text); },
                              [] {
                                  QCoreApplication::processEvents(
                                      QEventLoop::ExcludeUserInputEvents);
                                  return false;
                              }});
    }
    ~StartupProgress() {
        SetWorkProgressHooks({});
        if (window)
            QApplication::restoreOverrideCursor();
    }
    StartupProgress(const StartupProgress&) = delete;
    StartupProgress& operator=(const StartupProgress&) = delete;

private:
    void show(const QString& text) {
        if (text.isEmpty()) {
            if (window)
                window->hide();
            return;
        }
        if (!window) {
            window = std::make_unique<QWidget>(nullptr, Qt::Window);
            window->setObjectName(QStringLiteral("StartupProgress"));
            window->setWindowTitle(ApplicationTitle);
            auto* layout = new QVBoxLayout(window.get());
            label = new QLabel(window.get());
            label->setObjectName(QStringLiteral("Label1"));
            layout->addWidget(label);
            QApplication::setOverrideCursor(Qt::WaitCursor);
        }
        label->setText(text);
        window->show();
    }

    std::unique_ptr<QWidget> window;
    QLabel* label = nullptr;
};

void reportStartupFailure(const QString& text) {
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    ShowInfo(text);
}

// An engine's text as a sentence of a longer message.
QString sentence(QString text) {
    text = text.trimmed();
    if (!text.isEmpty() && !text.endsWith(QLatin1Char('.')))
        text += QLatin1Char('.');
    return text;
}
} // namespace

int CardoloApp::WindowSystemOptionValues(const QString& arg) {
    // Qt's own options, as QGuiApplication and QApplication take them, with the number of values
    // each takes.
    static const QHash<QString, int> options{
        {QStringLiteral("-platform"), 1},        {QStringLiteral("-platformpluginpath"), 1},
        {QStringLiteral("-platformtheme"), 1},   {QStringLiteral("-plugin"), 1},
        {QStringLiteral("-qwindowgeometry"), 1}, {QStringLiteral("-qwindowicon"), 1},
        {QStringLiteral("-qwindowtitle"), 1},    {QStringLiteral("-display"), 1},
        {QStringLiteral("-geometry"), 1},        {QStringLiteral("-style"), 1},
        {QStringLiteral("-stylesheet"), 1},      {QStringLiteral("-session"), 1},
        {QStringLiteral("-reverse"), 0},         {QStringLiteral("-widgetcount"), 0},
        {QStringLiteral("-nograb"), 0},          {QStringLiteral("-dograb"), 0},
        {QStringLiteral("-qmljsdebugger"), 0},
    };
    QString name = arg;
    // "-style=fusion" and "--platform offscreen" are taken too.
    if (name.startsWith(QLatin1String("--")))
        name.remove(0, 1);
    const qsizetype equals = name.indexOf(QLatin1Char('='));
    if (equals > 0) {
        name.truncate(equals);
        return options.contains(name) ? 0 : -1;
    }
    if (name.startsWith(QLatin1String("-qmljsdebugger")))
        return 0;
    return options.value(name, -1);
}

CardoloApp::Options CardoloApp::ParseArguments(const QStringList& args) {
    Options o;
    QString format; // --format's value, checked once every option is read
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            o.help = true;
        } else if (a == QLatin1String("--version")) {
            o.version = true;
        } else if (a == QLatin1String("--folder")) {
            if (i + 1 >= args.size()) {
                o.error = QStringLiteral("--folder needs a folder name");
                return o;
            }
            o.folder = args[++i];
        } else if (a.startsWith(QLatin1String("--folder="))) {
            o.folder = a.mid(9);
        } else if (a == QLatin1String("--import")) {
            if (i + 1 >= args.size()) {
                o.error = QStringLiteral("--import needs the folder of the tables");
                return o;
            }
            o.importDir = args[++i];
        } else if (a == QLatin1String("--dump-table")) {
            if (i + 1 >= args.size()) {
                o.error = QStringLiteral("--dump-table needs a table file (FILE.DB)");
                return o;
            }
            o.dumpTable = args[++i];
        } else if (a == QLatin1String("--backup")) {
            if (i + 1 >= args.size()) {
                o.error = QStringLiteral("--backup needs the name of the copy to write");
                return o;
            }
            o.backupFile = args[++i];
        } else if (a == QLatin1String("--export")) {
            if (i + 1 >= args.size()) {
                o.error = QStringLiteral("--export needs the name of the file to write");
                return o;
            }
            o.exportPath = args[++i];
        } else if (a == QLatin1String("--format")) {
            if (i + 1 >= args.size()) {
                o.error = QStringLiteral("--format needs a format (jsonl or markdown)");
                return o;
            }
            format = args[++i];
        } else if (a == QLatin1String("--find")) {
            if (i + 1 >= args.size()) {
                o.error = QStringLiteral("--find needs the text to search for");
                return o;
            }
            o.find = true;
            o.findText = args[++i];
        } else if (a == QLatin1String("--show")) {
            bool number = false;
            if (i + 1 < args.size())
                o.showId = args[++i].toLongLong(&number);
            if (!number || o.showId <= 0) {
                o.error = QStringLiteral("--show needs an item id (a whole number above 0)");
                return o;
            }
        } else if (a == QLatin1String("--restore-jsonl")) {
            if (i + 1 >= args.size()) {
                o.error = QStringLiteral("--restore-jsonl needs the file to restore");
                return o;
            }
            o.restoreFile = args[++i];
        } else if (a == QLatin1String("--check")) {
            o.check = true;
        } else if (a == QLatin1String("--repair")) {
            o.repair = true;
        } else if (a == QLatin1String("--counts")) {
            o.counts = true;
        } else if (const int values = WindowSystemOptionValues(a); values >= 0) {
            // Options of the window system (-platform offscreen, -style ...) are Qt's own.
            if (i + values >= args.size()) {
                o.error = QStringLiteral("%1 needs a value").arg(a);
                return o;
            }
            i += values;
        } else {
            // A mistyped option never starts the program: it would open a window, or make a
            // database, where the user asked for something else.
            o.error = a.startsWith(QLatin1Char('-'))
                          ? QStringLiteral("unknown option %1").arg(a)
                          : QStringLiteral("unexpected argument %1").arg(a);
            return o;
        }
    }
    if (!o.check && (o.repair || o.counts)) {
        o.error = QStringLiteral("%1 needs --check")
                      .arg(o.repair ? QStringLiteral("--repair") : QStringLiteral("--counts"));
        return o;
    }
    if (!format.isNull()) {
        if (o.exportPath.isEmpty())
            o.error = QStringLiteral("--format needs --export");
        else if (format == QLatin1String("markdown"))
            o.markdown = true;
        else if (format != QLatin1String("jsonl"))
            o.error =
                QStringLiteral("unknown format %1 for --export (jsonl or markdown)").arg(format);
        if (!o.error.isEmpty())
            return o;
    }
    // One command a run: the first one named would run and the others be forgotten.
    const std::pair<bool, const char*> commands[] = {
        {o.check, "--check"},
        {!o.importDir.isEmpty(), "--import"},
        {!o.dumpTable.isEmpty(), "--dump-table"},
        {!o.backupFile.isEmpty(), "--backup"},
        {!o.exportPath.isEmpty(), "--export"},
        {!o.restoreFile.isEmpty(), "--restore-jsonl"},
        {o.find, "--find"},
        {o.showId > 0, "--show"},
    };
    QStringList named;
    for (const auto& [given, name] : commands)
        if (given)
            named << QLatin1String(name);
    if (named.size() > 1)
        o.error = QStringLiteral("%1 and %2 do not go together").arg(named[0], named[1]);
    return o;
}

QString CardoloApp::UsageText() {
    return QStringLiteral(
        "Usage: cardolo [--folder DIR] [--help] [--version]\n"
        "       cardolo [--folder DIR] --import OLDDIR\n"
        "       cardolo [--folder DIR] --check [--repair] [--counts]\n"
        "       cardolo [--folder DIR] --backup FILE\n"
        "       cardolo [--folder DIR] --export FILE.jsonl [--format jsonl]\n"
        "       cardolo [--folder DIR] --export DIR --format markdown\n"
        "       cardolo [--folder DIR] --restore-jsonl FILE.jsonl\n"
        "       cardolo [--folder DIR] --find TEXT\n"
        "       cardolo [--folder DIR] --show ID\n"
        "       cardolo --dump-table FILE.DB\n"
        "\n"
        "Cardolo stores textual data: items with a name, a Ref and free text, linked down\n"
        "and across, searched, kept as a diary, printed and exported.\n"
        "\n"
        "  --folder DIR  use DIR as the program folder: LOCK.TXT lives there and the items\n"
        "                and settings in DIR/DATA. Default: the program's own folder when it\n"
        "                is writable and is not a bin folder; otherwise, as for an installed\n"
        "                copy, $XDG_DATA_HOME/cardolo (~/.local/share/cardolo).\n"
        "  --backup FILE write a consistent copy of the database to FILE, which must not\n"
        "                exist, without starting a window, also while the program runs.\n"
        "                Exit code 0: copied, 1: refused or failed\n"
        "  --export FILE.jsonl\n"
        "                write every item and link to FILE.jsonl (JSON Lines, a line each),\n"
        "                whole or not at all, also while the program runs. Exit code 0:\n"
        "                written, 1: refused or failed\n"
        "  --format FORMAT\n"
        "                with --export: jsonl (the default) or markdown. --export DIR\n"
        "                --format markdown makes the folder DIR (new, or empty) of one .md\n"
        "                file per item, in folders that follow the links down (an item\n"
        "                with items below it is a folder with its index.md); each file\n"
        "                has a YAML front matter (id, title, Ref, dates, hidden and\n"
        "                archived marks, links across as relative links with their\n"
        "                notes), then the text with its line ends as LF\n"
        "  --find TEXT   print the items the list window's search lists for TEXT, with\n"
        "                the search dialog's default options (case and punctuation\n"
        "                ignored; hidden items only when TEXT is their hider's name):\n"
        "                id, name and Ref separated by TABs, one item a line, in id\n"
        "                order, as UTF-8; a TAB or line end inside a name or Ref is\n"
        "                printed as a blank. Writes nothing (no search marks either),\n"
        "                also while the program runs. Exit code 0: found, 1: nothing\n"
        "                found, 2: the search could not run\n"
        "  --show ID     print item ID: its name on a line, its Ref on the next (a line\n"
        "                end inside either as a blank), then its text (line ends as LF).\n"
        "                Exit code 0: shown, 1: no such item, 2: it could not be read\n"
        "  --restore-jsonl FILE.jsonl\n"
        "                make the program folder's database from such a file, checked whole\n"
        "                first, with the same ids, values and links; refused when the\n"
        "                database holds items of your own. Exit code 0: restored, 1: refused\n"
        "                or failed (the line and the reason on standard error)\n"
        "  --dump-table FILE.DB\n"
        "                print the Paradox table FILE.DB (with its memo file FILE.MB) as\n"
        "                tab-separated UTF-8 text: a line of field names, then a line per\n"
        "                record; starts no window and needs no program folder\n"
        "  --check       check the database file for damage, then for broken references\n"
        "                and wrong hiding ranks, without starting a window, reading only;\n"
        "                the report goes to standard output. Exit code 0: nothing found,\n"
        "                1: problems found, 2: the file is damaged or the check could not run\n"
        "  --repair      with --check: repair what the check can repair, then check again\n"
        "  --counts      with --check: also compare the stored counts of links down and\n"
        "                across with the links, and look for links across without their\n"
        "                mirror (--repair corrects them)\n"
        "  --import OLDDIR\n"
        "                import the older version's tables in OLDDIR (PHONEBK.DB, mm2.db,\n"
        "                mm.DB) into a new database in the program folder, without starting a\n"
        "                window; refused when the database holds items of your own. The\n"
        "                settings come from PHONEBK.INI in OLDDIR, and the next start\n"
        "                converts the tables as it says. Exit code 0: imported,\n"
        "                1: refused or failed\n"
        "  --help        show this text\n"
        "  --version     show the version\n"
        "\n"
        "Exit codes: 0 when the program or the command ended normally; 1 when it could not\n"
        "start or the command was refused or failed (for --find: nothing found; for --show:\n"
        "no such item); 2 for an unknown option, a missing value or options that do not go\n"
        "together (nothing is touched then), for --check, a damaged file or a check that\n"
        "could not run, and for --find and --show, a database that could not be read.\n");
}

CardoloApp::CardoloApp() = default;

CardoloApp::~CardoloApp() {
    // A copy under way is abandoned before the database closes.
    dailyBackup.reset();
    // The diary, made when first opened, goes before the item windows it opens.
    DestroyDiaryWindow();
    DestroyNotepad();
    DestroyHealthCheckWindow();
    DestroyItemWindows();
    delete mainWindow;
    SetDialogBackend(nullptr);
    ClosePhoneDB();
}

int CardoloApp::Start(const Options& options) {
    QCoreApplication::setApplicationName(ApplicationTitle);
    QApplication::setApplicationDisplayName(QString());
    backend = std::make_unique<QtDialogBackend>();
    SetDialogBackend(backend.get());
    InstallBusyCursor();
    // Installed before anything else, so that a SIGTERM arriving during start-up waits for
    // the event loop and then closes the main window like any other.
    InstallSignalHandlers();
    // Before anything opens the database (the import offered below makes one).
    InstallSearchHooks();

    // 1 and 2. The program folder, held by this program alone, with its data folder and
    // settings.
    const int folderEnd = StartFolder(options.folder);
    if (folderEnd >= 0)
        return folderEnd;

    // A database gone or emptied while its daily copies are there is not a first start: said,
    // and nothing is changed unless the user asks for a new database.
    const QString lost = LostDatabaseMessage(DatabasePath());
    if (!lost.isEmpty()) {
        std::fprintf(
            stderr, "%s\n",
            QString(lost).replace(QLatin1Char('\r'), QLatin1Char(' ')).toLocal8Bit().constData());
        if (!Confirm(lost))
            return 1;
    }

    // The older version's tables in the data folder and no database yet: their import is
    // offered. A failed import ends the program, leaving no database, so that the next start
    // offers it again.
    if (!OfferImportAtStart())
        return 1;

    // 3. The database, before any window.
    const int databaseEnd = StartDatabase();
    if (databaseEnd >= 0)
        return databaseEnd;

    // 4. The windows, then the work in the background.
    StartWindows();
    StartBackgroundWork();
    if (shutdownPending)
        QTimer::singleShot(0, mainWindow, [this] {
            closingBySignal = true;
            mainWindow->CloseQuietly();
        });
    return -1;
}

// The program folder (given, or the default one), its lock, its data folder and the settings;
// the exit code when one of them ends the program, else -1.
int CardoloApp::StartFolder(const QString& folder) {
    if (!folder.isEmpty()) {
        QFileInfo info(folder);
        if (!info.isDir()) {
            reportStartupFailure(QStringLiteral("Folder %1 does not exist").arg(folder));
            return 2;
        }
        SetProgramFolder(folder);
    } else {
        SetProgramFolder(DefaultProgramFolder(QCoreApplication::applicationDirPath()));
    }

    // One instance per program folder.
    QString error;
    switch (SingleInstanceGuard::Acquire(LockFilePath(), &error)) {
    case SingleInstanceGuard::Result::Acquired:
        break;
    case SingleInstanceGuard::Result::OtherInstance:
        reportStartupFailure(SingleInstanceGuard::AlreadyRunningMessage());
        return 1;
    case SingleInstanceGuard::Result::Failed:
        reportStartupFailure(error);
        return 1;
    }

    if (!EnsureDataFolder(&error)) {
        reportStartupFailure(error);
        return 1;
    }
    SetSettingsFile(SettingsPath());
    ReadSettings();
    // The store reads and writes the diary and archive ids in the settings' own holders.
    BindStoreSettings(AppSettings().DiaryId, AppSettings().ArchiveId);
    // The conversion steps raise DBVN in the settings' holder and write the settings at once.
    BindConversionSettings(AppSettings().Dbvn, [] { WriteSettings(); });
    return -1;
}

// The main window first; the others are made once now and stay hidden until asked for.
void CardoloApp::StartWindows() {
    mainWindow = new TFAddsBk;
    mainWindow->setAttribute(Qt::WA_DeleteOnClose, false);
    // Closing the main window ends the program, also while an item window is still open. The
    // notepad writes what changed first; a shutdown signal leaves no one to answer a message.
    connect(mainWindow, &TFAddsBk::Closed, this, [] { CloseNotepadForExit(closingBySignal); });
    // A health check scan running under the events it lets through would keep the program
    // alive after its windows are gone: it stops at its next chunk of rows.
    connect(mainWindow, &TFAddsBk::Closed, this, [] { StopHealthCheck(); });
    // A backup under way is abandoned at once: exit never waits for it.
    connect(mainWindow, &TFAddsBk::Closed, this, [this] {
        if (dailyBackup)
            dailyBackup->Stop();
    });
    connect(mainWindow, &TFAddsBk::Closed, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    TFAbout1::Instance();
    TFchoice::Instance();
    TFinpstr::Instance();
    TFFlash::Instance();
    CreateItemWindows();
    // The notepad reads its font and text now; a font chosen in the item text window becomes
    // the notepad's and is stored with it.
    CreateNotepad();
    ItemHooks().PageFontChanged = [](const QFont& font) { SetNotepadFont(font); };
    mainWindow->show();
    started = true;
}

// The day's copy of the database, made in the background from some seconds after start, and
// the check of the whole file for damage, once the window is up. A file found damaged already
// has neither: it is not copied over the good copies of earlier days.
void CardoloApp::StartBackgroundWork() {
    if (PhoneDBWriteRefusal() == WriteRefusal::DamagedFile)
        return;
    dailyBackup = std::make_unique<DailyBackup>(DatabasePath(), BackupFolder());
    dailyBackup->TellFailure = true;
    dailyBackup->Start();
    try {
        StartDamageCheck();
    } catch (const DbError& e) {
        std::fprintf(stderr, "Cardolo: the database could not be checked for damage: %s\n",
                     e.Text.toLocal8Bit().constData());
    }
}

// Every failure of the database's start ends the program with one message, before any window
// is made. The connection, then the conversion steps 702 and 703 where DBVN calls for them. A
// declined step ends the program. A refused one is shown and ends it too: the tables are in a
// layout nothing else reads, and the store's start-up would index the columns the step has to
// drop. Then the layout the rest relies on, and the store's own start: the conversion steps 704
// to 1100 where DBVN calls for them (a declined one ends the program), then the diary item when
// the settings do not name it.
int CardoloApp::StartDatabase() {
    try {
        if (OpenPhoneDB(DatabasePath())) {
            KeepOldTablesSettings();
            NoteNewDatabase();
        }
        if (PhoneDBWriteRefusal() != WriteRefusal::None && ConversionPending(StoreDbvn())) {
            reportStartupFailure(
                QStringLiteral("The database file %1 is read-only, and this version of Cardolo "
                               "must first bring it up to date. Give your user write permission "
                               "on the file, then start Cardolo again.")
                    .arg(DatabasePath()));
            return 1;
        }
        if (RunEarlyConversionSteps() == ConversionResult::Declined)
            return 0;
        const QString missing = MissingLayout(StoreDbvn());
        if (!missing.isEmpty()) {
            reportStartupFailure(
                QStringLiteral("The database file %1 is not one Cardolo can use: it has no %2. "
                               "Start Cardolo with the folder of your own database (--folder "
                               "DIR), or put back a daily backup from %3.")
                    .arg(DatabasePath(), missing, BackupFolderOf(DatabasePath())));
            return 1;
        }
        bool started;
        {
            const StartupProgress progress;
            started = CoreStartup();
        }
        if (!started)
            return 0;
    } catch (const ConversionError& e) {
        reportStartupFailure(QStringLiteral("Cardolo could not bring the database file %1 up to "
                                            "date (step %2): %3 The file is as it was before that "
                                            "step; the next start tries the step again.")
                                 .arg(DatabasePath(), QString::number(e.Step), sentence(e.Text)));
        return 1;
    } catch (const DbError& e) {
        // Damage the store's start met after the file was opened is told, and the program runs
        // on without writing, so that what can still be read can be copied out.
        if (PhoneDBWriteRefusal() != WriteRefusal::DamagedFile) {
            reportStartupFailure(e.Text);
            return 1;
        }
        ShowInfo(e.Text);
    }
    // A file the program may only read is said once, here; each write refused later says so in
    // a short line.
    if (PhoneDBWriteRefusal() == WriteRefusal::ReadOnlyFile) {
        reportStartupFailure(WriteRefusalMessage());
        MarkWriteRefusalTold();
    }
    return -1;
}

void CardoloApp::InstallSignalHandlers() {
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0)
        return;
    ::fcntl(signalPipe[0], F_SETFD, FD_CLOEXEC);
    ::fcntl(signalPipe[1], F_SETFD, FD_CLOEXEC);
    signalNotifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
    connect(signalNotifier, &QSocketNotifier::activated, this, &CardoloApp::SignalArrived);
    struct sigaction sa = {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &sa, nullptr);
    ::sigaction(SIGINT, &sa, nullptr);
}

// SIGTERM and SIGINT close the main window the way a system shutdown does: the settings are
// written and nothing is asked. A signal that arrives while start-up is still running (its
// windows may let events through) is kept until the main window is up; a box shown during
// start-up is closed as if cancelled.
void CardoloApp::SignalArrived() {
    char c;
    ssize_t ignored = ::read(signalPipe[0], &c, 1);
    (void)ignored;
    // Whatever box is open now is closed as if cancelled, and none opens from now on: every
    // question is answered Cancel and no message is shown (start-up failures and the files that
    // keep unsaved typing are said on standard error as well), so that no box waits for an
    // answer nobody will give, also one that a start-up step was about to show.
    SetDialogBackend(nullptr);
    while (QWidget* modal = QApplication::activeModalWidget()) {
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->done(QDialog::Rejected);
        else
            modal->close();
        if (QApplication::activeModalWidget() == modal)
            break;
    }
    if (mainWindow && started) {
        closingBySignal = true;
        mainWindow->CloseQuietly();
        return;
    }
    shutdownPending = true;
}
