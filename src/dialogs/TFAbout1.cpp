#include "dialogs/TFAbout1.h"

#include "common/WindowHelpers.h"
#include "dialogs/DialogWindows.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTextEdit>
#include <QVBoxLayout>

QPointer<TFAbout1>& TFAbout1::Slot() {
    return DialogWindows().About;
}

QString TFAbout1::FileTimeText(const QString& path) {
    QFileInfo info(path);
    if (!info.exists())
        return QString();
    return info.lastModified().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

TFAbout1::TFAbout1(const QString& programFile, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("TFAbout1"));
    setWindowTitle(QStringLiteral("About"));
    setModal(false);
    // With an ordinary title bar and border this gives an outer size of about 248 x 351.
    setFixedSize(240, 324);

    const QString file =
        programFile.isEmpty() ? QCoreApplication::applicationFilePath() : programFile;

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    BuildHeader(layout, file);
    BuildMemo(layout);
    BuildButtons(layout);
}

// The program's icon, name, file and time of its file.
void TFAbout1::BuildHeader(QVBoxLayout* layout, const QString& file) {
    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setFixedHeight(81);
    layout->addWidget(Panel1);

    Image1 = new QLabel(Panel1);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(12, 4, 32, 32);
    QIcon icon = windowIcon();
    if (icon.isNull())
        icon = style()->standardIcon(QStyle::SP_ComputerIcon);
    Image1->setPixmap(icon.pixmap(32, 32));

    Label1 = new QLabel(QStringLiteral("CARDOLO"), Panel1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(ArialPixels(13, true));
    Label1->move(52, 16);
    Label1->adjustSize();

    // Paths are shown as plain text: an ampersand in a folder name is not a key marker.
    Label2 = new QLabel(QFileInfo(file).absoluteFilePath().toLower(), Panel1);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setTextFormat(Qt::PlainText);
    Label2->setFont(ArialPixels(11, false));
    Label2->move(12, 43);
    Label2->adjustSize();
    Label2->setToolTip(Label2->text());

    Label3 = new QLabel(FileTimeText(file), Panel1);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setFont(ArialPixels(11, false));
    Label3->move(12, 59);
    Label3->adjustSize();
}

void TFAbout1::BuildMemo(QVBoxLayout* layout) {
    Memo1 = new QTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    Memo1->setFocusPolicy(Qt::NoFocus);
    Memo1->setFont(ArialPixels(11, true));
    QPalette pal = Memo1->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        pal.setColor(group, QPalette::Base, QColor(0xC0, 0xC0, 0xC0));
    Memo1->setPalette(pal);
    Memo1->setPlainText(QStringLiteral("\nfor storing textual data\n\nversion 12.00  ( December "
                                       "2014 )"));
    QTextCursor all(Memo1->document());
    all.select(QTextCursor::Document);
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    all.mergeBlockFormat(centred);
    layout->addWidget(Memo1, 1);
}

void TFAbout1::BuildButtons(QVBoxLayout* layout) {
    Panel2 = new QFrame(this);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setFixedHeight(41);
    layout->addWidget(Panel2);
    auto* bottom = new QHBoxLayout(Panel2);
    bottom->setContentsMargins(0, 0, 0, 0);
    bottom->addStretch(1);

    Panel3 = new QFrame(Panel2);
    Panel3->setObjectName(QStringLiteral("Panel3"));
    Panel3->setFixedWidth(100);
    bottom->addWidget(Panel3);

    Button1 = new QPushButton(QStringLiteral("OK"), Panel3);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(12, 8, 75, 25);
    // Enter presses OK; Esc closes the window like OK does (QDialog's own cancel key).
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &TFAbout1::Button1Click);
}

void TFAbout1::ShowAbout() {
    ShowAtCursor(this);
}

void TFAbout1::Button1Click() {
    hide();
}
