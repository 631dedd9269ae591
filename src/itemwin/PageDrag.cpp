#include "itemwin/PageDrag.h"

#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

PageDrag::PageDrag(QWidget* window, QWidget* handle)
    : QObject(window), window(window), handle(handle) {
    handle->installEventFilter(this);
}

void PageDrag::Stop() {
    dragging = false;
}

void PageDrag::Start(const QPoint& globalPos) {
    dragging = true;
    manualDrag = false;
    dragStart = globalPos;
    windowStart = window->frameGeometry().topLeft();
    handle->setCursor(Qt::SizeAllCursor);
}

bool PageDrag::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (watched != handle || (type != QEvent::MouseButtonPress && type != QEvent::MouseMove &&
                              type != QEvent::MouseButtonRelease))
        return false;
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (type == QEvent::MouseButtonPress) {
        if (mouse->button() == Qt::LeftButton)
            Start(mouse->globalPosition().toPoint());
        return false;
    }
    if (type == QEvent::MouseButtonRelease) {
        if (dragging) {
            dragging = false;
            handle->setCursor(Qt::IBeamCursor);
        }
        return false;
    }
    if (!dragging || !(mouse->buttons() & Qt::LeftButton)) {
        dragging = false;
        handle->setCursor(Qt::IBeamCursor);
        return false;
    }
    if (!manualDrag) {
        QWindow* system = window->windowHandle();
        if (system && system->startSystemMove()) {
            dragging = false;
            handle->setCursor(Qt::IBeamCursor);
            return true;
        }
        manualDrag = true;
    }
    window->move(windowStart + mouse->globalPosition().toPoint() - dragStart);
    return true;
}
