#include "listwin/ListMenus.h"

#include "listwin/AllItemsExport.h"
#include "listwin/ListState.h"
#include "listwin/TFAddsBk.h"

#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>

namespace {

using Window = TFAddsBk;
using MenuField = QMenu* Window::*;
using ActionField = QAction* Window::*;
using Command = void (Window::*)();

enum EntryFlag { Disabled = 0, Enabled = 1, Checkable = 2, Hidden = 4, Popup = 8 };

// One entry, in the order the menus are built. An entry sets the window's action (a command)
// or one of its menus (a submenu, or a popup menu of its own); one that sets neither is a
// separator.
struct MenuEntry {
    MenuField In; // the menu the entry goes in; nullptr for the menu bar
    ActionField Action;
    MenuField Submenu;
    const char* Caption;
    const char* Name;
    int Flags;
    Command Run;
};

constexpr MenuField Bar = nullptr;

constexpr MenuEntry command(MenuField in, ActionField action, const char* caption, const char* name,
                            int flags, Command run = nullptr) {
    return {in, action, nullptr, caption, name, flags, run};
}

constexpr MenuEntry submenu(MenuField in, MenuField menu, const char* caption, const char* name) {
    return {in, nullptr, menu, caption, name, Enabled, nullptr};
}

constexpr MenuEntry popup(MenuField menu, const char* name) {
    return {Bar, nullptr, menu, nullptr, name, Popup, nullptr};
}

constexpr MenuEntry separator(MenuField in) {
    return {in, nullptr, nullptr, nullptr, nullptr, Disabled, nullptr};
}

// clang-format off
const MenuEntry Entries[] = {
    command(Bar, &Window::Exit1, "&Exit", "Exit1", Enabled, &Window::Exit1Click),
    command(Bar, &Window::Top1, "Top", "Top1", Disabled, &Window::TopCommand),
    command(Bar, &Window::Refresh1, "Refresh", "Refresh1", Enabled, &Window::RefreshCommand),
    command(Bar, &Window::Find1, "Search", "Find1", Enabled, &Window::SearchCommand),
    command(Bar, &Window::Import1, "Import", "Import1", Enabled, &Window::Import1Click),
    submenu(Bar, &Window::Export1, "Export", "Export1"),
    command(&Window::Export1, &Window::toClipboard1, "to Clipboard", "toClipboard1", Enabled,
            &Window::toClipboard1Click),
    command(&Window::Export1, &Window::toFile1, "to File", "toFile1", Disabled),
    command(&Window::Export1, &Window::Print1, "to Printer", "Print1", Enabled,
            &Window::Print1Click),
    command(Bar, &Window::Now1, "Now!", "Now1", Enabled, &Window::Now1Click),
    submenu(Bar, &Window::New1, "New", "New1"),
    command(&Window::New1, &Window::ext1, "Text", "ext1", Enabled, &Window::ext1Click),
    command(&Window::New1, &Window::Details2, "Details", "Details2", Enabled,
            &Window::Details2Click),
    command(Bar, &Window::Diary1, "Diary", "Diary1", Enabled, &Window::Diary1Click),
    submenu(Bar, &Window::LinkAll1, "LinkAll", "LinkAll1"),
    command(&Window::LinkAll1, &Window::LinkAllDown1,
            "Link down from .. to all items in this list", "LinkAllDown1", Disabled,
            &Window::LinkAllDown1Click),
    command(&Window::LinkAll1, &Window::LinkAllAcross1,
            "Link across between ..  and all items in this list", "LinkAllAcross1", Disabled,
            &Window::LinkAllAcross1Click),
    command(Bar, &Window::Delink1, "Delin&k", "Delink1", Enabled, &Window::Delink1Click),
    submenu(Bar, &Window::Tools1, "Tools", "Tools1"),
    command(&Window::Tools1, &Window::Calendar1, "Calendar", "Calendar1", Enabled,
            &Window::Calendar1Click),
    command(&Window::Tools1, &Window::Notepad1, "Notepad", "Notepad1", Enabled,
            &Window::Notepad1Click),
    command(&Window::Tools1, &Window::CheckMnu, "Database healthcheck", "CheckMnu", Enabled,
            &Window::CheckMnuClick),
    submenu(&Window::Tools1, &Window::Options1, "Options", "Options1"),
    command(&Window::Options1, &Window::Flashinterval1, "Flash interval", "Flashinterval1",
            Enabled, &Window::Flashinterval1Click),
    command(&Window::Options1, &Window::Showlinkcounts1, "Show link counts", "Showlinkcounts1",
            Enabled | Checkable, &Window::ShowLinkCountsCommand),
    command(&Window::Options1, &Window::Archiveid1, "Archive id", "Archiveid1", Enabled,
            &Window::Archiveid1Click),
    // The link-note placement is decided by the list itself; the options stay out of sight.
    command(&Window::Options1, &Window::LnoteBeforeMnu, "Llink Note before item name",
            "LnoteBefore", Enabled | Checkable | Hidden),
    command(&Window::Options1, &Window::LnoteAfterMnu, "Link Note after item name", "LnoteAfter",
            Enabled | Checkable | Hidden),
    command(&Window::Options1, &Window::HideArchive1, "Hide archive from searches",
            "HideArchive1", Disabled | Hidden),
    command(Bar, &Window::About1, "About", "About1", Enabled, &Window::AboutCommand),

    popup(&Window::PopupMenu1, "PopupMenu1"),
    command(&Window::PopupMenu1, &Window::ViewItemnew1, "Text", "ViewItemnew1", Enabled,
            &Window::RowTextCommand),
    command(&Window::PopupMenu1, &Window::Sublist1, "Links", "Sublist1", Enabled,
            &Window::RowLinksCommand),
    command(&Window::PopupMenu1, &Window::Details1, "Details", "Details1", Enabled,
            &Window::RowDetailsCommand),
    command(&Window::PopupMenu1, &Window::Edit2, "Edit", "Edit2", Enabled,
            &Window::RowEditCommand),
    separator(&Window::PopupMenu1),
    command(&Window::PopupMenu1, &Window::Link1, "Start new link", "Link1", Enabled,
            &Window::Link1Click),
    command(&Window::PopupMenu1, &Window::LinkFromX1, "Parent/Child link from X to this item",
            "LinkFromX1", Disabled, &Window::LinkFromX1Click),
    command(&Window::PopupMenu1, &Window::LinkToX1, "Parent/Child link from this item to X",
            "LinkToX1", Disabled, &Window::LinkToX1Click),
    command(&Window::PopupMenu1, &Window::Secondarylink1, "Link across", "Secondarylink1",
            Disabled, &Window::Secondarylink1Click),
    command(&Window::PopupMenu1, &Window::Linknote1, "Link note", "Linknote1", Disabled,
            &Window::Linknote1Click),
    command(&Window::PopupMenu1, &Window::Ungroup1, "Delink", "Ungroup1", Disabled,
            &Window::Ungroup1Click),
    separator(&Window::PopupMenu1),
    command(&Window::PopupMenu1, &Window::Deleteitem1, "Delete Item", "Deleteitem1", Enabled,
            &Window::Deleteitem1Click),
};
// clang-format on

void addEntry(Window& w, const MenuEntry& e) {
    QMenu* in = e.In ? w.*e.In : nullptr;
    const QString caption = QString::fromUtf8(e.Caption ? e.Caption : "");
    const QString name = QString::fromUtf8(e.Name ? e.Name : "");
    if (e.Submenu && (e.Flags & Popup)) {
        QMenu* menu = new QMenu(&w);
        menu->setObjectName(name);
        w.*e.Submenu = menu;
        return;
    }
    if (e.Submenu) {
        QMenu* menu = in ? in->addMenu(caption) : w.menuBar()->addMenu(caption);
        menu->setObjectName(name);
        menu->menuAction()->setObjectName(name);
        w.*e.Submenu = menu;
        return;
    }
    if (!e.Action) {
        in->addSeparator();
        return;
    }
    QAction* a = in ? in->addAction(caption) : w.menuBar()->addAction(caption);
    a->setObjectName(name);
    a->setEnabled(e.Flags & Enabled);
    a->setCheckable(e.Flags & Checkable);
    if (e.Flags & Hidden)
        a->setVisible(false);
    if (e.Run)
        QObject::connect(a, &QAction::triggered, &w, [&w, run = e.Run] { (w.*run)(); });
    w.*e.Action = a;
}

// The exports of every item, whatever the list shows, below those of the list.
void addAllItemsExports(Window& w) {
    struct AllItems {
        const char* Caption;
        const char* Name;
        ExportFormat Format;
    };
    static const AllItems exports[] = {
        {"All items to a file...", "AllItemsToFile1", ExportFormat::JsonLines},
        {"All items as Markdown...", "AllItemsAsMarkdown1", ExportFormat::Markdown},
    };
    w.Export1->addSeparator();
    for (const AllItems& e : exports) {
        QAction* a = w.Export1->addAction(QString::fromUtf8(e.Caption));
        a->setObjectName(QString::fromUtf8(e.Name));
        QObject::connect(a, &QAction::triggered, &w,
                         [format = e.Format] { RunAllItemsExport(format); });
    }
}

} // namespace

void BuildListMenus(TFAddsBk& w) {
    for (const MenuEntry& e : Entries)
        addEntry(w, e);
    addAllItemsExports(w);

    auto* placement = new QActionGroup(&w);
    placement->addAction(w.LnoteBeforeMnu);
    placement->addAction(w.LnoteAfterMnu);
    (ListWindow().LnoteBefore ? w.LnoteBeforeMnu : w.LnoteAfterMnu)->setChecked(true);
}
