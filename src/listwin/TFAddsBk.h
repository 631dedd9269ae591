#pragma once

#include <QMainWindow>

class QAction;
class QTableView;

// The items list window, the program's main window.
class TFAddsBk : public QMainWindow {
    Q_OBJECT
public:
    explicit TFAddsBk(QWidget* parent = nullptr);

    // Closes without a question, as a system shutdown does.
    void CloseQuietly();
    // The Exit command: asks first.
    void Exit1Click();

    QAction* Exit1;
    QTableView* DBGrid1;

protected:
    void closeEvent(QCloseEvent* event) override;
};
