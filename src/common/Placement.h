#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

// Where windows that open at the mouse pointer go. Pure arithmetic, so it is tested without a
// screen. "screen" is the available area of the screen the pointer is on.

// One pixel right of and below the pointer, then pulled back up and left to lie on the screen.
QPoint PlaceAtCursorPoint(QPoint cursor, QSize window, QRect screen);

// The anchor of message boxes and the input prompt: the pointer, unless it has not moved since
// the last message box closed; then the place of the previous box.
struct MessageAnchor {
    QPoint lastBoxPosition;
    QPoint cursorAtLastClose;
    QPoint Take(QPoint cursor) {
        if (cursor == cursorAtLastClose)
            cursor = lastBoxPosition;
        lastBoxPosition = cursor;
        return cursor;
    }
};
MessageAnchor& MessageBoxAnchor();

// The chooser keeps its own anchor pair.
MessageAnchor& ChooserAnchor();

// Message boxes and the chooser: corner at the anchor, moved back when an edge would pass the
// screen's right or bottom.
QPoint PlaceBoxAt(QPoint anchor, QSize window, QRect screen);
// The input prompt: the smaller of the anchor and the screen size less the window size, with
// no clamp at the screen's left or top.
QPoint PlacePromptAt(QPoint anchor, QSize window, QRect screen);
