#pragma once

#include "listwin/ItemsList.h"

#include <QMainWindow>

class QAction;
class QActionGroup;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QTableView;
class QTimer;
class QToolButton;
class ListModel;
class TFFind;

// The items list window, the program's main window: the header with the current item, the
// grid of the list, the jump-to box and the menus. The list itself lives in ItemsList; this
// class wires it to the screen and runs the user's commands.
class TFAddsBk : public QMainWindow, private ItemsListView {
    Q_OBJECT
public:
    explicit TFAddsBk(QWidget* parent = nullptr);
    ~TFAddsBk() override;

    // Closes without a question, as a system shutdown does.
    void CloseQuietly();
    // Exit on the top-level list (asks first), Back on every other.
    void Exit1Click();

    ItemsList& List() { return list; }
    ListModel* Model() { return model; }

    // Opening one item in the item details or item text window.
    void ShowItemDetails(ItemId id) override;
    void OpenItemText(ItemId id) override;

    // User commands; each shows an engine error's text instead of letting it through.
    void BuildListCommand();
    void TopCommand();
    void RefreshCommand();
    void SearchCommand();
    void ShowLinkCountsCommand(); // the option's check mark decides
    void AboutCommand();
    // The main menu.
    void Import1Click();
    void toClipboard1Click();
    void Now1Click();
    void ext1Click();
    void Details2Click();
    void LinkAll1Click(); // the submenu opens
    void LinkAllDown1Click();
    void LinkAllAcross1Click();
    void Delink1Click();
    void Calendar1Click();
    void Print1Click();
    void Diary1Click();
    void Notepad1Click();
    void CheckMnuClick();
    void Options1Click(); // the submenu opens
    void Flashinterval1Click();
    void Archiveid1Click();
    // The grid's context menu, on the cursor row.
    void PopupMenu1Popup(); // the menu opens
    void RowTextCommand();
    void RowLinksCommand();
    void RowDetailsCommand();
    void RowEditCommand();
    void Link1Click();
    void LinkFromX1Click();
    void LinkToX1Click();
    void Secondarylink1Click();
    void Linknote1Click();
    void Ungroup1Click();
    void Deleteitem1Click();
    // The background build of the search index: its progress in the status line, and its
    // failure in a message once it has stopped.
    void Timer1Timer();

    // Header.
    QFrame* Panel4;
    QLabel* Label3;
    QLabel* Label2;
    QRadioButton* PrimaryRdio;
    QRadioButton* SecondaryRdio;
    QToolButton* SpeedButton1;
    // Grid and status panel.
    QTableView* DBGrid1;
    QFrame* Panel3;
    QLineEdit* Edit1;
    QToolButton* ClearBtn;
    QLabel* Label1;
    // Progress of long work, beside the count of items listed: the search running, or the
    // search index being built.
    QLabel* Label4;
    QToolButton* SpeedButton2;
    QToolButton* SpeedButton3;
    QPushButton* Button1;
    // Main menu.
    QAction* Exit1;
    QAction* Top1;
    QAction* Refresh1;
    QAction* Find1;
    QAction* Import1;
    QMenu* Export1;
    QAction* toClipboard1;
    QAction* toFile1;
    QAction* Print1;
    QAction* Now1;
    QMenu* New1;
    QAction* ext1;
    QAction* Details2;
    QAction* Diary1;
    QMenu* LinkAll1;
    QAction* LinkAllDown1;
    QAction* LinkAllAcross1;
    QAction* Delink1;
    QMenu* Tools1;
    QAction* Calendar1;
    QAction* Notepad1;
    QAction* CheckMnu;
    QMenu* Options1;
    QAction* Flashinterval1;
    QAction* Showlinkcounts1;
    QAction* Archiveid1;
    QAction* LnoteBeforeMnu;
    QAction* LnoteAfterMnu;
    QAction* HideArchive1;
    QAction* About1;
    // Context menu of the grid.
    QMenu* PopupMenu1;
    QAction* ViewItemnew1;
    QAction* Sublist1;
    QAction* Details1;
    QAction* Edit2;
    QAction* Link1;
    QAction* LinkFromX1;
    QAction* LinkToX1;
    QAction* Secondarylink1;
    QAction* Linknote1;
    QAction* Ungroup1;
    QAction* Deleteitem1;

    TFFind* Find;
    // Polls the background build of the search index while it runs.
    QTimer* Timer1;

signals:
    // The window has closed for good: the item windows have kept what was typed in them and
    // are hidden, and the settings are written. The program ends on it.
    void Closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The steps of the constructor.
    void setSilverPalette();
    void buildHeader();
    void buildGrid();
    void buildStatusPanel();
    void buildCancelButton();
    void hookItemWindows();
    void wireGrid();
    void ListAboutToChange() override;
    void ListRebuilt() override;
    void CursorMoved() override;
    void ClearSearchText() override;
    void ClearJumpBoxQuietly() override;
    bool NewItemText(int request, ItemId& id) override;
    bool NewItemDetails(ItemId parentId, ItemId& id) override;
    void syncCursorToGrid();
    void fitToWidth();
    void gridCurrentChanged(int row);
    // A row command on the cursor row: its item, or the message when the item is gone.
    void rowCommand(const std::function<void(ItemId)>& command);
    // Long work's progress: installed as the hooks of WorkProgress.
    void installWorkProgress();
    bool pollWork();
    void showProgress();
    void startIndexBuild();

    ItemsList list;
    ListModel* model;
    QWidget* headerLabels = nullptr;
    // The Name column keeps at least this many characters when the window is narrow.
    static constexpr int MinimumNameChars = 10;
    bool shownOnce = false;
    bool placingCursor = false;
    bool checkingRadio = false;
    // Set by the close: rebuilds still queued then are dropped.
    bool closed = false;
    // A close that nothing may delay or refuse (a shutdown signal).
    bool closingQuietly = false;
    // What Label4 shows: long work on this thread first, else the index build.
    QString workText;
    QString buildText;
};
