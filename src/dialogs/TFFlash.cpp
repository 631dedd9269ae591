#include "dialogs/TFFlash.h"

#include "common/Folders.h"
#include "common/Settings.h"
#include "common/WindowHelpers.h"
#include "dialogs/DialogWindows.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QTimer>

QPointer<TFFlash>& TFFlash::Slot() {
    return DialogWindows().Flash;
}

int& TFFlash::FlashInterval() {
    return AppSettings().FlashInterval;
}

TFFlash::TFFlash(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                          Qt::WindowDoesNotAcceptFocus) {
    setObjectName(QStringLiteral("TFFlash"));
    // Frameless, with no title to announce: the program's name stands for one.
    setAccessibleName(ApplicationTitle);
    setAttribute(Qt::WA_ShowWithoutActivating);
    resize(113, 38);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setAutoFillBackground(true);
    Panel1->setFont(ArialPixels(13, true));

    Label1 = new QLabel(Panel1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setTextFormat(Qt::PlainText);
    Label1->move(13, 12);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(500);
    Timer1->setTimerType(Qt::PreciseTimer); // the period is the setting, not 5 % less
    connect(Timer1, &QTimer::timeout, this, &TFFlash::Timer1Timer);
}

void TFFlash::FlashMessage(const QString& text) {
    if (text.isEmpty()) {
        Hide();
        return;
    }
    if (timerEnabled)
        accumulated += QStringLiteral("\r\n") + text;
    else
        accumulated = text;

    QPalette pal = Panel1->palette();
    pal.setColor(QPalette::Window, QColor(0, 255, 255));
    Panel1->setPalette(pal);
    QString shown = accumulated;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    Label1->setText(shown);
    Label1->adjustSize();

    int width = 120;
    if (width < Label1->x() + Label1->width() + 20)
        width = Label1->x() + Label1->width() + 20;
    int height = 20;
    if (height < 2 * Label1->y() + Label1->height())
        height = 2 * Label1->y() + Label1->height();
    resize(width, height);
    Panel1->setGeometry(0, 0, width, height);

    ShowAtCursor(this);
    // Paint now: the caller may go on with long work before the event loop runs again.
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);

    // A running period is not restarted by a further message, so the window closes one
    // interval after the first; only a changed interval starts the period again.
    const int interval = FlashInterval();
    if (!timerEnabled || Timer1->interval() != interval) {
        Timer1->stop();
        Timer1->setInterval(interval);
        if (interval > 0)
            Timer1->start();
    }
    timerEnabled = true;
    showing = true;
}

void TFFlash::Timer1Timer() {
    if (showing)
        Hide();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TFFlash::Hide() {
    Timer1->stop();
    timerEnabled = false;
    hide();
    showing = false;
}
