#include "print/TFPtg.h"

#include "common/WindowHelpers.h"
#include "print/Printing.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
QLineEdit* MakeBox(const char* name, const QString& text, QWidget* parent) {
    auto* edit = new QLineEdit(text, parent);
    edit->setObjectName(QLatin1String(name));
    edit->setMaximumWidth(48);
    return edit;
}

QLabel* MakeLabel(const char* name, const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    return label;
}

QPushButton* MakeButton(const char* name, const QString& caption, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    return button;
}
} // namespace

TFPtg* TFPtg::Instance() {
    QPointer<TFPtg>& one = PrintingState().PageSetupWindow;
    if (!one)
        one = new TFPtg;
    return one;
}

TFPtg::TFPtg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TFPtg"));
    setWindowTitle(QStringLiteral("Print "));
    BuildPageSize();
    BuildMargins();
    BuildButtons();

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(GroupBox1);
    layout->addWidget(GroupBox2);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(PrintBtn);
    buttons->addWidget(Button1);
    buttons->addWidget(CancelBtn);
    buttons->addStretch();
    layout->addLayout(buttons);
    FixSizeToFit(this, QSize(366, 123));
}

void TFPtg::BuildPageSize() {
    PageSetupTexts defaults;
    GroupBox1 = new QGroupBox(QStringLiteral("Page size (mm)"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    Label1 = MakeLabel("Label1", QStringLiteral("Height"), GroupBox1);
    Label2 = MakeLabel("Label2", QStringLiteral("Width"), GroupBox1);
    PageHeight = MakeBox("PageHeight", defaults.Height, GroupBox1);
    PageWidth = MakeBox("PageWidth", defaults.Width, GroupBox1);
    A4Btn = MakeButton("A4Btn", QStringLiteral("A4"), GroupBox1);
    A4Btn->setAutoDefault(false);
    PageHeight->setAccessibleName(QStringLiteral("Page height (mm)"));
    PageWidth->setAccessibleName(QStringLiteral("Page width (mm)"));
    A4Btn->setAccessibleDescription(QStringLiteral("Set the page size to A4"));
    auto* grid = new QGridLayout(GroupBox1);
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(PageHeight, 0, 1);
    grid->addWidget(Label2, 1, 0);
    grid->addWidget(PageWidth, 1, 1);
    grid->addWidget(A4Btn, 2, 0, 1, 2);
    connect(A4Btn, &QPushButton::clicked, this, [this] { A4BtnClick(); });
}

void TFPtg::BuildMargins() {
    PageSetupTexts defaults;
    GroupBox2 = new QGroupBox(QStringLiteral("Margins (mm)"), this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    Label3 = MakeLabel("Label3", QStringLiteral("Left / Right"), GroupBox2);
    Label4 = MakeLabel("Label4", QStringLiteral("Top / Bottom"), GroupBox2);
    LeftMgn = MakeBox("LeftMgn", defaults.LeftMargin, GroupBox2);
    RightMgn = MakeBox("RightMgn", defaults.RightMargin, GroupBox2);
    TopMgn = MakeBox("TopMgn", defaults.TopMargin, GroupBox2);
    BotMgn = MakeBox("BotMgn", defaults.BottomMargin, GroupBox2);
    LeftMgn->setAccessibleName(QStringLiteral("Left margin (mm)"));
    RightMgn->setAccessibleName(QStringLiteral("Right margin (mm)"));
    TopMgn->setAccessibleName(QStringLiteral("Top margin (mm)"));
    BotMgn->setAccessibleName(QStringLiteral("Bottom margin (mm)"));
    auto* grid = new QGridLayout(GroupBox2);
    grid->addWidget(Label3, 0, 0);
    grid->addWidget(LeftMgn, 0, 1);
    grid->addWidget(RightMgn, 0, 2);
    grid->addWidget(Label4, 1, 0);
    grid->addWidget(TopMgn, 1, 1);
    grid->addWidget(BotMgn, 1, 2);
    grid->setRowStretch(2, 1);
}

void TFPtg::BuildButtons() {
    PrintBtn = MakeButton("PrintBtn", QStringLiteral("Print"), this);
    PrintBtn->setDefault(true);
    Button1 = MakeButton("Button1", QStringLiteral("Setup"), this);
    Button1->setAutoDefault(false);
    CancelBtn = MakeButton("CancelBtn", QStringLiteral("Cancel"), this);
    CancelBtn->setAutoDefault(false);
    // Shown modeless, Print and Cancel both just close the window: the boxes keep what they
    // hold either way.
    connect(PrintBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
}

bool TFPtg::ExecuteSetup() {
    PrintBtn->setFocus();
    return exec() == QDialog::Accepted;
}

void TFPtg::ShowOver(QWidget* window) {
    // A window of the modal one's own is not blocked by it.
    if (parentWidget() != window)
        setParent(window, windowFlags());
    show();
    raise();
    activateWindow();
}

PageSetupTexts TFPtg::Texts() const {
    PageSetupTexts texts;
    texts.Height = PageHeight->text();
    texts.Width = PageWidth->text();
    texts.LeftMargin = LeftMgn->text();
    texts.RightMargin = RightMgn->text();
    texts.TopMargin = TopMgn->text();
    texts.BottomMargin = BotMgn->text();
    return texts;
}

void TFPtg::A4BtnClick() {
    PageHeight->setText(QStringLiteral("297"));
    PageWidth->setText(QStringLiteral("210"));
}

void TFPtg::Button1Click() {
    SetUpPrinter();
}
