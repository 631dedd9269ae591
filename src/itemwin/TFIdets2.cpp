#include "itemwin/TFIdets2.h"

#include "calendar/DateText.h"
#include "common/CommonState.h"
#include "common/Dialogs.h"
#include "common/Settings.h"
#include "common/WindowHelpers.h"
#include "dialogs/QtDialogBackend.h"
#include "itemwin/ItemPage.h"
#include "itemwin/ItemWindows.h"
#include "itemwin/MemoRows.h"
#include "itemwin/PageDrag.h"
#include "itemwin/PageMenu.h"
#include "itemwin/PageSizing.h"
#include "notepad/Notepad.h"
#include "store/CommandGuard.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QGuiApplication>
#include <QClipboard>
#include <QShortcut>
#include <QScopeGuard>
#include <QScopedValueRollback>
#include <QScreen>
#include <QStyle>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextOption>
#include <QTimer>
#include <QVBoxLayout>

#include <initializer_list>

namespace {
constexpr int MarginSize = 10;
constexpr int CornerStripWidth = 13;
constexpr int AutoSaveInterval = 30000;

QFrame* MakePanel(const QString& name, QWidget* parent) {
    auto* panel = new QFrame(parent);
    panel->setObjectName(name);
    panel->setAutoFillBackground(true);
    return panel;
}

// The corner strip and the Ref badge: a click in them edits the Ref.
void OpensRefEditor(QWidget* w) {
    w->setCursor(Qt::PointingHandCursor);
    w->setToolTip(QStringLiteral("Item Reference"));
    w->setAccessibleDescription(QStringLiteral("Item Reference; click to edit it"));
}

void SetBackground(QWidget* w, const QColor& colour) {
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, colour);
    pal.setColor(QPalette::Base, colour);
    w->setPalette(pal);
}
} // namespace

QPointer<TFIdets2>& TFIdets2::Slot() {
    return ItemWindowsState().Text;
}

TFIdets2::TFIdets2(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TFIdets2"));
    // Seen only when minimised: the title bar is removed, the sizing border stays.
    setWindowTitle(QStringLiteral("00"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint);

    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        AutosizeMaxWidth = screen->geometry().width() * 2 / 3;
        AutosizeMaxHeight = screen->geometry().height() * 3 / 4;
    }
    BuildPage();
    BuildBadge();
    BuildTimer();
    BuildMenu();
    ConnectPage();
    Session.SetItemWritten([this](ItemId id) { ItemFieldsWritten(id, this); });

    // The notepad's font, which npad.ini keeps for both windows.
    SetPageFont(StoredNotepadFont());
    ApplyPageColours();
    resize(MinimumPageWidth + PageFrameExtra, 200);
}

TFIdets2::~TFIdets2() = default;

void TFIdets2::BuildPage() {
    Panel1 = MakePanel(QStringLiteral("Panel1"), this);
    Panel1->setFrameShape(QFrame::Panel);
    Panel1->setFrameShadow(QFrame::Sunken);
    Panel1->setLineWidth(2);
    Panel2 = MakePanel(QStringLiteral("Panel2"), Panel1);
    Panel5 = MakePanel(QStringLiteral("Panel5"), Panel1);
    Panel3 = MakePanel(QStringLiteral("Panel3"), Panel1);
    Panel4 = MakePanel(QStringLiteral("Panel4"), Panel1);
    for (QFrame* margin : {Panel2, Panel5})
        margin->setFixedHeight(MarginSize);
    for (QFrame* margin : {Panel3, Panel4})
        margin->setFixedWidth(MarginSize);
    Panel6 = MakePanel(QStringLiteral("Panel6"), Panel2);
    Panel6->setFixedWidth(CornerStripWidth);
    OpensRefEditor(Panel6);
    Panel6->setAccessibleName(QStringLiteral("Ref"));

    Memo1 = new QPlainTextEdit(Panel1);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setAccessibleName(QStringLiteral("Text"));
    Memo1->setFrameShape(QFrame::NoFrame);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->setContextMenuPolicy(Qt::CustomContextMenu);
    Memo1->setTabChangesFocus(!AppSettings().WantTabs);

    auto* top = new QHBoxLayout(Panel2);
    top->setContentsMargins(0, 0, 0, 0);
    top->addStretch(1);
    top->addWidget(Panel6);
    auto* grid = new QGridLayout(Panel1);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    grid->addWidget(Panel2, 0, 0, 1, 3);
    grid->addWidget(Panel3, 1, 0);
    grid->addWidget(Memo1, 1, 1);
    grid->addWidget(Panel4, 1, 2);
    grid->addWidget(Panel5, 2, 0, 1, 3);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(Panel1);
}

void TFIdets2::BuildBadge() {
    Panel7 = MakePanel(QStringLiteral("Panel7"), this);
    OpensRefEditor(Panel7);
    Label1 = new QLabel(Panel7);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setTextFormat(Qt::PlainText);
    OpensRefEditor(Label1);
    auto* badge = new QHBoxLayout(Panel7);
    badge->setContentsMargins(0, 0, 0, 0);
    badge->addWidget(Label1);
    Panel7->hide();
}

void TFIdets2::BuildTimer() {
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(AutoSaveInterval);
    connect(Timer1, &QTimer::timeout, this, [this] {
        // A question about a field saved in both windows may be up; its answer writes.
        if (autoSaving || AskingAboutConflict())
            return;
        const QScopedValueRollback<bool> busy(autoSaving, true);
        RunCommand([this] { Timer1Timer(); });
    });
}

void TFIdets2::BuildMenu() {
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    justification = BuildPageMenu(this, PopupMenu1);
    Left1->setChecked(true);
    Wanttabs1->setChecked(AppSettings().WantTabs);
    Undochanges1->setEnabled(false);
}

void TFIdets2::ConnectPage() {
    connect(Memo1, &QPlainTextEdit::textChanged, this, [this] { MarkPageChanged(); });
    connect(Memo1, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        PopupMenu1Popup();
        PopupMenu1->popup(Memo1->mapToGlobal(pos));
    });
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
                if (state != Qt::ApplicationActive)
                    PaintPage(Qt::white, Qt::white);
                else if (isActiveWindow())
                    ApplyPageColours();
            });
    Memo1->installEventFilter(this);
    Label1->installEventFilter(this);
    Panel6->installEventFilter(this);
    // The key every editor has: Ctrl+S saves the page now, as the automatic save would, but
    // asking about a field the details window saved meanwhile.
    auto* save = new QShortcut(QKeySequence::Save, this);
    save->setObjectName(QStringLiteral("SaveShortcut"));
    connect(save, &QShortcut::activated, this, [this] { RunCommand([this] { SaveItemText(); }); });
    // The page is also the window's handle: a drag in it moves the window.
    drag = new PageDrag(this, Memo1->viewport());
}

void TFIdets2::SetPageFont(const QFont& font) {
    Memo1->setFont(font);
    // A TAB moves on by the width it is measured as when the window sizes itself.
    Memo1->setTabStopDistance(QFontMetrics(font).horizontalAdvance(QLatin1String(TabMeasureText)));
    QFont italic = font;
    italic.setItalic(true);
    Label1->setFont(italic);
}

QStringList TFIdets2::PageLines() const {
    return MemoLines(Memo1);
}

int TFIdets2::LineHeight() const {
    return QFontMetrics(Memo1->font()).lineSpacing();
}

void TFIdets2::SetPageText(const QStringList& lines) {
    Memo1->setPlainText(lines.join(QLatin1Char('\n')));
}

void TFIdets2::ShowSessionPage(const QStringList& lines) {
    const QTextCursor caret = Memo1->textCursor();
    const int line = caret.blockNumber();
    const int column = caret.positionInBlock();
    {
        const QScopedValueRollback<bool> loading(LoadingPage, true);
        SetPageText(lines);
    }
    const QTextDocument* doc = Memo1->document();
    const QTextBlock block = doc->findBlockByNumber(qMin(line, doc->blockCount() - 1));
    QTextCursor cursor(block);
    cursor.setPosition(block.position() + qMin(column, block.length() - 1));
    Memo1->setTextCursor(cursor);
    UpdateScrollBar();
}

bool TFIdets2::OpenItemText(ItemId request) {
    // The page on show is saved first; when that fails the window stays on it, unchanged.
    const bool wasReady = PageReady;
    auto keepPage = qScopeGuard([this, wasReady] { PageReady = wasReady; });
    PageReady = false;
    // A question about a field saved from elsewhere, cancelled: the page stays as typed.
    if (!SaveItemText())
        return false;
    if (request.Value() < 0 && isVisible()) {
        close();
        // Kept open by the user's answer: the old page stays and nothing new is made.
        if (isVisible())
            return false;
    }
    if (!Session.Open(request, request.Value() == -2 ? NowStamp() : QString()))
        return false;
    keepPage.dismiss();

    Timer1->stop();
    Undochanges1->setEnabled(false);
    {
        const QScopedValueRollback<bool> loading(LoadingPage, true);
        {
            const QScopedValueRollback<bool> wrapping(Common().LoadingItemText, true);
            Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
            AutosizeItemText();
            Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
        }
        SetPageText(BuiltPage);
        Memo1->moveCursor(QTextCursor::Start);
        ApplyPageColours();
    }
    PageReady = true;

    resize(width() + 1, height());
    UpdateScrollBar();
    PlaceRefBadge();

    if (Session.TextItemKind() == ItemTextSession::ItemKind::Existing) {
        ShowRestored(this);
        Memo1->setFocus();
    } else {
        Memo1->setFocus();
        exec();
    }
    return true;
}

bool TFIdets2::NewItemText(int request, ItemId& id) {
    id = ItemId(-1);
    if (!OpenItemText(ItemId(request == -2 ? -2 : -1)))
        return false;
    // Deleted from the window (id 0) or discarded (-1): no item to link or list.
    id = Session.TextItemId();
    return id.IsValid();
}

void TFIdets2::AutosizeItemText() {
    SaveItemText();
    ItemRecord record;
    BuiltPage.clear();
    if (LocateItem(Session.TextItemId(), record))
        BuiltPage = BuildItemPage(record.Name, record.Text);

    const QFontMetrics fm(Memo1->font());
    const PageWidth width = MeasurePageWidth(
        BuiltPage, [&fm](const QString& line) { return fm.horizontalAdvance(line); },
        fm.horizontalAdvance(QLatin1String(TabMeasureText)), AutosizeMaxWidth);
    if (width.WordWrap)
        Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    const PageHeight height =
        MeasurePageHeight(int(BuiltPage.size()), LineHeight(), AutosizeMaxHeight);
    Memo1->setVerticalScrollBarPolicy(height.ScrollBar ? Qt::ScrollBarAlwaysOn
                                                       : Qt::ScrollBarAlwaysOff);
    const int margin = MemoMarginWidth(Memo1);
    const int scrollBarWidth = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, Memo1);
    int clientWidth = PageClientWidth(width.Width, margin, scrollBarWidth, height.ScrollBar);
    resize(clientWidth, height.ClientHeight);
    const int marginAfter = qMax(MemoMarginWidth(Memo1), 0);
    if (marginAfter != qMax(margin, 0)) {
        clientWidth += marginAfter - qMax(margin, 0);
        resize(clientWidth, height.ClientHeight);
    }
}

void TFIdets2::ResizeToPage() {
    const QScopedValueRollback<bool> loading(LoadingPage, true);
    AutosizeItemText();
}

void TFIdets2::UpdateScrollBar() {
    const QTextDocument* doc = Memo1->document();
    const int clientHeight = Memo1->viewport()->height() - int(2 * doc->documentMargin());
    const bool need = PageNeedsScrollBar(clientHeight, DisplayedRowCount(Memo1), LineHeight());
    const bool shown = Memo1->verticalScrollBarPolicy() == Qt::ScrollBarAlwaysOn;
    if (need == shown)
        return;
    const int caret = Memo1->textCursor().position();
    Memo1->setVerticalScrollBarPolicy(need ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    QTextCursor cursor = Memo1->textCursor();
    cursor.setPosition(caret);
    Memo1->setTextCursor(cursor);
}

void TFIdets2::MarkPageChanged() {
    if (LoadingPage)
        return;
    UpdateScrollBar();
    if (!Session.Typed())
        return;
    if (!Timer1->isActive())
        Timer1->start();
    Undochanges1->setEnabled(true);
}

void TFIdets2::Timer1Timer() {
    Timer1->stop();
    // Also after a failed save: the page is still changed, and the next tick tries again. Not
    // while the database takes no writes at all (read-only or damaged): the refusal is said
    // once, and the page waits for the user's own save or the window's close, which say it
    // again, instead of a message every interval.
    const auto restart = qScopeGuard([this] {
        if (PhoneDBWriteRefusal() == WriteRefusal::None)
            Timer1->start();
    });
    // No question from a timer tick, which could come in the middle of typing: a field that
    // the details window saved after this page read it, and that the page changed too, is left
    // unsaved, and the page stays changed. The user's own save (closing with Yes, moving to
    // another item) asks which version to keep; the other fields are saved as usual meanwhile.
    SaveItemText(ConflictRule::LeaveUnsaved);
}

bool TFIdets2::SaveItemText(ConflictRule rule) {
    if (!Session.ChangedSinceSave())
        return true;
    Timer1->stop();
    Session.Save(PageLines(), rule);
    if (const auto page = Session.TakeNewPage())
        ShowSessionPage(*page);
    PlaceRefBadge();
    if (!Session.ChangedSinceSave())
        return true;
    Timer1->start();
    return false;
}

void TFIdets2::StoredItemChanged(ItemId id) {
    if (!isVisible())
        return;
    if (const auto page = Session.StoredItemChanged(id, PageLines()))
        ShowSessionPage(*page);
    PlaceRefBadge();
}

void TFIdets2::PlaceRefBadge() {
    BadgeColour = PageBackground;
    ApplyPageColours();
    Panel7->setVisible(!Session.PageRef().isEmpty());
    if (Session.PageRef().isEmpty())
        return;
    Label1->setText(QStringLiteral("  ") + Session.PageRef() + QStringLiteral("  "));
    Panel7->adjustSize();
    Panel7->move(width() - Panel7->width(), 0);
    Panel7->raise();
}

void TFIdets2::PaintPage(const QColor& page, const QColor& strip) {
    for (QWidget* w : std::initializer_list<QWidget*>{Panel1, Panel2, Panel3, Panel4, Panel5,
                                                      Panel7, Label1, Memo1})
        SetBackground(w, page);
    SetBackground(Panel6, strip);
}

void TFIdets2::ApplyPageColours() {
    PaintPage(PageBackground,
              PageBackground == QColor(Qt::white) ? QColor(Qt::white) : BadgeColour);
}

bool TFIdets2::CloseForExit(bool forced) {
    Timer1->stop();
    if (Session.CloseForExit(PageLines(), forced) == ItemTextSession::CloseOutcome::Stay) {
        // The page stays on screen, still marked changed: the user can try again or copy it.
        ShowRestored(this);
        Timer1->start();
        return false;
    }
    drag->Stop();
    if (isVisible())
        done(QDialog::Rejected);
    return true;
}

bool TFIdets2::FormCloseQuery() {
    Timer1->stop();
    const auto outcome = Session.CloseQuery(PageLines());
    if (outcome == ItemTextSession::CloseOutcome::Stay) {
        if (Session.ChangedSinceSave())
            Timer1->start();
        return false;
    }
    if (outcome == ItemTextSession::CloseOutcome::CloseShowingUndo) {
        const QScopedValueRollback<bool> loading(LoadingPage, true);
        SetPageText(Session.UndoPage());
    }
    return true;
}

void TFIdets2::closeEvent(QCloseEvent* event) {
    bool allowed = false;
    // An engine error while saving keeps the window, and what it shows, open.
    if (!RunCommand([&] { allowed = FormCloseQuery(); }) && Session.ChangedSinceSave())
        Timer1->start();
    if (!allowed) {
        event->ignore();
        return;
    }
    drag->Stop();
    event->accept();
    QDialog::done(QDialog::Rejected);
}

void TFIdets2::reject() {
    close();
}

void TFIdets2::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    UpdateScrollBar();
    PlaceRefBadge();
}

void TFIdets2::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    if (!PageReady)
        return;
    UpdateScrollBar();
    PlaceRefBadge();
}

void TFIdets2::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() != QEvent::ActivationChange)
        return;
    // Inactive, the page turns white for the time being; its own colours come back with focus.
    if (isActiveWindow())
        ApplyPageColours();
    else
        PaintPage(Qt::white, Qt::white);
}

bool TFIdets2::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (watched == Memo1 && type == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        close();
        return true;
    }
    if ((watched == Label1 || watched == Panel6) && type == QEvent::MouseButtonPress) {
        RunCommand([this] { ItemReference1Click(); });
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
