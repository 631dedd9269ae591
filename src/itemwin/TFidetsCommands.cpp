#include "itemwin/TFidets.h"
#include "common/Clock.h"
#include "common/Dialogs.h"
#include "common/TextHelpers.h"
#include "common/WindowHelpers.h"
#include "calendar/DateText.h"
#include "dialogs/QtDialogBackend.h"
#include "store/CommandGuard.h"
#include "store/ItemFields.h"
#include "itemwin/ItemWindows.h"
#include "itemwin/MemoRows.h"
#include "itemwin/TextToList.h"
#include <QButtonGroup>
#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <iterator>
#include <utility>

// The buttons and menu commands of the details window: each hands the fields to the
// session and shows what it decides.

void TFidets::InsBtnClick() {
    if (IsEditing())
        return;
    const QString presetRef = Session.BeginInsert();
    SetEditing(true);
    SetFieldColour(InsertColour);
    FillStatusLine();
    // The new record: empty fields until it is saved.
    DBEdit1->clear();
    DBEdit2->clear();
    DBMemo1->clear();
    if (isVisible())
        DBEdit1->setFocus();
    if (!presetRef.isEmpty()) {
        DBEdit2->setText(presetRef);
        if (isVisible())
            DBEdit1->setFocus();
    }
    // Emptying the fields and presetting the Ref are no change of the user's.
    Session.EditingStarted();
}

void TFidets::EditBtnClick() {
    if (IsEditing())
        return;
    if (Session.BeginEdit())
        ShowRecord(Session.Table1());
    SetEditing(true);
    SetFieldColour(EditColour);
}

void TFidets::CommitBtnClick() {
    Commit(ConflictRule::Ask);
}

void TFidets::Commit(ConflictRule rule) {
    ShowSaved(Session.Save(DBEdit1->text(), DBEdit2->text(), MemoText(DBMemo1), rule));
}

void TFidets::ShowSaved(ItemDetailsSession::SaveOutcome outcome) {
    switch (outcome) {
    case ItemDetailsSession::SaveOutcome::Inserted:
        FillStatusLine();
        ShowPlace();
        SetEditing(false);
        SetFieldColour(BrowseColour);
        if (IsShownModal())
            close();
        else if (ItemHooks().ItemSaved)
            ItemHooks().ItemSaved(Session.DetailsId());
        break;
    case ItemDetailsSession::SaveOutcome::Edited:
        // As stored: a field may have kept the version another window saved.
        ShowRecord(Session.Table1());
        SetEditing(false);
        SetFieldColour(BrowseColour);
        break;
    case ItemDetailsSession::SaveOutcome::NothingToSave:
    case ItemDetailsSession::SaveOutcome::ItemMissing:
    case ItemDetailsSession::SaveOutcome::Cancelled:
        break;
    }
}

void TFidets::CancelBtnClick() {
    const bool wasEditing = IsEditing();
    if (Session.Cancel())
        ShowCancelled(wasEditing);
}

void TFidets::ShowCancelled(bool wasEditing) {
    // Back to the record the cursor was on before the insert or edit began.
    if (wasEditing)
        ShowRecord(Session.Table1());
    SetEditing(false);
    Button1->setFocus();
    SetFieldColour(BrowseColour);
    FillStatusLine();
    if (Session.ClosesAfterCancel())
        close();
}

void TFidets::DeleteBtnClick() {
    if (DeleteItem(Session.DetailsId()))
        close();
}

void TFidets::Button4Click() {
    if (TextToList(Session.DetailsId(), TextRows()))
        close();
}

void TFidets::Close1Click() {
    close();
}

void TFidets::Now1Click() {
    // A stamp only goes into fields that are being edited, where it will be saved.
    QWidget* focus = focusWidget();
    if (focus == DBMemo1 && !DBMemo1->isReadOnly()) {
        DBMemo1->insertPlainText(NowStamp());
    } else if (focus == DBEdit1 && !DBEdit1->isReadOnly()) {
        DBEdit1->setText(DBEdit1->text() + NowStamp());
        DBMemo1->setFocus();
    }
}

void TFidets::Font1Click() {
    QFont font = DBMemo1->font();
    if (ChooseFont(font))
        DBMemo1->setFont(font);
}

void TFidets::from1Click() {
    if (ItemHooks().StartNewLink)
        ItemHooks().StartNewLink(Session.DetailsId(), ItemName(Session.DetailsId()));
    FlashMessage(QStringLiteral("Complete the link from a List screen"));
}

void TFidets::ParentLblClick() {
    if (!Session.ListsParentLinks(!ParentLbl->text().isEmpty()))
        return;
    if (ItemHooks().ShowLinks)
        ItemHooks().ShowLinks(Session.DetailsParent(), ItemName(Session.DetailsParent()));
}
