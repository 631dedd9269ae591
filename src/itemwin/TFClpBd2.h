#pragma once

#include "itemwin/ExportText.h"
#include "common/SingleWindow.h"

#include <QDialog>
#include <QFont>
#include <QString>

class QAction;
class QLabel;
class QMenuBar;
class QPlainTextEdit;
class QPushButton;

// The clipboard window: shows the text the program has just put on the clipboard with its
// number of characters, and saves it to a file, prints it or shows it in another font. A list
// export writes its lines here and copies them to the clipboard; otherwise the window takes the
// clipboard's text each time it comes on screen. One instance, modeless.
class TFClpBd2 : public QDialog, public SingleWindow<TFClpBd2> {
    Q_OBJECT
public:
    explicit TFClpBd2(QWidget* parent = nullptr);
    ~TFClpBd2() override;

    // Shows the window; coming on screen from hidden it first takes the clipboard's text
    // (FormShow). Already on screen it is only brought to the front.
    void ShowClipboardWindow();

    // The steps of an export: the window shown and emptied; the lines added at once; the whole
    // text copied to the clipboard and the focus on EscBtn.
    void BeginExport();
    void AppendExportLines(QStringList lines);
    void FinishExport();
    // The export text of a table through the three steps above, and its character count.
    void ExportDataset(const ExportTable& table, const QString& title, const QString& secondTitle,
                       bool withTitles);

    // The memo's whole text as it is copied and saved: its lines as they stand, each line
    // break a CR LF, nothing added after the last line.
    QString WholeText() const;

    // Menu commands.
    void Close1Click();
    void Save1Click();
    // Prints the memo's rows as the screen shows them, after the page setup is confirmed;
    // nothing at all for an empty memo.
    void Print1Click();
    void Font1Click();
    void EscBtnClick();

    // The font dialog opens on the font chosen in it last, not on the memo's.
    QFont FontDialogChoice;
    // The save dialog opens on the file chosen in it last.
    QString SaveDialogPath;

    QPlainTextEdit* Memo1;
    QLabel* Panel1;
    QPushButton* EscBtn;
    QMenuBar* MainMenu;
    QAction* Close1;
    QAction* Save1;
    QAction* Print1;
    QAction* Font1;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class SingleWindow<TFClpBd2>;
    static QPointer<TFClpBd2>& Slot();

    void BuildMenu();
    void BuildControls();
    void ConnectCommands();

    // Coming on screen from hidden: the memo takes the clipboard's text and the status line
    // counts it.
    void FormShow();
    // Esc typed in the memo closes the window.
    bool Memo1KeyPress(int key);
    void ShowCount(int count);
};
