#include "listwin/ItemsList.h"

#include "common/Busy.h"
#include "common/Dialogs.h"
#include "common/Settings.h"
#include "common/TextHelpers.h"
#include "listwin/SearchRunner.h"

namespace {
const QString ExitCaption = QStringLiteral("&Exit");
const QString BackCaption = QStringLiteral("&Back");
} // namespace

void ItemsList::SetLinkCounts(int down, int across) {
    header.DownCaption = QString::number(down) + QStringLiteral(" links down");
    header.AcrossCaption = QString::number(across) + QStringLiteral(" links across");
}

void ItemsList::SetBackCaption(char kind) {
    header.BackCaption = kind == 'B' ? BackCaption : ExitCaption;
}

void ItemsList::BuildList() {
    // The new rows are built aside: the list on screen stays what the grid was told while the
    // build asks its questions and shows the item's details.
    ListRows fresh;
    BeginBusy();
    try {
        header.AcrossChecked = ListKind == '2';
        header.RadiosVisible = !(ListKind == 'T' || ListKind == 'S');
        const bool search = IsSearchList();
        if (search || CurrentId == 0)
            SortOrder = 'N'; // top-level and search lists are always in name order

        const QStringList lines = ListQueryLines(ListKind, search, SortOrder, LnoteBefore);
        queryText = ListQueryText(lines);

        SetBackCaption('E');
        header.Label2Top = 12;
        header.Caption = QStringLiteral("Cardolo : Linked Items");
        ItemId parameter;
        if (search) {
            header.Caption = QStringLiteral("Cardolo : Search Results");
            parameter = CurrentHider;
            header.Label2 = QLatin1Char('"') + SearchText + QLatin1Char('"');
            header.Label2Shown = header.Label2;
            header.Label2Clickable = false;
            SetBackCaption('B');
            header.Label3Visible = false;
            ParentId = CurrentId;
            ParentName = CurrentName;
            CurrentId = 0;
        } else {
            parameter = CurrentId;
            header.Label2Clickable = true;
        }

        fresh.Reset(LoadListRows(lines, search, parameter, SearchStamp));
        header.TextButtonVisible = false;

        if (!search) {
            header.Label3.clear();
            header.Label3Visible = false;
            header.Label2.clear();
            header.Label2Shown.clear();
            ParentId = 0;
            ParentName.clear();
            ItemRecord item;
            if (CurrentId > 0 && LocateItem(CurrentId, item)) {
                SetBackCaption('B');
                ParentId = item.Parent;
                header.Label3 = AncestryText(CurrentId, false);
                header.Label3Visible = !header.Label3.isEmpty();
                if (header.Label3Visible)
                    header.Label2Top = 18;
                header.Label2 = EscapeAmpersands(item.Name);
                header.Label2Shown = item.Name;
                const int found = fresh.Count();
                int down = item.Numchildren;
                int across = item.numcousins;
                SetLinkCounts(down, across);
                // The stored counts are repaired from what the list finds, one kind at a time.
                if (!header.AcrossChecked && found != down) {
                    ShowInfo(QStringLiteral("Num links down %1 expected, %2 found - resetting")
                                 .arg(down)
                                 .arg(found));
                    StoreLinkCount(CurrentId, true, found);
                    down = found;
                    SetLinkCounts(down, across);
                }
                if (header.AcrossChecked && found != across) {
                    ShowInfo(QStringLiteral("Num links across %1 expected, %2 found - resetting")
                                 .arg(across)
                                 .arg(found));
                    StoreLinkCount(CurrentId, false, found);
                    across = found;
                    SetLinkCounts(down, across);
                }
                header.TextButtonVisible = !item.TextIsNull;
            }
        }

        header.PanelVisible = !header.Label2.isEmpty();
        if (!header.PanelVisible) {
            header.Caption = QStringLiteral("Cardolo : Top-level Items");
            if (CurrentId > 0 && view)
                view->ShowItemDetails(CurrentId);
        }
        header.TopEnabled = header.PanelVisible;
    } catch (...) {
        EndBusy();
        throw;
    }
    EndBusy();

    SizeColumns(fresh);
    fresh.First();

    // The sort column comes first; the others keep their order.
    const ListColumn name{ListField::dpname,
                          refVisible ? QStringLiteral("NAME") : QStringLiteral("Name"), nameWidth};
    QVector<ListColumn> columns;
    if (refVisible) {
        const ListColumn ref{ListField::dpref, QStringLiteral("REF"), refWidth};
        if (SortOrder == 'R')
            columns << ref << name;
        else
            columns << name << ref;
    } else {
        columns << name;
    }
    columns << ListColumn{ListField::TextPres, QStringLiteral("Text?"), 5}
            << ListColumn{ListField::LinksPres, QStringLiteral("Links?"), 5};

    const int n = fresh.Count();
    header.Status = QString::number(n) + QStringLiteral(" Item") +
                    (n == 1 ? QString() : QStringLiteral("s")) + QStringLiteral(" listed");
    QuietLinking = false;
    if (view)
        view->ListAboutToChange();
    rows = std::move(fresh);
    header.Columns = std::move(columns);
    if (view)
        view->ListRebuilt();
}

void ItemsList::SizeColumns(const ListRows& measured) {
    const ColumnMeasure m = MeasureColumns(measured, ListKind, LnoteBefore);
    nameWidth = m.NameWidth;
    refWidth = m.RefWidth;
    refVisible = m.RefWidth > 0;
    const bool before = WantNoteBefore(m);
    if (before != LnoteBefore) {
        LnoteBefore = before;
        RelistNeeded = true;
    }
}

void ItemsList::ShowLinks(ItemId id, const QString& name) {
    CurrentId = id;
    CurrentName = name;
    SearchStamp = QDateTime();
    BuildList();
    if (RelistNeeded) {
        RelistNeeded = false;
        BuildList();
    }
    if (SortOrder == 'D')
        ResolveDefaultSort();
}

void ItemsList::ResolveDefaultSort() {
    if (!refVisible)
        return;
    SortOrder = rows.AllHaveRefs() ? 'R' : 'N';
    BuildList();
}

void ItemsList::Moved() {
    if (view)
        view->CursorMoved();
}

// Navigation.

void ItemsList::ApplyRequest() {
    const DisplayRequest request = CurrentRequest;
    SortOrder = request.Sort;
    switch (request.Mode) {
    case '1':
    case '2':
        ListKind = request.Mode;
        ShowLinks(request.ItemId, request.Name);
        break;
    case 'S':
        RunSearch(request.Name);
        break;
    default:
        CurrentId = 0;
        SearchStamp = QDateTime();
        StopShowingHidden();
        ParentId = 0;
        ListKind = 'T';
        BuildList();
        break;
    }
    if (request.PosId > 0)
        RestorePosition(request.PosId, request.PosDrop);
}

void ItemsList::SavePosition() {
    const ListRow& row = rows.CursorRow();
    CurrentRequest.PosId = row.Id;
    CurrentRequest.PosDrop = row.Drop2;
    CurrentRequest.Sort = SortOrder;
    if (CurrentRequest.ItemId > 0)
        CurrentRequest.Mode = header.AcrossChecked ? '2' : '1';
}

void ItemsList::PushRequest(const DisplayRequest& request) {
    SavePosition();
    DisplayRequests().StackAdd(CurrentRequest);
    CurrentRequest = request;
    ApplyRequest();
}

void ItemsList::GoBack() {
    if (!DisplayRequests().StackTake(CurrentRequest))
        CurrentRequest = DisplayRequest();
    ApplyRequest();
}

void ItemsList::RestorePosition(ItemId id, int drop) {
    RestoreId = id;
    RestoreDrop = drop;
    if (RestoreId == 0)
        return;
    rows.Locate(RestoreId, RestoreDrop, ListKind == '2');
    Moved();
}

void ItemsList::RefreshKeepingPlace() {
    RestoreId = rows.CursorRow().Id;
    RestoreDrop = rows.CursorRow().Drop2;
    BuildList();
    RestorePosition(RestoreId, RestoreDrop);
}

void ItemsList::RememberNextRow() {
    const bool moved = rows.Next();
    RestoreId = rows.CursorRow().Id;
    RestoreDrop = rows.CursorRow().Drop2;
    if (moved)
        rows.Prior();
}

void ItemsList::StepIntoLinks() {
    const ListRow& row = rows.CursorRow();
    DisplayRequest request;
    request.Mode = row.NumCousins > 0 ? '2' : '1';
    request.ItemId = row.Id;
    if (request.ItemId <= 0) {
        ItemNotFound(row.Id2);
        return;
    }
    request.SetName(row.Name);
    PushRequest(request);
}

void ItemsList::GoToParent() {
    DisplayRequest request;
    request.Mode = '1';
    request.ItemId = ParentId;
    request.SetName(ParentName);
    request.PosId = CurrentId;
    PushRequest(request);
}

void ItemsList::Top() {
    DisplayRequests().StackClear();
    CurrentRequest = DisplayRequest();
    ApplyRequest();
}

void ItemsList::Refresh() {
    SavePosition();
    ApplyRequest();
    ResetBusy();
}

void ItemsList::SelectKind(char kind) {
    ListKind = kind;
    header.AcrossChecked = kind == '2';
    RefreshKeepingPlace();
}

// Grid actions.

bool ItemsList::RowCheck(const ListRow& row) {
    if (row.Id > 0)
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
    if (CurrentId == 0)
        listName = QStringLiteral("Top-level Items");
    if (IsSearchList())
        listName = QStringLiteral("Search Results");
    if (listName.isEmpty())
        return true;
    ShowInfo(QStringLiteral("There is no facility to resequence the ") + listName +
             QStringLiteral(" list"));
    return false;
}

void ItemsList::TitleClick(const QString& title) {
    if (rows.IsEmpty())
        return;
    if (title == QLatin1String("Links?")) {
        AppSettings().ShowLinkCounts = !AppSettings().ShowLinkCounts;
        RefreshKeepingPlace();
        return;
    }
    if (!CanResequence())
        return;
    if (view)
        view->ClearJumpBoxQuietly();
    if (title == QLatin1String("NAME")) {
        SortOrder = 'N';
        RefreshKeepingPlace();
    } else if (title == QLatin1String("REF")) {
        SortOrder = 'R';
        RefreshKeepingPlace();
    }
}

void ItemsList::JumpTo(const QString& text) {
    rows.JumpTo(text, SortOrder);
    Moved();
}

void ItemsList::CurrentItemClick() {
    if (CurrentId != 0 && view)
        view->ShowItemDetails(CurrentId);
}

// Search.

void ItemsList::SearchForText(const QString& typed) {
    DisplayRequest request;
    request.Mode = 'S';
    request.SetName(typed);
    PushRequest(request);
}

void ItemsList::SearchForId(const QString& typed) {
    int id = 0;
    if (!TryParseInt(typed, id))
        return;
    ItemRecord item;
    if (!LocateItem(id, item))
        return;
    // A hidden item opens by id only while its group is shown, or when it is the archive.
    if (item.Rank != 0 && item.Rank != CurrentHider && id != AppSettings().ArchiveId)
        return;
    DisplayRequest request;
    if (item.Numchildren > 0)
        request.Mode = '1';
    else if (item.numcousins != 0)
        request.Mode = '2';
    else
        request.Mode = '1';
    request.ItemId = id;
    request.SetName(item.Name);
    PushRequest(request);
    if (item.Parent == id)
        ShowHidden(id);
}

void ItemsList::RunSearch(const QString& typed) {
    const SearchOutcome outcome = StampSearch(typed);
    SearchText = outcome.Prepared;
    SearchStamp = outcome.Stamp;
    for (ItemId hider : outcome.Hiders) {
        ShowHidden(hider);
        if (view)
            view->ClearSearchText();
    }
    ListKind = 'S';
    BuildList();
}
