#pragma once

#include "calendar/CalendarDate.h"
#include "itemwin/FieldConflicts.h"
#include "store/ItemFields.h"
#include "store/ItemStore.h"

#include <QDateTime>
#include <QString>

#include <functional>
#include <utility>

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
    // What becomes of the window when it is closed (CloseQuery) or the program ends
    // (CloseForExit).
    enum class CloseOutcome {
        Close,    // nothing under way: the window goes
        Dropped,  // the insert or edit under way was let go, as by Cancel: the window shows
                  // Table1 as after Cancel and goes
        Inserted, // at the program's end: saved, as Save's Inserted; the window shows it and goes
        Edited,   // the same for an edit
        Stay,     // the window stays with what was typed: the user kept the change, or the store
                  // refused the save, or the edited item went away
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
    // The window is closed (its close box, Esc, Close): a change under way is cancelled, which
    // asks after a change. Close, Dropped, or Stay when the user keeps the change.
    CloseOutcome CloseQuery();
    // The program is ending and the window must go; nothing is asked. An insert or edit with a
    // change is saved, a field saved elsewhere meanwhile keeping the stored version (rescued to
    // a file, quietly when forced). When the save does not happen (the store refuses it, and
    // its text is shown, or the edited item is gone) the window Stays, unless forced (a
    // shutdown that cannot wait): then what the store refused is kept in a rescue file and the
    // change is Dropped, as is a change untouched since it began. The fields as the window
    // holds them, the Text as it shows it.
    CloseOutcome CloseForExit(const QString& name, const QString& tel, const QString& memoText,
                              bool forced);
    // The new-item form closes itself once its insert is cancelled.
    bool ClosesAfterCancel() const { return detailsMode == Mode::NewItem; }
    // Whether a click on the ancestry line lists the parent's links: only when the line names
    // a parent, and not for a new item, whose parent is not linked yet.
    bool ListsParentLinks(bool ancestryShown) const;

    // What happened to the fields. Any change of the Name, Ref or Text field's text, typed or
    // shown; the insert's or edit's fields are ready to be typed in (nothing is changed yet);
    // the insert or edit has ended, saved or cancelled.
    void FieldsChanged() { detailsChanged = true; }
    void EditingStarted() { detailsChanged = false; }
    // Until another item is shown the fields count as changed: Cancel (Esc in the Text) asks.
    void EditingEnded() { detailsChanged = true; }

    bool IsEditing() const { return pending != Change::None; }

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

    // The item shown (0 before any, and in the new-item form until it is saved) and its parent.
    ItemId DetailsId() const { return detailsId; }
    ItemId DetailsParent() const { return detailsParent; }
    Mode DetailsMode() const { return detailsMode; }
    // A change of the fields since the insert or edit began (see FieldsChanged).
    bool DetailsChanged() const { return detailsChanged; }
    // The Ref the next insert starts with (the diary's date), and the new-item form's parent.
    const QString& PresetRef() const { return presetRef; }
    ItemId NewParentId() const { return newParentId; }
    Change Pending() const { return pending; }
    // The item the window shows, as it was read last.
    const ItemRecord& Table1() const { return table1; }

    // Told the item's id after each edit written, for the other windows on it.
    void SetItemWritten(std::function<void(ItemId)> written) { itemWritten = std::move(written); }

private:
    ItemId detailsId;
    ItemId detailsParent;
    Mode detailsMode = Mode::ShowItem;
    bool detailsChanged = false;
    QString presetRef;
    ItemId newParentId;
    Change pending = Change::None;
    ItemRecord table1;
    // When the pending insert began: the new item's creation time.
    QDateTime insertBegun;
    std::function<void(ItemId)> itemWritten;
};
