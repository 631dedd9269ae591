#include "listwin/ItemsList.h"

#include "common/Dialogs.h"
#include "common/TextHelpers.h"
#include "store/Database.h"

#include <vector>

// The list's commands that link, delink, delete and make items, and the menus that offer them.
// Each reads what it needs of the cursor row before its first question: a question's modal
// loop may let a queued rebuild replace the rows.

namespace {
// A quoted name as a menu caption shows it: an ampersand in the name is shown, not taken as the
// caption's shortcut mark.
QString CaptionName(const QString& quoted) {
    return EscapeAmpersands(quoted);
}
} // namespace

ItemId ItemsList::rowItem() {
    if (rows.IsEmpty())
        return ItemId();
    return RowCheck(rows.CursorRow()) ? rows.CursorRow().Id : ItemId();
}

QString ItemsList::currentItemName() const {
    return ItemName(ListWindow().CurrentId);
}

bool ItemsList::PrepareLinkStart() {
    ItemRecord item;
    if (!ListWindow().LinkStartId.IsValid() || !LocateItem(ListWindow().LinkStartId, item))
        return false;
    ListWindow().LinkStartName = QuoteDouble(item.Name);
    return true;
}

void ItemsList::StartNewLink() {
    const ItemId id = rowItem();
    if (id.IsNone())
        return;
    ListWindow().LinkStartId = id;
    ListWindow().LinkStartName = QuoteDouble(rows.CursorRow().Name);
    FlashMessage(QStringLiteral("now select the other item"));
}

RowMenu ItemsList::PopupMenu1Popup() {
    RowMenu menu;
    menu.DelinkEnabled = ListWindow().CurrentId.IsValid();
    menu.LinkDownEnabled = PrepareLinkStart();
    menu.LinkAcrossEnabled = ListWindow().LinkStartId.IsValid();
    const QString row = QuoteDouble(EscapeAmpersands(rows.CursorRow().Name));
    const QString x = CaptionName(ListWindow().LinkStartName);
    menu.LinkFromXCaption = QStringLiteral("Link down from ") + x + QStringLiteral(" to ") + row;
    menu.LinkToXCaption = QStringLiteral("Link down from ") + row + QStringLiteral(" to ") + x;
    if (view)
        view->ClearJumpBoxQuietly();
    menu.LinkNoteEnabled = ListWindow().ListKind == ListOf::LinksAcross;
    return menu;
}

// The row usually leaves a links-down list (it has a new parent): the cursor goes to the row
// that followed it.
void ItemsList::LinkFromX() {
    const ItemId id = rowItem();
    if (id.IsNone())
        return;
    RememberNextRow();
    const ItemId nextId = ListWindow().RestoreId;
    const int nextDrop = ListWindow().RestoreDrop;
    LinkItems(ListWindow().LinkStartId, id, 1);
    BuildList();
    RestorePosition(nextId, nextDrop);
}

void ItemsList::LinkToX() {
    const ItemId id = rowItem();
    if (id.IsNone())
        return;
    LinkItems(id, ListWindow().LinkStartId, 1);
    RefreshKeepingPlace();
}

void ItemsList::LinkAcross() {
    const ItemId id = rowItem();
    if (id.IsNone())
        return;
    const QString name = rows.CursorRow().Name;
    if (id == ListWindow().LinkStartId) {
        ShowInfo(QStringLiteral("An item cannot be linked across to itself"));
        return;
    }
    const int result = LinkItems(id, ListWindow().LinkStartId, 2);
    if (result == LinkOk)
        FlashMessage(QStringLiteral("Linked OK"));
    else if (result == AlreadyLinked)
        ShowInfo(QStringLiteral("Items \"") + name + QStringLiteral("\" and ") +
                 ListWindow().LinkStartName + QStringLiteral(" are already linked"));
    else
        ShowInfo(QStringLiteral("Cannot link items, not sure why"));
    RefreshKeepingPlace();
}

// Both rows of the link take the note together.
void ItemsList::LinkNote() {
    if (ListWindow().ListKind != ListOf::LinksAcross)
        return;
    const ItemId id = rowItem();
    if (id.IsNone())
        return;
    QString note = rows.CursorRow().LinkNote;
    const int drop = rows.CursorRow().Drop2;
    const ItemId listed = ListWindow().CurrentId;
    if (!PromptLinkNote(note))
        return;
    SetLinkAcrossNote(listed, id, drop, note);
    RefreshKeepingPlace();
}

LinkAllMenu ItemsList::LinkAllPopup() {
    LinkAllMenu menu;
    menu.Enabled = PrepareLinkStart();
    menu.DownCaption = QStringLiteral("Link down");
    menu.AcrossCaption = QStringLiteral("Link across");
    if (menu.Enabled) {
        const QString x = CaptionName(ListWindow().LinkStartName);
        menu.DownCaption += QStringLiteral(" from ") + x + QStringLiteral(" to") +
                            QStringLiteral(" all items in this list");
        menu.AcrossCaption += QStringLiteral(" between ") + x + QStringLiteral(" and") +
                              QStringLiteral(" all items in this list");
    }
    return menu;
}

// In an item's links-down list every row has that item as its parent, which the question names.
void ItemsList::LinkAllDown() {
    if (!ListWindow().LinkStartId.IsValid())
        return;
    QString question = QStringLiteral("Link down from ") + ListWindow().LinkStartName +
                       QStringLiteral(" to all items listed");
    if (ListWindow().ListKind == ListOf::LinksDown)
        question += QStringLiteral("\r") + QStringLiteral("replacing ") +
                    QuoteDouble(currentItemName()) + QStringLiteral(" as their parent");
    question += QStringLiteral(" - are you sure?");
    if (!Confirm(question))
        return;
    linkAll(1);
}

void ItemsList::LinkAllAcross() {
    if (!ListWindow().LinkStartId.IsValid())
        return;
    if (!Confirm(QStringLiteral("Link across between ") + ListWindow().LinkStartName +
                 QStringLiteral(" and all items listed - OK?")))
        return;
    linkAll(2);
}

// Each link is its own operation with its own questions. A row whose item is gone has nothing
// to link. When the engine fails part way, the links already made stay, and the list shows
// them before the error is.
void ItemsList::linkAll(int mode) {
    std::vector<ItemId> ids;
    for (int i = 0; i < rows.Count(); ++i)
        if (rows.Row(i).Id.IsValid())
            ids.push_back(rows.Row(i).Id);
    const ItemId from = ListWindow().LinkStartId;
    try {
        for (ItemId id : ids)
            LinkItems(from, id, mode);
    } catch (const DbError&) {
        BuildList();
        throw;
    }
    BuildList();
}

// A links-across list delinks the row's link; any other list makes the row's item top-level.
void ItemsList::Delink() {
    const ItemId id = rowItem();
    if (id.IsNone())
        return;
    const ListRow row = rows.CursorRow();
    const bool across = header.AcrossChecked;
    const ItemId listed = ListWindow().CurrentId;
    RememberNextRow();
    const ItemId nextId = ListWindow().RestoreId;
    const int nextDrop = ListWindow().RestoreDrop;
    if (across) {
        DelinkAcross(listed, id, row.Drop2);
    } else {
        ItemRecord item;
        if (!LocateItem(id, item))
            return;
        DelinkDown(id, row.Parent);
    }
    BuildList();
    RestorePosition(nextId, nextDrop);
}

void ItemsList::DeleteRow() {
    const ItemId id = rowItem();
    if (id.IsNone())
        return;
    RememberNextRow();
    const ItemId nextId = ListWindow().RestoreId;
    const int nextDrop = ListWindow().RestoreDrop;
    if (!DeleteItem(id))
        return;
    BuildList();
    RestorePosition(nextId, nextDrop);
}

// A new item from a links list may go under the listed item; declining leaves the list as it
// was, since the new item is not in it.
void ItemsList::NewItem(int request) {
    ItemId id;
    if (!view || !view->NewItemText(request, id) || !id.IsValid())
        return;
    const ItemId listed = ListWindow().CurrentId;
    if (!listed.IsNone()) {
        if (!Confirm(QStringLiteral("Link new item from \"") + currentItemName() +
                     QStringLiteral("\" ?")))
            return;
        LinkItems(listed, id, 1);
    }
    BuildList();
    RestorePosition(id, 0);
}

// The form proposes the listed item as the new item's parent and links it on saving.
void ItemsList::NewDetails() {
    ItemId id;
    if (!view || !view->NewItemDetails(ListWindow().CurrentId, id))
        return;
    BuildList();
    RestorePosition(id, 0);
}

// The fields are the grid's columns in their order; only the name and the ref are shown.
PrintableList ItemsList::PrintRows() const {
    PrintableList printable;
    printable.Heading = header.Label2Shown;
    printable.NameFirst = ListWindow().SortOrder == SortBy::Name;
    // The ids are in the refs: no row is read for them.
    printable.Rows.reserve(size_t(rows.Count()));
    for (int i = 0; i < rows.Count(); ++i)
        printable.Rows.push_back(PrintableRow{rows.Ref(i).Id, rows.Ref(i).Id2});
    printable.CurrentRow = rows.Cursor();
    return printable;
}

ExportTable ItemsList::ExportSource() const {
    ExportTable table;
    for (const ListColumn& column : header.Columns) {
        ExportTable::Field field;
        field.Label = column.Label;
        field.Visible = column.Field == ListField::dpname || column.Field == ListField::dpref;
        table.Fields << field;
    }
    const QVector<ListColumn> columns = header.Columns;
    table.RecordCount = rows.Count();
    table.RecordAt = [this, columns](int i) {
        QStringList values;
        for (const ListColumn& column : columns)
            values << CellText(i, column.Field);
        return values;
    };
    return table;
}

ExportTable ItemsList::ExportRows() const {
    ExportTable table = ExportSource();
    table.Records.reserve(table.RecordCount);
    for (int i = 0; i < table.RecordCount; ++i)
        table.Records << table.RecordAt(i);
    table.RecordAt = nullptr;
    table.RecordCount = 0;
    return table;
}
