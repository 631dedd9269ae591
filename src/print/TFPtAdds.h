#pragma once

#include "print/ListPrinting.h"

#include <QDialog>

class QGroupBox;
class QPushButton;
class QRadioButton;

// The options of list printing: the whole list or the selected item, and where pages break.
// The choices stay as the user left them for the whole run. Options opens the page setup
// beside it.
class TFPtAdds : public QDialog {
    Q_OBJECT
public:
    static TFPtAdds* Instance();
    explicit TFPtAdds(QWidget* parent = nullptr);

    // Shown modally: true when Print closes it.
    bool AskPrintChoices();
    PrintRange Range() const;
    PageBreaks Breaks() const;

    void Button1Click();

    QGroupBox* GroupBox1;
    QGroupBox* GroupBox2;
    QRadioButton* AllBtn;
    QRadioButton* SelectionBtn;
    QRadioButton* RadioButton3;
    QRadioButton* ItemPgBrkBtn;
    QRadioButton* SectionPgBrkBtn;
    QPushButton* PrintBtn;
    QPushButton* Button1;
    QPushButton* CancelBtn;

private:
    void BuildChoices();
    void BuildButtons();
};
