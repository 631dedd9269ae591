#pragma once

#include "itemwin/FieldConflicts.h"
#include "itemwin/ItemPage.h"
#include "store/ItemFields.h"
#include "store/ItemStore.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <utility>

// The rules of the item text window's page, without the window: which item the page shows,
// whether it holds changes not yet written, and what opening, saving, closing and discarding
// write to the store. The window hands in the page's lines and shows what the rules decide.
//
// Nothing typed is lost to a failed write: a flag that says "saved" is cleared only after the
// write succeeded, so an engine error (which travels on as DbError to the command the user
// started) leaves the page marked changed, and the next save or close tries again.
//
// The details window may save the same item while the page is open. A save writes only the
// fields the page changed (its Name line, its Text, the Ref when it was edited); a field the
// page left alone takes what is stored, and one saved elsewhere meanwhile that the page changed
// too follows the save's ConflictRule.
class ItemTextSession {
public:
    enum class ItemKind {
        Existing, // an item that was there when the page opened
        New,      // a new item this window inserted
    };
    enum class SaveOutcome {
        NothingToSave, // no change since the last save
        Saved,
        ItemMissing, // the item is gone: reported, the changes dropped
        EmptyPage,   // no non-empty line: reported, the stored item kept as it is
        Cancelled,   // asked which version of a field to keep, the user cancelled: nothing
                     // written, the page still changed
        PartlySaved, // the automatic save left a field saved elsewhere meanwhile unsaved: the
                     // page stays changed for the user's own save to ask about it
    };
    enum class CloseOutcome {
        Stay,             // the window stays open: the user kept it, or the store refused the
                          // save the end of the program asked for
        Close,            // close; the page may be left as it is
        CloseShowingUndo, // discarded: the page is to show UndoPage again, quietly
    };

    // Opening. request 0 or more: that item (false, with "Item #n not found", when it is
    // none). Below 0: a new blank item is inserted at once, with newRef as its page Ref.
    // On success the page to show is UndoPage.
    bool Open(ItemId request, const QString& newRef);

    // The user changed the page or its Ref (typing, "Clear text", a new Ref). True when it is the
    // first change since the last save: the automatic save is to be started.
    bool Typed();

    // Writes the fields the page changed when it has unsaved changes; rule says what becomes of
    // a field saved elsewhere since the page read it. When the page is to show a stored version
    // instead, TakeNewPage has it. Throws DbError with the flags untouched.
    SaveOutcome Save(const QStringList& page, ConflictRule rule = ConflictRule::Ask);
    // The page the window is to show instead of the one it handed in last, once.
    std::optional<QStringList> TakeNewPage();

    // Another window saved item id: the fields of page that are as this page read them take the
    // stored values (PageRef too). The page to show instead, when it changes.
    std::optional<QStringList> StoredItemChanged(ItemId id, const QStringList& page);

    // The closing rules: asks "Save changes?" and "Discard changes - are you sure?" through the
    // dialog seam when there are changes. A write that fails throws and the window stays open.
    CloseOutcome CloseQuery(const QStringList& page);

    // The program is ending: the page is saved, and a new item that holds nothing is removed;
    // nothing is asked. A field saved elsewhere meanwhile keeps the stored version, the page's
    // going to a rescue file (rule: KeepStored, or KeepStoredQuietly for a shutdown that cannot
    // wait). Throws DbError, flags untouched.
    void SaveForExit(const QStringList& page, ConflictRule rule = ConflictRule::KeepStored);
    // The program is ending and the window must go: SaveForExit with the rule the end calls for.
    // When the store refuses the save, the engine's text is shown and the window is to Stay with
    // the page still changed; forced (a shutdown that cannot wait, nothing may be asked) the
    // page goes to a rescue file instead and, kept there, leaves nothing to save: Close.
    CloseOutcome CloseForExit(const QStringList& page, bool forced);

    // "Delete Item" succeeded: nothing is left to save or ask about.
    void ItemDeleted();

    // The page's commands that ask first.
    // "Item Reference": asks for the Ref; true when a new one was confirmed into PageRef (the
    // window then tells Typed).
    bool EditRef();
    // "Clear text": the page the window is to show instead, the item's Name as stored and an
    // empty line, when pageEmpty is false and the user confirms; nothing otherwise.
    std::optional<QStringList> ClearedPage(bool pageEmpty) const;
    // "Undo changes": UndoPage when the user confirms. The Ref stays as edited.
    std::optional<QStringList> UndonePage() const;
    // "Delete Item": the item goes through the store's delete with its questions; true when it
    // went, and the page then stands for no item (ItemDeleted).
    bool DeleteItem();

    bool IsNewItem() const { return textItemKind == ItemKind::New; }

    // The item the page stands for: 0 or more an item (0 once deleted), -1 a new item removed.
    ItemId TextItemId() const { return textItemId; }
    ItemKind TextItemKind() const { return textItemKind; }
    // The Ref the badge shows and a save writes.
    const QString& PageRef() const { return pageRef; }
    // The page "Undo changes" comes back to: the item as opened, or as another window saved it
    // before this page was changed.
    const QStringList& UndoPage() const { return undoPage; }
    // Changes not yet written; changes since opening, which closing asks about.
    bool ChangedSinceSave() const { return changedSinceSave; }
    bool ChangedSinceOpen() const { return changedSinceOpen; }

    // Told the item's id after each write of its fields, for the other windows on it.
    void SetItemWritten(std::function<void(ItemId)> written) { itemWritten = std::move(written); }

private:
    // The versions of the item's fields for a save of fields, stored holding the item now.
    ItemVersions Versions(const PageFields& fields, const ItemRecord& stored) const;
    // The fields whose action is TakeStored follow stored (those the page changed are those the
    // user chose the stored version of): known, PageRef, and the page, which TakeNewPage gives
    // when it changes. page is the page as handed in.
    void TakeStored(const FieldPlan& plan, const ItemRecord& stored, const QStringList& page);
    // Tells the function SetItemWritten gave.
    void Wrote();
    // The page was saved on the way out (closing with "Yes", or the end of the program): the
    // item stays, whatever kind it was.
    void KeepItem();
    // Removes the blank new item this window inserted; the page then stands for no item.
    void RemoveNewItem();

    ItemId textItemId;
    ItemKind textItemKind = ItemKind::Existing;
    QString pageRef;
    QStringList undoPage;
    bool changedSinceSave = false;
    bool changedSinceOpen = false;
    // The item's fields as they were read when it was opened, until this page first writes one:
    // then the value that write replaced. Discarding writes them back.
    QString loadedName;
    QString loadedRef;
    QString loadedText;
    std::function<void(ItemId)> itemWritten;

    // The item's fields as this page last knew them stored: read at opening, written by its
    // saves, or taken from another window's save. The page changed a field that differs from
    // its known value; a stored value that differs was saved elsewhere.
    ItemRecord known;
    // The fields this page wrote since it was opened, as stored by its last write of each:
    // discarding puts back only a field that still holds what this page wrote.
    ItemFieldEdits written;
    std::optional<QStringList> newPage;
};
