#include "itemwin/ItemDetailsSession.h"

#include "common/Clock.h"
#include "common/Dialogs.h"
#include "calendar/DateText.h"
#include "itemwin/RescueFile.h"
#include "store/CommandGuard.h"
#include "store/ItemFields.h"

bool ItemDetailsSession::Find(ItemId id, ItemRecord& record) {
    return id.IsValid() && LocateItem(id, record);
}

void ItemDetailsSession::Show(const ItemRecord& record) {
    detailsMode = Mode::ShowItem;
    detailsChanged = false;
    detailsId = record.Id;
    detailsParent = record.Parent;
    table1 = record;
}

void ItemDetailsSession::StartNewItem(ItemId parentId) {
    newParentId = parentId;
    detailsMode = Mode::NewItem;
    detailsChanged = false;
    detailsId = ItemId();
}

ItemId ItemDetailsSession::EndNewItem() {
    newParentId = ItemId();
    return detailsId;
}

ItemId ItemDetailsSession::StartDiaryEntry(const CalendarDate& date) {
    presetRef = FormatIsoDateParenWeekday(date);
    return FindOrCreateYearItem(date.year);
}

QString ItemDetailsSession::BeginInsert() {
    pending = Change::Insert;
    // The item is created when the user begins it, whenever it is saved.
    insertBegun = CurrentDateTime();
    QString ref;
    ref.swap(presetRef);
    return ref;
}

bool ItemDetailsSession::BeginEdit() {
    pending = Change::Edit;
    ItemRecord stored;
    if (!LocateItem(detailsId, stored))
        return false;
    table1 = stored;
    return true;
}

ItemDetailsSession::SaveOutcome ItemDetailsSession::Save(const QString& name, const QString& tel,
                                                         const QString& memoText,
                                                         ConflictRule rule) {
    const QString text = StoredTextFromMemo(memoText);
    if (pending == Change::Insert) {
        // Only the new-item form names a parent; an Insert while browsing is top-level.
        const ItemId parent = detailsMode == Mode::NewItem ? newParentId : ItemId();
        detailsId = CreateItem(name, tel, text, insertBegun);
        // The item is saved from here on: a link that fails leaves it top-level, reported.
        if (parent.IsValid())
            RunCommand([this, parent] { LinkItems(parent, detailsId, 1); });
        LocateItem(detailsId, table1);
        detailsParent = table1.Parent;
        pending = Change::None;
        return SaveOutcome::Inserted;
    }
    if (pending != Change::Edit)
        return SaveOutcome::NothingToSave;
    // Only what the user changed is written, over the item as it was when the edit began (or
    // as another window saved a field the user had left alone since).
    ItemRecord stored;
    if (!LocateItem(detailsId, stored)) {
        // The item went away while it was being edited: nothing to write to.
        ItemNotFound(detailsId);
        return SaveOutcome::ItemMissing;
    }
    ItemVersions versions;
    versions[int(ItemField::Name)] = {table1.Name, name, stored.Name};
    versions[int(ItemField::Ref)] = {table1.Tel, tel, stored.Tel};
    versions[int(ItemField::Text)] = {MemoTextFromStored(table1.Text), memoText,
                                      MemoTextFromStored(stored.Text)};
    const FieldPlan plan = PlanFieldSave(detailsId, stored.Name, versions, rule);
    if (plan.Cancelled)
        return SaveOutcome::Cancelled;
    ItemFieldEdits edits;
    if (plan[ItemField::Name] == FieldAction::Write)
        edits.Name = name;
    if (plan[ItemField::Ref] == FieldAction::Write)
        edits.Tel = tel;
    if (plan[ItemField::Text] == FieldAction::Write)
        edits.Text = text;
    if (!WriteItemFields(detailsId, edits)) {
        ItemNotFound(detailsId);
        return SaveOutcome::ItemMissing;
    }
    LocateItem(detailsId, table1);
    pending = Change::None;
    if (plan.Any(FieldAction::Write) && itemWritten)
        itemWritten(detailsId);
    return SaveOutcome::Edited;
}

ItemFieldEdits ItemDetailsSession::StoredItemChanged(ItemId id, const QString& name,
                                                     const QString& tel, const QString& memoText) {
    ItemFieldEdits shown;
    ItemRecord stored;
    if (!id.IsValid() || id != detailsId || detailsMode != Mode::ShowItem ||
        pending == Change::Insert || !LocateItem(id, stored))
        return shown;
    if (pending == Change::None) {
        table1 = stored;
        return ItemFieldEdits{stored.Name, stored.Tel, MemoTextFromStored(stored.Text)};
    }
    // A field the user changed in the edit keeps what was typed, and Table1 what it was typed
    // over, so that the save asks about it.
    if (name == table1.Name) {
        table1.Name = stored.Name;
        shown.Name = stored.Name;
    }
    if (tel == table1.Tel) {
        table1.Tel = stored.Tel;
        shown.Tel = stored.Tel;
    }
    if (memoText == MemoTextFromStored(table1.Text)) {
        table1.Text = stored.Text;
        shown.Text = MemoTextFromStored(stored.Text);
    }
    return shown;
}

bool ItemDetailsSession::Cancel() {
    if (detailsChanged && !Confirm(QStringLiteral("OK to cancel insert/edit?")))
        return false;
    // Another window may have saved the item during the edit.
    if (pending == Change::Edit)
        LocateItem(detailsId, table1);
    pending = Change::None;
    return true;
}

ItemDetailsSession::CloseOutcome ItemDetailsSession::CloseQuery() {
    if (!IsEditing())
        return CloseOutcome::Close;
    return Cancel() ? CloseOutcome::Dropped : CloseOutcome::Stay;
}

ItemDetailsSession::CloseOutcome ItemDetailsSession::CloseForExit(const QString& name,
                                                                  const QString& tel,
                                                                  const QString& memoText,
                                                                  bool forced) {
    if (!IsEditing())
        return CloseOutcome::Close;
    if (detailsChanged) {
        // A rescue file holds the Name, the Ref, an empty line, then the Text's lines.
        const QStringList lines =
            QStringList{name, tel, QString()} + memoText.split(QLatin1Char('\n'));
        const ConflictRule rule =
            forced ? ConflictRule::KeepStoredQuietly : ConflictRule::KeepStored;
        SaveOutcome saved = SaveOutcome::NothingToSave;
        SaveBeforeExit([&] { saved = Save(name, tel, memoText, rule); }, forced, detailsId, lines);
        if (saved == SaveOutcome::Inserted)
            return CloseOutcome::Inserted;
        if (saved == SaveOutcome::Edited)
            return CloseOutcome::Edited;
        // Refused, or the item is gone: what was typed stays on screen while the program may
        // wait for the user.
        if (!forced)
            return CloseOutcome::Stay;
    }
    // Untouched, kept in a file of its own, or unsavable when nothing may wait: let go without a
    // question.
    detailsChanged = false;
    Cancel();
    return CloseOutcome::Dropped;
}

bool ItemDetailsSession::ListsParentLinks(bool ancestryShown) const {
    return ancestryShown && pending != Change::Insert && detailsMode != Mode::NewItem;
}

QString ItemDetailsSession::IdText() const {
    if (pending == Change::Insert)
        return QStringLiteral("New item");
    return QStringLiteral("id = ") + QString::number(detailsId.Value());
}

QString ItemDetailsSession::CreatedText() const {
    if (pending == Change::Insert || !table1.CreatedTS.isValid())
        return QString();
    return QStringLiteral("Created ") + TimestampText(table1.CreatedTS, 2) + QStringLiteral(" ");
}

bool ItemDetailsSession::SelfLinked() const {
    return table1.Id == table1.Parent;
}

bool ItemDetailsSession::Hidden() const {
    return !table1.Rank.IsNone();
}

QString ItemDetailsSession::HiddenText() const {
    return QStringLiteral("Item hidden by #") + QString::number(table1.Rank.Value());
}

QString ItemDetailsSession::MemoTextFromStored(const QString& text) {
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return t;
}

QString ItemDetailsSession::StoredTextFromMemo(const QString& text) {
    QString t = text;
    t.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return t;
}
