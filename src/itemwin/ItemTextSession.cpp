#include "itemwin/ItemTextSession.h"

#include "common/Dialogs.h"
#include "common/TextHelpers.h"
#include "itemwin/RescueFile.h"
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
    if (request.Value() < 0) {
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
    textItemKind = kind;
    textItemId = request;
    pageRef = loadedRef = ref;
    loadedName = record.Name;
    loadedText = record.Text;
    known = record;
    changedSinceSave = changedSinceOpen = false;
    written = ItemFieldEdits();
    newPage.reset();
    undoPage = BuildItemPage(record.Name, record.Text);
    return true;
}

bool ItemTextSession::Typed() {
    if (changedSinceSave)
        return false;
    changedSinceSave = changedSinceOpen = true;
    return true;
}

ItemTextSession::SaveOutcome ItemTextSession::Save(const QStringList& page, ConflictRule rule) {
    if (!changedSinceSave)
        return SaveOutcome::NothingToSave;
    ItemRecord stored;
    if (!LocateItem(textItemId, stored)) {
        changedSinceSave = false;
        ItemNotFound(textItemId);
        return SaveOutcome::ItemMissing;
    }
    const PageFields fields = ParseItemPage(page);
    if (fields.Empty) {
        // Once per series of changes: the next change makes the page savable again.
        changedSinceSave = false;
        ShowInfo(QStringLiteral("Use menu option to delete the item"));
        return SaveOutcome::EmptyPage;
    }
    const FieldPlan plan = PlanFieldSave(textItemId, stored.Name, Versions(fields, stored), rule);
    if (plan.Cancelled)
        return SaveOutcome::Cancelled;
    ItemFieldEdits edits;
    if (plan[ItemField::Name] == FieldAction::Write)
        edits.Name = fields.Name;
    if (plan[ItemField::Ref] == FieldAction::Write)
        edits.Tel = pageRef;
    if (plan[ItemField::Text] == FieldAction::Write)
        edits.Text = fields.Text;
    const bool writing = plan.Any(FieldAction::Write);
    if (writing) {
        WriteItemFields(textItemId, edits);
        const ItemRecord before = stored;
        // Known from now on as stored: cut as the store cuts it.
        LocateItem(textItemId, stored);
        if (edits.Name) {
            NoteFirstWrite(written.Name, loadedName, before.Name);
            written.Name = known.Name = stored.Name;
        }
        if (edits.Tel) {
            NoteFirstWrite(written.Tel, loadedRef, before.Tel);
            written.Tel = known.Tel = stored.Tel;
        }
        if (edits.Text) {
            NoteFirstWrite(written.Text, loadedText, before.Text);
            written.Text = known.Text = stored.Text;
        }
    }
    TakeStored(plan, stored, page);
    // A field left unsaved keeps the page changed: the next save tries it again.
    changedSinceSave = plan.Any(FieldAction::Leave);
    if (writing)
        Wrote();
    return changedSinceSave ? SaveOutcome::PartlySaved : SaveOutcome::Saved;
}

std::optional<QStringList> ItemTextSession::TakeNewPage() {
    std::optional<QStringList> page;
    page.swap(newPage);
    return page;
}

std::optional<QStringList> ItemTextSession::StoredItemChanged(ItemId id, const QStringList& page) {
    ItemRecord stored;
    if (!id.IsValid() || id != textItemId || !LocateItem(id, stored))
        return std::nullopt;
    if (!changedSinceSave) {
        // Nothing typed since the page was read or saved: it shows the item as stored now.
        known = stored;
        pageRef = stored.Tel;
        const QStringList shown = BuildItemPage(stored.Name, stored.Text);
        // Nor since opening: "Undo changes" comes back to this page, not to one saved over.
        if (!changedSinceOpen)
            undoPage = shown;
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
    v[int(ItemField::Ref)] = {StoredRef(known.Tel), StoredRef(pageRef), StoredRef(stored.Tel)};
    v[int(ItemField::Text)] = {PageText(known.Text), fields.Text, PageText(stored.Text)};
    return v;
}

void ItemTextSession::TakeStored(const FieldPlan& plan, const ItemRecord& stored,
                                 const QStringList& page) {
    if (plan[ItemField::Ref] == FieldAction::TakeStored)
        pageRef = known.Tel = stored.Tel;
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
    if (itemWritten)
        itemWritten(textItemId);
}

ItemTextSession::CloseOutcome ItemTextSession::CloseQuery(const QStringList& page) {
    if (!changedSinceOpen) {
        // A new item left without any change is not kept.
        if (IsNewItem())
            RemoveNewItem();
        return CloseOutcome::Close;
    }
    if (textItemKind == ItemKind::Existing && textItemId.IsNone())
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
    QString ref = loadedRef;
    ItemRecord stored;
    if (written.Name || written.Tel || written.Text) {
        if (!LocateItem(textItemId, stored)) {
            ItemNotFound(textItemId);
        } else {
            ItemFieldEdits back;
            if (written.Name && *written.Name == stored.Name)
                back.Name = loadedName;
            if (written.Tel && *written.Tel == stored.Tel)
                back.Tel = loadedRef;
            if (written.Text && *written.Text == stored.Text)
                back.Text = loadedText;
            if (back.Name || back.Tel || back.Text) {
                WriteItemFields(textItemId, back);
                Wrote();
            }
            if (!back.Tel)
                ref = stored.Tel;
        }
    } else if (LocateItem(textItemId, stored)) {
        ref = stored.Tel;
    }
    pageRef = ref;
    changedSinceSave = changedSinceOpen = false;
    written = ItemFieldEdits();
    return CloseOutcome::CloseShowingUndo;
}

void ItemTextSession::SaveForExit(const QStringList& page, ConflictRule rule) {
    if (IsNewItem() && (!changedSinceOpen || ParseItemPage(page).Empty)) {
        RemoveNewItem();
        return;
    }
    Save(page, rule);
    KeepItem();
}

ItemTextSession::CloseOutcome ItemTextSession::CloseForExit(const QStringList& page, bool forced) {
    const ConflictRule rule = forced ? ConflictRule::KeepStoredQuietly : ConflictRule::KeepStored;
    const ExitSave saved =
        SaveBeforeExit([this, &page, rule] { SaveForExit(page, rule); }, forced, textItemId, page);
    if (saved == ExitSave::Refused)
        return CloseOutcome::Stay;
    // Kept in a file of its own: nothing is left to save, nor to ask about.
    if (saved == ExitSave::Rescued)
        changedSinceSave = changedSinceOpen = false;
    return CloseOutcome::Close;
}

void ItemTextSession::ItemDeleted() {
    changedSinceSave = changedSinceOpen = false;
    textItemKind = ItemKind::Existing;
    textItemId = ItemId();
}

bool ItemTextSession::EditRef() {
    QString ref = pageRef;
    if (!PromptText(QStringLiteral("Item Reference"), ref))
        return false;
    pageRef = ref;
    return true;
}

std::optional<QStringList> ItemTextSession::ClearedPage(bool pageEmpty) const {
    if (pageEmpty || !Confirm(QStringLiteral("OK to clear Item Text ?")))
        return std::nullopt;
    return QStringList{ItemName(textItemId), QString()};
}

std::optional<QStringList> ItemTextSession::UndonePage() const {
    if (!Confirm(QStringLiteral("Undo all changes to this Item-text - are you sure?")))
        return std::nullopt;
    return undoPage;
}

bool ItemTextSession::DeleteItem() {
    if (!::DeleteItem(textItemId))
        return false;
    ItemDeleted();
    return true;
}

void ItemTextSession::KeepItem() {
    changedSinceOpen = false;
    // Saved by the user's own choice: from now on the rules of an existing item apply, so that
    // no later close or the end of the program takes it for a blank new one and removes it.
    textItemKind = ItemKind::Existing;
}

void ItemTextSession::RemoveNewItem() {
    RemoveItemRow(textItemId);
    textItemId = ItemId(-1);
    textItemKind = ItemKind::Existing;
    changedSinceSave = changedSinceOpen = false;
}
