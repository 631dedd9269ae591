#include "listwin/TFAddsBk.h"

#include "common/Dialogs.h"
#include "common/WorkProgress.h"
#include "search/SearchIndexBuilder.h"
#include "store/CommandGuard.h"
#include "store/SortKeys.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QTimer>

// Long work in the status line: the work under way on this thread, and the background builds of
// the search index and the names' sort keys.

namespace {
// While long work lets events run, the user's input goes nowhere but Esc, which asks the work
// to stop: no command may start in the middle of another. A message box that some event
// opened meanwhile gets its input as usual.
class WorkInputGate : public QObject {
public:
    bool StopAsked = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (QApplication::activeModalWidget())
            return QObject::eventFilter(watched, event);
        switch (event->type()) {
        case QEvent::ShortcutOverride:
        case QEvent::KeyPress:
            if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
                StopAsked = true;
            // Taken here, so that no shortcut (Esc's own Back) runs either.
            event->accept();
            return true;
        case QEvent::KeyRelease:
        case QEvent::Shortcut:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::NonClientAreaMouseButtonPress:
        case QEvent::NonClientAreaMouseButtonRelease:
        case QEvent::NonClientAreaMouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
            return true;
        case QEvent::Close:
            // The window manager's close waits for the work's end.
            if (event->spontaneous()) {
                event->ignore();
                return true;
            }
            return false;
        default:
            return QObject::eventFilter(watched, event);
        }
    }
};
} // namespace

void TFAddsBk::installWorkProgress() {
    SetWorkProgressHooks({[this](const QString& text) {
                              workText = text;
                              showProgress();
                          },
                          [this] { return pollWork(); }});
}

// The events waiting run (the status line repaints); the user's input only through the gate.
bool TFAddsBk::pollWork() {
    WorkInputGate gate;
    qApp->installEventFilter(&gate);
    QCoreApplication::processEvents();
    qApp->removeEventFilter(&gate);
    return gate.StopAsked || closed;
}

void TFAddsBk::showProgress() {
    Label4->setText(workText.isEmpty() ? buildText : workText);
}

// The search index and the names' sort keys are built in the background once the window is
// there to show how far they have come.
void TFAddsBk::startIndexBuild() {
    RunCommand([] {
        StartSearchIndexBuild();
        StartSortKeyBuild();
    });
    Timer1Timer();
}

void TFAddsBk::Timer1Timer() {
    const SearchIndexBuildStatus search = PollSearchIndexBuild();
    const BackgroundBuildStatus order = PollSortKeyBuild();
    QStringList parts;
    if (search.Running)
        parts << QStringLiteral("Preparing the search: %1%").arg(search.Percent);
    if (order.Running)
        parts << QStringLiteral("Preparing the sort order: %1%").arg(order.Percent);
    buildText = parts.join(QStringLiteral("; "));
    if (parts.isEmpty())
        Timer1->stop();
    else if (!Timer1->isActive())
        Timer1->start();
    showProgress();
    for (const QString& error : {search.Error, order.Error})
        if (!error.isEmpty())
            ShowInfo(error);
}
