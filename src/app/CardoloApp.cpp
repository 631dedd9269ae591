#include "app/CardoloApp.h"

#include "app/ImportCommand.h"
#include "common/Busy.h"
#include "common/Dialogs.h"
#include "common/Folders.h"
#include "common/Settings.h"
#include "common/SingleInstanceGuard.h"
#include "common/WindowHelpers.h"
#include "common/WorkProgress.h"
#include "calendar/TFCal.h"
#include "dialogs/DialogWindows.h"
#include "dialogs/QtDialogBackend.h"
#include "diary/Diary.h"
#include "itemwin/ItemWindows.h"
#include "listwin/TFAddsBk.h"
#include "notepad/Notepad.h"
#include "print/Printing.h"
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

CardoloApp::CardoloApp() = default;

CardoloApp::~CardoloApp() {
    // A copy under way is abandoned before the database closes.
    dailyBackup.reset();
    // The diary, made when first opened, goes before the item windows it opens.
    DestroyDiaryWindow();
    DestroyNotepad();
    DestroyHealthCheckWindow();
    DestroyItemWindows();
    DestroyPrintWindows();
    delete mainWindow;
    SetDialogBackend(nullptr);
    // The windows that show messages and pick dates go last: every window above may still call
    // on them until it is gone.
    TFCal::DestroyInstance();
    DestroyDialogWindows();
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
    connect(mainWindow, &TFAddsBk::Closed, this, [this] { CloseNotepadForExit(closingBySignal); });
    // A health check scan running under the events it lets through would keep the program
    // alive after its windows are gone: it stops at its next chunk of rows.
    connect(mainWindow, &TFAddsBk::Closed, this, [] { StopHealthCheck(); });
    // A backup under way is abandoned at once: exit never waits for it.
    connect(mainWindow, &TFAddsBk::Closed, this, [this] {
        if (dailyBackup)
            dailyBackup->Stop();
    });
    connect(mainWindow, &TFAddsBk::Closed, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    CreateDialogWindows();
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
