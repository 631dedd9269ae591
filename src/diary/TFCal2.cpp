#include "diary/TFCal2.h"

#include "common/TextHelpers.h"
#include "common/WindowHelpers.h"
#include "itemwin/ItemWindows.h"
#include "store/CommandGuard.h"
#include "store/ItemStore.h"
#include "store/StoreState.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>

namespace {

constexpr int GridRows = 7;
constexpr int GridColumns = 7;
// Space kept free around a cell's text.
constexpr int CellMargin = 2;
constexpr int TextFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;

// Day cells with text are drawn by the diary (wrapped, from the top); headings and empty cells
// keep the grid's own drawing.
class DiaryCellDelegate : public QStyledItemDelegate {
public:
    explicit DiaryCellDelegate(TFCal2* window) : QStyledItemDelegate(window), window(window) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        if (index.row() == 0 || index.data().toString().isEmpty()) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        window->StringGrid1DrawCell(painter, option, index.row(), index.column());
    }

private:
    TFCal2* window;
};

QToolButton* makeArrow(const char* name, Qt::ArrowType arrow, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setArrowType(arrow);
    button->setAutoRaise(true);
    return button;
}

// A bar across the window holding a group centred in it: a button between a step back and a
// step forward. The names are the bar's, the group's, then the three buttons' from the left.
QFrame* makeBar(QWidget* parent, const std::array<const char*, 5>& names, QFrame*& group,
                QToolButton*& back, QPushButton*& button, QToolButton*& forward) {
    auto* bar = new QFrame(parent);
    bar->setObjectName(QLatin1String(names[0]));
    bar->setFrameStyle(QFrame::Panel | QFrame::Raised);
    bar->setContextMenuPolicy(Qt::CustomContextMenu);
    group = new QFrame(bar);
    group->setObjectName(QLatin1String(names[1]));
    back = makeArrow(names[2], Qt::LeftArrow, group);
    button = new QPushButton(group);
    button->setObjectName(QLatin1String(names[3]));
    button->setAutoDefault(false);
    forward = makeArrow(names[4], Qt::RightArrow, group);
    auto* row = new QHBoxLayout(group);
    row->setContentsMargins(2, 2, 2, 2);
    row->addWidget(back);
    row->addWidget(button);
    row->addWidget(forward);
    // Equal stretches on both sides keep the group centred whatever the bar's width.
    auto* centre = new QHBoxLayout(bar);
    centre->setContentsMargins(0, 0, 0, 0);
    centre->addStretch(1);
    centre->addWidget(group);
    centre->addStretch(1);
    return bar;
}

QAction* namedAction(QAction* action, const char* name) {
    action->setObjectName(QLatin1String(name));
    return action;
}

} // namespace

QPointer<TFCal2>& TFCal2::Slot() {
    static QPointer<TFCal2> one;
    return one;
}

TFCal2::TFCal2(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TFCal2"));
    setWindowTitle(QStringLiteral("Diary"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setModal(false);
    buildMenu();
    buildBars();
    buildGrid();
    buildPopups();
    buildLayout();
    connectCommands();
    fillHeadings();
    resize(762, 539);
}

TFCal2::~TFCal2() = default;

void TFCal2::buildMenu() {
    MainMenu1 = new QMenuBar(this);
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    Close1 = namedAction(MainMenu1->addAction(QStringLiteral("&Close")), "Close1");
    Refresh1 = namedAction(MainMenu1->addAction(QStringLiteral("Refresh")), "Refresh1");
    Today1 = namedAction(MainMenu1->addAction(QStringLiteral("&Today")), "Today1");
}

void TFCal2::buildBars() {
    Panel1 = makeBar(this, {"Panel1", "Panel4", "SpeedButton1", "YearBtn", "SpeedButton3"}, Panel4,
                     SpeedButton1, YearBtn, SpeedButton3);
    Panel1->setToolTip(QStringLiteral("Right click to select year"));
    Panel2 = makeBar(this, {"Panel2", "Panel5", "SpeedButton2", "MonthBtn", "SpeedButton4"}, Panel5,
                     SpeedButton2, MonthBtn, SpeedButton4);
    Panel2->setToolTip(QStringLiteral("Right click to select month"));
    SpeedButton1->setAccessibleName(QStringLiteral("Previous year"));
    SpeedButton3->setAccessibleName(QStringLiteral("Next year"));
    SpeedButton2->setAccessibleName(QStringLiteral("Previous month"));
    SpeedButton4->setAccessibleName(QStringLiteral("Next month"));
    // The buttons show the year and the month; the bars' hints are theirs too.
    Panel1->setAccessibleName(QStringLiteral("Year"));
    Panel2->setAccessibleName(QStringLiteral("Month"));
    for (QWidget* w : {static_cast<QWidget*>(Panel1), static_cast<QWidget*>(YearBtn)})
        w->setAccessibleDescription(Panel1->toolTip());
    for (QWidget* w : {static_cast<QWidget*>(Panel2), static_cast<QWidget*>(MonthBtn)})
        w->setAccessibleDescription(Panel2->toolTip());
    // Wide enough for the longest year and month, so the groups keep their place and size.
    const QFontMetrics metrics(MonthBtn->font());
    const int padding = metrics.horizontalAdvance(QLatin1Char('M')) * 2;
    YearBtn->setMinimumWidth(metrics.horizontalAdvance(QStringLiteral("9999")) + padding);
    int monthWidth = 0;
    for (int m = 1; m <= 12; ++m)
        monthWidth = std::max(monthWidth, metrics.horizontalAdvance(MonthName(m)));
    MonthBtn->setMinimumWidth(monthWidth + padding);

    // Out of sight, with no size of its own: Esc closes the window through it.
    Button1 = new QPushButton(this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setAccessibleName(QStringLiteral("Close"));
    Button1->setAutoDefault(false);
    Button1->setFixedSize(0, 0);
    Button1->move(0, 0);
}

void TFCal2::buildGrid() {
    StringGrid1 = new QTableWidget(GridRows, GridColumns, this);
    StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
    StringGrid1->setAccessibleName(QStringLiteral("Diary"));
    StringGrid1->setAccessibleDescription(QStringLiteral("A month of dated entries"));
    for (QHeaderView* header : {StringGrid1->horizontalHeader(), StringGrid1->verticalHeader()}) {
        header->hide();
        header->setMinimumSectionSize(1);
        header->setSectionResizeMode(QHeaderView::Fixed);
    }
    StringGrid1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    StringGrid1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    StringGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    StringGrid1->setSelectionBehavior(QAbstractItemView::SelectItems);
    StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGrid1->setShowGrid(true);
    QFont gridFont(QStringLiteral("Courier New"), 10, QFont::Bold);
    gridFont.setStyleHint(QFont::TypeWriter);
    StringGrid1->setFont(gridFont);
    StringGrid1->setItemDelegate(new DiaryCellDelegate(this));
    for (int r = 0; r < GridRows; ++r)
        for (int c = 0; c < GridColumns; ++c) {
            auto* item = new QTableWidgetItem;
            if (r == 0) {
                item->setFlags(Qt::ItemIsEnabled); // the fixed heading row
                item->setBackground(palette().button());
            } else {
                item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            }
            StringGrid1->setItem(r, c, item);
        }
    StringGrid1->viewport()->installEventFilter(this);
}

void TFCal2::buildPopups() {
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    PastYearsMnu = namedAction(PopupMenu1->addAction(QStringLiteral("  /\\")), "PastYearsMnu");
    for (int i = 0; i < DiarySession::YearCount; ++i) {
        QAction* item = PopupMenu1->addAction(QString());
        item->setObjectName(QStringLiteral("Year%1Mnu").arg(i + 1));
        YearMnus[size_t(i)] = item;
    }
    FutrYearsMnu = namedAction(PopupMenu1->addAction(QStringLiteral("  \\/")), "FutrYearsMnu");
    showYearList();

    PopupMenu2 = new QMenu(this);
    PopupMenu2->setObjectName(QStringLiteral("PopupMenu2"));
    for (int m = 1; m <= 12; ++m)
        connect(PopupMenu2->addAction(MonthName(m)), &QAction::triggered, this,
                [this, m] { MonthMnuClick(m); });
}

void TFCal2::buildLayout() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(MainMenu1);
    layout->addWidget(Panel1);
    layout->addWidget(Panel2);
    layout->addWidget(StringGrid1, 1);
    // The invisible close button comes last, after the grid it is made before.
    setTabOrder(StringGrid1, Button1);
}

void TFCal2::connectCommands() {
    connect(Close1, &QAction::triggered, this, &TFCal2::Close1Click);
    connect(Refresh1, &QAction::triggered, this, &TFCal2::Refresh1Click);
    connect(Today1, &QAction::triggered, this, &TFCal2::Today1Click);
    connect(Button1, &QPushButton::clicked, this, &TFCal2::Close1Click);
    connect(SpeedButton1, &QToolButton::clicked, this, &TFCal2::SpeedButton1Click);
    connect(SpeedButton3, &QToolButton::clicked, this, &TFCal2::SpeedButton3Click);
    connect(SpeedButton2, &QToolButton::clicked, this, &TFCal2::SpeedButton2Click);
    connect(SpeedButton4, &QToolButton::clicked, this, &TFCal2::SpeedButton4Click);
    connect(YearBtn, &QPushButton::clicked, this, &TFCal2::YearBtnClick);
    connect(MonthBtn, &QPushButton::clicked, this, &TFCal2::MonthBtnClick);
    connect(Panel1, &QWidget::customContextMenuRequested, this, [this] { YearBtnClick(); });
    connect(Panel2, &QWidget::customContextMenuRequested, this, [this] { MonthBtnClick(); });
    connect(PastYearsMnu, &QAction::triggered, this, &TFCal2::PastYearsMnuClick);
    connect(FutrYearsMnu, &QAction::triggered, this, &TFCal2::FutrYearsMnuClick);
    for (QAction* item : YearMnus)
        connect(item, &QAction::triggered, this, [this, item] { YearMnuClick(item); });
    connect(StringGrid1, &QTableWidget::currentCellChanged, this,
            [this](int row, int column) { queueChoice(row, column); });
    connect(StringGrid1, &QTableWidget::cellPressed, this, &TFCal2::queueChoice);
}

void TFCal2::fillHeadings() {
    for (int c = 0; c < GridColumns; ++c)
        StringGrid1->item(0, c)->setText(QLatin1Char(' ') + DayAbbrev(c + 1));
}

void TFCal2::showYearList() {
    for (int i = 0; i < DiarySession::YearCount; ++i)
        YearMnus[size_t(i)]->setText(QString::number(Session.Years()[size_t(i)]));
}

void TFCal2::OpenDiary() {
    if (!RunCommand([this] { Refresh(); }))
        return;
    ShowRestored(this);
    raise();
    activateWindow();
}

void TFCal2::Refresh() {
    Session.Load(TheStoreState.CurrentHider);
    YearBtn->setText(QString::number(Session.Shown().year));
    MonthBtn->setText(MonthName(Session.Shown().month));

    Building = true;
    StringGrid1->setCurrentCell(-1, -1);
    for (int r = 1; r < GridRows; ++r)
        for (int c = 0; c < GridColumns; ++c)
            StringGrid1->item(r, c)->setText(QString());
    for (const DiaryCell& cell : Session.Cells()) {
        StringGrid1->item(cell.Row, cell.Column)->setText(cell.Text);
        if (cell.Day == Session.Shown().day)
            StringGrid1->setCurrentCell(cell.Row, cell.Column);
    }
    Building = false;
    FitRows();
}

void TFCal2::step(void (*stepper)(CalendarDate&)) {
    Session.Step(stepper);
    RunCommand([this] { Refresh(); });
}

void TFCal2::SpeedButton1Click() {
    step(PreviousYear);
}

void TFCal2::SpeedButton3Click() {
    step(NextYear);
}

void TFCal2::SpeedButton2Click() {
    step(PreviousMonth);
}

void TFCal2::SpeedButton4Click() {
    step(NextMonth);
}

void TFCal2::YearBtnClick() {
    PopupAtCursor(PopupMenu1);
}

void TFCal2::MonthBtnClick() {
    PopupAtCursor(PopupMenu2);
}

void TFCal2::YearMnuClick(QAction* item) {
    if (Session.PickYear(item->text()))
        RunCommand([this] { Refresh(); });
}

void TFCal2::MonthMnuClick(int month) {
    Session.SetMonth(month);
    RunCommand([this] { Refresh(); });
}

void TFCal2::PastYearsMnuClick() {
    Session.MovePastYears();
    showYearList();
    PopupAtCursor(PopupMenu1);
}

void TFCal2::FutrYearsMnuClick() {
    Session.MoveFutureYears();
    showYearList();
    PopupAtCursor(PopupMenu1);
}

void TFCal2::Close1Click() {
    close();
}

void TFCal2::Refresh1Click() {
    RunCommand([this] { Refresh(); });
}

void TFCal2::Today1Click() {
    Session.ShowToday();
    RunCommand([this] { Refresh(); });
}

void TFCal2::queueChoice(int row, int column) {
    if (Building || row < 0 || column < 0)
        return;
    chosenRow = row;
    chosenColumn = column;
    if (choiceQueued)
        return;
    choiceQueued = true;
    QTimer::singleShot(0, this, [this] {
        choiceQueued = false;
        RunCommand([this] { StringGrid1SelectCell(chosenRow, chosenColumn); });
    });
}

void TFCal2::StringGrid1SelectCell(int row, int column) {
    if (Building)
        return;
    const DiarySession::Choice choice = Session.Choose(row, column);
    switch (choice.Kind) {
    case DiarySession::ChoiceKind::Nothing:
        return;
    case DiarySession::ChoiceKind::OpenEntry:
        OpenItemText(choice.Id);
        return;
    case DiarySession::ChoiceKind::NewEntry: {
        ItemId newId;
        if (NewDiaryItemDetails(Session.Shown(), newId) && newId.IsValid())
            Refresh();
        return;
    }
    }
}

int TFCal2::CellTextHeight(const QString& text, int width) const {
    const QFontMetrics metrics(StringGrid1->font());
    const QRect room(0, 0, std::max(1, width - 2 * CellMargin), INT_MAX / 2);
    return metrics.boundingRect(room, TextFlags, text).height() + 2 * CellMargin;
}

void TFCal2::StringGrid1DrawCell(QPainter* painter, const QStyleOptionViewItem& option, int row,
                                 int column) {
    const QWidget* view = option.widget ? option.widget : StringGrid1;
    view->style()->drawPrimitive(QStyle::PE_PanelItemViewItem, &option, painter, view);
    const bool selected = option.state & QStyle::State_Selected;
    painter->save();
    painter->setFont(StringGrid1->font());
    painter->setPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
    painter->drawText(option.rect.adjusted(CellMargin, CellMargin, -CellMargin, -CellMargin),
                      TextFlags, StringGrid1->item(row, column)->text());
    painter->restore();
}

void TFCal2::FitRows() {
    for (int r = 1; r < GridRows; ++r) {
        int needed = 0;
        for (int c = 0; c < GridColumns; ++c) {
            const QString text = StringGrid1->item(r, c)->text();
            if (!text.isEmpty())
                needed = std::max(needed, CellTextHeight(text, StringGrid1->columnWidth(c)));
        }
        if (StringGrid1->rowHeight(r) < needed)
            StringGrid1->setRowHeight(r, needed);
    }
}

void TFCal2::FormResize() {
    const QSize room = StringGrid1->viewport()->size();
    const int columnWidth = std::max(1, room.width() / GridColumns - 1);
    const int rowHeight = std::max(1, room.height() / GridRows - 1);
    for (int c = 0; c < GridColumns; ++c)
        StringGrid1->setColumnWidth(c, columnWidth);
    for (int r = 0; r < GridRows; ++r)
        StringGrid1->setRowHeight(r, rowHeight);
    FitRows();
}

void TFCal2::showEvent(QShowEvent* event) {
    fillHeadings();
    ResizingActive = true;
    FormResize();
    QDialog::showEvent(event);
}

// Closing is always allowed. The dialog's own handling would go through reject(), which
// closes: the window is simply hidden here.
void TFCal2::closeEvent(QCloseEvent* event) {
    ResizingActive = false;
    event->accept();
}

// Esc and every other way of leaving the dialog close it.
void TFCal2::reject() {
    close();
}

void TFCal2::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        Button1->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TFCal2::eventFilter(QObject* watched, QEvent* event) {
    if (watched == StringGrid1->viewport()) {
        if (event->type() == QEvent::Resize && ResizingActive)
            FormResize();
        // Only the left button chooses a day; other buttons leave the selection alone.
        if ((event->type() == QEvent::MouseButtonPress ||
             event->type() == QEvent::MouseButtonDblClick) &&
            static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton)
            return true;
    }
    return QDialog::eventFilter(watched, event);
}
