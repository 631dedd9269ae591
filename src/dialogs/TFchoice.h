#pragma once

#include "common/SingleWindow.h"

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

// The chooser: a borderless window at the pointer offering two named options and Cancel.
class TFchoice : public QDialog, public SingleWindow<TFchoice> {
    Q_OBJECT
public:
    explicit TFchoice(QWidget* parent = nullptr);

    // 1 or 2 for the options, 0 for Cancel or Esc.
    int ChooseOption(const QString& message, const QString& option1, const QString& option2);

    QLabel* Image1;
    QLabel* Label1;
    QPushButton* Button1;
    QPushButton* Button2;
    QPushButton* Button3;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class SingleWindow<TFchoice>;
    static QPointer<TFchoice>& Slot();

    void Button1Click();
    void Button2Click();
    void Button3Click();
    QFrame* Panel1;
    int choiceResult = 0;
};
