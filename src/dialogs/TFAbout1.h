#pragma once

#include "common/SingleWindow.h"

#include <QDialog>

class QFrame;
class QLabel;
class QVBoxLayout;
class QPushButton;
class QTextEdit;

// The About window: names the program, shows where its program file lies and when that file
// was last changed. Made once with its labels filled; shown beside the pointer, modeless.
class TFAbout1 : public QDialog, public SingleWindow<TFAbout1> {
    Q_OBJECT
public:
    // programFile: the file whose path and time the window shows; empty for the running
    // program's own file.
    explicit TFAbout1(const QString& programFile = QString(), QWidget* parent = nullptr);

    // The "About" command: opens the window beside the pointer.
    void ShowAbout();

    // The modification time as the window shows it: yyyy-mm-dd and the time.
    static QString FileTimeText(const QString& path);

    QFrame* Panel1;
    QLabel* Image1;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QTextEdit* Memo1;
    QFrame* Panel2;
    QFrame* Panel3;
    QPushButton* Button1;

private:
    friend class SingleWindow<TFAbout1>;
    static QPointer<TFAbout1>& Slot();

    void BuildHeader(QVBoxLayout* layout, const QString& file);
    void BuildMemo(QVBoxLayout* layout);
    void BuildButtons(QVBoxLayout* layout);
    void Button1Click();
};
