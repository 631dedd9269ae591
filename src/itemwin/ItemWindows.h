#pragma once

#include "calendar/CalendarDate.h"
#include "store/ItemStore.h"
#include "itemwin/ExportText.h"

#include <QPointer>
#include <QString>

#include <functional>

class QFont;
class QWidget;
class TFClpBd2;
class TFIdets2;
class TFidets;

// The item windows as the rest of the program calls them: the details window and the text
// window, each one instance reused for every item, the clipboard window that shows exports,
// and the few things they ask of the list window and the notepad, which those windows install
// as hooks.

struct ItemWindowHooks {
    // Lists the links of an item (with its name) in the list window without a history record.
    std::function<void(ItemId, const QString&)> ShowLinks;
    // A new item was saved from the details window while no caller waited for it (Insert while
    // showing another item): the list rebuilds with its cursor on the item.
    std::function<void(ItemId)> ItemSaved;
    // "Start new link" in the details window: the item and its name exactly as stored.
    std::function<void(ItemId, const QString&)> StartNewLink;
    // The page font was changed in the text window: the notepad takes it and stores it.
    std::function<void(const QFont&)> PageFontChanged;
};

// The item windows' state for the life of the program, in one place: the hooks, and the one
// details window, text window and clipboard window (empty until made, and again once
// destroyed).
struct ItemWindowState {
    ItemWindowHooks Hooks;
    QPointer<TFidets> Details;
    QPointer<TFIdets2> Text;
    QPointer<TFClpBd2> Clipboard;
};
ItemWindowState& ItemWindowsState();
ItemWindowHooks& ItemHooks();
// Back to the state the program starts with: the windows destroyed, no hooks installed.
void ResetItemWindowState();

// Item details window.
// Loads item id and shows the window; false (nothing shown) when id is not an item.
bool ShowItemDetails(ItemId id);
// ShowItemDetails, then starts editing.
void EditItemDetails(ItemId id);
// The modal form for a new item under parentId (0: top level). True with newId when saved.
bool NewItemDetails(ItemId parentId, ItemId& newId);
// The same for the diary entry of date: Ref preset to the date, parent the year item.
bool NewDiaryItemDetails(const CalendarDate& date, ItemId& newId);

// Item text window.
// 0 or more: shows that item's page modeless. -1: a new item, modally; -2: the same with the
// current time stamp as its Ref. False when nothing was opened.
bool OpenItemText(ItemId request);
// A new item through the text window (-2 with the time stamp, anything else as -1). True with
// the new item's id when an item was kept.
bool NewItemText(int request, ItemId& id);
// The page font (the notepad's font), set at start and whenever the notepad's font changes.
void SetItemTextFont(const QFont& font);

// Item id's Name, Ref or Text was written from the item window writer: the other item windows
// on screen on that item show the fields they have not changed as they are stored now.
void ItemFieldsWritten(ItemId id, const QWidget* writer);

// Clipboard window.
// Writes table as tab-separated lines, under the title and second title when they are not
// empty, with the fields' labels in the header line when withTitles; puts the text on the
// clipboard and shows it with its character count.
void ExportDataset(const ExportTable& table, const QString& title, const QString& secondTitle,
                   bool withTitles);
// Shows the window; coming on screen it shows the clipboard's text, already on screen it keeps
// what it shows.
void ShowClipboardWindow();

// The program is ending: the text window saves its page and the details window saves a changed
// edit or insert, with no question; both are hidden. A window whose save fails shows the
// engine's text and stays open with what was typed: false, and the program is not to end.
// forced (a shutdown that cannot wait): what could not be saved is written to a file in the
// data folder instead, and both windows are hidden.
bool CloseItemWindowsForExit(bool forced = false);

// Creates the windows (hidden) if they do not exist yet; ends them at shutdown or between
// tests.
void CreateItemWindows();
void DestroyItemWindows();
