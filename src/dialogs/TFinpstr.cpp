#include "dialogs/TFinpstr.h"

#include "common/Folders.h"
#include "common/Placement.h"
#include "common/WindowHelpers.h"
#include "dialogs/DialogWindows.h"

#include <QCursor>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QWindow>

#include <algorithm>

namespace {
// The prompt wraps rather than running past the window's right edge, and keeps clear of the
// edit box below it.
constexpr int LabelMaxWidth = 296 - 2 * 16;
constexpr int LabelMaxHeight = 64 - 16 - 4;
} // namespace

QPointer<TFinpstr>& TFinpstr::Slot() {
    return DialogWindows().Prompt;
}

TFinpstr::TFinpstr(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("TFinpstr"));
    // Frameless, with no title to announce: the program's name stands for one.
    setAccessibleName(ApplicationTitle);
    setFixedSize(296, 153);
    setModal(true);

    Panel1 = AddSunkenPanel(this);
    Panel1->installEventFilter(this);

    Label1 = new QLabel(Panel1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->move(16, 16);
    QFont bold = Label1->font();
    bold.setPixelSize(11);
    bold.setBold(true);
    Label1->setFont(bold);
    // Plain text and no buddy: an ampersand in a prompt shows as itself.
    Label1->setTextFormat(Qt::PlainText);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    Edit1 = new QLineEdit(Panel1);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setAccessibleName(QStringLiteral("Answer"));
    Edit1->setGeometry(64, 64, 129, 21);

    Button1 = new QPushButton(QStringLiteral("OK"), Panel1);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(64, 104, 57, 25);
    Button1->setDefault(true);
    Button1->setFocusPolicy(Qt::NoFocus);
    connect(Button1, &QPushButton::clicked, this, &TFinpstr::Button1Click);

    Button2 = new QPushButton(QStringLiteral("Cancel"), Panel1);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setGeometry(136, 104, 57, 25);
    Button2->setFocusPolicy(Qt::NoFocus);
    connect(Button2, &QPushButton::clicked, this, &TFinpstr::Button2Click);
}

bool TFinpstr::InputString(const QString& prompt, QString& text) {
    // The prompt opens where the last message box was when the mouse has not moved since
    // that box was answered; it moves the boxes' anchor but not their close position.
    QPoint anchor = MessageBoxAnchor().Take(QCursor::pos());
    move(PlacePromptAt(anchor, frameGeometry().size(), ScreenAreaAt(anchor)));

    Label1->setWordWrap(false);
    Label1->setText(prompt);
    // The prompt names the box, as a label with a buddy would.
    Edit1->setAccessibleName(prompt);
    Label1->adjustSize();
    if (Label1->width() > LabelMaxWidth) {
        Label1->setWordWrap(true);
        Label1->resize(LabelMaxWidth,
                       std::min(Label1->heightForWidth(LabelMaxWidth), LabelMaxHeight));
    }

    Edit1->setText(text);
    Edit1->selectAll();
    Edit1->setFocus();
    if (exec() != QDialog::Accepted)
        return false;
    text = Edit1->text();
    return true;
}

void TFinpstr::Button1Click() {
    Edit1->setFocus();
    accept();
}

void TFinpstr::Button2Click() {
    Edit1->setFocus();
    reject();
}

// The window has no caption bar: a press on its face moves it with the pointer.
bool TFinpstr::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Panel1 && event->type() == QEvent::MouseButtonPress) {
        auto* me = static_cast<QMouseEvent*>(event);
        if (me->button() == Qt::LeftButton && windowHandle())
            windowHandle()->startSystemMove();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
