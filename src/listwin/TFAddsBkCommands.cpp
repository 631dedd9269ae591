#include "listwin/TFAddsBk.h"

#include "calendar/TFCal.h"
#include "common/Dialogs.h"
#include "common/Settings.h"
#include "diary/Diary.h"
#include "dialogs/TFAbout1.h"
#include "itemwin/ItemWindows.h"
#include "listwin/ListOptions.h"
#include "listwin/TFFind.h"
#include "notepad/Notepad.h"
#include "print/Printing.h"
#include "repair/HealthCheckWindow.h"
#include "store/CommandGuard.h"

#include <QAction>
#include <QMenu>
#include <QRadioButton>

// The window's commands: each runs the list's own and shows an engine error's text at its top.

void TFAddsBk::rowCommand(const std::function<void(ItemId)>& command) {
    const ListRow& row = list.Rows().CursorRow();
    if (!row.Id.IsValid())
        ItemNotFound(row.Id2);
    else
        command(row.Id);
}

void TFAddsBk::RowTextCommand() {
    rowCommand([this](ItemId id) { OpenItemText(id); });
}

void TFAddsBk::RowLinksCommand() {
    RunCommand([this] { list.StepIntoLinks(); });
}

void TFAddsBk::RowDetailsCommand() {
    rowCommand([this](ItemId id) { ShowItemDetails(id); });
}

void TFAddsBk::RowEditCommand() {
    rowCommand([](ItemId id) { RunCommand([id] { ::EditItemDetails(id); }); });
}

void TFAddsBk::ShowLinkCountsCommand() {
    AppSettings().ShowLinkCounts = Showlinkcounts1->isChecked();
    FlashMessage(QStringLiteral("or click on Links column heading"));
    BuildListCommand();
}

void TFAddsBk::AboutCommand() {
    TFAbout1::Instance()->ShowAbout();
}

void TFAddsBk::BuildListCommand() {
    RunCommand([this] { list.BuildList(); });
}

void TFAddsBk::TopCommand() {
    RunCommand([this] { list.Top(); });
}

void TFAddsBk::RefreshCommand() {
    RunCommand([this] { list.Refresh(); });
}

void TFAddsBk::SearchCommand() {
    const QString text = Find->AskSearchText();
    if (text.isEmpty())
        return;
    const bool byId = Find->IdRdio->isChecked();
    RunCommand([this, text, byId] {
        if (byId)
            list.SearchForId(text);
        else
            list.SearchForText(text);
    });
}

void TFAddsBk::Exit1Click() {
    if (list.Leave() == LeaveBy::Back) {
        RunCommand([this] { list.GoBack(); });
        return;
    }
    if (Confirm(QStringLiteral("OK to exit program 'Cardolo' ?")))
        close();
}

void TFAddsBk::Import1Click() {
    NotSupported(QString());
}

// The listed items' names and refs, as the grid shows them, under the header's text.
void TFAddsBk::toClipboard1Click() {
    RunCommand(
        [this] { ::ExportDataset(list.ExportSource(), list.ExportTitle(), QString(), false); });
}

void TFAddsBk::Print1Click() {
    // After the whole list has printed, its cursor stands on the last row.
    if (PrintItemList(list.PrintRows())) {
        list.Rows().Last();
        CursorMoved();
    }
}

void TFAddsBk::Now1Click() {
    RunCommand([this] { list.NewItem(-2); });
}

void TFAddsBk::ext1Click() {
    RunCommand([this] { list.NewItem(-1); });
}

void TFAddsBk::Details2Click() {
    RunCommand([this] { list.NewDetails(); });
}

void TFAddsBk::LinkAll1Click() {
    LinkAllMenu menu;
    RunCommand([this, &menu] { menu = list.LinkAllPopup(); });
    LinkAllDown1->setEnabled(menu.Enabled);
    LinkAllDown1->setText(menu.DownCaption);
    LinkAllAcross1->setEnabled(menu.Enabled);
    LinkAllAcross1->setText(menu.AcrossCaption);
}

void TFAddsBk::LinkAllDown1Click() {
    RunCommand([this] { list.LinkAllDown(); });
}

void TFAddsBk::LinkAllAcross1Click() {
    RunCommand([this] { list.LinkAllAcross(); });
}

void TFAddsBk::Delink1Click() {
    RunCommand([this] { list.Delink(); });
}

// The calendar opens on today; the date picked is not used.
void TFAddsBk::Calendar1Click() {
    CalendarDate date;
    TFCal::Instance()->PickDate(date);
}

void TFAddsBk::Diary1Click() {
    ShowDiary();
}

void TFAddsBk::Notepad1Click() {
    ShowNotepad();
}

void TFAddsBk::CheckMnuClick() {
    ShowHealthCheck();
}

void TFAddsBk::Options1Click() {
    Flashinterval1->setText(FlashIntervalCaption());
    Archiveid1->setText(ArchiveIdCaption());
}

void TFAddsBk::Flashinterval1Click() {
    AskFlashInterval();
}

void TFAddsBk::Archiveid1Click() {
    AskArchiveId();
}

void TFAddsBk::PopupMenu1Popup() {
    RowMenu menu;
    RunCommand([this, &menu] { menu = list.PopupMenu1Popup(); });
    Ungroup1->setEnabled(menu.DelinkEnabled);
    LinkFromX1->setEnabled(menu.LinkDownEnabled);
    LinkToX1->setEnabled(menu.LinkDownEnabled);
    Secondarylink1->setEnabled(menu.LinkAcrossEnabled);
    LinkFromX1->setText(menu.LinkFromXCaption);
    LinkToX1->setText(menu.LinkToXCaption);
    Linknote1->setEnabled(menu.LinkNoteEnabled);
}

void TFAddsBk::Link1Click() {
    RunCommand([this] { list.StartNewLink(); });
}

void TFAddsBk::LinkFromX1Click() {
    RunCommand([this] { list.LinkFromX(); });
}

void TFAddsBk::LinkToX1Click() {
    RunCommand([this] { list.LinkToX(); });
}

void TFAddsBk::Secondarylink1Click() {
    RunCommand([this] { list.LinkAcross(); });
}

void TFAddsBk::Linknote1Click() {
    RunCommand([this] { list.LinkNote(); });
}

void TFAddsBk::Ungroup1Click() {
    RunCommand([this] { list.Delink(); });
}

void TFAddsBk::Deleteitem1Click() {
    RunCommand([this] { list.DeleteRow(); });
}

bool TFAddsBk::NewItemText(int request, ItemId& id) {
    return ::NewItemText(request, id);
}

bool TFAddsBk::NewItemDetails(ItemId parentId, ItemId& id) {
    return ::NewItemDetails(parentId, id);
}

void TFAddsBk::ShowItemDetails(ItemId id) {
    RunCommand([id] { ::ShowItemDetails(id); });
}

void TFAddsBk::OpenItemText(ItemId id) {
    RunCommand([id] { ::OpenItemText(id); });
}
