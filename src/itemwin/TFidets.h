#pragma once

#include "calendar/CalendarDate.h"
#include "itemwin/ItemDetailsSession.h"
#include "common/SingleWindow.h"
#include "store/ItemStore.h"

#include <QDialog>

class QAction;
class QButtonGroup;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

// The item details window: one item's Name, Ref and Text with its place in the hierarchy,
// browsed or edited, and the form in which new items are entered. One instance, reused. The
// rules it follows are ItemDetailsSession's; the window wires its controls to them.
class TFidets : public QDialog, public SingleWindow<TFidets> {
    Q_OBJECT
public:
    explicit TFidets(QWidget* parent = nullptr);
    ~TFidets() override;

    bool ShowItemDetails(ItemId id);
    void EditItemDetails(ItemId id);
    bool NewItemDetails(ItemId parentId, ItemId& newId);
    bool NewDiaryItemDetails(const CalendarDate& date, ItemId& newId);
    // Another window saved item id: when this window shows it, the fields not changed in an
    // edit show it as stored.
    void StoredItemChanged(ItemId id);

    // User commands.
    void InsBtnClick();
    void EditBtnClick();
    void CommitBtnClick();
    void CancelBtnClick();
    void DeleteBtnClick();
    void Button4Click();
    void Close1Click();
    void Now1Click();
    void Font1Click();
    void from1Click();
    void ParentLblClick();

    // The program is ending: a changed edit or insert is saved without a question and the
    // window is hidden. When the engine refuses the save, its text is shown and the window
    // stays with what was typed: false. forced (a shutdown that cannot wait): the fields go to
    // a file in the data folder instead, and the window is hidden.
    bool CloseForExit(bool forced = false);

    // The controls of the editing state (Insert or Edit selected) or of browsing.
    void SetEditing(bool on);
    bool IsEditing() const { return Session.IsEditing(); }
    bool IsShownModal() const { return shownModal; }
    // The Text control's lines as it displays them.
    QStringList TextRows() const;

    // The window's rules and state: the window tells it what happened and asks what to do.
    ItemDetailsSession Session;

    QLabel* ParentLbl;
    QLineEdit* DBEdit1;
    QLineEdit* DBEdit2;
    QLabel* Label1;
    QLabel* Label3;
    QPlainTextEdit* DBMemo1;
    QLabel* IdLbl;
    QLabel* CreatedLbl;
    QLabel* Label2;
    QRadioButton* InsBtn;
    QRadioButton* EditBtn;
    QPushButton* CommitBtn;
    QPushButton* CancelBtn;
    QPushButton* DeleteBtn;
    QPushButton* Button4;
    QPushButton* Button1;
    QMenuBar* MainMenu;
    QAction* Close1;
    QAction* Now1;
    QAction* Font1;
    QMenu* Link1;
    QAction* from1;

    static const QColor EditColour;
    static const QColor InsertColour;
    static const QColor BrowseColour;

public slots:
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class SingleWindow<TFidets>;
    static QPointer<TFidets>& Slot();

    // The steps of building the window.
    void BuildMenu();
    void BuildFields();
    void BuildCommands();
    void BuildLayout();
    void ConnectCommands();

    bool FormCloseQuery();
    void ShowRecord(const ItemRecord& record);
    void FillStatusLine();
    // The ancestry line and the self-linked and hidden labels of the record in Table1.
    void ShowPlace();
    void SetFieldColour(const QColor& colour);
    // Selects a radio button from code; like a click, it runs the button's handler.
    void SelectRadio(QRadioButton* radio);
    void ClearRadios();
    void DBEdit1Change();
    // Saves the insert or edit under way; rule says what becomes of a field saved from another
    // window meanwhile.
    void Commit(ConflictRule rule);
    // Shows what a save or a cancel of the insert or edit under way left: the item as saved
    // (and closes the new-item form), or the record as it was before the change began.
    void ShowSaved(ItemDetailsSession::SaveOutcome outcome);
    void ShowCancelled(bool wasEditing);
    // Shows what closing decided; false when the window is to stay.
    bool ShowClosing(ItemDetailsSession::CloseOutcome outcome);

    bool shownModal = false;
    QButtonGroup* radios;
};
