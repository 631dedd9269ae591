#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

// The input prompt: a borderless window at the pointer that asks for one line of text. It is
// created once and reused; the edit box keeps its last value between calls.
class TFinpstr : public QDialog {
    Q_OBJECT
public:
    static TFinpstr* Instance();
    explicit TFinpstr(QWidget* parent = nullptr);

    bool InputString(const QString& prompt, QString& text);

    QLabel* Label1;
    QLineEdit* Edit1;
    QPushButton* Button1;
    QPushButton* Button2;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Button1Click();
    void Button2Click();
    QFrame* Panel1;
};
