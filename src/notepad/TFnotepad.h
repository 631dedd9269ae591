#pragma once

#include "notepad/NotepadSession.h"

#include <QMainWindow>
#include <QPointer>
#include <QString>

class QAction;
class QMenu;
class QPlainTextEdit;
class QTimer;

// The notepad: one free text that belongs to the program rather than to the database. It is
// read from npad.txt each time the window comes on screen and written back 15 seconds after
// the first change and whenever the window closes. One instance, modeless, made at start-up
// and only shown and hidden after that.
class TFnotepad : public QMainWindow {
    Q_OBJECT
public:
    static TFnotepad* Instance();
    static TFnotepad* Existing();
    static void DestroyInstance();

    explicit TFnotepad(QWidget* parent = nullptr);
    ~TFnotepad() override;

    // The memo's whole text as it is written: its lines as they stand (no-break spaces and
    // line separators kept), separated by LF.
    QString MemoText() const;

    // The program is ending: the text (once shown) and a changed font are written and the
    // window is hidden, without a question. Text that cannot be written goes to a file in the
    // data folder; the failure is shown, or written to standard error when forced (a shutdown
    // that cannot wait for the user).
    void CloseForExit(bool forced);

    // A font chosen in the item text window: the memo takes it, and it is written to npad.ini
    // at the next save. The text window's own font is left to it.
    void TakeFont(const QFont& font);

    // Menu commands.
    void Close1Click();
    void Save1Click();
    void Now1Click();
    void toClipboard1Click();
    void toFile1Click();
    void Font1Click();
    void End1Click();
    void Clear1Click();

    // Timer1: the automatic save, 15 seconds after the change that started it.
    void Timer1Timer();
    // Timer2: once, half a second after each showing, the caret is scrolled into view.
    void Timer2Timer();

    NotepadSession Session;
    // The save dialog of "to File" opens on the file written last.
    QString SaveDialogPath;

    QPlainTextEdit* Memo1;
    QAction* Close1;
    QAction* Save1;
    QAction* Now1;
    QMenu* Export1;
    QAction* toClipboard1;
    QAction* toFile1;
    QAction* Font1;
    QAction* End1;
    QAction* Clear1;
    QTimer* Timer1;
    QTimer* Timer2;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildMenu();
    void BuildMemo();
    void BuildTimers();

    // Each showing: the text read again, changes tracked from now on, the caret placed.
    void FormShow();
    void FormCloseQuery();
    void LoadNotepadText();
    void Memo1Change();
    // Writes what changed; a failure is shown and the text stays marked changed.
    bool SaveNotepad();

    // Set while the memo takes the file's text, which is no change.
    bool loading = false;
};
