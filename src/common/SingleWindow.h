#pragma once

#include <QPointer>

// The one instance of a window that the program reuses: made on first use, destroyed on
// request, and forgotten as soon as it is gone, however it went. The window says where the
// instance is kept with a static Slot() returning a QPointer<Window>&.
template <class Window> class SingleWindow {
public:
    static Window* Instance() {
        QPointer<Window>& one = Window::Slot();
        if (!one)
            one = new Window;
        return one;
    }
    static Window* Existing() { return Window::Slot(); }
    static void DestroyInstance() { delete Window::Slot().data(); }
};
