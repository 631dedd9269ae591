#include "itemwin/ItemWindows.h"

#include "itemwin/TFClpBd2.h"
#include "itemwin/TFIdets2.h"
#include "itemwin/TFidets.h"

ItemWindowState& ItemWindowsState() {
    static ItemWindowState state;
    return state;
}

ItemWindowHooks& ItemHooks() {
    return ItemWindowsState().Hooks;
}

void ResetItemWindowState() {
    DestroyItemWindows();
    ItemHooks() = ItemWindowHooks();
}

bool ShowItemDetails(ItemId id) {
    return TFidets::Instance()->ShowItemDetails(id);
}

void EditItemDetails(ItemId id) {
    TFidets::Instance()->EditItemDetails(id);
}

bool NewItemDetails(ItemId parentId, ItemId& newId) {
    return TFidets::Instance()->NewItemDetails(parentId, newId);
}

bool NewDiaryItemDetails(const CalendarDate& date, ItemId& newId) {
    return TFidets::Instance()->NewDiaryItemDetails(date, newId);
}

bool OpenItemText(ItemId request) {
    return TFIdets2::Instance()->OpenItemText(request);
}

bool NewItemText(int request, ItemId& id) {
    return TFIdets2::Instance()->NewItemText(request, id);
}

void ItemFieldsWritten(ItemId id, const QWidget* writer) {
    TFIdets2* text = TFIdets2::Existing();
    if (text && text != writer)
        text->StoredItemChanged(id);
    TFidets* details = TFidets::Existing();
    if (details && details != writer)
        details->StoredItemChanged(id);
}

void SetItemTextFont(const QFont& font) {
    TFIdets2::Instance()->SetPageFont(font);
}

void ExportDataset(const ExportTable& table, const QString& title, const QString& secondTitle,
                   bool withTitles) {
    TFClpBd2::Instance()->ExportDataset(table, title, secondTitle, withTitles);
}

void ShowClipboardWindow() {
    TFClpBd2::Instance()->ShowClipboardWindow();
}

bool CloseItemWindowsForExit(bool forced) {
    bool closed = true;
    if (TFIdets2* text = TFIdets2::Existing())
        closed = text->CloseForExit(forced) && closed;
    if (TFidets* details = TFidets::Existing())
        closed = details->CloseForExit(forced) && closed;
    return closed;
}

void CreateItemWindows() {
    TFidets::Instance();
    TFIdets2::Instance();
    TFClpBd2::Instance();
}

void DestroyItemWindows() {
    TFClpBd2::DestroyInstance();
    TFIdets2::DestroyInstance();
    TFidets::DestroyInstance();
}
