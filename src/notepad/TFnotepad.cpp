#include "notepad/TFnotepad.h"

#include "common/Dialogs.h"
#include "common/Folders.h"
#include "common/WindowHelpers.h"
#include "dialogs/QtDialogBackend.h"
#include "notepad/Notepad.h"

#include <QAction>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScopedValueRollback>
#include <QShowEvent>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>

#include <cstdio>

namespace {
constexpr int AutoSaveInterval = 15000;
constexpr int ScrollDelay = 500;
// Where the caret goes when the window comes on screen: the end of any shorter text.
constexpr int ShowCaretPosition = 32000;
const QColor Lavender(235, 215, 255);

QPointer<TFnotepad>& slot() {
    static QPointer<TFnotepad> one;
    return one;
}

QAction* Named(QAction* action, const char* name) {
    action->setObjectName(QLatin1String(name));
    return action;
}
} // namespace

TFnotepad* TFnotepad::Instance() {
    if (!slot())
        slot() = new TFnotepad;
    return slot();
}

TFnotepad* TFnotepad::Existing() {
    return slot();
}

void TFnotepad::DestroyInstance() {
    delete slot().data();
}

TFnotepad::TFnotepad(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("TFnotepad"));
    setWindowTitle(ApplicationTitle + QStringLiteral(" - notepad"));
    resize(560, 420);
    BuildMenu();
    BuildMemo();
    BuildTimers();
    LoadNotepadText();
    Session.NotepadChanged = false;
}

TFnotepad::~TFnotepad() = default;

void TFnotepad::BuildMenu() {
    QMenuBar* bar = menuBar();
    Close1 = Named(bar->addAction(QStringLiteral("Close")), "Close1");
    Save1 = Named(bar->addAction(QStringLiteral("Save")), "Save1");
    Now1 = Named(bar->addAction(QStringLiteral("Now")), "Now1");
    Export1 = bar->addMenu(QStringLiteral("Export"));
    Export1->setObjectName(QStringLiteral("Export1"));
    toClipboard1 = Named(Export1->addAction(QStringLiteral("to Clipboard")), "toClipboard1");
    toFile1 = Named(Export1->addAction(QStringLiteral("to File")), "toFile1");
    Font1 = Named(bar->addAction(QStringLiteral("Font")), "Font1");
    End1 = Named(bar->addAction(QStringLiteral("Scroll-to-cursor")), "End1");
    Clear1 = Named(bar->addAction(QStringLiteral("Clear")), "Clear1");

    connect(Close1, &QAction::triggered, this, [this] { Close1Click(); });
    connect(Save1, &QAction::triggered, this, [this] { Save1Click(); });
    connect(Now1, &QAction::triggered, this, [this] { Now1Click(); });
    connect(toClipboard1, &QAction::triggered, this, [this] { toClipboard1Click(); });
    connect(toFile1, &QAction::triggered, this, [this] { toFile1Click(); });
    connect(Font1, &QAction::triggered, this, [this] { Font1Click(); });
    connect(End1, &QAction::triggered, this, [this] { End1Click(); });
    connect(Clear1, &QAction::triggered, this, [this] { Clear1Click(); });
}

void TFnotepad::BuildMemo() {
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setAccessibleName(QStringLiteral("Notepad"));
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setFont(NotepadQFont(Session.NotepadFont));
    QPalette pal = Memo1->palette();
    pal.setColor(QPalette::Base, Lavender);
    Memo1->setPalette(pal);
    setCentralWidget(Memo1);
    connect(Memo1, &QPlainTextEdit::textChanged, this, [this] { Memo1Change(); });
    Memo1->installEventFilter(this);
}

void TFnotepad::BuildTimers() {
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(AutoSaveInterval);
    Timer1->setTimerType(Qt::PreciseTimer); // 15 seconds, not up to 5 % either way
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(ScrollDelay);
    connect(Timer2, &QTimer::timeout, this, [this] { Timer2Timer(); });
    Timer2->start();
}

QString TFnotepad::MemoText() const {
    QStringList lines;
    for (QTextBlock block = Memo1->document()->begin(); block.isValid(); block = block.next())
        lines << block.text();
    return lines.join(QLatin1Char('\n'));
}

void TFnotepad::LoadNotepadText() {
    const std::optional<QString> text = Session.LoadNotepadText();
    if (!text)
        return;
    const QScopedValueRollback<bool> quiet(loading, true);
    Memo1->setPlainText(*text);
}

void TFnotepad::Memo1Change() {
    if (loading || !Session.MarkChanged())
        return;
    // A running timer is not restarted: typing never puts the save off.
    if (!Timer1->isActive())
        Timer1->start();
}

void TFnotepad::showEvent(QShowEvent* event) {
    // A window coming back from the task bar was on screen all along.
    if (!event->spontaneous())
        FormShow();
    QMainWindow::showEvent(event);
}

void TFnotepad::FormShow() {
    LoadNotepadText();
    Session.NotepadShown = true;
    QTextCursor cursor = Memo1->textCursor();
    cursor.setPosition(qMin(ShowCaretPosition, Memo1->document()->characterCount() - 1));
    Memo1->setTextCursor(cursor);
    // Text a failed save left unwritten is tried again as if it had just been typed.
    if (Session.NotepadChanged && !Timer1->isActive()) {
        Session.RetryLater();
        Timer1->start();
    }
    Timer2->start();
}

void TFnotepad::Timer2Timer() {
    Timer2->stop();
    Memo1->ensureCursorVisible();
}

void TFnotepad::Timer1Timer() {
    Timer1->stop();
    if (SaveNotepad() || !Session.NotepadChanged)
        return;
    // The text is still to be written: the next try comes by itself.
    Session.RetryLater();
    Timer1->start();
}

bool TFnotepad::SaveNotepad() {
    QString error;
    if (Session.SaveNotepad(MemoText(), error))
        return true;
    ShowNotepadInfo(error);
    return false;
}

void TFnotepad::closeEvent(QCloseEvent* event) {
    FormCloseQuery();
    event->accept();
}

void TFnotepad::FormCloseQuery() {
    Timer1->stop();
    Timer2->stop();
    QString error;
    if (!Session.SaveOnClose(MemoText(), error))
        ShowNotepadInfo(error);
}

void TFnotepad::CloseForExit(bool forced) {
    Timer1->stop();
    Timer2->stop();
    QString error;
    if (!Session.SaveOnClose(MemoText(), error)) {
        if (forced)
            std::fprintf(stderr, "Cardolo: %s\n",
                         qPrintable(QString(error).replace(QLatin1Char('\r'), QLatin1Char('\n'))));
        // No later save will try again: the text goes where the user can still find it.
        const QString kept = Session.NotepadChanged ? Session.RescueText(MemoText()) : QString();
        if (!forced)
            ShowNotepadInfo(kept.isEmpty() ? error
                                           : error + QStringLiteral("\rThe text is kept in ") +
                                                 QDir::toNativeSeparators(kept));
    }
    hide();
}

void TFnotepad::TakeFont(const QFont& font) {
    Memo1->setFont(font);
    Session.FontChosen(NotepadFontOf(font));
}

bool TFnotepad::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Memo1 && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        close();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TFnotepad::Close1Click() {
    close();
}

void TFnotepad::Save1Click() {
    ShowNotepadInfo(Session.SaveMessage());
}

void TFnotepad::Now1Click() {
    Memo1->insertPlainText(NotepadNowText());
}

void TFnotepad::toClipboard1Click() {
    Memo1->selectAll();
    QString text = MemoText();
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    QGuiApplication::clipboard()->setText(text);
    QTextCursor cursor = Memo1->textCursor();
    cursor.setPosition(0);
    Memo1->setTextCursor(cursor);
    FlashMessage(QStringLiteral("Exported OK"));
}

void TFnotepad::toFile1Click() {
    QString path = SaveDialogPath;
    if (!ChooseSaveFile(QStringLiteral("Save As"), QStringLiteral("Text files (*.txt)"),
                        QStringLiteral("txt"), path))
        return;
    path = ExportFileName(path);
    SaveDialogPath = path;
    QString error;
    if (!WriteNotepadText(path, MemoText(), error)) {
        ShowNotepadInfo(error);
        return;
    }
    FlashMessage(QStringLiteral("Exported OK"));
}

void TFnotepad::Font1Click() {
    QFont font = Memo1->font();
    if (!ChooseFont(font))
        return;
    Memo1->setFont(font);
    Session.FontChosen(NotepadFontOf(font));
}

void TFnotepad::End1Click() {
    Memo1->ensureCursorVisible();
}

void TFnotepad::Clear1Click() {
    if (ConfirmClearNotepad())
        Memo1->clear();
}
