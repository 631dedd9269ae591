#pragma once

#include "print/PageSetup.h"

#include <QDialog>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The page setup window: the page size and margins in millimetres, kept in its boxes for the
// whole run (they are the only store of the page setup: a job takes what they hold when it
// starts), and the choice of printer. Shown modally to confirm a print, or modeless from the
// list printing's options.
class TFPtg : public QDialog {
    Q_OBJECT
public:
    static TFPtg* Instance();
    explicit TFPtg(QWidget* parent = nullptr);

    // Shown modally: true when Print closes it.
    bool ExecuteSetup();
    // Shown modeless over a window that is itself modal, and usable beside it.
    void ShowOver(QWidget* window);

    PageSetupTexts Texts() const;

    void A4BtnClick();
    void Button1Click();

    QGroupBox* GroupBox1;
    QGroupBox* GroupBox2;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
    QLineEdit* PageHeight;
    QLineEdit* PageWidth;
    QLineEdit* LeftMgn;
    QLineEdit* RightMgn;
    QLineEdit* TopMgn;
    QLineEdit* BotMgn;
    QPushButton* A4Btn;
    QPushButton* PrintBtn;
    QPushButton* Button1;
    QPushButton* CancelBtn;

private:
    void BuildPageSize();
    void BuildMargins();
    void BuildButtons();
};
