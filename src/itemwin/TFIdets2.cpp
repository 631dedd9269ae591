#include "itemwin/TFIdets2.h"

#include "common/Dialogs.h"
#include "common/Settings.h"
#include "calendar/DateText.h"
#include "dialogs/QtDialogBackend.h"
#include "store/CommandGuard.h"
#include "itemwin/ItemPage.h"
#include "itemwin/ItemWindows.h"
#include "itemwin/MemoRows.h"
#include "itemwin/PageFontFile.h"
#include "itemwin/PageSizing.h"
#include "itemwin/RescueFile.h"
#include "store/ItemFields.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScopeGuard>
#include <QScopedValueRollback>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QTextDocument>
#include <QTextOption>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include <cstdio>

namespace {
TFIdets2* TheInstance = nullptr;

constexpr int MarginSize = 10;
constexpr int CornerStripWidth = 13;
constexpr int AutoSaveInterval = 30000;

QFrame* MakePanel(const QString& name, QWidget* parent) {
    auto* panel = new QFrame(parent);
    panel->setObjectName(name);
    panel->setAutoFillBackground(true);
    return panel;
}

void SetBackground(QWidget* w, const QColor& colour) {
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, colour);
    pal.setColor(QPalette::Base, colour);
    w->setPalette(pal);
}

QFont FontFromSpec(const PageFontSpec& desc) {
    QFont font(desc.Name, desc.Size);
    font.setBold(desc.Bold);
    font.setItalic(desc.Italic);
    font.setUnderline(desc.Underline);
    font.setStrikeOut(desc.StrikeOut);
    return font;
}
} // namespace

TFIdets2* TFIdets2::Instance() {
    if (!TheInstance)
        TheInstance = new TFIdets2;
    return TheInstance;
}

TFIdets2* TFIdets2::Existing() {
    return TheInstance;
}

void TFIdets2::DestroyInstance() {
    delete TheInstance;
    TheInstance = nullptr;
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

    Panel1 = MakePanel(QStringLiteral("Panel1"), this);
    Panel1->setFrameShape(QFrame::Panel);
    Panel1->setFrameShadow(QFrame::Sunken);
    Panel1->setLineWidth(2);
    Panel2 = MakePanel(QStringLiteral("Panel2"), Panel1);
    Panel2->setFixedHeight(MarginSize);
    Panel5 = MakePanel(QStringLiteral("Panel5"), Panel1);
    Panel5->setFixedHeight(MarginSize);
    Panel3 = MakePanel(QStringLiteral("Panel3"), Panel1);
    Panel3->setFixedWidth(MarginSize);
    Panel4 = MakePanel(QStringLiteral("Panel4"), Panel1);
    Panel4->setFixedWidth(MarginSize);
    Panel6 = MakePanel(QStringLiteral("Panel6"), Panel2);
    Panel6->setFixedWidth(CornerStripWidth);
    Panel6->setCursor(Qt::PointingHandCursor);
    Panel6->setToolTip(QStringLiteral("Item Reference"));

    Memo1 = new QPlainTextEdit(Panel1);
    Memo1->setObjectName(QStringLiteral("Memo1"));
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

    Panel7 = MakePanel(QStringLiteral("Panel7"), this);
    Panel7->setCursor(Qt::PointingHandCursor);
    Panel7->setToolTip(QStringLiteral("Item Reference"));
    Label1 = new QLabel(Panel7);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setTextFormat(Qt::PlainText);
    Label1->setCursor(Qt::PointingHandCursor);
    Label1->setToolTip(QStringLiteral("Item Reference"));
    auto* badge = new QHBoxLayout(Panel7);
    badge->setContentsMargins(0, 0, 0, 0);
    badge->addWidget(Label1);
    Panel7->hide();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(AutoSaveInterval);
    connect(Timer1, &QTimer::timeout, this, [this] {
        if (autoSaving)
            return;
        const QScopedValueRollback<bool> busy(autoSaving, true);
        RunCommand([this] { Timer1Timer(); });
    });

    BuildMenu();
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
    Memo1->viewport()->installEventFilter(this);
    Label1->installEventFilter(this);
    Panel6->installEventFilter(this);

    SetPageFont(FontFromSpec(ReadPageFontSpec(PageFontFilePath())));
    ApplyPageColours();
    resize(MinimumPageWidth + PageFrameExtra, 200);
}

TFIdets2::~TFIdets2() {
    if (TheInstance == this)
        TheInstance = nullptr;
}

void TFIdets2::BuildMenu() {
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    auto add = [this](QMenu* menu, const QString& name, const QString& caption,
                      void (TFIdets2::*handler)()) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(name);
        if (handler)
            connect(a, &QAction::triggered, this,
                    [this, handler] { RunCommand([this, handler] { (this->*handler)(); }); });
        return a;
    };
    Now1 = add(PopupMenu1, QStringLiteral("Now1"), QStringLiteral("Now"), &TFIdets2::Now1Click);
    ItemReference1 = add(PopupMenu1, QStringLiteral("ItemReference1"),
                         QStringLiteral("Item Reference"), &TFIdets2::ItemReference1Click);
    Itemdetails1 = add(PopupMenu1, QStringLiteral("Itemdetails1"), QStringLiteral("Item details"),
                       &TFIdets2::Itemdetails1Click);
    PopupMenu1->addSeparator();
    QMenu* formatting = PopupMenu1->addMenu(QStringLiteral("Formatting"));
    Pen1 = add(formatting, QStringLiteral("Pen1"), QStringLiteral("Colour - text"),
               &TFIdets2::Pen1Click);
    Paper1 = add(formatting, QStringLiteral("Paper1"), QStringLiteral("Colour - background "),
                 &TFIdets2::Paper1Click);
    Font1 = add(formatting, QStringLiteral("Font1"), QStringLiteral("Font"), &TFIdets2::Font1Click);
    QMenu* justify = formatting->addMenu(QStringLiteral("Justify"));
    justification = new QActionGroup(this);
    Left1 = add(justify, QStringLiteral("Left1"), QStringLiteral("Left"), nullptr);
    Centre1 = add(justify, QStringLiteral("Centre1"), QStringLiteral("Centre"), nullptr);
    Right1 = add(justify, QStringLiteral("Right1"), QStringLiteral("Right"), nullptr);
    for (QAction* a : {Left1, Centre1, Right1}) {
        a->setCheckable(true);
        justification->addAction(a);
    }
    Left1->setChecked(true);
    connect(Left1, &QAction::triggered, this, [this] { SetJustification(Qt::AlignLeft); });
    connect(Centre1, &QAction::triggered, this, [this] { SetJustification(Qt::AlignHCenter); });
    connect(Right1, &QAction::triggered, this, [this] { SetJustification(Qt::AlignRight); });
    Wanttabs1 = add(formatting, QStringLiteral("Wanttabs1"), QStringLiteral("Want tabs"),
                    &TFIdets2::Wanttabs1Click);
    Wanttabs1->setCheckable(true);
    Wanttabs1->setChecked(AppSettings().WantTabs);
    QMenu* options = formatting->addMenu(QStringLiteral("Options"));
    maxh1 = add(options, QStringLiteral("maxh1"), QStringLiteral("Autosize max form height"),
                &TFIdets2::maxh1Click);
    maxw1 = add(options, QStringLiteral("maxw1"), QStringLiteral("Autosize max form width"),
                &TFIdets2::maxw1Click);
    WidthNowMnu =
        add(options, QStringLiteral("WidthNowMnu"), QStringLiteral("Form width now"), nullptr);
    Refresh1 = add(PopupMenu1, QStringLiteral("Refresh1"), QStringLiteral("Refresh"),
                   &TFIdets2::Refresh1Click);
    Selectall1 = add(PopupMenu1, QStringLiteral("Selectall1"), QStringLiteral("Export page"),
                     &TFIdets2::Selectall1Click);
    PopupMenu1->addSeparator();
    Undochanges1 = add(PopupMenu1, QStringLiteral("Undochanges1"), QStringLiteral("Undo changes"),
                       &TFIdets2::Undochanges1Click);
    Undochanges1->setEnabled(false);
    Clear1 = add(PopupMenu1, QStringLiteral("Clear1"), QStringLiteral("Clear text"),
                 &TFIdets2::Clear1Click);
    PopupMenu1->addSeparator();
    DeleteItem1 = add(PopupMenu1, QStringLiteral("DeleteItem1"), QStringLiteral("Delete Item"),
                      &TFIdets2::DeleteItem1Click);
    PopupMenu1->addSeparator();
    Minimize1 = add(PopupMenu1, QStringLiteral("Minimize1"), QStringLiteral("Minimize"),
                    &TFIdets2::Minimize1Click);
    Exit2 =
        add(PopupMenu1, QStringLiteral("Exit2"), QStringLiteral("Close"), &TFIdets2::Exit2Click);
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

void TFIdets2::ShowRestored() {
    if (isMinimized())
        showNormal();
    else
        show();
    raise();
    activateWindow();
}

bool TFIdets2::OpenItemText(ItemId request) {
    // The page on show is saved first; when that fails the window stays on it, unchanged.
    const bool wasReady = PageReady;
    auto keepPage = qScopeGuard([this, wasReady] { PageReady = wasReady; });
    PageReady = false;
    SaveItemText();
    if (request < 0 && isVisible()) {
        close();
        // Kept open by the user's answer: the old page stays and nothing new is made.
        if (isVisible())
            return false;
    }
    if (!Session.Open(request, request == -2 ? NowStamp() : QString()))
        return false;
    keepPage.dismiss();

    Timer1->stop();
    Undochanges1->setEnabled(false);
    {
        const QScopedValueRollback<bool> loading(LoadingPage, true);
        {
            const QScopedValueRollback<bool> wrapping(LoadingItemText, true);
            Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
            AutosizeItemText();
            Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
        }
        SetPageText(BuiltPage);
        Memo1->moveCursor(QTextCursor::Start);
        UndoPage = BuiltPage;
        ApplyPageColours();
    }
    PageReady = true;

    resize(width() + 1, height());
    UpdateScrollBar();
    PlaceRefBadge();

    if (TextItemKind == 'E') {
        ShowRestored();
        Memo1->setFocus();
    } else {
        Memo1->setFocus();
        exec();
    }
    return true;
}

bool TFIdets2::NewItemText(int request, ItemId& id) {
    id = -1;
    if (!OpenItemText(request == -2 ? -2 : -1))
        return false;
    // Deleted from the window (id 0) or discarded (-1): no item to link or list.
    id = TextItemId;
    return id > 0;
}

void TFIdets2::AutosizeItemText() {
    SaveItemText();
    ItemRecord record;
    BuiltPage.clear();
    if (LocateItem(TextItemId, record))
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
    if (!Session.MarkChanged())
        return;
    if (!Timer1->isActive())
        Timer1->start();
    Undochanges1->setEnabled(true);
}

void TFIdets2::Timer1Timer() {
    Timer1->stop();
    // Also after a failed save: the page is still changed, and the next tick tries again.
    const auto restart = qScopeGuard([this] { Timer1->start(); });
    SaveItemText();
}

void TFIdets2::SaveItemText() {
    if (!ChangedSinceSave)
        return;
    Timer1->stop();
    Session.Save(PageLines());
}

void TFIdets2::PlaceRefBadge() {
    BadgeColour = PageBackground;
    PaintPage(PageBackground,
              PageBackground == QColor(Qt::white) ? QColor(Qt::white) : BadgeColour);
    Panel7->setVisible(!PageRef.isEmpty());
    if (PageRef.isEmpty())
        return;
    Label1->setText(QStringLiteral("  ") + PageRef + QStringLiteral("  "));
    Panel7->adjustSize();
    Panel7->move(width() - Panel7->width(), 0);
    Panel7->raise();
}

void TFIdets2::PaintPage(const QColor& page, const QColor& strip) {
    for (QWidget* w : {static_cast<QWidget*>(Panel1), static_cast<QWidget*>(Panel2),
                       static_cast<QWidget*>(Panel3), static_cast<QWidget*>(Panel4),
                       static_cast<QWidget*>(Panel5), static_cast<QWidget*>(Panel7),
                       static_cast<QWidget*>(Label1), static_cast<QWidget*>(Memo1)})
        SetBackground(w, page);
    SetBackground(Panel6, strip);
}

void TFIdets2::ApplyPageColours() {
    PaintPage(PageBackground,
              PageBackground == QColor(Qt::white) ? QColor(Qt::white) : BadgeColour);
}

void TFIdets2::Now1Click() {
    Memo1->insertPlainText(NowStamp());
}

void TFIdets2::ItemReference1Click() {
    QString ref = PageRef;
    if (!PromptText(QStringLiteral("Item Reference"), ref))
        return;
    PageRef = ref;
    MarkPageChanged();
    PlaceRefBadge();
}

void TFIdets2::Itemdetails1Click() {
    ShowItemDetails(TextItemId);
}

void TFIdets2::Pen1Click() {
    QColor colour = Memo1->palette().color(QPalette::Text);
    if (!ChooseColour(colour))
        return;
    QPalette pal = Memo1->palette();
    pal.setColor(QPalette::Text, colour);
    Memo1->setPalette(pal);
}

void TFIdets2::Paper1Click() {
    QColor colour = PageBackground;
    if (!ChooseColour(colour))
        return;
    PageBackground = colour;
    ApplyPageColours();
}

void TFIdets2::Font1Click() {
    QFont font = Memo1->font();
    if (!ChooseFont(font))
        return;
    SetPageFont(font);
    if (ItemHooks().PageFontChanged)
        ItemHooks().PageFontChanged(font);
    {
        const QScopedValueRollback<bool> loading(LoadingPage, true);
        AutosizeItemText();
    }
    PlaceRefBadge();
}

void TFIdets2::SetJustification(Qt::Alignment alignment) {
    QTextOption option = Memo1->document()->defaultTextOption();
    option.setAlignment(alignment);
    Memo1->document()->setDefaultTextOption(option);
    Memo1->viewport()->update();
}

void TFIdets2::Wanttabs1Click() {
    const bool on = Wanttabs1->isChecked();
    Memo1->setTabChangesFocus(!on);
    AppSettings().WantTabs = on;
}

void TFIdets2::maxh1Click() {
    int value = AutosizeMaxHeight;
    if (!PromptInteger(QStringLiteral("Autosize max form client-height (pixels)"), value))
        return;
    AutosizeMaxHeight = value;
    const QScopedValueRollback<bool> loading(LoadingPage, true);
    AutosizeItemText();
}

void TFIdets2::maxw1Click() {
    int value = AutosizeMaxWidth;
    if (!PromptInteger(QStringLiteral("Autosize max form client-width (pixels)"), value))
        return;
    AutosizeMaxWidth = value;
    const QScopedValueRollback<bool> loading(LoadingPage, true);
    AutosizeItemText();
}

void TFIdets2::PopupMenu1Popup() {
    maxh1->setText(QStringLiteral("Autosize max form client-height = ") +
                   QString::number(AutosizeMaxHeight));
    maxw1->setText(QStringLiteral("Autosize max form client-width = ") +
                   QString::number(AutosizeMaxWidth));
    WidthNowMnu->setText(QStringLiteral("Form width now = ") +
                         QString::number(frameGeometry().width()));
}

void TFIdets2::Refresh1Click() {
    Memo1->viewport()->update();
    PlaceRefBadge();
}

void TFIdets2::Selectall1Click() {
    Memo1->selectAll();
    Memo1->copy();
    if (ItemHooks().ShowClipboardWindow)
        ItemHooks().ShowClipboardWindow();
}

void TFIdets2::Undochanges1Click() {
    if (!Confirm(QStringLiteral("Undo all changes to this Item-text - are you sure?")))
        return;
    SetPageText(UndoPage);
}

void TFIdets2::Clear1Click() {
    if (Memo1->document()->isEmpty())
        return;
    if (!Confirm(QStringLiteral("OK to clear Item Text ?")))
        return;
    SetPageText({ItemName(TextItemId), QString()});
    MarkPageChanged();
}

void TFIdets2::DeleteItem1Click() {
    if (!DeleteItem(TextItemId))
        return;
    Session.ItemDeleted();
    close();
}

void TFIdets2::Minimize1Click() {
    showMinimized();
}

void TFIdets2::Exit2Click() {
    close();
}

bool TFIdets2::CloseForExit(bool forced) {
    Timer1->stop();
    try {
        Session.SaveForExit(PageLines());
    } catch (const DbError& e) {
        if (!forced) {
            // The page stays on screen, still marked changed: the user can try again or copy it.
            ShowInfo(e.Text);
            ShowRestored();
            Timer1->start();
            return false;
        }
        // Nothing may be asked now: the page is kept in a file of its own.
        std::fprintf(stderr, "Cardolo: %s\n", qPrintable(e.Text));
        WriteRescueFile(TextItemId, PageLines());
        ChangedSinceSave = ChangedSinceOpen = false;
    }
    dragging = false;
    if (isVisible())
        done(QDialog::Rejected);
    return true;
}

bool TFIdets2::FormCloseQuery() {
    Timer1->stop();
    const auto outcome = Session.CloseQuery(PageLines());
    if (outcome == ItemTextSession::CloseOutcome::Stay) {
        if (ChangedSinceSave)
            Timer1->start();
        return false;
    }
    if (outcome == ItemTextSession::CloseOutcome::CloseShowingUndo) {
        const QScopedValueRollback<bool> loading(LoadingPage, true);
        SetPageText(UndoPage);
    }
    return true;
}

void TFIdets2::closeEvent(QCloseEvent* event) {
    bool allowed = false;
    // An engine error while saving keeps the window, and what it shows, open.
    if (!RunCommand([&] { allowed = FormCloseQuery(); }) && ChangedSinceSave)
        Timer1->start();
    if (!allowed) {
        event->ignore();
        return;
    }
    dragging = false;
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

void TFIdets2::StartDrag(const QPoint& globalPos) {
    dragging = true;
    manualDrag = false;
    dragStart = globalPos;
    windowStart = frameGeometry().topLeft();
    Memo1->viewport()->setCursor(Qt::SizeAllCursor);
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
    const bool mouseEvent = type == QEvent::MouseButtonPress || type == QEvent::MouseMove ||
                            type == QEvent::MouseButtonRelease;
    if (watched == Memo1->viewport() && mouseEvent) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (type == QEvent::MouseButtonPress && mouse->button() == Qt::LeftButton) {
            // The page is also the window's handle: a drag in it moves the window. The press
            // still places the caret.
            StartDrag(mouse->globalPosition().toPoint());
            return false;
        }
        if (type == QEvent::MouseMove) {
            if (!dragging || !(mouse->buttons() & Qt::LeftButton)) {
                dragging = false;
                Memo1->viewport()->setCursor(Qt::IBeamCursor);
                return false;
            }
            // The window system moves the window when it can; otherwise it follows the mouse.
            if (!manualDrag) {
                if (windowHandle() && windowHandle()->startSystemMove()) {
                    dragging = false;
                    Memo1->viewport()->setCursor(Qt::IBeamCursor);
                    return true;
                }
                manualDrag = true;
            }
            move(windowStart + mouse->globalPosition().toPoint() - dragStart);
            return true;
        }
        if (type == QEvent::MouseButtonRelease && dragging) {
            dragging = false;
            Memo1->viewport()->setCursor(Qt::IBeamCursor);
        }
    }
    return QDialog::eventFilter(watched, event);
}
