#include "listwin/TFAddsBk.h"

#include "common/CommonState.h"
#include "common/Dialogs.h"
#include "common/Folders.h"
#include "common/Settings.h"
#include "common/TextHelpers.h"
#include "common/WindowHelpers.h"
#include "common/WorkProgress.h"
#include "itemwin/ItemWindows.h"
#include "listwin/ListMenus.h"
#include "listwin/ListModel.h"
#include "listwin/TFFind.h"
#include "search/SearchIndexBuilder.h"
#include "store/CommandGuard.h"

#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {
// How often Timer1 asks how far the background builds have come.
constexpr int BuildPollMs = 250;
} // namespace

TFAddsBk::TFAddsBk(QWidget* parent) : QMainWindow(parent), list(this) {
    setObjectName(QStringLiteral("TFAddsBk"));
    setWindowTitle(ApplicationTitle);
    resize(641, 600);
    setSilverPalette();

    // The state a fresh window starts from.
    ResetListState();
    ResetNavigation();
    ResetLinkStart();

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    setCentralWidget(central);

    buildHeader();
    layout->addWidget(Panel4);
    buildGrid();
    layout->addWidget(DBGrid1, 1);
    buildStatusPanel();
    layout->addWidget(Panel3);
    buildCancelButton();
    BuildListMenus(*this);

    Find = new TFFind(this);
    Find->hide();

    hookItemWindows();
    wireGrid();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(BuildPollMs);
    connect(Timer1, &QTimer::timeout, this, &TFAddsBk::Timer1Timer);
    installWorkProgress();
}

void TFAddsBk::setSilverPalette() {
    QPalette windowPalette = palette();
    windowPalette.setColor(QPalette::Window, QColor(0xC0, 0xC0, 0xC0));
    // Disabled captions must stay readable on silver.
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
        windowPalette.setColor(QPalette::Disabled, role, QColor(0x80, 0x80, 0x80));
    setPalette(windowPalette);
}

void TFAddsBk::buildGrid() {
    DBGrid1 = new QTableView(centralWidget());
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setAccessibleName(QStringLiteral("Items"));
    QPalette gridPalette = DBGrid1->palette();
    gridPalette.setColor(QPalette::Base, QColor(0xCE, 0xFF, 0xFF));
    gridPalette.setColor(QPalette::Text, Qt::black);
    DBGrid1->setPalette(gridPalette);
    DBGrid1->setFont(ArialPixels(12));
    DBGrid1->horizontalHeader()->setFont(ArialPixels(11));
    DBGrid1->horizontalHeader()->setSectionsClickable(true);
    DBGrid1->horizontalHeader()->setHighlightSections(false);
    DBGrid1->horizontalHeader()->setStretchLastSection(false);
    DBGrid1->verticalHeader()->hide();
    DBGrid1->verticalHeader()->setDefaultSectionSize(QFontMetrics(ArialPixels(12)).height() + 4);
    DBGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    DBGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    DBGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DBGrid1->setTabKeyNavigation(false);
    DBGrid1->setCursor(Qt::PointingHandCursor);
    DBGrid1->setContextMenuPolicy(Qt::CustomContextMenu);
    model = new ListModel(list, this);
    DBGrid1->setModel(model);
    DBGrid1->setTextElideMode(Qt::ElideRight);
    // Both refit the header labels and the columns when their room changes.
    DBGrid1->viewport()->installEventFilter(this);
    headerLabels->installEventFilter(this);
    DBGrid1->installEventFilter(this);
}

// A cancel button under the grid: Esc runs Exit or Back.
void TFAddsBk::buildCancelButton() {
    Button1 = new QPushButton(centralWidget());
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setAccessibleName(QStringLiteral("Back"));
    Button1->setShortcut(QKeySequence(Qt::Key_Escape));
    Button1->setFocusPolicy(Qt::NoFocus);
    Button1->setGeometry(0, 0, 1, 1);
    Button1->lower();
    connect(Button1, &QPushButton::clicked, this, &TFAddsBk::Exit1Click);
}

// The item windows call back into the list: to list an item's links without a history record,
// to show a new item saved from the details window, and to choose the item a link starts from.
void TFAddsBk::hookItemWindows() {
    ItemHooks().ShowLinks = [this](ItemId id, const QString& name) {
        RunCommand([this, id, name] { list.ShowLinks(id, name); });
    };
    ItemHooks().StartNewLink = [](ItemId id, const QString& name) {
        ListWindow().LinkStartId = id;
        ListWindow().LinkStartName = QuoteDouble(name);
    };
    // A save can happen inside a list build (the build shows an item's details, which saves a
    // pending insert first): the rebuild waits until that build has finished.
    ItemHooks().ItemSaved = [this](ItemId id) {
        QMetaObject::invokeMethod(
            this,
            [this, id] {
                if (closed)
                    return;
                RunCommand([this, id] {
                    list.BuildList();
                    list.RestorePosition(id, 0);
                });
            },
            Qt::QueuedConnection);
    };
}

void TFAddsBk::wireGrid() {
    connect(DBGrid1->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { gridCurrentChanged(current.row()); });
    connect(DBGrid1, &QTableView::clicked, this, [this](const QModelIndex& index) {
        if (!index.isValid())
            return;
        list.Rows().SetCursor(index.row());
        const ListField field = model->FieldAt(index.column());
        RunCommand([this, field] { list.CellClick(field); });
    });
    connect(DBGrid1->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int section) {
        if (section < 0 || section >= model->columnCount())
            return;
        const ListField field = model->FieldAt(section);
        RunCommand([this, field] { list.TitleClick(field); });
    });
    // An empty list has no row to offer commands for.
    connect(DBGrid1, &QTableView::customContextMenuRequested, this, [this](const QPoint& pos) {
        if (list.Rows().Count() > 0)
            PopupMenu1->popup(DBGrid1->viewport()->mapToGlobal(pos));
    });
    connect(PopupMenu1, &QMenu::aboutToShow, this, &TFAddsBk::PopupMenu1Popup);
    connect(LinkAll1, &QMenu::aboutToShow, this, &TFAddsBk::LinkAll1Click);
    connect(Options1, &QMenu::aboutToShow, this, &TFAddsBk::Options1Click);
}

// The widgets go first, while the list they report to still exists.
TFAddsBk::~TFAddsBk() {
    SetWorkProgressHooks({});
    ItemHooks().ShowLinks = nullptr;
    ItemHooks().ItemSaved = nullptr;
    ItemHooks().StartNewLink = nullptr;
    list.SetView(nullptr);
    disconnect(DBGrid1->selectionModel(), nullptr, this, nullptr);
    delete centralWidget();
}

void TFAddsBk::buildHeader() {
    Panel4 = new QFrame(centralWidget());
    Panel4->setObjectName(QStringLiteral("Panel4"));
    Panel4->setAccessibleName(QStringLiteral("List heading"));
    Panel4->setFixedHeight(61);
    Panel4->setFrameShape(QFrame::Panel);
    Panel4->setFrameShadow(QFrame::Raised);
    auto* row = new QHBoxLayout(Panel4);
    row->setContentsMargins(4, 0, 4, 0);

    // The two labels sit at fixed heights: the item name moves down when the parent line shows.
    auto* labels = new QWidget(Panel4);
    labels->setObjectName(QStringLiteral("HeaderLabels"));
    headerLabels = labels;
    Label3 = new QLabel(QStringLiteral("Parent = 99 \"name here\""), labels);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setTextFormat(Qt::PlainText);
    Label3->setFont(ArialPixels(11));
    Label3->setStyleSheet(QStringLiteral("color: blue"));
    Label3->setCursor(Qt::PointingHandCursor);
    Label3->setToolTip(QStringLiteral("= parent of current Item, click for its Links"));
    Label3->setAccessibleDescription(Label3->toolTip());
    Label3->move(4, 1);
    Label3->installEventFilter(this);
    Label2 = new QLabel(labels);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setTextFormat(Qt::PlainText);
    Label2->setFont(ArialPixels(16, true));
    Label2->setStyleSheet(QStringLiteral("color: blue"));
    Label2->move(4, 12);
    Label2->installEventFilter(this);
    row->addWidget(labels, 1);

    auto* radios = new QVBoxLayout;
    PrimaryRdio = new QRadioButton(QStringLiteral("999 links down"), Panel4);
    PrimaryRdio->setObjectName(QStringLiteral("PrimaryRdio"));
    PrimaryRdio->setFont(ArialPixels(11));
    SecondaryRdio = new QRadioButton(QStringLiteral("999 links across"), Panel4);
    SecondaryRdio->setObjectName(QStringLiteral("SecondaryRdio"));
    SecondaryRdio->setFont(ArialPixels(11));
    radios->addWidget(PrimaryRdio);
    radios->addWidget(SecondaryRdio);
    row->addLayout(radios);

    SpeedButton1 = new QToolButton(Panel4);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setIcon(style()->standardIcon(QStyle::SP_FileDialogContentsView));
    SpeedButton1->setToolTip(QStringLiteral("Item text"));
    SpeedButton1->setAccessibleName(QStringLiteral("Item text"));
    SpeedButton1->setAccessibleDescription(QStringLiteral("Open the current item's text"));
    SpeedButton1->setFixedSize(32, 32);
    row->addWidget(SpeedButton1);

    connect(PrimaryRdio, &QRadioButton::toggled, this, [this](bool on) {
        if (on && !checkingRadio)
            RunCommand([this] { list.SelectKind(ListOf::LinksDown); });
    });
    connect(SecondaryRdio, &QRadioButton::toggled, this, [this](bool on) {
        if (on && !checkingRadio)
            RunCommand([this] { list.SelectKind(ListOf::LinksAcross); });
    });
    connect(SpeedButton1, &QToolButton::clicked, this,
            [this] { OpenItemText(ListWindow().CurrentId); });
}

void TFAddsBk::buildStatusPanel() {
    Panel3 = new QFrame(centralWidget());
    Panel3->setObjectName(QStringLiteral("Panel3"));
    // The labels inside keep their texts as their names, so a screen reader reads them out.
    Panel3->setAccessibleName(QStringLiteral("Status line"));
    Panel3->setFixedHeight(34);
    Panel3->setFrameShape(QFrame::Panel);
    Panel3->setFrameShadow(QFrame::Raised);
    auto* row = new QHBoxLayout(Panel3);
    row->setContentsMargins(4, 2, 4, 2);

    Edit1 = new QLineEdit(Panel3);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setFixedWidth(65);
    Edit1->setFont(ArialPixels(11));
    Edit1->setToolTip(QStringLiteral("Jump to position in this list"));
    Edit1->setAccessibleName(QStringLiteral("Jump to"));
    Edit1->setAccessibleDescription(Edit1->toolTip());
    Edit1->installEventFilter(this);
    row->addWidget(Edit1);

    ClearBtn = new QToolButton(Panel3);
    ClearBtn->setObjectName(QStringLiteral("ClearBtn"));
    ClearBtn->setText(QStringLiteral("x"));
    ClearBtn->setFont(ArialPixels(16, true));
    ClearBtn->setToolTip(QStringLiteral("Clear 'jump to' box"));
    ClearBtn->setAccessibleName(QStringLiteral("Clear jump box"));
    ClearBtn->setAccessibleDescription(ClearBtn->toolTip());
    row->addWidget(ClearBtn);

    Label1 = new QLabel(Panel3);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setTextFormat(Qt::PlainText);
    row->addWidget(Label1, 1);

    Label4 = new QLabel(Panel3);
    Label4->setObjectName(QStringLiteral("Label4"));
    Label4->setTextFormat(Qt::PlainText);
    row->addWidget(Label4);

    SpeedButton2 = new QToolButton(Panel3);
    SpeedButton2->setObjectName(QStringLiteral("SpeedButton2"));
    SpeedButton2->setIcon(style()->standardIcon(QStyle::SP_MediaSkipBackward));
    SpeedButton2->setToolTip(QStringLiteral("Jump to start of list"));
    SpeedButton2->setAccessibleName(QStringLiteral("First item"));
    SpeedButton2->setAccessibleDescription(SpeedButton2->toolTip());
    row->addWidget(SpeedButton2);
    SpeedButton3 = new QToolButton(Panel3);
    SpeedButton3->setObjectName(QStringLiteral("SpeedButton3"));
    SpeedButton3->setIcon(style()->standardIcon(QStyle::SP_MediaSkipForward));
    SpeedButton3->setToolTip(QStringLiteral("Jump to end of list"));
    SpeedButton3->setAccessibleName(QStringLiteral("Last item"));
    SpeedButton3->setAccessibleDescription(SpeedButton3->toolTip());
    row->addWidget(SpeedButton3);

    connect(Edit1, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (!TakeProgrammaticChange())
            list.JumpTo(text);
    });
    connect(ClearBtn, &QToolButton::clicked, this, [this] {
        Edit1->clear();
        list.Rows().First();
        CursorMoved();
        Edit1->setFocus();
    });
    connect(SpeedButton2, &QToolButton::clicked, this, [this] {
        list.Rows().First();
        CursorMoved();
    });
    connect(SpeedButton3, &QToolButton::clicked, this, [this] {
        list.Rows().Last();
        CursorMoved();
    });
}

void TFAddsBk::CloseQuietly() {
    closingQuietly = true;
    close();
    closingQuietly = false;
}

// Every close writes the settings. The item windows keep what was typed in them without asking
// and are hidden, so that nothing is left open when the program ends. Only a save the engine
// refuses keeps the program open, with the window that holds the typing; a shutdown that cannot
// wait keeps that typing in a file instead.
void TFAddsBk::closeEvent(QCloseEvent* event) {
    bool itemWindowsClosed = true;
    RunCommand([this, &itemWindowsClosed] {
        itemWindowsClosed = CloseItemWindowsForExit(closingQuietly);
    });
    if (!itemWindowsClosed && !closingQuietly) {
        event->ignore();
        return;
    }
    closed = true;
    // A build of the search index stops with the program; the next start goes on with it.
    Timer1->stop();
    StopSearchIndexBuild();
    RunCommand([this] { list.FinishSearchMarks(); });
    WriteSettings();
    event->accept();
    emit Closed();
}

void TFAddsBk::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    closed = false;
    if (shownOnce)
        return;
    shownOnce = true;
    try {
        list.BuildList();
    } catch (const DbError& e) {
        list.ShowUnreadList();
        ShowInfo(e.Text);
    }
    startIndexBuild();
}

bool TFAddsBk::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize &&
        (watched == headerLabels || watched == DBGrid1->viewport())) {
        fitToWidth();
        return false;
    }
    if (event->type() == QEvent::MouseButtonRelease) {
        if (watched == Label2) {
            list.CurrentItemClick();
            return true;
        }
        if (watched == Label3) {
            RunCommand([this] { list.GoToParent(); });
            return true;
        }
    }
    if (event->type() != QEvent::KeyPress)
        return QMainWindow::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (watched == DBGrid1) {
        if (enter) {
            RunCommand([this] { list.OpenRow(); });
            return true;
        }
        // Typing in the grid starts a jump: the focus goes to the box, the key does not.
        const QString text = key->text();
        if (!text.isEmpty() && text.at(0).unicode() >= 0x20 && text.at(0).unicode() != 0x7F) {
            Edit1->setFocus();
            return true;
        }
    } else if (watched == Edit1) {
        if (key->key() == Qt::Key_Up) {
            if (list.Rows().Prior())
                syncCursorToGrid();
            return true;
        }
        if (key->key() == Qt::Key_Down) {
            if (list.Rows().Next())
                syncCursorToGrid();
            return true;
        }
        if (enter) {
            RunCommand([this] { list.OpenRow(); });
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TFAddsBk::ListAboutToChange() {
    model->BeginReset();
}

void TFAddsBk::ListRebuilt() {
    const ListHeader& h = list.Header();
    model->EndReset();

    setWindowTitle(h.Caption);
    Panel4->setVisible(h.PanelVisible);
    Label2->move(Label2->x(), h.Label2Top);
    Label2->setCursor(h.Label2Clickable ? Qt::PointingHandCursor : Qt::ArrowCursor);
    Label2->setToolTip(h.Label2Clickable ? QStringLiteral("= current Item; click for details")
                                         : QString());
    Label3->setVisible(h.Label3Visible);
    checkingRadio = true;
    (h.AcrossChecked ? SecondaryRdio : PrimaryRdio)->setChecked(true);
    checkingRadio = false;
    PrimaryRdio->setVisible(h.RadiosVisible);
    SecondaryRdio->setVisible(h.RadiosVisible);
    PrimaryRdio->setText(h.DownCaption);
    SecondaryRdio->setText(h.AcrossCaption);
    Exit1->setText(h.BackCaption);
    Top1->setEnabled(h.TopEnabled);
    SpeedButton1->setVisible(h.TextButtonVisible);
    Label1->setText(h.Status);
    Showlinkcounts1->setChecked(AppSettings().ShowLinkCounts);
    (ListWindow().LnoteBefore ? LnoteBeforeMnu : LnoteAfterMnu)->setChecked(true);

    fitToWidth();
    syncCursorToGrid();
    Edit1->setFocus();
}

// The header labels and the columns take the room the window has: a long name is elided, and
// the Name column gives up width so that REF, Text? and Links? stay in view.
void TFAddsBk::fitToWidth() {
    const ListHeader& h = list.Header();
    auto fitLabel = [this](QLabel* label, const QString& text) {
        const int room = std::max(headerLabels->width() - label->x(), 0);
        label->setText(label->fontMetrics().elidedText(text, Qt::ElideRight, room));
        label->adjustSize();
    };
    fitLabel(Label2, h.Label2Shown);
    fitLabel(Label3, h.Label3);

    // Widths in characters, turned into pixels by the grid's font.
    const QFontMetrics fm(DBGrid1->font());
    const int charWidth = std::max(fm.averageCharWidth(), fm.horizontalAdvance(QLatin1Char('0')));
    int nameColumn = -1;
    int nameWidth = 0;
    int others = 0;
    for (int c = 0; c < h.Columns.size(); ++c) {
        const int width = h.Columns[c].Width * charWidth + 8;
        if (h.Columns[c].Field == ListField::dpname) {
            nameColumn = c;
            nameWidth = width;
            continue;
        }
        others += width;
        DBGrid1->setColumnWidth(c, width);
    }
    if (nameColumn < 0)
        return;
    const int room = DBGrid1->viewport()->width() - others;
    DBGrid1->setColumnWidth(nameColumn,
                            std::max(std::min(nameWidth, room), MinimumNameChars * charWidth));
}

void TFAddsBk::syncCursorToGrid() {
    const int row = list.Rows().Cursor();
    placingCursor = true;
    if (row < 0)
        DBGrid1->setCurrentIndex(QModelIndex());
    else
        DBGrid1->setCurrentIndex(model->index(row, 0));
    placingCursor = false;
}

// The cursor row stands with up to nine following rows in view.
void TFAddsBk::CursorMoved() {
    syncCursorToGrid();
    const int row = list.Rows().Cursor();
    if (row < 0)
        return;
    const int below = std::min(row + 9, list.Rows().Count() - 1);
    DBGrid1->scrollTo(model->index(below, 0), QAbstractItemView::EnsureVisible);
    DBGrid1->scrollTo(model->index(row, 0), QAbstractItemView::EnsureVisible);
}

void TFAddsBk::gridCurrentChanged(int row) {
    if (!placingCursor && row >= 0)
        list.Rows().SetCursor(row);
}

void TFAddsBk::ClearSearchText() {
    Find->Edit1->clear();
}

void TFAddsBk::ClearJumpBoxQuietly() {
    if (Edit1->text().isEmpty())
        return; // no change, so no change event to ignore
    Common().ProgrammaticChange = true;
    Edit1->clear();
}
