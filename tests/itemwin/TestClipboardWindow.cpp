#include "itemwin/ItemWindows.h"
#include "itemwin/MemoRows.h"
#include "itemwin/TFClpBd2.h"
#include "itemwin/TFIdets2.h"
#include "print/Printing.h"
#include "print/TFPtg.h"

#include "print/RecordingTarget.h"
#include "support/ModalDriver.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFolder.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cerrno>
#include <cstring>

#include <unistd.h>

namespace {
const ExportTable Fruit{{{"Name", true}, {"Ref", true}}, {{"Apple", "12"}, {"Pear", ""}}};
const QString FruitText = QStringLiteral("Fruit\r\n\t\r\nApple\t12\r\nPear\t\r\n");

QString Clipboard() {
    return QApplication::clipboard()->text();
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(none)");
}
} // namespace

class TestClipboardWindow : public QObject {
    Q_OBJECT
private slots:
    void init() {
        ResetAllState();
        QApplication::clipboard()->setText(QStringLiteral("left over"));
    }
    void cleanup() {
        CloseModalLeftovers();
        ResetAllState();
    }

    // An export replaces what the window shows with its lines, each ended by CR LF on the
    // clipboard, and counts them without line ends; Save writes the same text.
    void exportCopiesCountsAndSaves() {
        TestFolder folder(false);
        ScriptedDialogs dialogs;
        ExportDataset(Fruit, QStringLiteral("Fruit"), QString(), false);
        QVERIFY(w()->isVisible());
        QCOMPARE(MemoLines(w()->Memo1), (QStringList{"Fruit", "\t", "Apple\t12", "Pear\t", ""}));
        QCOMPARE(w()->Panel1->text(), QStringLiteral(" 19 characters"));
        QCOMPARE(Clipboard(), FruitText);
        QCOMPARE(w()->focusWidget(), w()->EscBtn);
        QVERIFY(w()->Print1->isEnabled());

        const QString path = folder.Path() + "fruit.TXT";
        dialogs.AnswerFile(path);
        w()->Save1->trigger();
        QCOMPARE(ReadAll(path), FruitText.toUtf8());
        QCOMPARE(dialogs.Calls.last().extra, (QStringList{"Text files (*.txt *.TXT)", "TXT"}));

        // An empty table gives the titles alone.
        ExportDataset(ExportTable{Fruit.Fields, {}}, QStringLiteral("Fruit"), QString(), true);
        QCOMPARE(Clipboard(), QStringLiteral("Fruit\r\n"));
        QCOMPARE(w()->Panel1->text(), QStringLiteral(" 5 characters"));

        // The dialog opens on the file chosen last; the file is replaced whole. Cancel: nothing.
        dialogs.AnswerFile(path);
        w()->Save1->trigger();
        QCOMPARE(dialogs.Calls.last().text, path);
        QCOMPARE(ReadAll(path), QByteArray("Fruit\r\n"));
        dialogs.AnswerCancelChoice();
        w()->Save1->trigger();
        QCOMPARE(ReadAll(path), QByteArray("Fruit\r\n"));
        QVERIFY(dialogs.Infos().isEmpty());
    }

    // Coming on screen the window takes the clipboard's text, counting line ends as CR LF; on
    // screen already it keeps what it shows. Esc, the cancel button and Close each close it.
    void showingTakesTheClipboardFromHiddenOnly() {
        QApplication::clipboard()->setText(QStringLiteral("first\nsecond"));
        ShowClipboardWindow();
        QCOMPARE(MemoLines(w()->Memo1), (QStringList{"first", "second"}));
        QCOMPARE(w()->Panel1->text(), QStringLiteral(" 13 characters"));
        QApplication::clipboard()->setText(QStringLiteral("a\r\nb\r\n"));
        ShowClipboardWindow();
        QCOMPARE(MemoLines(w()->Memo1), (QStringList{"first", "second"}));

        QTest::keyClick(w()->Memo1, Qt::Key_Escape);
        QVERIFY(!w()->isVisible());
        ShowClipboardWindow();
        QCOMPARE(MemoLines(w()->Memo1), (QStringList{"a", "b", ""}));
        QCOMPARE(w()->Panel1->text(), QStringLiteral(" 6 characters"));
        w()->EscBtn->click();
        QVERIFY(!w()->isVisible());

        QApplication::clipboard()->clear();
        ShowClipboardWindow();
        QCOMPARE(w()->Panel1->text(), QStringLiteral(" 0 characters"));
        w()->Close1->trigger();
        QVERIFY(!w()->isVisible());
    }

    // With no hook installed: while the window is open the page goes to the clipboard only;
    // once it was closed the page shows, and saves with no line break added at the end.
    void exportPageWhileOpenAndAfterClosing() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        QVERIFY(OpenItemText(CreateItem("Shopping", "shop", "eggs\r\nmilk\r\n")));
        ExportDataset(Fruit, QStringLiteral("Fruit"), QString(), false);
        TFIdets2::Instance()->Selectall1->trigger();
        // CR LF line ends, as the list's export puts there: 22 characters, as the window says.
        QCOMPARE(Clipboard(), QStringLiteral("Shopping\r\n\r\neggs\r\nmilk"));
        QCOMPARE(Clipboard().size(), 22);
        QVERIFY(w()->isVisible());
        QCOMPARE(w()->WholeText(), FruitText);

        w()->Close1->trigger();
        TFIdets2::Instance()->Selectall1->trigger();
        QVERIFY(w()->isVisible());
        QCOMPARE(MemoLines(w()->Memo1), (QStringList{"Shopping", "", "eggs", "milk"}));
        QCOMPARE(w()->Panel1->text(), QStringLiteral(" 22 characters"));
        dialogs.AnswerFile(folder.Path() + "page.TXT");
        w()->Save1->trigger();
        QCOMPARE(ReadAll(folder.Path() + "page.TXT"), QByteArray("Shopping\r\n\r\neggs\r\nmilk"));
    }

    // A file that cannot be written: the system's text is shown; the file and the window stay.
    void saveFailureChangesNothing() {
        TestFolder folder(false);
        ScriptedDialogs dialogs;
        const QString target = folder.Path() + "out";
        const QString path = target + "/fruit.TXT";
        QByteArray before = "(none)";
        int systemError = ENOTDIR;
        QFile file(::geteuid() == 0 ? target : path);
        if (::geteuid() != 0)
            QVERIFY(QDir().mkpath(target));
        // Permission bits do not stop root; a folder that is a plain file does.
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("old") == 3);
        file.close();
        if (::geteuid() != 0) {
            before = "old";
            systemError = EACCES;
            QVERIFY(QFile::setPermissions(target, QFile::ReadOwner | QFile::ExeOwner));
        }
        ExportDataset(Fruit, QStringLiteral("Fruit"), QString(), false);
        dialogs.AnswerFile(path);
        w()->Save1->trigger();
        QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(dialogs.Infos(), QStringList{"Cannot save " + path + ": " +
                                              QString::fromLocal8Bit(std::strerror(systemError))});
        QCOMPARE(ReadAll(path), before);
        QCOMPARE(w()->WholeText(), FruitText);
    }

    // The font dialog opens on its own last choice, not on the memo's font.
    void fontKeepsTheDialogsOwnChoice() {
        ScriptedDialogs dialogs;
        const QFont chosen(QStringLiteral("DejaVu Serif"), 15);
        dialogs.AnswerFont(chosen.toString());
        w()->Font1->trigger();
        QVERIFY(dialogs.Texts("font").last() != QFont("Courier New", 8).toString());
        QCOMPARE(w()->Memo1->font().family(), QStringLiteral("DejaVu Serif"));
        QCOMPARE(w()->Memo1->font().pointSize(), 15);
        dialogs.AnswerCancelChoice();
        w()->Font1->trigger();
        QCOMPARE(dialogs.Texts("font").last(), chosen.toString());
        QCOMPARE(w()->Memo1->font().pointSize(), 15);
    }

    // Print: nothing at all for an empty memo; otherwise the page setup first (Cancel prints
    // nothing), then the rows as the memo shows them wrapped, in the memo's font.
    void printPrintsTheRowsOnScreen() {
        RecordingTarget sheet;
        int jobs = 0;
        PrintingState().TargetOverride = [&] { return ++jobs, &sheet; };
        QApplication::clipboard()->clear();
        ShowClipboardWindow();
        bool asked = false;
        QTimer::singleShot(0, this, [&asked] {
            if (QWidget* modal = QApplication::activeModalWidget())
                asked = modal->close();
        });
        w()->Print1->trigger();
        QCoreApplication::processEvents();
        QVERIFY(!asked && !PrintingState().PageSetupWindow);

        QApplication::clipboard()->setText(QStringList(20, "wrapping").join(' ') + "\n\nend");
        w()->close();
        ShowClipboardWindow();
        w()->resize(200, 300);
        QVERIFY(DisplayedRowCount(w()->Memo1) > 3);
        WhenModal([](QWidget* modal) { qobject_cast<TFPtg*>(modal)->CancelBtn->click(); });
        w()->Print1->trigger();
        QCOMPARE(jobs, 0);
        WhenModal([](QWidget* modal) { qobject_cast<TFPtg*>(modal)->PrintBtn->click(); });
        w()->Print1->trigger();
        QCOMPARE(jobs, 1);
        QStringList shown = DisplayedRows(w()->Memo1);
        shown.removeAll(QString()); // an empty row takes its line without drawing
        QCOMPARE(sheet.Strings(), shown);
        QCOMPARE(sheet.Texts().first().Font.Family, w()->Memo1->font().family());
        const auto t = sheet.Texts();
        QCOMPARE(t.last().Y - t.first().Y, (DisplayedRowCount(w()->Memo1) - 1) * (t[1].Y - t[0].Y));
    }

private:
    TFClpBd2* w() { return TFClpBd2::Instance(); }
};

QTEST_MAIN(TestClipboardWindow)
#include "TestClipboardWindow.moc"
