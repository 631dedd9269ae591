#include "listwin/TFAddsBk.h"

#include "app/Dialogs.h"
#include "app/Folders.h"
#include "app/Settings.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QMenuBar>
#include <QStatusBar>
#include <QTableView>

TFAddsBk::TFAddsBk(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("TFAddsBk"));
    setWindowTitle(ApplicationTitle);
    resize(640, 480);

    Exit1 = menuBar()->addAction(QStringLiteral("&Exit"));
    Exit1->setObjectName(QStringLiteral("Exit1"));
    connect(Exit1, &QAction::triggered, this, &TFAddsBk::Exit1Click);

    DBGrid1 = new QTableView(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    QPalette pal = DBGrid1->palette();
    pal.setColor(QPalette::Base, QColor(0xCE, 0xFF, 0xFF));
    DBGrid1->setPalette(pal);
    DBGrid1->verticalHeader()->hide();
    setCentralWidget(DBGrid1);
    statusBar();
}

void TFAddsBk::Exit1Click() {
    if (Confirm(QStringLiteral("OK to exit program 'Cardolo' ?")))
        close();
}

void TFAddsBk::CloseQuietly() { close(); }

// Every close writes the settings; none is refused.
void TFAddsBk::closeEvent(QCloseEvent* event) {
    WriteSettings();
    event->accept();
}
