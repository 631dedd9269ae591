#include "itemwin/PageMenu.h"

#include "itemwin/MenuTable.h"
#include "itemwin/TFIdets2.h"

namespace {
using Entry = MenuEntry<TFIdets2>;
using T = TFIdets2;
// The submenus of the page's context menu, as the table numbers them.
enum { Popup, Formatting, Justify, Options };

// The context menu, in order. Every command runs under the command guard.
const Entry PopupMenuEntries[] = {
    Entry::Command(Popup, &T::Now1, "Now1", "Now", &T::Now1Click),
    Entry::Command(Popup, &T::ItemReference1, "ItemReference1", "Item Reference",
                   &T::ItemReference1Click),
    Entry::Command(Popup, &T::Itemdetails1, "Itemdetails1", "Item details", &T::Itemdetails1Click),
    Entry::Separator(Popup),
    Entry::Submenu(Popup, "Formatting"),
    Entry::Command(Formatting, &T::Pen1, "Pen1", "Colour - text", &T::Pen1Click),
    Entry::Command(Formatting, &T::Paper1, "Paper1", "Colour - background ", &T::Paper1Click),
    Entry::Command(Formatting, &T::Font1, "Font1", "Font", &T::Font1Click),
    Entry::Submenu(Formatting, "Justify"),
    Entry::Radio(Justify, &T::Left1, "Left1", "Left", &T::Left1Click),
    Entry::Radio(Justify, &T::Centre1, "Centre1", "Centre", &T::Centre1Click),
    Entry::Radio(Justify, &T::Right1, "Right1", "Right", &T::Right1Click),
    Entry::Check(Formatting, &T::Wanttabs1, "Wanttabs1", "Want tabs", &T::Wanttabs1Click),
    Entry::Submenu(Formatting, "Options"),
    Entry::Command(Options, &T::maxh1, "maxh1", "Autosize max form height", &T::maxh1Click),
    Entry::Command(Options, &T::maxw1, "maxw1", "Autosize max form width", &T::maxw1Click),
    Entry::Command(Options, &T::WidthNowMnu, "WidthNowMnu", "Form width now", nullptr),
    Entry::Command(Popup, &T::Refresh1, "Refresh1", "Refresh", &T::Refresh1Click),
    Entry::Command(Popup, &T::Selectall1, "Selectall1", "Export page", &T::Selectall1Click),
    Entry::Separator(Popup),
    Entry::Command(Popup, &T::Undochanges1, "Undochanges1", "Undo changes", &T::Undochanges1Click),
    Entry::Command(Popup, &T::Clear1, "Clear1", "Clear text", &T::Clear1Click),
    Entry::Separator(Popup),
    Entry::Command(Popup, &T::DeleteItem1, "DeleteItem1", "Delete Item", &T::DeleteItem1Click),
    Entry::Separator(Popup),
    Entry::Command(Popup, &T::Minimize1, "Minimize1", "Minimize", &T::Minimize1Click),
    Entry::Command(Popup, &T::Exit2, "Exit2", "Close", &T::Exit2Click),
};
} // namespace

QActionGroup* BuildPageMenu(TFIdets2* window, QMenu* menu) {
    return BuildMenuFromTable(window, menu, PopupMenuEntries);
}
