#include "common/Placement.h"

#include "common/CommonState.h"

#include <algorithm>

QPoint PlaceAtCursorPoint(QPoint cursor, QSize window, QRect screen) {
    int left = cursor.x() + 1;
    int top = cursor.y() + 1;
    if (top + window.height() > screen.bottom() + 1)
        top = screen.bottom() + 1 - window.height();
    if (left + window.width() > screen.right() + 1)
        left = screen.right() + 1 - window.width();
    return QPoint(left, top);
}

MessageAnchor& MessageBoxAnchor() {
    return Common().MessageBoxAnchor;
}

MessageAnchor& ChooserAnchor() {
    return Common().ChooserAnchor;
}

QPoint PlaceBoxAt(QPoint anchor, QSize window, QRect screen) {
    int left = anchor.x();
    int top = anchor.y();
    if (left + window.width() > screen.right() + 1)
        left = screen.right() + 1 - window.width();
    if (top + window.height() > screen.bottom() + 1)
        top = screen.bottom() + 1 - window.height();
    return QPoint(left, top);
}

QPoint PlacePromptAt(QPoint anchor, QSize window, QRect screen) {
    return QPoint(std::min(anchor.x(), screen.right() + 1 - window.width()),
                  std::min(anchor.y(), screen.bottom() + 1 - window.height()));
}
