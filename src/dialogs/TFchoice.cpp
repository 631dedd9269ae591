#include "dialogs/TFchoice.h"

#include "common/Placement.h"
#include "common/WindowHelpers.h"
#include "dialogs/DialogWindows.h"

#include <QCursor>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QStyle>
#include <QWindow>

QPointer<TFchoice>& TFchoice::Slot() {
    return DialogWindows().Chooser;
}

TFchoice::TFchoice(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("TFchoice"));
    setWindowTitle(QStringLiteral("Please choose"));
    setFixedSize(471, 118);
    setModal(true);

    Panel1 = AddSunkenPanel(this);
    Panel1->installEventFilter(this);

    Image1 = new QLabel(Panel1);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(24, 26, 32, 32);
    Image1->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxQuestion).pixmap(32, 32));
    Image1->installEventFilter(this);

    Label1 = new QLabel(Panel1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(72, 24, 379, 37);
    Label1->setWordWrap(true);
    Label1->setTextFormat(Qt::PlainText);
    Label1->setFont(ArialPixels(13));
    Label1->installEventFilter(this);

    auto makeButton = [this](const char* name, const QString& caption, int left) {
        auto* b = new QPushButton(caption, Panel1);
        b->setObjectName(QLatin1String(name));
        b->setGeometry(left, 66, 113, 25);
        QFont bf = b->font();
        bf.setBold(true);
        b->setFont(bf);
        return b;
    };
    Button1 = makeButton("Button1", QStringLiteral("Option 1"), 72);
    Button2 = makeButton("Button2", QStringLiteral("Option 2"), 198);
    Button3 = makeButton("Button3", QStringLiteral("Cancel"), 320);
    connect(Button1, &QPushButton::clicked, this, &TFchoice::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TFchoice::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &TFchoice::Button3Click);
    Button1->setFocus();
}

int TFchoice::ChooseOption(const QString& message, const QString& option1, const QString& option2) {
    // The question is plain text, so its ampersands show as typed; the option captions keep
    // theirs: "&Delete" underlines D as its key.
    Label1->setText(message);
    Button1->setText(option1);
    Button2->setText(option2);

    // The chooser keeps its own anchor pair, apart from the message boxes'.
    QPoint anchor = ChooserAnchor().Take(QCursor::pos());
    move(PlaceBoxAt(anchor, frameGeometry().size(), ScreenAreaAt(anchor)));

    choiceResult = 0;
    Button1->setFocus();
    exec(); // Esc and the window system's close end it as Cancel: the result stays 0
    ChooserAnchor().cursorAtLastClose = QCursor::pos();
    return choiceResult;
}

void TFchoice::Button1Click() {
    choiceResult = 1;
    accept();
}

void TFchoice::Button2Click() {
    choiceResult = 2;
    accept();
}

void TFchoice::Button3Click() {
    choiceResult = 0;
    reject();
}

bool TFchoice::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == Panel1 || watched == Image1 || watched == Label1) &&
        event->type() == QEvent::MouseButtonPress) {
        auto* me = static_cast<QMouseEvent*>(event);
        if (me->button() == Qt::LeftButton && windowHandle())
            windowHandle()->startSystemMove();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
