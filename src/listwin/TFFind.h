#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The search dialog: a text to find in names and texts, or an item id. Created once and
// reused, so the box keeps the last text searched.
class TFFind : public QDialog {
    Q_OBJECT
public:
    explicit TFFind(QWidget* parent = nullptr);

    // The text entered, or an empty text when cancelled. OK also takes the punctuation
    // choice for the searches that follow.
    QString AskSearchText();

    QRadioButton* IdRdio;
    QRadioButton* TextRdio;
    QLineEdit* Edit1;
    QCheckBox* CaseChk;
    QCheckBox* IgPuncChk;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;

protected:
    void showEvent(QShowEvent* event) override;
};
