#pragma once

#include "itemwin/ExportText.h"
#include "listwin/DisplayRequest.h"
#include "listwin/ListRows.h"
#include "listwin/ListState.h"
#include "print/ListPrinting.h"

#include <QString>
#include <QVector>

#include <optional>

struct SearchFound;

// What the Exit/Back menu item of the window does, and so says.
enum class LeaveBy { Exit, Back };

// The columns the grid can show.
enum class ListField { dpname, dpref, TextPres, LinksPres };

struct ListColumn {
    ListField Field;
    QString Label;
    int Width; // in characters
};

// Everything around the grid that a built list decides: captions, header, buttons, status.
struct ListHeader {
    QString Caption; // the window caption
    bool PanelVisible = false;
    QString Label2;      // current item (ampersands doubled) or the quoted search text
    QString Label2Shown; // Label2 as the screen shows it
    int Label2Top = 12;
    bool Label2Clickable = false; // hand cursor and hint: a click shows the item's details
    QString Label3;               // the ancestry of the current item
    bool Label3Visible = false;
    bool RadiosVisible = false;
    bool AcrossChecked = false; // "links across" checked, else "links down"
    QString DownCaption = QStringLiteral("999 links down");
    QString AcrossCaption = QStringLiteral("999 links across");
    LeaveBy Leave = LeaveBy::Exit;                 // what Exit/Back does for this list
    QString BackCaption = QStringLiteral("&Exit"); // says Leave
    bool TopEnabled = false;
    bool TextButtonVisible = false;
    QString Status;              // "12 Items listed"
    QVector<ListColumn> Columns; // visible columns, in order
};

// What the list needs from the window that shows it.
class ItemsListView {
public:
    virtual ~ItemsListView() = default;
    // The rows and columns are about to be replaced; ListRebuilt follows at once, with no
    // event processed in between.
    virtual void ListAboutToChange() = 0;
    // The rows, columns and header were replaced.
    virtual void ListRebuilt() = 0;
    // The cursor was placed: bring the row and the rows after it into view.
    virtual void CursorMoved() = 0;
    virtual void ShowItemDetails(ItemId id) = 0;
    virtual void OpenItemText(ItemId id) = 0;
    // Empties the search dialog's text box.
    virtual void ClearSearchText() = 0;
    // Empties the jump-to box without running a jump.
    virtual void ClearJumpBoxQuietly() = 0;
    // A new item through the text window (-1, or -2 with the time stamp as its Ref): true with
    // its id when one was kept.
    virtual bool NewItemText(int request, ItemId& id) = 0;
    // A new item through the details window's form, proposed under parentId: true with its id
    // when one was saved.
    virtual bool NewItemDetails(ItemId parentId, ItemId& id) = 0;
};

// The grid's context menu as it opens on the cursor row: what it enables and the two captions
// that name the items a link down would join.
struct RowMenu {
    bool DelinkEnabled = false;
    bool LinkDownEnabled = false; // both Parent/Child links
    bool LinkAcrossEnabled = false;
    bool LinkNoteEnabled = false;
    QString LinkFromXCaption;
    QString LinkToXCaption;
};

// The LinkAll submenu as it opens.
struct LinkAllMenu {
    bool Enabled = false; // both items
    QString DownCaption;
    QString AcrossCaption;
};

// The items list: builds each kind of list, keeps the cursor, and moves through the links
// and back through the history of lists. Engine errors leave as DbError.
class ItemsList {
public:
    explicit ItemsList(ItemsListView* view = nullptr) : view(view) {}
    void SetView(ItemsListView* v) { view = v; }

    const ListRows& Rows() const { return rows; }
    ListRows& Rows() { return rows; }
    const ListHeader& Header() const { return header; }
    const QString& QueryText() const { return queryText; }
    // The text of one cell, as the grid shows it.
    QString CellText(int row, ListField field) const;

    // Building lists.
    void BuildList();
    // The first list could not be read at all (the file is damaged where its rows are): an
    // empty top-level list with the reason in the status line, so that the window never keeps
    // the placeholders it was built with.
    void ShowUnreadList();
    void ShowLinks(ItemId id, const QString& name);
    void ResolveDefaultSort();
    void SetLinkCounts(int down, int across);
    // Sets what Exit/Back does for the list being built, and the caption that says so.
    void SetBackCaption(LeaveBy kind);
    bool RefVisible() const { return refVisible; }
    // What Exit/Back does for the list the window was last given: a build that failed part way
    // leaves it as the window shows it.
    LeaveBy Leave() const { return leaveShown; }

    // Navigation. ApplyRequest is false when the user stopped the search it ran: the list and
    // its state are left as they were.
    bool ApplyRequest();
    void PushRequest(const DisplayRequest& request);
    void GoBack();
    void SavePosition();
    void RestorePosition(ItemId id, int drop);
    void RefreshKeepingPlace();
    void RememberNextRow();
    void StepIntoLinks();
    void GoToParent(); // the header's parent line
    void Top();
    void Refresh();
    void SelectKind(ListOf kind); // a radio button clicked by the user

    // Grid actions.
    void OpenRow();
    void CellClick(ListField field);
    // A click on the heading of the column that shows field.
    void TitleClick(ListField field);
    bool CanResequence();
    void JumpTo(const QString& text);
    void CurrentItemClick(); // the header's current-item label

    // Search.
    void SearchForText(const QString& typed);
    void SearchForId(const QString& typed);
    // Stamps the matches and lists them, under the busy cursor and with its progress shown when
    // it runs long. False when the user stopped it: nothing is stamped and the list is as it was.
    bool RunSearch(const QString& typed);
    // Writes what is left of the last search's marks, its progress shown (at the program's end).
    void FinishSearchMarks();

    // Linking in two steps: an item is chosen, then linked to the cursor row or every row.
    // True when the chosen item still exists; its name is then read anew.
    bool PrepareLinkStart();
    void StartNewLink();
    RowMenu PopupMenu1Popup();
    void LinkFromX();
    void LinkToX();
    void LinkAcross();
    void LinkNote();
    LinkAllMenu LinkAllPopup();
    void LinkAllDown();
    void LinkAllAcross();

    // Changing and making items from the list.
    void Delink();
    void DeleteRow();
    void NewItem(int request); // New > Text (-1) and Now! (-2)
    void NewDetails();

    // The rows as the grid shows them, for the clipboard: the Name and Ref columns in their
    // order; the Text? and Links? marks go along hidden.
    ExportTable ExportRows() const;
    // The same table giving its records one at a time as they are written (RecordAt), so that
    // a long list is never held twice. It reads this list: use it before the list changes.
    ExportTable ExportSource() const;
    // The list as the print command prints it: the header's current-item text, name or Ref
    // first as the list is sorted, every row and the cursor row.
    PrintableList PrintRows() const;
    // The title an export of the list carries: the header's text, whole and as shown.
    QString ExportTitle() const { return header.Label2Shown; }

private:
    // The steps of BuildList, in their order.
    QStringList prepareQuery(bool search, RowOrder order);
    void loadRows(ListRows& into, const QStringList& lines, RowOrder order, bool search,
                  ItemId parameter);
    ItemId headList(bool search);
    void loadFoundRows(ListRows& into, ItemId hider);
    void headItemList(int found);
    void repairLinkCount(const ItemRecord& item, int found);
    void finishHeader();
    QVector<ListColumn> orderedColumns() const;
    void showRows(ListRows fresh, QVector<ListColumn> columns);

    // Stops with ItemNotFound when the row's item no longer exists.
    bool RowCheck(const ListRow& row);
    // The cursor row's item for a command that acts on it: 0 on an empty list, and 0 after
    // the row check's message when the item is gone.
    ItemId rowItem();
    // The name of the item whose links are listed, as stored.
    QString currentItemName() const;
    void linkAll(int mode);
    void SizeColumns(const ListRows& measured);
    void Moved();

    // The rows of a list of search results from its refs in their order: read whole when
    // they are few, else as they are shown.
    void resetSearchRows(ListRows& into, std::vector<RowRef> refs, ItemId hider);
    // The refs of the last search's list, brought up to date for the items changed since, when
    // they give what reading the list from the marks would: the same group shown, the same
    // collation, and changes few enough to follow. False otherwise.
    bool reuseFoundRefs(ItemId hider, std::vector<RowRef>& refs);
    void forgetFoundRefs();

    ItemsListView* view;
    // While RunSearch lists what it found: the items, whose marks may not be written yet.
    const SearchFound* foundRows = nullptr;
    // The list of the last search as it was made from what the search found, kept up to date
    // with the items changed since. Reading it again from the marks (Refresh, a rebuild after
    // a command) takes these refs while they hold, rather than having the engine sort the
    // marked items once more.
    struct FoundRefs {
        QDateTime Stamp;
        ItemId Hider;
        QString Collation;
        std::vector<RowRef> Refs;
        unsigned Follower = 0; // following the items' changes (ItemChanges.h)
    };
    std::optional<FoundRefs> lastFound;
    ListRows rows;
    ListHeader header;
    QString queryText;
    bool refVisible = false;
    LeaveBy leaveShown = LeaveBy::Exit;
    int nameWidth = 8;
    int refWidth = 0;
};
