#include "listwin/ItemsList.h"

#include "common/Busy.h"
#include "common/Dialogs.h"
#include "common/NameCollator.h"
#include "common/Settings.h"
#include "common/TextHelpers.h"
#include "store/Database.h"
#include "store/StoreState.h"

namespace {
const QString ExitCaption = QStringLiteral("&Exit");
const QString BackCaption = QStringLiteral("&Back");
} // namespace

void ItemsList::SetLinkCounts(int down, int across) {
    header.DownCaption = QString::number(down) + QStringLiteral(" links down");
    header.AcrossCaption = QString::number(across) + QStringLiteral(" links across");
}

void ItemsList::SetBackCaption(LeaveBy kind) {
    header.Leave = kind;
    header.BackCaption = kind == LeaveBy::Back ? BackCaption : ExitCaption;
}

void ItemsList::BuildList() {
    // The new rows are built aside: the list on screen stays what the grid was told while the
    // build asks its questions and shows the item's details.
    ListRows fresh;
    {
        const BusyScope busy;
        const bool search = IsSearchList();
        const RowOrder order = CurrentRowOrder();
        const QStringList lines = prepareQuery(search, order);
        const ItemId parameter = headList(search);
        loadRows(fresh, lines, order, search, parameter);
        header.TextButtonVisible = false;
        if (!search)
            headItemList(fresh.Count());
        finishHeader();
    }

    SizeColumns(fresh);
    fresh.First();
    QVector<ListColumn> columns = orderedColumns();
    const int n = fresh.Count();
    header.Status = QString::number(n) + QStringLiteral(" Item") +
                    (n == 1 ? QString() : QStringLiteral("s")) + QStringLiteral(" listed");
    TheStoreState.QuietLinking = false;
    showRows(std::move(fresh), std::move(columns));
}

void ItemsList::ShowUnreadList() {
    header = ListHeader();
    header.Caption = QStringLiteral("Cardolo : Top-level Items");
    header.Status = QStringLiteral("The list cannot be read");
    showRows(ListRows(), orderedColumns());
}

// The radio buttons and the statement for the list state.
QStringList ItemsList::prepareQuery(bool search, RowOrder order) {
    header.AcrossChecked = ListWindow().ListKind == ListOf::LinksAcross;
    header.RadiosVisible = !(ListWindow().ListKind == ListOf::TopLevel ||
                             ListWindow().ListKind == ListOf::SearchResults);
    if (search || ListWindow().CurrentId.IsNone())
        ListWindow().SortOrder =
            SortBy::Name; // top-level and search lists are always in name order
    const QStringList lines = ListQueryLines(ListWindow().ListKind, search, ListWindow().SortOrder,
                                             ListWindow().LnoteBefore, order);
    queryText = ListQueryText(lines);
    return lines;
}

// The rows in the order shown. Read by the stored keys, they come in it, and only their refs
// are read now: the rows themselves are read as they are shown. Else they are read whole and
// sorted here by keys made once per row. A file found damaged where the stored keys are is
// still listed: the damage is told, and the items alone are read and sorted here (as every list
// is from then on, the file being known damaged).
void ItemsList::loadRows(ListRows& into, const QStringList& lines, RowOrder order, bool search,
                         ItemId parameter) {
    if (search && foundRows) {
        loadFoundRows(into, parameter);
        return;
    }
    if (!search)
        forgetFoundRefs();
    if (search) {
        // A list of search results is made from the marks; marks that failed to be written
        // make a list that lacks what the search found.
        try {
            FinishSearchMarks();
        } catch (const DbError&) {
            forgetFoundRefs();
            throw;
        }
        std::vector<RowRef> refs;
        if (reuseFoundRefs(parameter, refs)) {
            resetSearchRows(into, std::move(refs), parameter);
            return;
        }
        forgetFoundRefs();
    }
    if (order == RowOrder::StoredKeys) {
        try {
            // A short list is read whole at once; of a longer one only the refs. Counted first,
            // so that a list the engine must sort is sorted once.
            if (CountListRows(lines, search, parameter, ListWindow().SearchStamp,
                              ListRows::ReadWholeUpTo + 1) <= ListRows::ReadWholeUpTo) {
                into.Reset(LoadListRows(lines, search, parameter, ListWindow().SearchStamp));
                return;
            }
            const ListOf kind = ListWindow().ListKind;
            into.Reset(LoadListRefs(ListWindow().ListKind, search, ListWindow().SortOrder,
                                    ListWindow().LnoteBefore, parameter, ListWindow().SearchStamp),
                       [kind, parameter](const std::vector<RowRef>& page) {
                           return LoadRowsOf(kind, parameter, page);
                       });
            return;
        } catch (const DbError& e) {
            if (!IsDamageCode(e.Code))
                throw;
            ShowInfo(e.Text);
        }
    }
    std::vector<ListRow> loaded = LoadListRows(
        order == RowOrder::StoredKeys ? prepareQuery(search, RowOrder::SortedHere) : lines, search,
        parameter, ListWindow().SearchStamp);
    SortListRows(loaded, ListWindow().ListKind,
                 ListLead(ListWindow().ListKind, ListWindow().SortOrder, ListWindow().LnoteBefore),
                 UserNameCollator());
    into.Reset(std::move(loaded));
}

// The header every list starts from, which a search list's is complete with. Returns the item
// the statement lists for: the hider shown for a search list, else the current item.
ItemId ItemsList::headList(bool search) {
    SetBackCaption(LeaveBy::Exit);
    header.Label2Top = 12;
    header.Caption = QStringLiteral("Cardolo : Linked Items");
    if (!search) {
        header.Label2Clickable = true;
        return ListWindow().CurrentId;
    }
    header.Caption = QStringLiteral("Cardolo : Search Results");
    header.Label2 = QLatin1Char('"') + ListWindow().SearchText + QLatin1Char('"');
    header.Label2Shown = header.Label2;
    header.Label2Clickable = false;
    SetBackCaption(LeaveBy::Back);
    header.Label3Visible = false;
    ListWindow().ParentId = ListWindow().CurrentId;
    ListWindow().ParentName = ListWindow().CurrentName;
    ListWindow().CurrentId = ItemId();
    return TheStoreState.CurrentHider;
}

// The current item's name, parent line and link counts over a list of its links.
void ItemsList::headItemList(int found) {
    header.Label3.clear();
    header.Label3Visible = false;
    header.Label2.clear();
    header.Label2Shown.clear();
    ListWindow().ParentId = ItemId();
    ListWindow().ParentName.clear();
    ItemRecord item;
    if (!ListWindow().CurrentId.IsValid() || !LocateItem(ListWindow().CurrentId, item))
        return;
    SetBackCaption(LeaveBy::Back);
    ListWindow().ParentId = item.Parent;
    header.Label3 = AncestryText(ListWindow().CurrentId, false);
    header.Label3Visible = !header.Label3.isEmpty();
    if (header.Label3Visible)
        header.Label2Top = 18;
    header.Label2 = EscapeAmpersands(item.Name);
    header.Label2Shown = item.Name;
    SetLinkCounts(item.Numchildren, item.numcousins);
    repairLinkCount(item, found);
    header.TextButtonVisible = !item.TextIsNull;
}

// The stored count of the kind listed is repaired from what the list found, with a word to
// the user; the other kind is left alone.
void ItemsList::repairLinkCount(const ItemRecord& item, int found) {
    const bool down = !header.AcrossChecked;
    const int stored = down ? item.Numchildren : item.numcousins;
    if (found == stored)
        return;
    const QString message =
        down ? QStringLiteral("Num links down %1 expected, %2 found - resetting")
             : QStringLiteral("Num links across %1 expected, %2 found - resetting");
    ShowInfo(message.arg(stored).arg(found));
    StoreLinkCount(ListWindow().CurrentId, down, found);
    SetLinkCounts(down ? found : item.Numchildren, down ? item.numcousins : found);
}

// Without a current item the list is the top level; an item that was asked for but not found
// opens in the details window.
void ItemsList::finishHeader() {
    header.PanelVisible = !header.Label2.isEmpty();
    if (!header.PanelVisible) {
        header.Caption = QStringLiteral("Cardolo : Top-level Items");
        if (ListWindow().CurrentId.IsValid() && view)
            view->ShowItemDetails(ListWindow().CurrentId);
    }
    header.TopEnabled = header.PanelVisible;
}

// The sort column comes first; the others keep their order.
QVector<ListColumn> ItemsList::orderedColumns() const {
    const ListColumn name{ListField::dpname,
                          refVisible ? QStringLiteral("NAME") : QStringLiteral("Name"), nameWidth};
    QVector<ListColumn> columns;
    if (refVisible) {
        const ListColumn ref{ListField::dpref, QStringLiteral("REF"), refWidth};
        if (ListWindow().SortOrder == SortBy::Ref)
            columns << ref << name;
        else
            columns << name << ref;
    } else {
        columns << name;
    }
    columns << ListColumn{ListField::TextPres, QStringLiteral("Text?"), 5}
            << ListColumn{ListField::LinksPres, QStringLiteral("Links?"), 5};
    return columns;
}

QString ItemsList::CellText(int row, ListField field) const {
    const ListRow& r = rows.Row(row);
    switch (field) {
    case ListField::dpname:
        return DisplayName(r, ListWindow().ListKind, ListWindow().LnoteBefore);
    case ListField::dpref:
        return r.Tel;
    case ListField::TextPres:
        return r.HasText ? QStringLiteral("T") : QString();
    case ListField::LinksPres:
        return LinksMark(r, AppSettings().ShowLinkCounts);
    }
    return QString();
}

// The window hears of the new rows just before and just after they replace the old ones.
void ItemsList::showRows(ListRows fresh, QVector<ListColumn> columns) {
    if (view)
        view->ListAboutToChange();
    rows = std::move(fresh);
    header.Columns = std::move(columns);
    leaveShown = header.Leave;
    if (view)
        view->ListRebuilt();
}

void ItemsList::SizeColumns(const ListRows& measured) {
    const ColumnMeasure m =
        MeasureColumns(measured, ListWindow().ListKind, ListWindow().LnoteBefore);
    nameWidth = m.NameWidth;
    refWidth = m.RefWidth;
    refVisible = m.RefWidth > 0;
    const bool before = WantNoteBefore(m);
    if (before != ListWindow().LnoteBefore) {
        ListWindow().LnoteBefore = before;
        ListWindow().RelistNeeded = true;
    }
}

void ItemsList::ShowLinks(ItemId id, const QString& name) {
    ListWindow().CurrentId = id;
    ListWindow().CurrentName = name;
    ListWindow().SearchStamp = QDateTime();
    BuildList();
    if (ListWindow().RelistNeeded) {
        ListWindow().RelistNeeded = false;
        BuildList();
    }
    if (ListWindow().SortOrder == SortBy::Default)
        ResolveDefaultSort();
}

void ItemsList::ResolveDefaultSort() {
    if (!refVisible)
        return;
    ListWindow().SortOrder = rows.AllHaveRefs() ? SortBy::Ref : SortBy::Name;
    BuildList();
}

void ItemsList::Moved() {
    if (view)
        view->CursorMoved();
}

// Navigation.

bool ItemsList::ApplyRequest() {
    const DisplayRequest request = ListWindow().CurrentRequest;
    const SortBy shownSort = ListWindow().SortOrder;
    ListWindow().SortOrder = request.Sort;
    switch (request.Mode) {
    case ListOf::LinksDown:
    case ListOf::LinksAcross:
        ListWindow().ListKind = request.Mode;
        ShowLinks(request.ItemId, request.Name);
        break;
    case ListOf::SearchResults:
        if (!RunSearch(request.Name)) {
            ListWindow().SortOrder = shownSort;
            return false;
        }
        break;
    case ListOf::TopLevel:
        ListWindow().CurrentId = ItemId();
        ListWindow().SearchStamp = QDateTime();
        StopShowingHidden();
        ListWindow().ParentId = ItemId();
        ListWindow().ListKind = ListOf::TopLevel;
        BuildList();
        break;
    }
    if (request.PosId.IsValid())
        RestorePosition(request.PosId, request.PosDrop);
    return true;
}

void ItemsList::SavePosition() {
    const ListRow& row = rows.CursorRow();
    ListWindow().CurrentRequest.PosId = row.Id;
    ListWindow().CurrentRequest.PosDrop = row.Drop2;
    ListWindow().CurrentRequest.Sort = ListWindow().SortOrder;
    if (ListWindow().CurrentRequest.ItemId.IsValid())
        ListWindow().CurrentRequest.Mode =
            header.AcrossChecked ? ListOf::LinksAcross : ListOf::LinksDown;
}

// A request whose search the user stopped leaves the history as it was.
void ItemsList::PushRequest(const DisplayRequest& request) {
    const DisplayRequest shown = ListWindow().CurrentRequest;
    SavePosition();
    DisplayRequests().StackAdd(ListWindow().CurrentRequest);
    ListWindow().CurrentRequest = request;
    if (ApplyRequest())
        return;
    DisplayRequests().StackTake(ListWindow().CurrentRequest);
    ListWindow().CurrentRequest = shown;
}

void ItemsList::GoBack() {
    const DisplayRequest shown = ListWindow().CurrentRequest;
    const bool taken = DisplayRequests().StackTake(ListWindow().CurrentRequest);
    if (!taken)
        ListWindow().CurrentRequest = DisplayRequest();
    if (ApplyRequest())
        return;
    if (taken)
        DisplayRequests().StackAdd(ListWindow().CurrentRequest);
    ListWindow().CurrentRequest = shown;
}

void ItemsList::RestorePosition(ItemId id, int drop) {
    ListWindow().RestoreId = id;
    ListWindow().RestoreDrop = drop;
    if (ListWindow().RestoreId.IsNone())
        return;
    rows.Locate(ListWindow().RestoreId, ListWindow().RestoreDrop,
                ListWindow().ListKind == ListOf::LinksAcross);
    Moved();
}

void ItemsList::RefreshKeepingPlace() {
    ListWindow().RestoreId = rows.CursorRow().Id;
    ListWindow().RestoreDrop = rows.CursorRow().Drop2;
    BuildList();
    RestorePosition(ListWindow().RestoreId, ListWindow().RestoreDrop);
}

void ItemsList::RememberNextRow() {
    const bool moved = rows.Next();
    ListWindow().RestoreId = rows.CursorRow().Id;
    ListWindow().RestoreDrop = rows.CursorRow().Drop2;
    if (moved)
        rows.Prior();
}

void ItemsList::StepIntoLinks() {
    const ListRow& row = rows.CursorRow();
    DisplayRequest request;
    request.Mode = row.NumCousins > 0 ? ListOf::LinksAcross : ListOf::LinksDown;
    request.ItemId = row.Id;
    if (!request.ItemId.IsValid()) {
        ItemNotFound(row.Id2);
        return;
    }
    request.SetName(row.Name);
    PushRequest(request);
}

void ItemsList::GoToParent() {
    DisplayRequest request;
    request.Mode = ListOf::LinksDown;
    request.ItemId = ListWindow().ParentId;
    request.SetName(ListWindow().ParentName);
    request.PosId = ListWindow().CurrentId;
    PushRequest(request);
}

void ItemsList::Top() {
    DisplayRequests().StackClear();
    ListWindow().CurrentRequest = DisplayRequest();
    ApplyRequest();
}

void ItemsList::Refresh() {
    SavePosition();
    ApplyRequest();
    ResetBusy();
}

void ItemsList::SelectKind(ListOf kind) {
    ListWindow().ListKind = kind;
    header.AcrossChecked = kind == ListOf::LinksAcross;
    RefreshKeepingPlace();
}

// Grid actions.

bool ItemsList::RowCheck(const ListRow& row) {
    if (row.Id.IsValid())
        return true;
    ItemNotFound(row.Id2);
    return false;
}

void ItemsList::OpenRow() {
    if (rows.IsEmpty())
        return;
    const ListRow row = rows.CursorRow();
    const bool hasLinks = row.NumChildren > 0 || row.NumCousins > 0;
    if (row.HasText && RowCheck(row) && view)
        view->OpenItemText(row.Id);
    if (hasLinks)
        StepIntoLinks();
    if (!row.HasText && !hasLinks && RowCheck(row) && view)
        view->ShowItemDetails(row.Id);
}

void ItemsList::CellClick(ListField field) {
    if (rows.IsEmpty())
        return;
    switch (field) {
    case ListField::dpname:
    case ListField::dpref:
        OpenRow();
        break;
    case ListField::TextPres:
        if (RowCheck(rows.CursorRow()) && view)
            view->OpenItemText(rows.CursorRow().Id);
        break;
    case ListField::LinksPres:
        StepIntoLinks();
        break;
    }
}

bool ItemsList::CanResequence() {
    QString listName;
    if (ListWindow().CurrentId.IsNone())
        listName = QStringLiteral("Top-level Items");
    if (IsSearchList())
        listName = QStringLiteral("Search Results");
    if (listName.isEmpty())
        return true;
    ShowInfo(QStringLiteral("There is no facility to resequence the ") + listName +
             QStringLiteral(" list"));
    return false;
}

// Links? switches the link counts on any list. A list re-sorts by the name or the Ref only
// when it shows both to choose between; without a Ref column a click on the name keeps the
// order the list has.
void ItemsList::TitleClick(ListField field) {
    if (rows.IsEmpty())
        return;
    if (field == ListField::LinksPres) {
        AppSettings().ShowLinkCounts = !AppSettings().ShowLinkCounts;
        RefreshKeepingPlace();
        return;
    }
    if (!CanResequence())
        return;
    if (view)
        view->ClearJumpBoxQuietly();
    if (!refVisible)
        return;
    if (field == ListField::dpname) {
        ListWindow().SortOrder = SortBy::Name;
        RefreshKeepingPlace();
    } else if (field == ListField::dpref) {
        ListWindow().SortOrder = SortBy::Ref;
        RefreshKeepingPlace();
    }
}

void ItemsList::JumpTo(const QString& text) {
    rows.JumpTo(text,
                ListLead(ListWindow().ListKind, ListWindow().SortOrder, ListWindow().LnoteBefore),
                UserNameCollator());
    Moved();
}

void ItemsList::CurrentItemClick() {
    if (!ListWindow().CurrentId.IsNone() && view)
        view->ShowItemDetails(ListWindow().CurrentId);
}
