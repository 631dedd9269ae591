#include "itemwin/ItemTextSession.h"

#include "common/Dialogs.h"
#include "itemwin/ItemPage.h"
#include "store/ItemFields.h"

bool ItemTextSession::Open(ItemId request, const QString& newRef) {
    ItemRecord record;
    QString ref;
    ItemKind kind = ItemKind::Existing;
    if (request < 0) {
        ref = newRef;
        request = CreateItem(QString(), QString());
        kind = ItemKind::New;
        LocateItem(request, record);
    } else {
        if (!LocateItem(request, record)) {
            ItemNotFound(request);
            return false;
        }
        ref = record.Tel;
    }
    TextItemKind = kind;
    TextItemId = request;
    PageRef = LoadedRef = ref;
    LoadedName = record.Name;
    LoadedText = record.Text;
    ChangedSinceSave = ChangedSinceOpen = false;
    WrittenSinceOpen = false;
    UndoPage = BuildItemPage(record.Name, record.Text);
    return true;
}

bool ItemTextSession::MarkChanged() {
    if (ChangedSinceSave)
        return false;
    ChangedSinceSave = ChangedSinceOpen = true;
    return true;
}

ItemTextSession::SaveOutcome ItemTextSession::Save(const QStringList& page) {
    if (!ChangedSinceSave)
        return SaveOutcome::NothingToSave;
    ItemRecord record;
    if (!LocateItem(TextItemId, record)) {
        ChangedSinceSave = false;
        ItemNotFound(TextItemId);
        return SaveOutcome::ItemMissing;
    }
    const PageFields fields = ParseItemPage(page);
    if (fields.Empty) {
        // Once per series of changes: the next change makes the page savable again.
        ChangedSinceSave = false;
        ShowInfo(QStringLiteral("Use menu option to delete the item"));
        return SaveOutcome::EmptyPage;
    }
    WriteItemFields(TextItemId, fields.Name, PageRef, fields.Text);
    ChangedSinceSave = false;
    WrittenSinceOpen = true;
    return SaveOutcome::Saved;
}

ItemTextSession::CloseOutcome ItemTextSession::CloseQuery(const QStringList& page) {
    if (!ChangedSinceOpen) {
        // A new item left without any change is not kept.
        if (IsNewItem())
            RemoveNewItem();
        return CloseOutcome::Close;
    }
    if (TextItemKind == ItemKind::Existing && TextItemId == 0)
        return CloseOutcome::Close;
    const char answer = AskYesNoCancel(QStringLiteral("Save changes?"));
    if (answer == 'Y') {
        // A new item whose page was emptied again holds nothing worth keeping.
        if (IsNewItem() && ParseItemPage(page).Empty) {
            RemoveNewItem();
            return CloseOutcome::Close;
        }
        Save(page);
        KeepItem();
        return CloseOutcome::Close;
    }
    if (answer != 'N')
        return CloseOutcome::Stay;
    if (!Confirm(QStringLiteral("Discard changes - are you sure?")))
        return CloseOutcome::Stay;
    if (IsNewItem()) {
        RemoveNewItem();
        return CloseOutcome::Close;
    }
    // Back to the item exactly as it was read when it was opened, undoing any automatic save
    // made meanwhile. When nothing was written since, the stored item is left alone, so that
    // fields saved from elsewhere in the meantime are not put back.
    if (WrittenSinceOpen && !WriteItemFields(TextItemId, LoadedName, LoadedRef, LoadedText))
        ItemNotFound(TextItemId);
    PageRef = LoadedRef;
    ChangedSinceSave = ChangedSinceOpen = false;
    WrittenSinceOpen = false;
    return CloseOutcome::CloseShowingUndo;
}

void ItemTextSession::SaveForExit(const QStringList& page) {
    if (IsNewItem() && (!ChangedSinceOpen || ParseItemPage(page).Empty)) {
        RemoveNewItem();
        return;
    }
    Save(page);
    KeepItem();
}

void ItemTextSession::ItemDeleted() {
    ChangedSinceSave = ChangedSinceOpen = false;
    TextItemKind = ItemKind::Existing;
    TextItemId = 0;
}

bool ItemTextSession::EditRef() {
    QString ref = PageRef;
    if (!PromptText(QStringLiteral("Item Reference"), ref))
        return false;
    PageRef = ref;
    return true;
}

std::optional<QStringList> ItemTextSession::ClearedPage(bool pageEmpty) const {
    if (pageEmpty || !Confirm(QStringLiteral("OK to clear Item Text ?")))
        return std::nullopt;
    return QStringList{ItemName(TextItemId), QString()};
}

std::optional<QStringList> ItemTextSession::UndonePage() const {
    if (!Confirm(QStringLiteral("Undo all changes to this Item-text - are you sure?")))
        return std::nullopt;
    return UndoPage;
}

bool ItemTextSession::DeleteItem() {
    if (!::DeleteItem(TextItemId))
        return false;
    ItemDeleted();
    return true;
}

void ItemTextSession::KeepItem() {
    ChangedSinceOpen = false;
    // Saved by the user's own choice: from now on the rules of an existing item apply, so that
    // no later close or the end of the program takes it for a blank new one and removes it.
    TextItemKind = ItemKind::Existing;
}

void ItemTextSession::RemoveNewItem() {
    RemoveItemRow(TextItemId);
    TextItemId = -1;
    TextItemKind = ItemKind::Existing;
    ChangedSinceSave = ChangedSinceOpen = false;
}
