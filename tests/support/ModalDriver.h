#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <QtDebug>

#include <functional>

// Drives our own modal windows in widget tests: queue the action before the call that runs
// the modal loop; it runs on the modal window as soon as one is on screen.
inline void WhenModal(std::function<void(QWidget*)> action, int triesLeft = 500) {
    QTimer::singleShot(10, [action, triesLeft] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal->isVisible()) {
            action(modal);
            return;
        }
        if (triesLeft > 0)
            WhenModal(action, triesLeft - 1);
        else
            qWarning("no modal window appeared");
    });
}

// Closes whatever modal window a failed test left open.
inline void CloseModalLeftovers() {
    while (QWidget* modal = QApplication::activeModalWidget()) {
        modal->close();
        if (QApplication::activeModalWidget() == modal)
            break;
    }
}
