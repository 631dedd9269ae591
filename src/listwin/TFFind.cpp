#include "listwin/TFFind.h"

#include "common/CommonState.h"
#include "common/TextHelpers.h"
#include "common/WindowHelpers.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {
QPushButton* makeButton(const QString& caption, const QString& name, QWidget* parent) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setFont(ArialPixels(11, true));
    QPalette p = b->palette();
    p.setColor(QPalette::ButtonText, Qt::red);
    b->setPalette(p);
    return b;
}
} // namespace

TFFind::TFFind(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TFFind"));
    setWindowTitle(QStringLiteral("Cardolo : Search "));

    IdRdio = new QRadioButton(QStringLiteral("Search for item id"), this);
    IdRdio->setObjectName(QStringLiteral("IdRdio"));
    TextRdio = new QRadioButton(QStringLiteral("Search for text in item name/ref/text"), this);
    TextRdio->setObjectName(QStringLiteral("TextRdio"));
    TextRdio->setChecked(true);
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setAccessibleName(QStringLiteral("Search for"));
    Edit1->setAccessibleDescription(QStringLiteral("An item id or a text to find"));
    CaseChk = new QCheckBox(QStringLiteral("Ignore case"), this);
    CaseChk->setObjectName(QStringLiteral("CaseChk"));
    CaseChk->setChecked(true);
    CaseChk->setEnabled(false);
    IgPuncChk = new QCheckBox(QStringLiteral("Ignore punctuation"), this);
    IgPuncChk->setObjectName(QStringLiteral("IgPuncChk"));
    IgPuncChk->setChecked(true);
    OKBtn = makeButton(QStringLiteral("OK"), QStringLiteral("OKBtn"), this);
    OKBtn->setDefault(true);
    CancelBtn = makeButton(QStringLiteral("Cancel"), QStringLiteral("CancelBtn"), this);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(IdRdio);
    layout->addWidget(TextRdio);
    layout->addWidget(Edit1);
    layout->addWidget(CaseChk);
    layout->addWidget(IgPuncChk);
    layout->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    layout->addLayout(buttons);
    // The designed size, wider where the fonts need it: every caption shows whole.
    FixSizeToFit(this, QSize(252, 246));

    // The dialog's Esc handling is the cancel button's.
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(IdRdio, &QRadioButton::clicked, Edit1, [this] { Edit1->setFocus(); });
    connect(TextRdio, &QRadioButton::clicked, Edit1, [this] { Edit1->setFocus(); });
}

void TFFind::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    Edit1->selectAll();
    Edit1->setFocus();
}

QString TFFind::AskSearchText() {
    if (exec() != QDialog::Accepted)
        return QString();
    Common().PunctuationFolding = IgPuncChk->isChecked();
    return Edit1->text();
}
