#include "dialogs/TFFlash.h"

#include "app/Placement.h"

#include <QApplication>
#include <QCursor>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTimer>

TFFlash* TFFlash::Instance() {
    static TFFlash* instance = new TFFlash;
    return instance;
}

int& TFFlash::FlashInterval() {
    static int interval = 500;
    return interval;
}

TFFlash::TFFlash(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                          Qt::WindowDoesNotAcceptFocus) {
    setObjectName(QStringLiteral("TFFlash"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    resize(113, 38);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setAutoFillBackground(true);
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(13);
    f.setBold(true);
    Panel1->setFont(f);

    Label1 = new QLabel(Panel1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setTextFormat(Qt::PlainText);
    Label1->move(13, 12);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(500);
    connect(Timer1, &QTimer::timeout, this, &TFFlash::Timer1Timer);
}

void TFFlash::FlashMessage(const QString& text) {
    if (text.isEmpty()) {
        Hide();
        return;
    }
    if (Timer1->isActive() || (showing && FlashInterval() <= 0))
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

    QPoint cursor = QCursor::pos();
    QScreen* screen = QGuiApplication::screenAt(cursor);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    QRect area = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
    move(PlaceAtCursorPoint(cursor, size(), area));
    show();
    raise();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);

    showing = true;
    // A running timer is not restarted: the window closes one interval after the first message.
    if (FlashInterval() > 0) {
        if (!Timer1->isActive() || Timer1->interval() != FlashInterval()) {
            Timer1->setInterval(FlashInterval());
            Timer1->start();
        }
    }
}

void TFFlash::Timer1Timer() {
    if (showing)
        Hide();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TFFlash::Hide() {
    Timer1->stop();
    hide();
    showing = false;
}
