#include "itemwin/TFClpBd2.h"

#include "common/Dialogs.h"
#include "common/WindowHelpers.h"
#include "dialogs/QtDialogBackend.h"
#include "itemwin/ItemWindows.h"
#include "itemwin/MemoRows.h"
#include "print/Printing.h"
#include "print/QPrinterTarget.h"
#include "print/TFPtg.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QVBoxLayout>

namespace {
QAction* NamedAction(QAction* action, const QString& name) {
    action->setObjectName(name);
    return action;
}

QString CountText(int count) {
    return QLatin1Char(' ') + QString::number(count) + QStringLiteral(" characters");
}
} // namespace

QPointer<TFClpBd2>& TFClpBd2::Slot() {
    return ItemWindowsState().Clipboard;
}

TFClpBd2::TFClpBd2(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TFClpBd2"));
    setWindowTitle(QStringLiteral("Clipboard"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint |
                   Qt::WindowCloseButtonHint);
    resize(480, 320);
    BuildMenu();
    BuildControls();
    ConnectCommands();
}

TFClpBd2::~TFClpBd2() = default;

void TFClpBd2::BuildMenu() {
    MainMenu = new QMenuBar(this);
    MainMenu->setObjectName(QStringLiteral("MainMenu"));
    Close1 = NamedAction(MainMenu->addAction(QStringLiteral("Close")), QStringLiteral("Close1"));
    Save1 = NamedAction(MainMenu->addAction(QStringLiteral("Save")), QStringLiteral("Save1"));
    Print1 = NamedAction(MainMenu->addAction(QStringLiteral("Print")), QStringLiteral("Print1"));
    Font1 = NamedAction(MainMenu->addAction(QStringLiteral("Font")), QStringLiteral("Font1"));
}

void TFClpBd2::BuildControls() {
    // Behind the memo, with no size of its own: the window's cancel button, where the focus rests
    // after an export so that Esc closes the window at once.
    EscBtn = new QPushButton(this);
    EscBtn->setObjectName(QStringLiteral("EscBtn"));
    EscBtn->setAccessibleName(QStringLiteral("Close"));
    EscBtn->setAutoDefault(false);
    EscBtn->setFixedSize(0, 0);
    EscBtn->move(0, 0);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setAccessibleName(QStringLiteral("Exported list"));
    Memo1->setFrameShape(QFrame::NoFrame);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    QFont courier(QStringLiteral("Courier New"), 8);
    courier.setStyleHint(QFont::TypeWriter);
    Memo1->setFont(courier);
    QPalette pal = Memo1->palette();
    pal.setColor(QPalette::Base, Qt::white);
    Memo1->setPalette(pal);

    Panel1 = new QLabel(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setAccessibleDescription(QStringLiteral("Status line"));
    Panel1->setTextFormat(Qt::PlainText);
    Panel1->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    Panel1->setFrameShape(QFrame::Panel);
    Panel1->setFrameShadow(QFrame::Sunken);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(MainMenu);
    layout->addWidget(Memo1, 1);
    layout->addWidget(Panel1);
    EscBtn->lower();
    // The invisible cancel button comes after the list it is made before.
    setTabOrder(Memo1, EscBtn);
}

void TFClpBd2::ConnectCommands() {
    connect(Close1, &QAction::triggered, this, [this] { Close1Click(); });
    connect(Save1, &QAction::triggered, this, [this] { Save1Click(); });
    connect(Print1, &QAction::triggered, this, [this] { Print1Click(); });
    connect(Font1, &QAction::triggered, this, [this] { Font1Click(); });
    connect(EscBtn, &QPushButton::clicked, this, [this] { EscBtnClick(); });
    Memo1->installEventFilter(this);
}

void TFClpBd2::showEvent(QShowEvent* event) {
    // Only a show asked for by the program: a window coming back from the task bar was on
    // screen all along and keeps what it shows.
    if (!event->spontaneous())
        FormShow();
    QDialog::showEvent(event);
}

void TFClpBd2::FormShow() {
    Memo1->setPlainText(QGuiApplication::clipboard()->text());
    ShowCount(int(WholeText().size()));
}

void TFClpBd2::ShowClipboardWindow() {
    ShowRestored(this);
}

void TFClpBd2::BeginExport() {
    ShowClipboardWindow();
    Memo1->clear();
}

void TFClpBd2::AppendExportLines(QStringList lines) {
    // Every line is followed by its line break, so an empty line still makes a line of its own
    // and the memo ends after the last line's break, as the text on the clipboard does. All of
    // them go in at once, as one edit that is not kept to be undone: an export of many
    // thousand lines is held once as lines, once as the memo's text, not more.
    qsizetype size = 0;
    for (const QString& line : lines)
        size += line.size() + 1;
    QString text;
    text.reserve(size);
    for (const QString& line : lines)
        text += line + QLatin1Char('\n');
    lines = QStringList();
    QTextDocument* doc = Memo1->document();
    const bool undo = doc->isUndoRedoEnabled();
    doc->setUndoRedoEnabled(false);
    QTextCursor cursor(doc);
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(text);
    doc->setUndoRedoEnabled(undo);
}
void TFClpBd2::FinishExport() {
    QGuiApplication::clipboard()->setText(WholeText());
    QTextCursor cursor = Memo1->textCursor();
    cursor.clearSelection();
    Memo1->setTextCursor(cursor);
    EscBtn->setFocus();
}

void TFClpBd2::ExportDataset(const ExportTable& table, const QString& title,
                             const QString& secondTitle, bool withTitles) {
    ExportText text = ComposeExport(table, title, secondTitle, withTitles);
    BeginExport();
    AppendExportLines(std::move(text.Lines));
    FinishExport();
    ShowCount(text.Count);
}

QString TFClpBd2::WholeText() const {
    // The blocks one after another into one text, without a list of them all on the way.
    const QTextDocument* doc = Memo1->document();
    QString text;
    text.reserve(doc->characterCount() + doc->blockCount());
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        if (block != doc->begin())
            text += QStringLiteral("\r\n");
        text += block.text();
    }
    return text;
}

void TFClpBd2::ShowCount(int count) {
    Panel1->setText(CountText(count));
}

void TFClpBd2::Close1Click() {
    close();
}

void TFClpBd2::EscBtnClick() {
    close();
}

void TFClpBd2::Save1Click() {
    QString path = SaveDialogPath;
    if (!ChooseSaveFile(QStringLiteral("Save As"), QStringLiteral("Text files (*.txt *.TXT)"),
                        QStringLiteral("TXT"), path))
        return;
    SaveDialogPath = path;
    QString error;
    if (!WriteExportFile(path, WholeText(), error))
        ShowInfo(error);
}

void TFClpBd2::Print1Click() {
    if (DisplayedRows(Memo1).isEmpty())
        return;
    if (!TFPtg::Instance()->ExecuteSetup())
        return;
    // With word wrap on, a line wider than the memo prints as the rows it takes on screen.
    const QStringList rows = DisplayedRows(Memo1);
    const PrintFont font = PrintFontOf(Memo1->font());
    RunPrintJob([&](LinePrinter& printer) {
        printer.SetPrintFont(font);
        for (const QString& row : rows)
            printer.PrintLine(row);
    });
}

void TFClpBd2::Font1Click() {
    QFont font = FontDialogChoice;
    if (!ChooseFont(font))
        return;
    FontDialogChoice = font;
    Memo1->setFont(font);
}

bool TFClpBd2::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Memo1 && event->type() == QEvent::KeyPress &&
        Memo1KeyPress(static_cast<QKeyEvent*>(event)->key()))
        return true;
    return QDialog::eventFilter(watched, event);
}

bool TFClpBd2::Memo1KeyPress(int key) {
    if (key != Qt::Key_Escape)
        return false;
    close();
    return true;
}
