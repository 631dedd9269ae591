#include "itemwin/ItemTextSession.h"

#include "common/Dialogs.h"
#include "common/TextHelpers.h"
#include "store/Database.h"

namespace {
// The page's Name line as the store keeps it: cut to the Name's width.
QString StoredName(const QString& name) {
    return CutToWidth(name, NameWidth);
}

QString StoredRef(const QString& ref) {
    return CutToWidth(ref, TelWidth);
}

// The first write of a field since opening remembers what it replaces, for the discard.
void NoteFirstWrite(const std::optional<QString>& written, QString& loaded,
                    const QString& replaced) {
    if (!written)
        loaded = replaced;
}
} // namespace

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
    known = record;
    ChangedSinceSave = ChangedSinceOpen = false;
    written = ItemFieldEdits();
    newPage.reset();
    UndoPage = BuildItemPage(record.Name, record.Text);
    return true;
}

bool ItemTextSession::MarkChanged() {
    if (ChangedSinceSave)
        return false;
    ChangedSinceSave = ChangedSinceOpen = true;
    return true;
}

ItemTextSession::SaveOutcome ItemTextSession::Save(const QStringList& page, ConflictRule rule) {
    if (!ChangedSinceSave)
        return SaveOutcome::NothingToSave;
    ItemRecord stored;
    if (!LocateItem(TextItemId, stored)) {
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
    const FieldPlan plan = PlanFieldSave(TextItemId, stored.Name, Versions(fields, stored), rule);
    if (plan.Cancelled)
        return SaveOutcome::Cancelled;
    ItemFieldEdits edits;
    if (plan[ItemField::Name] == FieldAction::Write)
        edits.Name = fields.Name;
    if (plan[ItemField::Ref] == FieldAction::Write)
        edits.Tel = PageRef;
    if (plan[ItemField::Text] == FieldAction::Write)
        edits.Text = fields.Text;
    const bool writing = plan.Any(FieldAction::Write);
    if (writing) {
        WriteItemFields(TextItemId, edits);
        const ItemRecord before = stored;
        // Known from now on as stored: cut as the store cuts it.
        LocateItem(TextItemId, stored);
        if (edits.Name) {
            NoteFirstWrite(written.Name, LoadedName, before.Name);
            written.Name = known.Name = stored.Name;
        }
        if (edits.Tel) {
            NoteFirstWrite(written.Tel, LoadedRef, before.Tel);
            written.Tel = known.Tel = stored.Tel;
        }
        if (edits.Text) {
            NoteFirstWrite(written.Text, LoadedText, before.Text);
            written.Text = known.Text = stored.Text;
        }
    }
    TakeStored(plan, stored, page);
    // A field left unsaved keeps the page changed: the next save tries it again.
    ChangedSinceSave = plan.Any(FieldAction::Leave);
    if (writing)
        Wrote();
    return ChangedSinceSave ? SaveOutcome::PartlySaved : SaveOutcome::Saved;
}

std::optional<QStringList> ItemTextSession::TakeNewPage() {
    std::optional<QStringList> page;
    page.swap(newPage);
    return page;
}

std::optional<QStringList> ItemTextSession::StoredItemChanged(ItemId id, const QStringList& page) {
    ItemRecord stored;
    if (id <= 0 || id != TextItemId || !LocateItem(id, stored))
        return std::nullopt;
    if (!ChangedSinceSave) {
        // Nothing typed since the page was read or saved: it shows the item as stored now.
        known = stored;
        PageRef = stored.Tel;
        const QStringList shown = BuildItemPage(stored.Name, stored.Text);
        // Nor since opening: "Undo changes" comes back to this page, not to one saved over.
        if (!ChangedSinceOpen)
            UndoPage = shown;
        if (shown == page)
            return std::nullopt;
        return shown;
    }
    // Only the fields as this page read them take the stored values; the others stay as typed,
    // for the next save to write or ask about.
    FieldPlan plan;
    const ItemVersions versions = Versions(ParseItemPage(page), stored);
    for (int i = 0; i < ItemFieldCount; ++i)
        plan.Actions[i] =
            versions[i].Held == versions[i].Read ? FieldAction::TakeStored : FieldAction::Leave;
    TakeStored(plan, stored, page);
    return TakeNewPage();
}

ItemVersions ItemTextSession::Versions(const PageFields& fields, const ItemRecord& stored) const {
    ItemVersions v;
    v[int(ItemField::Name)] = {StoredName(known.Name), StoredName(fields.Name),
                               StoredName(stored.Name)};
    v[int(ItemField::Ref)] = {StoredRef(known.Tel), StoredRef(PageRef), StoredRef(stored.Tel)};
    v[int(ItemField::Text)] = {PageText(known.Text), fields.Text, PageText(stored.Text)};
    return v;
}

void ItemTextSession::TakeStored(const FieldPlan& plan, const ItemRecord& stored,
                                 const QStringList& page) {
    if (plan[ItemField::Ref] == FieldAction::TakeStored)
        PageRef = known.Tel = stored.Tel;
    const bool name = plan[ItemField::Name] == FieldAction::TakeStored;
    const bool text = plan[ItemField::Text] == FieldAction::TakeStored;
    if (name)
        known.Name = stored.Name;
    if (text)
        known.Text = stored.Text;
    const PageFields fields = ParseItemPage(page);
    if ((!name || StoredName(fields.Name) == StoredName(stored.Name)) &&
        (!text || fields.Text == PageText(stored.Text)))
        return;
    // The page's first line is its Name line; an empty line and the Text lines follow it.
    QStringList shown = page;
    if (shown.isEmpty())
        shown << QString();
    if (name)
        shown[0] = stored.Name;
    if (text)
        shown = QStringList{shown[0], QString()} + StoredTextLines(stored.Text);
    newPage = shown;
}

void ItemTextSession::Wrote() {
    if (ItemWritten)
        ItemWritten(TextItemId);
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
        if (Save(page) == SaveOutcome::Cancelled)
            return CloseOutcome::Stay;
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
    // Back to the item as it was before this page wrote it, undoing any automatic save made
    // meanwhile. Only the fields this page wrote are put back, and only while they hold what it
    // wrote: what another window saved, before or since, is left alone. The Ref shown is then
    // the one stored.
    QString ref = LoadedRef;
    ItemRecord stored;
    if (written.Name || written.Tel || written.Text) {
        if (!LocateItem(TextItemId, stored)) {
            ItemNotFound(TextItemId);
        } else {
            ItemFieldEdits back;
            if (written.Name && *written.Name == stored.Name)
                back.Name = LoadedName;
            if (written.Tel && *written.Tel == stored.Tel)
                back.Tel = LoadedRef;
            if (written.Text && *written.Text == stored.Text)
                back.Text = LoadedText;
            if (back.Name || back.Tel || back.Text) {
                WriteItemFields(TextItemId, back);
                Wrote();
            }
            if (!back.Tel)
                ref = stored.Tel;
        }
    } else if (LocateItem(TextItemId, stored)) {
        ref = stored.Tel;
    }
    PageRef = ref;
    ChangedSinceSave = ChangedSinceOpen = false;
    written = ItemFieldEdits();
    return CloseOutcome::CloseShowingUndo;
}

void ItemTextSession::SaveForExit(const QStringList& page, ConflictRule rule) {
    if (IsNewItem() && (!ChangedSinceOpen || ParseItemPage(page).Empty)) {
        RemoveNewItem();
        return;
    }
    Save(page, rule);
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
