#include "repair/Tfrepair.h"

#include "common/Busy.h"
#include "common/WindowHelpers.h"
#include "store/CommandGuard.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextBlock>
#include <QVBoxLayout>

namespace {
QPointer<Tfrepair>& slot() {
    static QPointer<Tfrepair> one;
    return one;
}

QAction* named(QAction* action, const char* name) {
    action->setObjectName(QLatin1String(name));
    return action;
}
} // namespace

Tfrepair* Tfrepair::Instance() {
    if (!slot())
        slot() = new Tfrepair;
    return slot();
}

Tfrepair* Tfrepair::Existing() {
    return slot();
}

void Tfrepair::DestroyInstance() {
    Tfrepair* window = slot();
    if (!window)
        return;
    slot() = nullptr;
    if (window->Scan.Running()) {
        // The scan is further up the stack: deleting it now would pull the ground from under
        // it. Deferred deletion waits until control is back in the event loop, after the scan.
        window->Scan.Abandon();
        window->hide();
        window->deleteLater();
        return;
    }
    delete window;
}

Tfrepair::Tfrepair(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("Tfrepair"));
    setWindowTitle(QStringLiteral("Database healthcheck"));
    BuildMenu();
    BuildPanels();
    resize(520, 400);

    Scan.AppendLine = [this](const QString& line) { AppendLine(line); };
    Scan.ShowStatus = [this](const QString& text) { Panel1->setText(text); };
    // The window repaints and Close, Recheck and Repair work while the scan runs.
    Scan.ProcessEvents = [] { QCoreApplication::processEvents(); };
}

Tfrepair::~Tfrepair() = default;

void Tfrepair::BuildMenu() {
    QMenuBar* bar = menuBar();
    Close1 = named(bar->addAction(QStringLiteral("Close")), "Close1");
    Recheck1 = named(bar->addAction(QStringLiteral("Recheck")), "Recheck1");
    Repair1 = named(bar->addAction(QStringLiteral("Repair")), "Repair1");
    connect(Close1, &QAction::triggered, this, &Tfrepair::Close1Click);
    connect(Recheck1, &QAction::triggered, this, &Tfrepair::Recheck1Click);
    connect(Repair1, &QAction::triggered, this, &Tfrepair::Repair1Click);
}

void Tfrepair::BuildPanels() {
    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    // The report: appended to only, one empty line to begin with.
    Memo1 = new QPlainTextEdit(central);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setAccessibleName(QStringLiteral("Report"));
    Memo1->setReadOnly(true);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    column->addWidget(Memo1, 1);

    Panel1 = new QLabel(QStringLiteral(" "), central);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setAccessibleDescription(QStringLiteral("Status line"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    column->addWidget(Panel1);

    setCentralWidget(central);
}

void Tfrepair::FormOpen() {
    ShowRestored(this);
    RunScan(HealthCheckScan::Command::Check);
}

void Tfrepair::Close1Click() {
    close();
}

void Tfrepair::Recheck1Click() {
    FormOpen();
}

void Tfrepair::Repair1Click() {
    RunScan(HealthCheckScan::Command::Repair);
}

void Tfrepair::AppendLine(const QString& line) {
    // Always a new line after the last one, the empty first line included (appending to an
    // empty memo would fill that line instead). The view follows the report while it is at its
    // end.
    QScrollBar* bar = Memo1->verticalScrollBar();
    const bool following = bar->value() == bar->maximum();
    QTextCursor cursor(Memo1->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertBlock();
    cursor.insertText(line);
    if (following)
        bar->setValue(bar->maximum());
}

QStringList Tfrepair::MemoLines() const {
    QStringList lines;
    for (QTextBlock block = Memo1->document()->begin(); block.isValid(); block = block.next())
        lines << block.text();
    return lines;
}

void Tfrepair::closeEvent(QCloseEvent* event) {
    // However the window is closed, a running item scan stops at its next item.
    Scan.Stop();
    event->accept();
}

void Tfrepair::RunScan(HealthCheckScan::Command command) {
    RunCommand([&] {
        const BusyScope busy;
        Scan.Run(command);
    });
}
