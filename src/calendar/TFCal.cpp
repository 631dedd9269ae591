#include "calendar/TFCal.h"

#include "common/Dialogs.h"
#include "common/TextHelpers.h"
#include "common/WindowHelpers.h"
#include "calendar/DateText.h"
#include "calendar/MonthLayout.h"

#include <QContextMenuEvent>
#include <QCursor>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <array>

namespace {

constexpr int GridRows = 7;
constexpr int GridColumns = 7;
constexpr int ColumnWidth = 48;
constexpr int RowHeight = 24;

QFrame* MakePanel(const char* name, QWidget* parent) {
    auto* panel = new QFrame(parent);
    panel->setObjectName(QLatin1String(name));
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    return panel;
}

QToolButton* MakeArrow(const char* name, Qt::ArrowType arrow, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setArrowType(arrow);
    button->setAutoRaise(true);
    return button;
}

QPushButton* MakeButton(const char* name, const QString& caption, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    return button;
}

// The year and the month bars: a button between a step back and a step forward. The names
// are the panel's, then the three buttons' from left to right.
QFrame* MakeStepBar(QWidget* parent, const std::array<const char*, 4>& names, QToolButton*& back,
                    QPushButton*& button, QToolButton*& forward) {
    QFrame* panel = MakePanel(names[0], parent);
    back = MakeArrow(names[1], Qt::LeftArrow, panel);
    button = MakeButton(names[2], QString(), panel);
    forward = MakeArrow(names[3], Qt::RightArrow, panel);
    auto* row = new QHBoxLayout(panel);
    row->setContentsMargins(2, 2, 2, 2);
    row->addStretch();
    row->addWidget(back);
    row->addWidget(button);
    row->addWidget(forward);
    row->addStretch();
    return panel;
}

} // namespace

QPointer<TFCal>& TFCal::Slot() {
    static QPointer<TFCal> one;
    return one;
}

TFCal::TFCal(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TFCal"));
    setWindowTitle(QStringLiteral(" Calendar"));
    setModal(true);

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setAccessibleName(QStringLiteral("Pages"));
    PageControl1->setTabPosition(QTabWidget::South);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(PageControl1);

    buildCalendarPage();
    buildOptionsPage();
    connect(PageControl1, &QTabWidget::currentChanged, this, [this] {
        if (PageControl1->currentWidget() == TabSheet2)
            optionsShown();
    });

    Shown = TodayDate();
    fillHeadings();
    Refresh();
    FixSizeToFit(this, QSize(361, 334));
}

void TFCal::buildCalendarPage() {
    TabSheet1 = new QWidget;
    TabSheet1->setObjectName(QStringLiteral("TabSheet1"));
    PageControl1->addTab(TabSheet1, QStringLiteral("Calendar"));
    auto* page = new QVBoxLayout(TabSheet1);
    page->setContentsMargins(4, 4, 4, 4);
    page->setSpacing(2);

    Panel1 = MakeStepBar(TabSheet1, {"Panel1", "SpeedButton1", "YearBtn", "SpeedButton3"},
                         SpeedButton1, YearBtn, SpeedButton3);
    Panel1->setToolTip(QStringLiteral("Right click to select year"));
    Panel1->setAccessibleName(QStringLiteral("Year"));
    SpeedButton1->setAccessibleName(QStringLiteral("Previous year"));
    SpeedButton3->setAccessibleName(QStringLiteral("Next year"));
    for (QWidget* w : {static_cast<QWidget*>(Panel1), static_cast<QWidget*>(YearBtn)})
        w->setAccessibleDescription(Panel1->toolTip());
    page->addWidget(Panel1);

    Panel2 = MakeStepBar(TabSheet1, {"Panel2", "SpeedButton2", "MonthBtn", "SpeedButton4"},
                         SpeedButton2, MonthBtn, SpeedButton4);
    Panel2->setToolTip(QStringLiteral("Right click to select month"));
    Panel2->setAccessibleName(QStringLiteral("Month"));
    SpeedButton2->setAccessibleName(QStringLiteral("Previous month"));
    SpeedButton4->setAccessibleName(QStringLiteral("Next month"));
    for (QWidget* w : {static_cast<QWidget*>(Panel2), static_cast<QWidget*>(MonthBtn)})
        w->setAccessibleDescription(Panel2->toolTip());
    Panel2->installEventFilter(this);
    MonthBtn->setMinimumWidth(100);
    page->addWidget(Panel2);

    PopupMenu2 = new QMenu(this);
    PopupMenu2->setObjectName(QStringLiteral("PopupMenu2"));
    for (int m = 1; m <= 12; ++m)
        connect(PopupMenu2->addAction(MonthName(m)), &QAction::triggered, this,
                [this, m] { setMonth(m); });

    buildDayGrid();
    page->addWidget(StringGrid1, 0, Qt::AlignHCenter);
    buildDateBar();
    page->addWidget(Panel3);

    connect(SpeedButton1, &QToolButton::clicked, this, [this] { step(PreviousYear); });
    connect(SpeedButton3, &QToolButton::clicked, this, [this] { step(NextYear); });
    connect(SpeedButton2, &QToolButton::clicked, this, [this] { step(PreviousMonth); });
    connect(SpeedButton4, &QToolButton::clicked, this, [this] { step(NextMonth); });
    connect(YearBtn, &QPushButton::clicked, this, &TFCal::YearBtnClick);
    connect(MonthBtn, &QPushButton::clicked, this, [this] { PopupMenu2->popup(QCursor::pos()); });
}

void TFCal::buildDayGrid() {
    StringGrid1 = new QTableWidget(GridRows, GridColumns, TabSheet1);
    StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
    StringGrid1->setAccessibleName(QStringLiteral("Calendar"));
    StringGrid1->setAccessibleDescription(QStringLiteral("The days of the month shown"));
    StringGrid1->horizontalHeader()->hide();
    StringGrid1->verticalHeader()->hide();
    StringGrid1->horizontalHeader()->setMinimumSectionSize(ColumnWidth);
    StringGrid1->horizontalHeader()->setDefaultSectionSize(ColumnWidth);
    StringGrid1->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    StringGrid1->verticalHeader()->setDefaultSectionSize(RowHeight);
    StringGrid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    StringGrid1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    StringGrid1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    StringGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    QFont gridFont(QStringLiteral("Courier New"), 10, QFont::Bold);
    gridFont.setStyleHint(QFont::TypeWriter);
    StringGrid1->setFont(gridFont);
    const int frame = 2 * StringGrid1->frameWidth();
    StringGrid1->setFixedSize(GridColumns * ColumnWidth + frame, GridRows * RowHeight + frame);
    for (int r = 0; r < GridRows; ++r)
        for (int c = 0; c < GridColumns; ++c) {
            auto* item = new QTableWidgetItem;
            if (r == 0) {
                item->setFlags(Qt::ItemIsEnabled); // the fixed heading row
                item->setBackground(palette().button());
            }
            StringGrid1->setItem(r, c, item);
        }
    connect(StringGrid1, &QTableWidget::currentCellChanged, this,
            [this](int row, int column) { StringGrid1SelectCell(row, column); });
    connect(StringGrid1, &QTableWidget::cellDoubleClicked, this, &TFCal::StringGrid1DblClick);
}

void TFCal::buildDateBar() {
    Panel3 = MakePanel("Panel3", TabSheet1);
    Button1 = MakeButton("Button1", QStringLiteral("Today"), Panel3);
    Edit1 = new QLineEdit(Panel3);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setAccessibleName(QStringLiteral("Date"));
    Edit1->setFont(QFont(QStringLiteral("Arial"), 10, QFont::Bold));
    Edit1->installEventFilter(this);
    Edit1->setMinimumWidth(140);
    okbtn = MakeButton("okbtn", QStringLiteral("OK"), Panel3);
    okbtn->setDefault(true);
    Button3 = MakeButton("Button3", QStringLiteral("Cancel"), Panel3);
    for (QPushButton* button : {Button1, okbtn, Button3})
        button->setFixedWidth(60);
    auto* bottomBar = new QHBoxLayout(Panel3);
    bottomBar->setContentsMargins(4, 4, 4, 4);
    bottomBar->addWidget(Button1);
    bottomBar->addWidget(Edit1, 1);
    bottomBar->addWidget(okbtn);
    bottomBar->addWidget(Button3);

    connect(Button1, &QPushButton::clicked, this, [this] { ShowDate(TodayDate()); });
    connect(okbtn, &QPushButton::clicked, this, &TFCal::okbtnClick);
    connect(Button3, &QPushButton::clicked, this, &QDialog::reject);
}

void TFCal::buildOptionsPage() {
    TabSheet2 = new QWidget;
    TabSheet2->setObjectName(QStringLiteral("TabSheet2"));
    PageControl1->addTab(TabSheet2, QStringLiteral("Options"));
    auto* page = new QVBoxLayout(TabSheet2);

    GroupBox1 =
        new QGroupBox(QStringLiteral("Transition from Julian to Gregorian calendar"), TabSheet2);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    auto* rows = new QVBoxLayout(GroupBox1);
    auto addRow = [&](QLabel*& label, const char* labelName, const QString& caption,
                      QLineEdit*& edit, const char* editName) {
        label = new QLabel(caption, GroupBox1);
        label->setObjectName(QLatin1String(labelName));
        edit = new QLineEdit(QStringLiteral("yyyy-mm-dd"), GroupBox1);
        edit->setObjectName(QLatin1String(editName));
        edit->setMaximumWidth(120);
        auto* row = new QHBoxLayout;
        row->addWidget(label, 1);
        row->addWidget(edit);
        rows->addLayout(row);
    };
    addRow(Label1, "Label1", QStringLiteral("last Julian day"), Edit2, "Edit2");
    Edit2->setToolTip(QStringLiteral("date in format yyyy-mm-dd ( see ISO 8601 )"));
    Edit2->setAccessibleName(Label1->text());
    Edit2->setAccessibleDescription(Edit2->toolTip());
    addRow(Label2, "Label2", QStringLiteral("first Gregorian day"), Edit3, "Edit3");
    Edit3->setAccessibleName(Label2->text());

    DeftsBtn = MakeButton("DeftsBtn", QStringLiteral("some defaults"), GroupBox1);
    DeftsBtn->setToolTip(
        QStringLiteral("a huge variety of national transitions to Gregorian calendar since 1582") +
        QLatin1Char('\n') +
        QStringLiteral("complicated by significant changes to national boundaries since then"));
    rows->addWidget(DeftsBtn, 0, Qt::AlignLeft);
    DeftsBtn->setAccessibleDescription(DeftsBtn->toolTip());
    page->addWidget(GroupBox1);
    page->addStretch();

    PopupMenu3 = new QMenu(this);
    PopupMenu3->setObjectName(QStringLiteral("PopupMenu3"));
    for (const TransitionPreset& preset : TransitionPresets()) {
        const CalendarDate last = preset.lastJulian;
        const CalendarDate first = preset.firstGregorian;
        connect(PopupMenu3->addAction(QString::fromLatin1(preset.caption)), &QAction::triggered,
                this, [this, last, first] {
                    Edit2->setText(FormatIsoDate(last));
                    Edit3->setText(FormatIsoDate(first));
                });
    }

    Button2 = MakeButton("Button2", QStringLiteral("OK"), TabSheet2);
    Button4 = MakeButton("Button4", QStringLiteral("Cancel"), TabSheet2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button2);
    buttons->addWidget(Button4);
    page->addLayout(buttons);

    connect(DeftsBtn, &QPushButton::clicked, this, [this] { PopupMenu3->popup(QCursor::pos()); });
    connect(Button2, &QPushButton::clicked, this, &TFCal::Button2Click);
    connect(Button4, &QPushButton::clicked, this,
            [this] { PageControl1->setCurrentWidget(TabSheet1); });
}

bool TFCal::PickDate(CalendarDate& date) {
    CalendarDate start = date;
    if (IsZeroDate(start) || !IsPickableDate(start))
        start = TodayDate();
    PageControl1->setCurrentWidget(TabSheet1);
    ShowDate(start);
    if (exec() != QDialog::Accepted)
        return false;
    date = Shown;
    return true;
}

void TFCal::ShowDate(const CalendarDate& date) {
    Shown = date;
    Refresh();
}

void TFCal::Refresh() {
    ComputeWeekday(Shown);
    YearBtn->setText(QString::number(Shown.year));
    MonthBtn->setText(MonthName(Shown.month));
    Edit1->setText(FormatIsoDateWeekday(Shown));
    Edit1->setCursorPosition(0);

    Building = true;
    StringGrid1->setCurrentCell(-1, -1);
    for (int r = 1; r < GridRows; ++r)
        for (int c = 0; c < GridColumns; ++c)
            StringGrid1->item(r, c)->setText(QString());
    for (const MonthCell& cell : LayoutMonth(Shown)) {
        StringGrid1->item(cell.row, cell.column)->setText(QStringLiteral("  %1").arg(cell.day, 2));
        if (cell.day == Shown.day)
            StringGrid1->setCurrentCell(cell.row, cell.column);
    }
    Building = false;
}

void TFCal::fillHeadings() {
    for (int c = 0; c < GridColumns; ++c)
        StringGrid1->item(0, c)->setText(QLatin1Char(' ') + DayAbbrev(c + 1));
}

void TFCal::showEvent(QShowEvent* event) {
    fillHeadings();
    QDialog::showEvent(event);
}

bool TFCal::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Edit1 && event->type() == QEvent::MouseButtonPress) {
        Edit1->setFocus(Qt::MouseFocusReason);
        Edit1->selectAll();
        return true;
    }
    if (watched == Panel2 && event->type() == QEvent::ContextMenu) {
        PopupMenu2->popup(static_cast<QContextMenuEvent*>(event)->globalPos());
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TFCal::step(void (*stepper)(CalendarDate&)) {
    stepper(Shown);
    Refresh();
}

void TFCal::setMonth(int month) {
    Shown.month = quint16(month);
    Refresh();
}

void TFCal::YearBtnClick() {
    int year = Shown.year;
    if (!PromptInteger(QStringLiteral("Enter year"), year))
        return;
    if (year == 0) {
        ShowInfo(
            QStringLiteral("Year 0 does not exist, the Julian calendar jumps from 1BC to 1AD"));
        return;
    }
    // Years the date type cannot hold are left out rather than wrapped into some other year.
    if (year < 1 || year > 9999)
        return;
    Shown.year = quint16(year);
    Refresh();
}

bool TFCal::cellDay(int row, int column, int& day) const {
    if (row < 1 || column < 0)
        return false; // the heading row or no cell
    const QTableWidgetItem* item = StringGrid1->item(row, column);
    return item && !item->text().isEmpty() && TryParseInt(item->text(), day);
}

void TFCal::StringGrid1SelectCell(int row, int column) {
    int day = 0;
    if (Building || !cellDay(row, column, day))
        return;
    Shown.day = quint16(day);
    Refresh();
}

void TFCal::StringGrid1DblClick(int row, int column) {
    int day = 0;
    if (!cellDay(row, column, day))
        return;
    Shown.day = quint16(day);
    accept();
}

void TFCal::okbtnClick() {
    Shown = ParseIsoDate(Edit1->text());
    accept();
}

void TFCal::optionsShown() {
    Edit2->setText(FormatIsoDate(LastJulianDay()));
    Edit3->setText(FormatIsoDate(FirstGregorianDay()));
}

void TFCal::Button2Click() {
    CalendarDate last;
    CalendarDate first;
    // A date that does not parse, or a transition no calendar could have, is refused
    // silently and the page stays.
    if (!ParseIsoDate(Edit2->text(), last) || !ParseIsoDate(Edit3->text(), first) ||
        !IsSensibleTransition(last, first))
        return;
    SetTransition(last, first);
    PageControl1->setCurrentWidget(TabSheet1);
    ShowDate(first);
}
