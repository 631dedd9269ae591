#include "itemwin/TFidets.h"

#include "calendar/DateText.h"
#include "common/Clock.h"
#include "common/CommonState.h"
#include "common/Dialogs.h"
#include "common/TextHelpers.h"
#include "common/WindowHelpers.h"
#include "dialogs/QtDialogBackend.h"
#include "itemwin/ItemWindows.h"
#include "itemwin/MemoRows.h"
#include "itemwin/TextToList.h"
#include "store/CommandGuard.h"
#include "store/ItemFields.h"

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

namespace {
QLabel* MakeLabel(const QString& name, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    return label;
}

void MakeBoldRed(QLabel* label) {
    QFont f = label->font();
    f.setBold(true);
    label->setFont(f);
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, Qt::red);
    label->setPalette(pal);
}

QAction* NamedAction(QAction* action, const QString& name) {
    action->setObjectName(name);
    return action;
}
} // namespace

const QColor TFidets::EditColour(255, 255, 0);
const QColor TFidets::InsertColour(0, 255, 255);
const QColor TFidets::BrowseColour(255, 255, 255);

QPointer<TFidets>& TFidets::Slot() {
    return ItemWindowsState().Details;
}

TFidets::TFidets(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TFidets"));
    setWindowTitle(QStringLiteral("Cardolo : Item details"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    resize(540, 420);
    BuildMenu();
    BuildFields();
    BuildCommands();
    BuildLayout();
    ConnectCommands();
    Session.SetItemWritten([this](ItemId id) { ItemFieldsWritten(id, this); });
    SetEditing(false);
    SetFieldColour(BrowseColour);
}

TFidets::~TFidets() = default;

void TFidets::BuildMenu() {
    MainMenu = new QMenuBar(this);
    MainMenu->setObjectName(QStringLiteral("MainMenu"));
    Close1 = NamedAction(MainMenu->addAction(QStringLiteral("Close")), QStringLiteral("Close1"));
    Now1 = NamedAction(MainMenu->addAction(QStringLiteral("Now")), QStringLiteral("Now1"));
    Font1 = NamedAction(MainMenu->addAction(QStringLiteral("Font")), QStringLiteral("Font1"));
    Link1 = MainMenu->addMenu(QStringLiteral("Link"));
    Link1->setObjectName(QStringLiteral("Link1"));
    from1 =
        NamedAction(Link1->addAction(QStringLiteral("Start new link")), QStringLiteral("from1"));
}

void TFidets::BuildFields() {
    ParentLbl = MakeLabel(QStringLiteral("ParentLbl"), this);
    QFont bold = ParentLbl->font();
    bold.setBold(true);
    ParentLbl->setFont(bold);
    ParentLbl->setCursor(Qt::PointingHandCursor);
    ParentLbl->setToolTip(QStringLiteral("= parent of current Item, click for its links"));
    ParentLbl->setAccessibleDescription(ParentLbl->toolTip());

    DBEdit1 = new QLineEdit(this);
    DBEdit1->setObjectName(QStringLiteral("DBEdit1"));
    DBEdit1->setFont(bold);
    LimitToWidth(DBEdit1, NameWidth);
    DBEdit1->setToolTip(QStringLiteral("This Item's Name"));
    DBEdit1->setAccessibleName(QStringLiteral("Name"));
    DBEdit1->setAccessibleDescription(DBEdit1->toolTip());
    DBEdit2 = new QLineEdit(this);
    DBEdit2->setObjectName(QStringLiteral("DBEdit2"));
    LimitToWidth(DBEdit2, TelWidth);
    DBEdit2->setToolTip(QStringLiteral("This Item's Reference"));
    DBEdit2->setAccessibleName(QStringLiteral("Ref"));
    DBEdit2->setAccessibleDescription(DBEdit2->toolTip());

    Label1 = MakeLabel(QStringLiteral("Label1"), this);
    Label1->setText(QStringLiteral("Item is self-linked!"));
    Label1->setToolTip(QStringLiteral("Self-linking causes an Item and all its children to be "
                                      "hidden unless its name is entered exactly"));
    MakeBoldRed(Label1);
    Label1->hide();
    Label3 = MakeLabel(QStringLiteral("Label3"), this);
    Label3->setToolTip(
        QStringLiteral("Current Item is hidden because it is linked from a self-linked Item"));
    MakeBoldRed(Label3);
    Label3->hide();

    DBMemo1 = new QPlainTextEdit(this);
    DBMemo1->setObjectName(QStringLiteral("DBMemo1"));
    DBMemo1->setAccessibleName(QStringLiteral("Text"));
    DBMemo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    DBMemo1->setTabChangesFocus(false);
    DBMemo1->setFont(QFont(QStringLiteral("Arial"), 8));
}

void TFidets::BuildCommands() {
    // Out of sight, with no size of its own: the window's Esc button while browsing, where the
    // focus rests after Cancel. It draws nothing over the labels or the Text.
    Button1 = new QPushButton(this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setAccessibleName(QStringLiteral("Close"));
    Button1->setAutoDefault(false);
    Button1->setFixedSize(0, 0);
    Button1->move(0, 0);

    InsBtn = new QRadioButton(QStringLiteral("Insert"), this);
    InsBtn->setObjectName(QStringLiteral("InsBtn"));
    EditBtn = new QRadioButton(QStringLiteral("Edit"), this);
    EditBtn->setObjectName(QStringLiteral("EditBtn"));
    radios = new QButtonGroup(this);
    radios->addButton(InsBtn);
    radios->addButton(EditBtn);

    auto makeButton = [this](const QString& name, const QString& caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(name);
        b->setAutoDefault(false);
        return b;
    };
    CommitBtn = makeButton(QStringLiteral("CommitBtn"), QStringLiteral("Save"));
    CommitBtn->setDefault(true);
    CancelBtn = makeButton(QStringLiteral("CancelBtn"), QStringLiteral("Cancel"));
    DeleteBtn = makeButton(QStringLiteral("DeleteBtn"), QStringLiteral("Delete Item"));
    Button4 = makeButton(QStringLiteral("Button4"), QStringLiteral("Text to List"));

    IdLbl = MakeLabel(QStringLiteral("IdLbl"), this);
    CreatedLbl = MakeLabel(QStringLiteral("CreatedLbl"), this);
    Label2 = MakeLabel(QStringLiteral("Label2"), this);
}

void TFidets::BuildLayout() {
    auto* fields = new QHBoxLayout;
    fields->addWidget(DBEdit1, 3);
    fields->addWidget(DBEdit2, 1);
    auto* flags = new QHBoxLayout;
    flags->addWidget(Label1);
    flags->addWidget(Label3);
    flags->addStretch(1);
    auto* commands = new QHBoxLayout;
    commands->addWidget(InsBtn);
    commands->addWidget(EditBtn);
    commands->addSpacing(12);
    commands->addWidget(CommitBtn);
    commands->addWidget(CancelBtn);
    commands->addStretch(1);
    commands->addWidget(Button4);
    commands->addWidget(DeleteBtn);
    auto* statusFrame = new QFrame(this);
    statusFrame->setFrameShape(QFrame::StyledPanel);
    statusFrame->setFrameShadow(QFrame::Sunken);
    auto* status = new QHBoxLayout(statusFrame);
    status->setContentsMargins(4, 1, 4, 1);
    status->addWidget(IdLbl);
    status->addSpacing(16);
    status->addWidget(CreatedLbl);
    status->addSpacing(16);
    status->addWidget(Label2, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(MainMenu);
    layout->addWidget(ParentLbl);
    layout->addLayout(fields);
    layout->addLayout(flags);
    layout->addWidget(DBMemo1, 1);
    layout->addLayout(commands);
    layout->addWidget(statusFrame);
    // Tab follows the window's reading order: the fields, the commands from the left, and last
    // the invisible close button.
    QWidget* chain[] = {DBEdit1,   DBEdit2,   DBMemo1, InsBtn,    EditBtn,
                        CommitBtn, CancelBtn, Button4, DeleteBtn, Button1};
    for (size_t i = 1; i < std::size(chain); ++i)
        setTabOrder(chain[i - 1], chain[i]);
}

void TFidets::ConnectCommands() {
    // Each command runs under the command guard, so that an engine error is shown with its text.
    const std::pair<QAbstractButton*, void (TFidets::*)()> buttons[] = {
        {InsBtn, &TFidets::InsBtnClick},       {EditBtn, &TFidets::EditBtnClick},
        {CommitBtn, &TFidets::CommitBtnClick}, {CancelBtn, &TFidets::CancelBtnClick},
        {DeleteBtn, &TFidets::DeleteBtnClick}, {Button4, &TFidets::Button4Click},
    };
    for (const auto& [button, handler] : buttons)
        connect(button, &QAbstractButton::clicked, this,
                [this, handler = handler] { RunCommand([this, handler] { (this->*handler)(); }); });
    connect(Button1, &QPushButton::clicked, this, [this] { close(); });
    connect(Close1, &QAction::triggered, this, [this] { Close1Click(); });
    connect(Now1, &QAction::triggered, this, [this] { Now1Click(); });
    connect(Font1, &QAction::triggered, this, [this] { Font1Click(); });
    connect(from1, &QAction::triggered, this, [this] { RunCommand([this] { from1Click(); }); });
    connect(DBEdit1, &QLineEdit::textChanged, this, [this] { DBEdit1Change(); });
    connect(DBEdit2, &QLineEdit::textChanged, this, [this] { DBEdit1Change(); });
    connect(DBMemo1, &QPlainTextEdit::textChanged, this, [this] { DBEdit1Change(); });

    for (QObject* watched : {static_cast<QObject*>(ParentLbl), static_cast<QObject*>(DBEdit1),
                             static_cast<QObject*>(DBEdit2), static_cast<QObject*>(DBMemo1),
                             static_cast<QObject*>(DBMemo1->viewport())})
        watched->installEventFilter(this);
    // The key every editor has: Ctrl+S saves the insert or edit under way, as Save does.
    auto* save = new QShortcut(QKeySequence::Save, this);
    save->setObjectName(QStringLiteral("SaveShortcut"));
    connect(save, &QShortcut::activated, this, [this] {
        if (IsEditing())
            RunCommand([this] { CommitBtnClick(); });
    });
}

void TFidets::SetEditing(bool on) {
    if (on)
        Session.EditingStarted();
    else
        Session.EditingEnded();
    InsBtn->setEnabled(!on);
    EditBtn->setEnabled(!on);
    DeleteBtn->setEnabled(!on);
    Button4->setEnabled(!on);
    CommitBtn->setEnabled(on);
    CancelBtn->setEnabled(on);
    DBEdit1->setReadOnly(!on);
    DBEdit2->setReadOnly(!on);
    DBMemo1->setReadOnly(!on);
    if (!on)
        ClearRadios();
    Close1->setEnabled(!on);
}

void TFidets::ClearRadios() {
    radios->setExclusive(false);
    InsBtn->setChecked(false);
    EditBtn->setChecked(false);
    radios->setExclusive(true);
}

void TFidets::SelectRadio(QRadioButton* radio) {
    if (!radio->isChecked()) {
        Common().ProgrammaticChange = true;
        radio->setChecked(true);
        Common().ProgrammaticChange = false;
    }
    if (radio == InsBtn)
        InsBtnClick();
    else
        EditBtnClick();
}

void TFidets::SetFieldColour(const QColor& colour) {
    for (QWidget* w : {static_cast<QWidget*>(DBEdit1), static_cast<QWidget*>(DBEdit2),
                       static_cast<QWidget*>(DBMemo1)}) {
        QPalette pal = w->palette();
        pal.setColor(QPalette::Base, colour);
        w->setPalette(pal);
    }
}

void TFidets::DBEdit1Change() {
    Session.FieldsChanged();
}

void TFidets::ShowRecord(const ItemRecord& record) {
    DBEdit1->setText(record.Name);
    DBEdit1->setCursorPosition(0);
    DBEdit2->setText(record.Tel);
    DBEdit2->setCursorPosition(0);
    DBMemo1->setPlainText(ItemDetailsSession::MemoTextFromStored(record.Text));
}

void TFidets::FillStatusLine() {
    IdLbl->setText(Session.IdText());
    CreatedLbl->setText(Session.CreatedText());
    Label2->clear();
}

void TFidets::ShowPlace() {
    ParentLbl->setText(AncestryText(Session.Table1().Id, false));
    Label1->setVisible(Session.SelfLinked());
    Label3->setText(Session.HiddenText());
    Label3->setVisible(Session.Hidden());
}

bool TFidets::ShowItemDetails(ItemId id) {
    // An id that is no item leaves the window exactly as it is, on the item it shows.
    ItemRecord record;
    if (!ItemDetailsSession::Find(id, record))
        return false;
    // Moving to another item while editing keeps what was typed: the pending edit or insert is
    // saved first, as the table would post it. If it cannot be saved the window stays put.
    if (IsEditing()) {
        RunCommand([this] { CommitBtnClick(); });
        if (IsEditing()) {
            ShowRestored(this);
            return false;
        }
        // The save may have been to this very item, or the item may be gone meanwhile.
        if (!ItemDetailsSession::Find(id, record))
            return false;
    }
    Session.Show(record);
    ShowRecord(record);
    FillStatusLine();
    ShowPlace();
    ShowRestored(this);
    return true;
}

void TFidets::StoredItemChanged(ItemId id) {
    if (!isVisible())
        return;
    const ItemFieldEdits shown =
        Session.StoredItemChanged(id, DBEdit1->text(), DBEdit2->text(), MemoText(DBMemo1));
    // Shown from the store, not typed: no change of an edit under way.
    const QSignalBlocker name(DBEdit1), ref(DBEdit2), text(DBMemo1);
    for (auto [edit, value] : {std::pair{DBEdit1, &shown.Name}, std::pair{DBEdit2, &shown.Tel}}) {
        if (!*value || *value == edit->text())
            continue;
        const int cursor = edit->cursorPosition();
        edit->setText(**value);
        edit->setCursorPosition(cursor);
    }
    if (shown.Text && *shown.Text != MemoText(DBMemo1)) {
        const int cursor = DBMemo1->textCursor().position();
        DBMemo1->setPlainText(*shown.Text);
        QTextCursor c = DBMemo1->textCursor();
        c.setPosition(qMin(cursor, DBMemo1->document()->characterCount() - 1));
        DBMemo1->setTextCursor(c);
    }
}

void TFidets::EditItemDetails(ItemId id) {
    if (ShowItemDetails(id))
        SelectRadio(EditBtn);
}

bool TFidets::NewItemDetails(ItemId parentId, ItemId& newId) {
    newId = ItemId();
    // A window left open in another state is closed first, by the closing rules; when the user
    // keeps it open the new item is not started.
    if (isVisible()) {
        close();
        if (isVisible())
            return false;
    }
    Session.StartNewItem(parentId);
    show();
    SelectRadio(InsBtn);
    ParentLbl->setText(AncestryText(parentId, true));
    hide();
    Label1->hide();
    Label3->hide();
    shownModal = true;
    exec();
    shownModal = false;
    newId = Session.EndNewItem();
    return newId.IsValid();
}

bool TFidets::NewDiaryItemDetails(const CalendarDate& date, ItemId& newId) {
    return NewItemDetails(Session.StartDiaryEntry(date), newId);
}

QStringList TFidets::TextRows() const {
    return DisplayedRows(DBMemo1);
}

bool TFidets::CloseForExit(bool forced) {
    const auto outcome =
        Session.CloseForExit(DBEdit1->text(), DBEdit2->text(), MemoText(DBMemo1), forced);
    if (!ShowClosing(outcome)) {
        // Not saved: the window stays on screen with what was typed.
        ShowRestored(this);
        return false;
    }
    if (isVisible())
        done(QDialog::Rejected);
    return true;
}

bool TFidets::ShowClosing(ItemDetailsSession::CloseOutcome outcome) {
    switch (outcome) {
    case ItemDetailsSession::CloseOutcome::Close:
        return true;
    case ItemDetailsSession::CloseOutcome::Dropped:
        ShowCancelled(true);
        return true;
    case ItemDetailsSession::CloseOutcome::Inserted:
        ShowSaved(ItemDetailsSession::SaveOutcome::Inserted);
        return true;
    case ItemDetailsSession::CloseOutcome::Edited:
        ShowSaved(ItemDetailsSession::SaveOutcome::Edited);
        return true;
    case ItemDetailsSession::CloseOutcome::Stay:
        break;
    }
    return false;
}

bool TFidets::FormCloseQuery() {
    bool allowed = false;
    RunCommand([this, &allowed] { allowed = ShowClosing(Session.CloseQuery()); });
    return allowed;
}

void TFidets::closeEvent(QCloseEvent* event) {
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    event->accept();
    QDialog::done(QDialog::Rejected);
}

// Every way of leaving the dialog goes through the closing rules.
void TFidets::reject() {
    close();
}

void TFidets::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (key == Qt::Key_Escape) {
        if (IsEditing())
            RunCommand([this] { CancelBtnClick(); });
        else
            close();
        return;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        if (IsEditing() && focusWidget() != DBMemo1)
            RunCommand([this] { CommitBtnClick(); });
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TFidets::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && watched == DBMemo1) {
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            RunCommand([this] { CancelBtnClick(); });
            return true;
        }
    }
    if (event->type() == QEvent::MouseButtonPress) {
        if (watched == ParentLbl) {
            RunCommand([this] { ParentLblClick(); });
            return true;
        }
        if ((watched == DBEdit1 || watched == DBEdit2 || watched == DBMemo1->viewport()) &&
            !IsEditing())
            RunCommand([this] { SelectRadio(EditBtn); });
    }
    return QDialog::eventFilter(watched, event);
}
