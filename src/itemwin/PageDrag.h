#pragma once

#include <QObject>
#include <QPoint>

class QWidget;

// Moves a window by a drag in one of its widgets, as a drag on a title bar would: the left
// button pressed in the widget starts it (the press still reaches the widget, so the caret is
// placed), the window system moves the window when it can, and otherwise the window follows the
// mouse until the button is released. The widget shows the move cursor while a drag is on.
class PageDrag : public QObject {
public:
    PageDrag(QWidget* window, QWidget* handle);
    // Ends a drag under way: the window is closing.
    void Stop();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Start(const QPoint& globalPos);

    QWidget* window;
    QWidget* handle;
    bool dragging = false;
    // The window system did not take the move: the window follows the mouse itself.
    bool manualDrag = false;
    QPoint dragStart;
    QPoint windowStart;
};
