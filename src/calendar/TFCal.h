#pragma once

#include "calendar/CalendarDate.h"
#include "common/SingleWindow.h"

#include <QDialog>

class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTabWidget;
class QTableWidget;
class QToolButton;

// The calendar: a modal date picker showing one month at a time, leaving out the days the
// Julian-to-Gregorian transition skips, with a second page that moves the transition for the
// whole program. Created once and reused until the program ends.
class TFCal : public QDialog, public SingleWindow<TFCal> {
    Q_OBJECT
public:
    explicit TFCal(QWidget* parent = nullptr);

    // Opens at the date (today for the zero date or a date it cannot show). On OK the date
    // becomes the chosen one and the result is true; on Cancel the date is left alone.
    bool PickDate(CalendarDate& date);

    CalendarDate ShownDate() const { return Shown; }
    // Points the dialog at a date and redraws it.
    void ShowDate(const CalendarDate& date);

    QTabWidget* PageControl1;
    QWidget* TabSheet1;
    QWidget* TabSheet2;
    QFrame* Panel1;
    QFrame* Panel2;
    QFrame* Panel3;
    QToolButton* SpeedButton1;
    QToolButton* SpeedButton2;
    QToolButton* SpeedButton3;
    QToolButton* SpeedButton4;
    QPushButton* YearBtn;
    QPushButton* MonthBtn;
    QTableWidget* StringGrid1;
    QPushButton* Button1;
    QLineEdit* Edit1;
    QPushButton* okbtn;
    QPushButton* Button3;
    QMenu* PopupMenu2;
    QGroupBox* GroupBox1;
    QLabel* Label1;
    QLabel* Label2;
    QLineEdit* Edit2;
    QLineEdit* Edit3;
    QPushButton* DeftsBtn;
    QPushButton* Button2;
    QPushButton* Button4;
    QMenu* PopupMenu3;

    void Refresh();
    void YearBtnClick();
    void StringGrid1SelectCell(int row, int column);
    void StringGrid1DblClick(int row, int column);
    void okbtnClick();
    void Button2Click();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class SingleWindow<TFCal>;
    static QPointer<TFCal>& Slot();

    void buildCalendarPage();
    void buildDayGrid();
    void buildDateBar();
    void buildOptionsPage();
    void fillHeadings();
    void step(void (*stepper)(CalendarDate&));
    void setMonth(int month);
    void optionsShown();
    bool cellDay(int row, int column, int& day) const;

    CalendarDate Shown;
    bool Building = false;
};
