#pragma once

#include "common/SingleWindow.h"

#include <QDialog>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

// The input prompt: a borderless window at the pointer that asks for one line of text. It is
// created once and reused; the edit box keeps its last value between calls.
class TFinpstr : public QDialog, public SingleWindow<TFinpstr> {
    Q_OBJECT
public:
    explicit TFinpstr(QWidget* parent = nullptr);

    bool InputString(const QString& prompt, QString& text);

    QLabel* Label1;
    QLineEdit* Edit1;
    QPushButton* Button1;
    QPushButton* Button2;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class SingleWindow<TFinpstr>;
    static QPointer<TFinpstr>& Slot();

    void Button1Click();
    void Button2Click();
    QFrame* Panel1;
};
