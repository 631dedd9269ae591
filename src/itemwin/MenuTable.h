#pragma once

#include "store/CommandGuard.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>

#include <cstddef>
#include <vector>

// A window's menu written as a table, one entry per line in menu order: its commands (each
// kept in a member of the window, named, and run as one command under the command guard),
// separators and submenus. Menus are numbered: 0 is the menu the table is built into, and each
// Submenu entry makes the next number.
template <class Window> struct MenuEntry {
    enum class Kind {
        Command,
        Check, // a command with a check mark that it toggles
        Radio, // a command of the table's one group, of which one is marked
        Separator,
        Submenu,
    };
    Kind What;
    int In; // the menu the entry goes into
    const char* Caption;
    const char* Name;
    QAction* Window::*Action;
    void (Window::*Handler)(); // none: the command does nothing when chosen

    static MenuEntry Command(int in, QAction* Window::*action, const char* name,
                             const char* caption, void (Window::*handler)()) {
        return {Kind::Command, in, caption, name, action, handler};
    }
    static MenuEntry Check(int in, QAction* Window::*action, const char* name, const char* caption,
                           void (Window::*handler)()) {
        return {Kind::Check, in, caption, name, action, handler};
    }
    static MenuEntry Radio(int in, QAction* Window::*action, const char* name, const char* caption,
                           void (Window::*handler)()) {
        return {Kind::Radio, in, caption, name, action, handler};
    }
    static MenuEntry Separator(int in) {
        return {Kind::Separator, in, nullptr, nullptr, nullptr, nullptr};
    }
    static MenuEntry Submenu(int in, const char* caption) {
        return {Kind::Submenu, in, caption, nullptr, nullptr, nullptr};
    }
};

// Builds entries into menu for window. Returns the group of the Radio entries (owned by the
// window), none marked yet.
template <class Window, std::size_t N>
QActionGroup* BuildMenuFromTable(Window* window, QMenu* menu,
                                 const MenuEntry<Window> (&entries)[N]) {
    using Kind = typename MenuEntry<Window>::Kind;
    auto* group = new QActionGroup(window);
    std::vector<QMenu*> menus{menu};
    for (const MenuEntry<Window>& entry : entries) {
        QMenu* into = menus.at(std::size_t(entry.In));
        if (entry.What == Kind::Separator) {
            into->addSeparator();
            continue;
        }
        if (entry.What == Kind::Submenu) {
            menus.push_back(into->addMenu(QString::fromLatin1(entry.Caption)));
            continue;
        }
        QAction* action = into->addAction(QString::fromLatin1(entry.Caption));
        action->setObjectName(QString::fromLatin1(entry.Name));
        action->setCheckable(entry.What != Kind::Command);
        if (entry.What == Kind::Radio)
            group->addAction(action);
        window->*entry.Action = action;
        if (const auto handler = entry.Handler)
            QObject::connect(action, &QAction::triggered, window, [window, handler] {
                RunCommand([window, handler] { (window->*handler)(); });
            });
    }
    return group;
}
