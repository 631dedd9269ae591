#pragma once

#include "store/ItemStore.h"

#include <QString>
#include <QStringList>

#include <optional>

// The rules of the item text window's page, without the window: which item the page shows,
// whether it holds changes not yet written, and what opening, saving, closing and discarding
// write to the store. The window hands in the page's lines and shows what the rules decide.
//
// Nothing typed is lost to a failed write: a flag that says "saved" is cleared only after the
// write succeeded, so an engine error (which travels on as DbError to the command the user
// started) leaves the page marked changed, and the next save or close tries again.
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
    };
    enum class CloseOutcome {
        Stay,             // the user kept the window open
        Close,            // close; the page may be left as it is
        CloseShowingUndo, // discarded: the page is to show UndoPage again, quietly
    };

    // Opening. request 0 or more: that item (false, with "Item #n not found", when it is
    // none). Below 0: a new blank item is inserted at once, with newRef as its page Ref.
    // On success the page to show is UndoPage.
    bool Open(ItemId request, const QString& newRef);

    // A change of the page or its Ref. True when it is the first one since the last save: the
    // automatic save is to be started.
    bool MarkChanged();

    // Writes the page when it has unsaved changes. Throws DbError with the flags untouched.
    SaveOutcome Save(const QStringList& page);

    // The closing rules: asks "Save changes?" and "Discard changes - are you sure?" through the
    // dialog seam when there are changes. A write that fails throws and the window stays open.
    CloseOutcome CloseQuery(const QStringList& page);

    // The program is ending: the page is saved as the automatic save would save it, and a new
    // item that holds nothing is removed; nothing is asked. Throws DbError, flags untouched.
    void SaveForExit(const QStringList& page);

    // "Delete Item" succeeded: nothing is left to save or ask about.
    void ItemDeleted();

    // The page's commands that ask first.
    // "Item Reference": asks for the Ref; true when a new one was confirmed into PageRef (the
    // window then marks the page changed).
    bool EditRef();
    // "Clear text": the page the window is to show instead, the item's Name as stored and an
    // empty line, when pageEmpty is false and the user confirms; nothing otherwise.
    std::optional<QStringList> ClearedPage(bool pageEmpty) const;
    // "Undo changes": UndoPage when the user confirms. The Ref stays as edited.
    std::optional<QStringList> UndonePage() const;
    // "Delete Item": the item goes through the store's delete with its questions; true when it
    // went, and the page then stands for no item (ItemDeleted).
    bool DeleteItem();

    bool IsNewItem() const { return TextItemKind == ItemKind::New; }

    ItemId TextItemId = 0;
    ItemKind TextItemKind = ItemKind::Existing;
    QString PageRef;
    QString LoadedRef;
    QStringList UndoPage;
    bool ChangedSinceSave = false;
    bool ChangedSinceOpen = false;
    // The item's fields as they were read when it was opened: discarding writes them back.
    QString LoadedName;
    QString LoadedText;
    // This window wrote the item since it was opened (an automatic or explicit save).
    bool WrittenSinceOpen = false;

private:
    // The page was saved on the way out (closing with "Yes", or the end of the program): the
    // item stays, whatever kind it was.
    void KeepItem();
    // Removes the blank new item this window inserted; the page then stands for no item.
    void RemoveNewItem();
};
