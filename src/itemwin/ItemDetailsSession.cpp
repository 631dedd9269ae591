#include "itemwin/ItemDetailsSession.h"

#include "common/Clock.h"
#include "common/Dialogs.h"
#include "calendar/DateText.h"
#include "store/CommandGuard.h"
#include "store/ItemFields.h"

bool ItemDetailsSession::Find(ItemId id, ItemRecord& record) {
    return id > 0 && LocateItem(id, record);
}

void ItemDetailsSession::Show(const ItemRecord& record) {
    DetailsMode = Mode::ShowItem;
    DetailsChanged = false;
    DetailsId = record.Id;
    DetailsParent = record.Parent;
    Table1 = record;
}

void ItemDetailsSession::StartNewItem(ItemId parentId) {
    NewParentId = parentId;
    DetailsMode = Mode::NewItem;
    DetailsChanged = false;
    DetailsId = 0;
}

ItemId ItemDetailsSession::EndNewItem() {
    NewParentId = 0;
    return DetailsId;
}

ItemId ItemDetailsSession::StartDiaryEntry(const CalendarDate& date) {
    PresetRef = FormatIsoDateParenWeekday(date);
    return FindOrCreateYearItem(date.year);
}

QString ItemDetailsSession::BeginInsert() {
    Pending = Change::Insert;
    // The item is created when the user begins it, whenever it is saved.
    InsertBegun = CurrentDateTime();
    QString ref;
    ref.swap(PresetRef);
    return ref;
}

bool ItemDetailsSession::BeginEdit() {
    Pending = Change::Edit;
    ItemRecord stored;
    if (!LocateItem(DetailsId, stored))
        return false;
    Table1 = stored;
    return true;
}

ItemDetailsSession::SaveOutcome ItemDetailsSession::Save(const QString& name, const QString& tel,
                                                         const QString& memoText,
                                                         ConflictRule rule) {
    const QString text = StoredTextFromMemo(memoText);
    if (Pending == Change::Insert) {
        // Only the new-item form names a parent; an Insert while browsing is top-level.
        const ItemId parent = DetailsMode == Mode::NewItem ? NewParentId : 0;
        DetailsId = CreateItem(name, tel, text, InsertBegun);
        // The item is saved from here on: a link that fails leaves it top-level, reported.
        if (parent > 0)
            RunCommand([this, parent] { LinkItems(parent, DetailsId, 1); });
        LocateItem(DetailsId, Table1);
        DetailsParent = Table1.Parent;
        Pending = Change::None;
        return SaveOutcome::Inserted;
    }
    if (Pending != Change::Edit)
        return SaveOutcome::NothingToSave;
    // Only what the user changed is written, over the item as it was when the edit began (or
    // as another window saved a field the user had left alone since).
    ItemRecord stored;
    if (!LocateItem(DetailsId, stored)) {
        // The item went away while it was being edited: nothing to write to.
        ItemNotFound(DetailsId);
        return SaveOutcome::ItemMissing;
    }
    ItemVersions versions;
    versions[int(ItemField::Name)] = {Table1.Name, name, stored.Name};
    versions[int(ItemField::Ref)] = {Table1.Tel, tel, stored.Tel};
    versions[int(ItemField::Text)] = {MemoTextFromStored(Table1.Text), memoText,
                                      MemoTextFromStored(stored.Text)};
    const FieldPlan plan = PlanFieldSave(DetailsId, stored.Name, versions, rule);
    if (plan.Cancelled)
        return SaveOutcome::Cancelled;
    ItemFieldEdits edits;
    if (plan[ItemField::Name] == FieldAction::Write)
        edits.Name = name;
    if (plan[ItemField::Ref] == FieldAction::Write)
        edits.Tel = tel;
    if (plan[ItemField::Text] == FieldAction::Write)
        edits.Text = text;
    if (!WriteItemFields(DetailsId, edits)) {
        ItemNotFound(DetailsId);
        return SaveOutcome::ItemMissing;
    }
    LocateItem(DetailsId, Table1);
    Pending = Change::None;
    if (plan.Any(FieldAction::Write) && ItemWritten)
        ItemWritten(DetailsId);
    return SaveOutcome::Edited;
}

ItemFieldEdits ItemDetailsSession::StoredItemChanged(ItemId id, const QString& name,
                                                     const QString& tel, const QString& memoText) {
    ItemFieldEdits shown;
    ItemRecord stored;
    if (id <= 0 || id != DetailsId || DetailsMode != Mode::ShowItem || Pending == Change::Insert ||
        !LocateItem(id, stored))
        return shown;
    if (Pending == Change::None) {
        Table1 = stored;
        return ItemFieldEdits{stored.Name, stored.Tel, MemoTextFromStored(stored.Text)};
    }
    // A field the user changed in the edit keeps what was typed, and Table1 what it was typed
    // over, so that the save asks about it.
    if (name == Table1.Name) {
        Table1.Name = stored.Name;
        shown.Name = stored.Name;
    }
    if (tel == Table1.Tel) {
        Table1.Tel = stored.Tel;
        shown.Tel = stored.Tel;
    }
    if (memoText == MemoTextFromStored(Table1.Text)) {
        Table1.Text = stored.Text;
        shown.Text = MemoTextFromStored(stored.Text);
    }
    return shown;
}

bool ItemDetailsSession::Cancel() {
    if (DetailsChanged && !Confirm(QStringLiteral("OK to cancel insert/edit?")))
        return false;
    // Another window may have saved the item during the edit.
    if (Pending == Change::Edit)
        LocateItem(DetailsId, Table1);
    Pending = Change::None;
    return true;
}

bool ItemDetailsSession::ListsParentLinks(bool ancestryShown) const {
    return ancestryShown && Pending != Change::Insert && DetailsMode != Mode::NewItem;
}

QString ItemDetailsSession::IdText() const {
    if (Pending == Change::Insert)
        return QStringLiteral("New item");
    return QStringLiteral("id = ") + QString::number(DetailsId);
}

QString ItemDetailsSession::CreatedText() const {
    if (Pending == Change::Insert || !Table1.CreatedTS.isValid())
        return QString();
    return QStringLiteral("Created ") + TimestampText(Table1.CreatedTS, 2) + QStringLiteral(" ");
}

bool ItemDetailsSession::SelfLinked() const {
    return Table1.Id == Table1.Parent;
}

bool ItemDetailsSession::Hidden() const {
    return Table1.Rank != 0;
}

QString ItemDetailsSession::HiddenText() const {
    return QStringLiteral("Item hidden by #") + QString::number(Table1.Rank);
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
