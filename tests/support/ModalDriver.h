#pragma once

#include <QApplication>
#include <QByteArray>
#include <QDialog>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

namespace ModalDriverDetail {
// Shuts a window that holds the test in its own event loop: a dialog is rejected (a message box
// without an escape button ignores close), any other window is closed and, failing that,
// hidden. Open menus go too.
inline void Shut(QWidget* window) {
    if (auto* dialog = qobject_cast<QDialog*>(window))
        dialog->done(QDialog::Rejected);
    else if (!window->close())
        window->hide();
}

inline void ShutModalAndPopups() {
    while (QWidget* popup = QApplication::activePopupWidget()) {
        popup->close();
        if (QApplication::activePopupWidget() == popup)
            break;
    }
    if (QWidget* modal = QApplication::activeModalWidget())
        Shut(modal);
}
} // namespace ModalDriverDetail

// Drives our own modal windows in widget tests: queue the action before the call that runs
// the modal loop; it runs on the modal window as soon as one is on screen.
//
// When no modal window appears within timeoutMs, the test function that queued the action
// fails at once (QTest::qFail, with a message), and from then on every modal window or menu
// that opens while that test function runs is shut, so that the call waiting on it returns
// and the test function ends instead of hanging until the CTest timeout. An action still
// waiting when its test function (or data row) has ended is dropped: it never acts on
// another test's windows.
inline void WhenModal(std::function<void(QWidget*)> action, int timeoutMs = 5000) {
    struct Waiter {
        std::function<void(QWidget*)> action;
        int timeoutMs;
        QByteArray function = QTest::currentTestFunction();
        QByteArray dataTag = QTest::currentDataTag();
        QElapsedTimer waited;
        bool gaveUp = false;

        // False once there is nothing left to do.
        bool Tick() {
            if (function != QTest::currentTestFunction() || dataTag != QTest::currentDataTag())
                return false;
            if (gaveUp) {
                ModalDriverDetail::ShutModalAndPopups();
                return true;
            }
            QWidget* modal = QApplication::activeModalWidget();
            if (modal && modal->isVisible()) {
                action(modal);
                return false;
            }
            if (waited.elapsed() < timeoutMs)
                return true;
            gaveUp = true;
            const QByteArray message = "WhenModal: no modal window appeared within " +
                                       QByteArray::number(timeoutMs) +
                                       " ms; the action queued by " + function + "() was not run";
            QTest::qFail(message.constData(), __FILE__, __LINE__);
            ModalDriverDetail::ShutModalAndPopups();
            return true;
        }
    };
    auto waiter = std::make_shared<Waiter>();
    waiter->action = std::move(action);
    waiter->timeoutMs = timeoutMs;
    waiter->waited.start();
    auto* poll = new QTimer(qApp);
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, waiter] {
        // Stopped meanwhile: the action (or a shut window) may run an event loop of its own.
        poll->stop();
        if (waiter->Tick())
            poll->start();
        else
            poll->deleteLater();
    });
    poll->start();
}

// Closes whatever modal window a failed test left open.
inline void CloseModalLeftovers() {
    while (QWidget* modal = QApplication::activeModalWidget()) {
        ModalDriverDetail::Shut(modal);
        if (QApplication::activeModalWidget() == modal)
            break;
    }
}
