#pragma once

#include "calendar/CalendarDate.h"
#include "itemwin/FieldConflicts.h"
#include "store/ItemFields.h"
#include "store/ItemStore.h"

#include <QDateTime>
#include <QString>

#include <functional>

// The rules of the item details window, without the window: which item it shows and how it
// was opened, the insert or edit under way, and what Save and Cancel write to the store. The
// window hands in what its fields hold and shows what the rules decide.
//
// The Text field shows line breaks as LF; the store keeps them as CR LF.
class ItemDetailsSession {
public:
    // How the window was opened: modeless to show an item, or modally for a new item.
    enum class Mode { ShowItem, NewItem };
    // The change under way: none while browsing, else the Insert or Edit the user selected.
    enum class Change { None, Insert, Edit };
    enum class SaveOutcome {
        NothingToSave, // browsing: no insert or edit under way
        Inserted,      // the new item is DetailsId; Table1 holds it as stored
        Edited,
        ItemMissing, // the edited item is gone: reported, the edit stays under way
        Cancelled,   // asked which version of a field to keep, the user cancelled: nothing
                     // written, the edit stays under way
    };

    // The item with this id, when there is one; an id of 0 or less never is.
    static bool Find(ItemId id, ItemRecord& record);
    // The window shows record: DetailsId, DetailsParent and Table1 follow it.
    void Show(const ItemRecord& record);

    // The modal new-item form under parentId (0: top level).
    void StartNewItem(ItemId parentId);
    // The form has closed: the id of the item it saved, 0 when none. The parent belonged to
    // the form only, so a later Insert while browsing makes a top-level item.
    ItemId EndNewItem();
    // The diary entry of date: its Ref is preset, and its parent (the year item, made when
    // missing) is returned for StartNewItem.
    ItemId StartDiaryEntry(const CalendarDate& date);

    // Begins an insert, dated from now whenever it is saved. Returns the Ref the new item starts
    // with: PresetRef, used once, or empty.
    QString BeginInsert();
    // Begins an edit from the item as stored now (another window may have saved it since it was
    // shown). True when it was read again into Table1, which the window then shows.
    bool BeginEdit();
    // Save, with the fields as the window holds them. An insert makes the item and links it
    // under the form's parent (a link that fails is reported and leaves it top-level); an edit
    // writes only the fields that differ from Table1, and a field that another window saved
    // differently meanwhile follows rule (LeaveUnsaved is not for this window). Table1 then
    // holds the item as stored, for the window to show. Throws DbError with the change still
    // under way.
    SaveOutcome Save(const QString& name, const QString& tel, const QString& memoText,
                     ConflictRule rule = ConflictRule::Ask);
    // Another window saved item id. The fields the window is to show anew, the Text as it shows
    // it: all three while browsing it; during an edit of it those still as Table1 holds them,
    // which Table1 takes; none otherwise.
    ItemFieldEdits StoredItemChanged(ItemId id, const QString& name, const QString& tel,
                                     const QString& memoText);
    // Cancel: when DetailsChanged, asks "OK to cancel insert/edit?"; false, with the change
    // still under way, unless the answer is Yes. A cancelled edit reads Table1 again, for the
    // window to show the item as stored.
    bool Cancel();
    // The new-item form closes itself once its insert is cancelled.
    bool ClosesAfterCancel() const { return DetailsMode == Mode::NewItem; }
    // Whether a click on the ancestry line lists the parent's links: only when the line names
    // a parent, and not for a new item, whose parent is not linked yet.
    bool ListsParentLinks(bool ancestryShown) const;

    bool IsEditing() const { return Pending != Change::None; }

    // The status line: "id = " and the id ("New item" during an insert), and the creation time.
    QString IdText() const;
    QString CreatedText() const;
    // The place labels of Table1: its own parent, and the self-linked item that hides it.
    bool SelfLinked() const;
    bool Hidden() const;
    QString HiddenText() const;

    // The Text as the window shows it, from the stored text, and back.
    static QString MemoTextFromStored(const QString& text);
    static QString StoredTextFromMemo(const QString& text);

    ItemId DetailsId = 0;
    ItemId DetailsParent = 0;
    Mode DetailsMode = Mode::ShowItem;
    // Set on any change of the Name, Ref or Text field; the window clears it when editing
    // begins and sets it when editing ends.
    bool DetailsChanged = false;
    QString PresetRef;
    ItemId NewParentId = 0;
    Change Pending = Change::None;
    // The item the window shows, as it was read last.
    ItemRecord Table1;
    // When the pending insert began: the new item's creation time.
    QDateTime InsertBegun;
    // Told the item's id after each edit written, for the other windows on it.
    std::function<void(ItemId)> ItemWritten;
};
