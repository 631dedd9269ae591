#include "itemwin/TFIdets2.h"
#include "common/Dialogs.h"
#include "common/Settings.h"
#include "common/WindowHelpers.h"
#include "calendar/DateText.h"
#include "dialogs/QtDialogBackend.h"
#include "notepad/Notepad.h"
#include "store/CommandGuard.h"
#include "itemwin/ItemPage.h"
#include "itemwin/ItemWindows.h"
#include "itemwin/MemoRows.h"
#include "itemwin/PageDrag.h"
#include "itemwin/PageMenu.h"
#include "itemwin/PageSizing.h"
#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QGuiApplication>
#include <QClipboard>
#include <QShortcut>
#include <QScopeGuard>
#include <QScopedValueRollback>
#include <QScreen>
#include <QStyle>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextOption>
#include <QTimer>
#include <QVBoxLayout>
#include <initializer_list>

// The page's context menu: each command does what its caption says, through the session
// where it asks or writes.

void TFIdets2::Now1Click() {
    Memo1->insertPlainText(NowStamp());
}

void TFIdets2::ItemReference1Click() {
    if (!Session.EditRef())
        return;
    MarkPageChanged();
    PlaceRefBadge();
}

void TFIdets2::Itemdetails1Click() {
    ShowItemDetails(Session.TextItemId());
}

void TFIdets2::Pen1Click() {
    QColor colour = Memo1->palette().color(QPalette::Text);
    if (!ChooseColour(colour))
        return;
    QPalette pal = Memo1->palette();
    pal.setColor(QPalette::Text, colour);
    Memo1->setPalette(pal);
}

void TFIdets2::Paper1Click() {
    QColor colour = PageBackground;
    if (!ChooseColour(colour))
        return;
    PageBackground = colour;
    ApplyPageColours();
}

void TFIdets2::Font1Click() {
    QFont font = Memo1->font();
    if (!ChooseFont(font))
        return;
    SetPageFont(font);
    if (ItemHooks().PageFontChanged)
        ItemHooks().PageFontChanged(font);
    ResizeToPage();
    PlaceRefBadge();
}

void TFIdets2::SetJustification(Qt::Alignment alignment) {
    QTextOption option = Memo1->document()->defaultTextOption();
    option.setAlignment(alignment);
    Memo1->document()->setDefaultTextOption(option);
    Memo1->viewport()->update();
}

void TFIdets2::Left1Click() {
    SetJustification(Qt::AlignLeft);
}

void TFIdets2::Centre1Click() {
    SetJustification(Qt::AlignHCenter);
}

void TFIdets2::Right1Click() {
    SetJustification(Qt::AlignRight);
}

void TFIdets2::Wanttabs1Click() {
    const bool on = Wanttabs1->isChecked();
    Memo1->setTabChangesFocus(!on);
    AppSettings().WantTabs = on;
}

void TFIdets2::maxh1Click() {
    AskAutosizeLimit(QStringLiteral("Autosize max form client-height (pixels)"), AutosizeMaxHeight);
}

void TFIdets2::maxw1Click() {
    AskAutosizeLimit(QStringLiteral("Autosize max form client-width (pixels)"), AutosizeMaxWidth);
}

void TFIdets2::AskAutosizeLimit(const QString& prompt, int& limit) {
    int value = limit;
    if (!PromptInteger(prompt, value))
        return;
    limit = value;
    ResizeToPage();
}

void TFIdets2::PopupMenu1Popup() {
    maxh1->setText(QStringLiteral("Autosize max form client-height = ") +
                   QString::number(AutosizeMaxHeight));
    maxw1->setText(QStringLiteral("Autosize max form client-width = ") +
                   QString::number(AutosizeMaxWidth));
    WidthNowMnu->setText(QStringLiteral("Form width now = ") +
                         QString::number(frameGeometry().width()));
}

void TFIdets2::Refresh1Click() {
    Memo1->viewport()->update();
    PlaceRefBadge();
}

void TFIdets2::Selectall1Click() {
    Memo1->selectAll();
    // CR LF line ends, as every export puts on the clipboard: the clipboard window counts the
    // text as it is.
    QString page = Memo1->toPlainText();
    page.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    QGuiApplication::clipboard()->setText(page);
    ShowClipboardWindow();
}

void TFIdets2::Undochanges1Click() {
    if (const auto page = Session.UndonePage())
        SetPageText(*page);
}

void TFIdets2::Clear1Click() {
    const auto page = Session.ClearedPage(Memo1->document()->isEmpty());
    if (!page)
        return;
    SetPageText(*page);
    MarkPageChanged();
}

void TFIdets2::DeleteItem1Click() {
    if (Session.DeleteItem())
        close();
}

void TFIdets2::Minimize1Click() {
    showMinimized();
}

void TFIdets2::Exit2Click() {
    close();
}
