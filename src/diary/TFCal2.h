#pragma once

#include "diary/DiarySession.h"
#include "common/SingleWindow.h"

#include <QDialog>
#include <QPointer>

#include <array>

class QAction;
class QFrame;
class QMenu;
class QMenuBar;
class QPainter;
class QPushButton;
class QStyleOptionViewItem;
class QTableWidget;
class QToolButton;

// The diary: one month as a grid of days, each day's cell showing the item filed under it (an
// item whose Ref begins with the day's date). Choosing a day with an entry opens the entry's
// text; choosing an empty day starts a new entry for it under the year's item. Modeless, made
// once and kept, so it reopens at the month last shown. Its decisions are DiarySession's.
class TFCal2 : public QDialog, public SingleWindow<TFCal2> {
    Q_OBJECT
public:
    static QPointer<TFCal2>& Slot();

    explicit TFCal2(QWidget* parent = nullptr);
    ~TFCal2() override;

    // Refreshes, then shows the window (restored when minimised) in front.
    void OpenDiary();
    // Reads the shown month's entries and fills the bars and the grid.
    void Refresh();

    // The user's commands.
    void SpeedButton1Click(); // previous year
    void SpeedButton3Click(); // next year
    void SpeedButton2Click(); // previous month
    void SpeedButton4Click(); // next month
    void YearBtnClick();
    void MonthBtnClick();
    void YearMnuClick(QAction* item);
    void MonthMnuClick(int month);
    void PastYearsMnuClick();
    void FutrYearsMnuClick();
    void Close1Click();
    void Refresh1Click();
    void Today1Click();
    // Choosing the day of a cell (a press on it, or the selection moved onto it): the session
    // says which day the cell holds and what choosing it means.
    void StringGrid1SelectCell(int row, int column);
    // Draws a day cell that has text: wrapped in the cell's width, from its top.
    void StringGrid1DrawCell(QPainter* painter, const QStyleOptionViewItem& option, int row,
                             int column);

    // Sizes the columns and rows to the grid and centres the button groups in their bars.
    void FormResize();
    // Raises each day row that is lower than the wrapped text of one of its cells.
    void FitRows();
    // The height the text of a cell needs in a column of width, wrapped as it is drawn.
    int CellTextHeight(const QString& text, int width) const;

    DiarySession Session;
    bool ResizingActive = false;
    bool Building = false;

    QMenuBar* MainMenu1;
    QAction* Close1;
    QAction* Refresh1;
    QAction* Today1;
    QFrame* Panel1;
    QFrame* Panel4;
    QToolButton* SpeedButton1;
    QPushButton* YearBtn;
    QToolButton* SpeedButton3;
    QFrame* Panel2;
    QFrame* Panel5;
    QToolButton* SpeedButton2;
    QPushButton* MonthBtn;
    QToolButton* SpeedButton4;
    QTableWidget* StringGrid1;
    QPushButton* Button1;
    QMenu* PopupMenu1;
    QAction* PastYearsMnu;
    std::array<QAction*, DiarySession::YearCount> YearMnus; // Year1Mnu .. Year9Mnu
    QAction* FutrYearsMnu;
    QMenu* PopupMenu2;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenu();
    void buildBars();
    void buildGrid();
    void buildPopups();
    void buildLayout();
    void connectCommands();
    void fillHeadings();
    void showYearList();
    void step(void (*stepper)(CalendarDate&));
    // The selection signals queue the choice, so that a press and the selection move it makes
    // choose the day once, and the new-entry form never opens inside the grid's own handling.
    void queueChoice(int row, int column);

    int chosenRow = -1;
    int chosenColumn = -1;
    bool choiceQueued = false;
};
