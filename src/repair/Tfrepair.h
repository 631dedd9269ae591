#pragma once

#include "repair/HealthCheckScan.h"

#include <QMainWindow>
#include <QPointer>
#include <QStringList>

class QAction;
class QLabel;
class QPlainTextEdit;

// The database health check window: the report of each scan appended below the last one in
// Memo1, the items still to scan counted down in Panel1, and the commands Close, Recheck and
// Repair. One instance, modeless, made on first use. The scan and its decisions are
// HealthCheckScan's; the window shows its lines and lets events through between chunks.
class Tfrepair : public QMainWindow {
    Q_OBJECT
public:
    static Tfrepair* Instance();
    static Tfrepair* Existing();
    // Deletes the window. One whose scan is still running (this was called from the events
    // the scan lets through) is hidden, its scan abandoned, and deleted once the scan returns.
    static void DestroyInstance();

    explicit Tfrepair(QWidget* parent = nullptr);
    ~Tfrepair() override;

    // Opening from the list window: shows the window and scans without repairs.
    void FormOpen();
    // Menu commands.
    void Close1Click();
    void Recheck1Click();
    void Repair1Click();

    // Adds a line at the end of Memo1.
    void AppendLine(const QString& line);
    // The lines of Memo1, the first one the empty line it starts with.
    QStringList MemoLines() const;

    HealthCheckScan Scan;

    QPlainTextEdit* Memo1;
    QLabel* Panel1;
    QAction* Close1;
    QAction* Recheck1;
    QAction* Repair1;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildMenu();
    void BuildPanels();
    // Runs a command of the scan with the busy cursor; an engine error ends it and is shown.
    void RunScan(HealthCheckScan::Command command);
};
