#include "print/TFPtAdds.h"

#include "common/WindowHelpers.h"
#include "print/Printing.h"
#include "print/TFPtg.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {
QRadioButton* MakeRadio(const char* name, const QString& caption, QGroupBox* box) {
    auto* radio = new QRadioButton(caption, box);
    radio->setObjectName(QLatin1String(name));
    box->layout()->addWidget(radio);
    return radio;
}

QPushButton* MakeButton(const char* name, const QString& caption, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    return button;
}
} // namespace

TFPtAdds* TFPtAdds::Instance() {
    QPointer<TFPtAdds>& one = PrintingState().OptionsWindow;
    if (!one)
        one = new TFPtAdds;
    return one;
}

TFPtAdds::TFPtAdds(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TFPtAdds"));
    setWindowTitle(QStringLiteral("Cardolo : Print"));
    BuildChoices();
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
    FixSizeToFit(this, QSize(366, 126));
}

void TFPtAdds::BuildChoices() {
    GroupBox1 = new QGroupBox(QStringLiteral("Range"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    new QVBoxLayout(GroupBox1);
    AllBtn = MakeRadio("AllBtn", QStringLiteral("List"), GroupBox1);
    SelectionBtn = MakeRadio("SelectionBtn", QStringLiteral("Selected item"), GroupBox1);
    GroupBox1->layout()->addItem(
        new QSpacerItem(0, 0, QSizePolicy::Minimum, QSizePolicy::Expanding));
    AllBtn->setChecked(true);

    GroupBox2 = new QGroupBox(QStringLiteral("Page breaks"), this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    new QVBoxLayout(GroupBox2);
    RadioButton3 = MakeRadio("RadioButton3", QStringLiteral("none (continuous)"), GroupBox2);
    ItemPgBrkBtn = MakeRadio("ItemPgBrkBtn", QStringLiteral("after each item"), GroupBox2);
    SectionPgBrkBtn =
        MakeRadio("SectionPgBrkBtn", QStringLiteral("on change of initial letter"), GroupBox2);
    RadioButton3->setChecked(true);
}

void TFPtAdds::BuildButtons() {
    PrintBtn = MakeButton("PrintBtn", QStringLiteral("Print"), this);
    PrintBtn->setDefault(true);
    Button1 = MakeButton("Button1", QStringLiteral("Options"), this);
    Button1->setAutoDefault(false);
    CancelBtn = MakeButton("CancelBtn", QStringLiteral("Cancel"), this);
    CancelBtn->setAutoDefault(false);
    connect(PrintBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
}

bool TFPtAdds::AskPrintChoices() {
    PrintBtn->setFocus();
    return exec() == QDialog::Accepted;
}

PrintRange TFPtAdds::Range() const {
    return SelectionBtn->isChecked() ? PrintRange::SelectedItem : PrintRange::List;
}

PageBreaks TFPtAdds::Breaks() const {
    if (ItemPgBrkBtn->isChecked())
        return PageBreaks::AfterEachItem;
    if (SectionPgBrkBtn->isChecked())
        return PageBreaks::OnInitialLetter;
    return PageBreaks::None;
}

void TFPtAdds::Button1Click() {
    TFPtg::Instance()->ShowOver(this);
}
