#pragma once

#include "calendar/CalendarDate.h"
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
// browsed or edited, and the form in which new items are entered. One instance, reused.
class TFidets : public QDialog {
    Q_OBJECT
public:
    static TFidets* Instance();
    static TFidets* Existing();
    static void DestroyInstance();

    explicit TFidets(QWidget* parent = nullptr);
    ~TFidets() override;

    bool ShowItemDetails(ItemId id);
    void EditItemDetails(ItemId id);
    bool NewItemDetails(ItemId parentId, ItemId& newId);
    bool NewDiaryItemDetails(const CalendarDate& date, ItemId& newId);

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

    // Editing (Insert or Edit selected) or browsing.
    void SetEditing(bool on);
    bool IsEditing() const;
    bool IsShownModal() const { return shownModal; }
    // The Text control's lines as it displays them.
    QStringList TextRows() const;

    ItemId DetailsId = 0;
    ItemId DetailsParent = 0;
    char DetailsMode = 'D';
    bool DetailsChanged = false;
    QString PresetRef;
    ItemId NewParentId = 0;

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
    bool FormCloseQuery();
    void ShowRecord(const ItemRecord& record);
    void FillStatusLine();
    // The ancestry line and the self-linked and hidden labels of the record in Table1.
    void ShowPlace();
    void SetFieldColour(const QColor& colour);
    // Selects a radio button from code; like a click, it runs the button's handler.
    void SelectRadio(QRadioButton* radio);
    void ClearRadios();
    void ShowRestored();
    void DBEdit1Change();
    void commitForExit(bool forced);

    // The record the window's cursor is on.
    ItemRecord Table1;
    // When the pending insert began: the new item's creation time.
    QDateTime InsertBegun;
    bool shownModal = false;
    QButtonGroup* radios;
};
