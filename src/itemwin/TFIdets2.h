#pragma once

#include "itemwin/ItemTextSession.h"
#include "common/SingleWindow.h"
#include "store/ItemStore.h"

#include <QColor>
#include <QDialog>
#include <QStringList>

class QAction;
class QActionGroup;
class QFrame;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QTimer;
class PageDrag;

// The item text window: an item as one page of plain text (Name, an empty line, Text), sized
// to its text, with the Ref as a badge in the top right corner. It saves changes 30 seconds
// after the first change following a save and can throw away everything typed since the item
// was opened. One instance, reused; modeless for an existing item, modal for a new one. The
// page's rules are ItemTextSession's and its sizing rules PageSizing's; the window wires them.
class TFIdets2 : public QDialog, public SingleWindow<TFIdets2> {
    Q_OBJECT
public:
    explicit TFIdets2(QWidget* parent = nullptr);
    ~TFIdets2() override;

    bool OpenItemText(ItemId request);
    bool NewItemText(int request, ItemId& id);

    void AutosizeItemText();
    // Saves the page when it has unsaved changes; rule says what becomes of a field saved from
    // another window meanwhile. False when the page is left changed (the user cancelled the
    // question, or the automatic save left such a field for the user's own save).
    bool SaveItemText(ConflictRule rule = ConflictRule::Ask);
    // Another window saved item id: when this page shows it, what it has not changed follows
    // the store.
    void StoredItemChanged(ItemId id);
    void MarkPageChanged();
    void UpdateScrollBar();
    void PlaceRefBadge();
    void ApplyPageColours();
    void Timer1Timer();
    // The program is ending: the page is saved as the automatic save saves it (a new item left
    // blank is removed), nothing is asked, and the window is hidden. When the save fails the
    // engine's text is shown and the window stays with the page still marked changed: false.
    // forced (a shutdown that cannot wait): the page goes to a file in the data folder instead.
    bool CloseForExit(bool forced = false);
    void SetPageFont(const QFont& font);
    QStringList PageLines() const;

    // Menu commands.
    void Now1Click();
    void ItemReference1Click();
    void Itemdetails1Click();
    void Pen1Click();
    void Paper1Click();
    void Font1Click();
    void SetJustification(Qt::Alignment alignment);
    void Left1Click();
    void Centre1Click();
    void Right1Click();
    void Wanttabs1Click();
    void maxh1Click();
    void maxw1Click();
    void Refresh1Click();
    void Selectall1Click();
    void Undochanges1Click();
    void Clear1Click();
    void DeleteItem1Click();
    void Minimize1Click();
    void Exit2Click();
    void PopupMenu1Popup();

    // The page's rules and state: the window tells it what happened and asks what to do.
    ItemTextSession Session;
    bool LoadingPage = false;
    bool PageReady = false;
    QColor PageBackground{255, 255, 128};
    QColor BadgeColour{255, 255, 128};
    int AutosizeMaxWidth = 0;
    int AutosizeMaxHeight = 0;

    QFrame* Panel1;
    QFrame* Panel2;
    QFrame* Panel3;
    QFrame* Panel4;
    QFrame* Panel5;
    QFrame* Panel6;
    QFrame* Panel7;
    QLabel* Label1;
    QPlainTextEdit* Memo1;
    QTimer* Timer1;
    QMenu* PopupMenu1;
    QAction* Now1;
    QAction* ItemReference1;
    QAction* Itemdetails1;
    QAction* Pen1;
    QAction* Paper1;
    QAction* Font1;
    QAction* Left1;
    QAction* Centre1;
    QAction* Right1;
    QAction* Wanttabs1;
    QAction* maxh1;
    QAction* maxw1;
    QAction* WidthNowMnu;
    QAction* Refresh1;
    QAction* Selectall1;
    QAction* Undochanges1;
    QAction* Clear1;
    QAction* DeleteItem1;
    QAction* Minimize1;
    QAction* Exit2;

public slots:
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class SingleWindow<TFIdets2>;
    static QPointer<TFIdets2>& Slot();

    // The steps of building the window.
    void BuildPage();
    void BuildBadge();
    void BuildTimer();
    void BuildMenu();
    void ConnectPage();

    bool FormCloseQuery();
    void SetPageText(const QStringList& lines);
    // A page the session decided on, shown in place of the typed one with the caret kept on its
    // line and column; it is no change of the page.
    void ShowSessionPage(const QStringList& lines);
    void PaintPage(const QColor& page, const QColor& strip);
    int LineHeight() const;
    // AutosizeItemText for a page that stays as it is shown: nothing it does counts as a change.
    void ResizeToPage();
    // maxh1Click and maxw1Click: asks for a new limit and sizes the window to it.
    void AskAutosizeLimit(const QString& prompt, int& limit);

    // The page AutosizeItemText built from the table last.
    QStringList BuiltPage;
    QActionGroup* justification;
    PageDrag* drag;
    // An automatic save is under way (its error box may be up): further ticks wait for it.
    bool autoSaving = false;
};
