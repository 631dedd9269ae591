#include "common/CommonState.h"
#include "notepad/Notepad.h"
#include "notepad/TFnotepad.h"

#include "common/Clock.h"
#include "common/Dialogs.h"
#include "itemwin/ItemWindows.h"
#include "itemwin/TFIdets2.h"
#include "support/ModalDriver.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFolder.h"
#include "support/RefusedWrites.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>

namespace {
const QDate Day(2024, 5, 17);
QDateTime Clock;

void At(int h, int m, int s) {
    Clock = QDateTime(Day, QTime(h, m, s));
}

TFnotepad* w() {
    return TFnotepad::Instance();
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(none)");
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

void typeAtEnd(const QString& text) {
    w()->Memo1->moveCursor(QTextCursor::End);
    QTest::keyClicks(w()->Memo1, text);
}

} // namespace

// The notepad window: its files read on each showing and written 15 seconds after the first
// change and on closing, its commands, its font shared with the item text window, and what a
// folder that refuses the write leaves the user.
class TestNotepad : public QObject {
    Q_OBJECT
private slots:
    void init() {
        At(12, 0, 0);
        ResetAllState();
        SetClockForTesting([] { return Clock; });
    }
    void cleanup() {
        CloseModalLeftovers();
        ResetAllState();
    }

    // Each showing reads npad.txt again, whatever another program did to it; that is never a
    // change, and Save then has nothing to report.
    void reopeningIsNoChange() {
        TestFolder folder(false);
        ScriptedDialogs dialogs;
        writeAll(folder.Path() + "npad.txt", "first\r\nfile");
        ShowNotepad();
        QVERIFY(w()->isVisible());
        QCOMPARE(w()->windowTitle(), QStringLiteral("Cardolo - notepad"));
        QCOMPARE(w()->Memo1->palette().color(QPalette::Base), QColor(235, 215, 255));
        QCOMPARE(w()->MemoText(), QStringLiteral("first\nfile"));
        QVERIFY(!w()->Session.NotepadChanged && !w()->Timer1->isActive());
        typeAtEnd("x");
        w()->Close1->trigger();
        QVERIFY(!w()->isVisible());
        QCOMPARE(readAll(folder.Path() + "npad.txt"), QByteArray("first\r\nfilex"));
        w()->Save1->trigger();

        writeAll(folder.Path() + "npad.txt", "changed\rmeanwhile");
        ShowNotepad();
        QCOMPARE(w()->MemoText(), QStringLiteral("changed\nmeanwhile"));
        QVERIFY(!w()->Session.NotepadChanged && !w()->Timer1->isActive());
        w()->Save1->trigger();
        QCOMPARE(dialogs.Infos(), QStringList({"All changes have already been saved",
                                               "There are no changes to save"}));
        QCOMPARE(dialogs.Calls.last().caption, QStringLiteral(" Notepad"));
        QVERIFY(Common().MessageCaption.isEmpty()); // other messages keep the program's caption
        w()->close();
        QCOMPARE(readAll(folder.Path() + "npad.txt"), QByteArray("changed\rmeanwhile"));
        QVERIFY(!QFile::exists(folder.Path() + "npad.ini")); // the font never changed
    }

    // The save comes 15 seconds after the first change: typing does not put it off.
    void savedFifteenSecondsAfterTheFirstChange() {
        TestFolder folder(false);
        ScriptedDialogs dialogs;
        ShowNotepad();
        typeAtEnd("a");
        QVERIFY(w()->Timer1->isActive());
        QCOMPARE(w()->Timer1->interval(), 15000);
        const int left = w()->Timer1->remainingTime();
        QTRY_VERIFY(w()->Timer1->remainingTime() < left);
        At(12, 0, 10);
        typeAtEnd("b");
        QVERIFY(w()->Timer1->remainingTime() < left); // not started again
        At(12, 0, 12);
        w()->Save1->trigger();
        QCOMPARE(dialogs.Infos(),
                 QStringList("Changes will anyway be saved automatically in 13 seconds,\r"
                             "or when the Notepad is closed."));
        QVERIFY(!QFile::exists(folder.Path() + "npad.txt"));
        At(12, 0, 15);
        w()->Timer1Timer();
        QCOMPARE(readAll(folder.Path() + "npad.txt"), QByteArray("ab"));
        QVERIFY(!w()->Timer1->isActive());
    }

    void exportToFile_data() {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("written");
        QTest::newRow("Notes.TXT") << "Notes.TXT"
                                   << "Notes.TXT";
        QTest::newRow("notes") << "notes"
                               << "notes.txt";
        QTest::newRow("notes.text") << "notes.text"
                                    << "notes.text.txt";
    }

    void exportToFile() {
        QFETCH(QString, chosen);
        QFETCH(QString, written);
        TestFolder folder(false);
        ScriptedDialogs dialogs;
        writeAll(folder.Path() + "npad.txt", "one\r\ntwo");
        ShowNotepad();
        dialogs.AnswerFile(folder.Path() + chosen);
        w()->toFile1->trigger();
        QCOMPARE(readAll(folder.Path() + written), QByteArray("one\r\ntwo"));
        QCOMPARE(QFile::exists(folder.Path() + chosen), chosen == written);
        QCOMPARE(dialogs.Flashes(), QStringList("Exported OK"));
        // Cancel writes nothing; the dialog opens on the file written last.
        dialogs.AnswerCancelChoice();
        w()->toFile1->trigger();
        QCOMPARE(dialogs.Texts("file").last(), folder.Path() + written);
        QCOMPARE(dialogs.Flashes().size(), 1);
    }

    // to Clipboard, Now, Clear (both questions), Scroll-to-cursor and Esc.
    void commands() {
        TestFolder folder(false);
        ScriptedDialogs dialogs;
        writeAll(folder.Path() + "npad.txt", "one\r\ntwo");
        ShowNotepad();
        w()->toClipboard1->trigger();
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("one\r\ntwo"));
        QCOMPARE(w()->Memo1->textCursor().position(), 0);
        QCOMPARE(dialogs.Flashes(), QStringList("Exported OK"));

        At(9, 5, 0);
        QTextCursor cursor = w()->Memo1->textCursor();
        cursor.setPosition(4);
        cursor.setPosition(7, QTextCursor::KeepAnchor); // "two"
        w()->Memo1->setTextCursor(cursor);
        w()->Now1->trigger();
        QCOMPARE(w()->MemoText(), QStringLiteral("one\n2024-05-17  09:05 "));

        dialogs.AnswerYes();
        dialogs.AnswerNo();
        w()->Clear1->trigger();
        QCOMPARE(w()->MemoText(), QStringLiteral("one\n2024-05-17  09:05 "));
        dialogs.AnswerYes();
        dialogs.AnswerYes();
        w()->Clear1->trigger();
        QCOMPARE(w()->MemoText(), QString());
        QVERIFY(w()->Session.NotepadChanged);
        QCOMPARE(dialogs.Questions().size(), 4);

        typeAtEnd("last");
        w()->End1->trigger();
        QTest::keyClick(w()->Memo1, Qt::Key_Escape);
        QVERIFY(!w()->isVisible());
        QCOMPARE(readAll(folder.Path() + "npad.txt"), QByteArray("last"));
    }

    // The font chosen in the notepad is written to npad.ini when the notepad saves, and is the
    // notepad's and the item text window's font at the next start. A font chosen in the item
    // text window is written even when the notepad was never shown.
    void fontAtTheNextStart() {
        TestFolder folder(false);
        ScriptedDialogs dialogs;
        QCOMPARE(w()->Memo1->font().family(), QStringLiteral("Arial"));
        QCOMPARE(w()->Memo1->font().pointSize(), 10);
        ShowNotepad();
        QFont courier(QStringLiteral("Courier New"), 12);
        courier.setBold(true);
        courier.setItalic(true);
        dialogs.AnswerFont(courier.toString());
        w()->Font1->trigger();
        QCOMPARE(w()->Memo1->font(), courier);
        QVERIFY(!QFile::exists(folder.Path() + "npad.ini"));
        w()->close();
        QCOMPARE(readAll(folder.Path() + "npad.ini"),
                 QByteArray("[notepad]\nFONTNAME=Courier New\nFONTSIZE=12\nFONTBOLD=1\n"
                            "FONTITALIC=1\nFONTUNDERLINE=0\nFONTSTRIKEOUT=0\n"));

        DestroyNotepad();
        const QFont stored = w()->Memo1->font();
        QCOMPARE(stored.family(), QStringLiteral("Courier New"));
        QCOMPARE(stored.pointSize(), 12);
        QVERIFY(stored.bold() && stored.italic() && !stored.underline() && !stored.strikeOut());
        QCOMPARE(TFIdets2::Instance()->Memo1->font(), stored);

        QFont fromTextWindow(QStringLiteral("DejaVu Serif"), 14);
        fromTextWindow.setUnderline(true);
        SetNotepadFont(fromTextWindow);
        QCOMPARE(w()->Memo1->font(), fromTextWindow);
        CloseNotepadForExit();
        const NotepadFontStyle written = ReadNotepadFont(folder.Path() + "npad.ini");
        QCOMPARE(written.Name, QStringLiteral("DejaVu Serif"));
        QVERIFY(written.Size == 14 && written.Underline && !written.Bold);
        QVERIFY(!QFile::exists(folder.Path() + "npad.txt"));
    }

    void longTextCaretAt32000() {
        TestFolder folder(false);
        QByteArray text;
        for (int i = 0; i < 1000; ++i)
            text += QByteArray(39, 'a' + i % 26) + "\n";
        writeAll(folder.Path() + "npad.txt", text);
        ShowNotepad();
        QCOMPARE(w()->MemoText().size(), 40000);
        QCOMPARE(w()->Memo1->textCursor().position(), 32000);
        QVERIFY(!w()->Session.NotepadChanged);
    }

    // A folder that refuses the write: the failure is shown, the text stays changed and in the
    // memo (also when the window is shown again), and the next save writes it.
    void failedWriteIsTriedAgain() {
        TestFolder folder(false);
        ScriptedDialogs dialogs;
        writeAll(folder.Path() + "npad.txt", "old");
        ShowNotepad();
        typeAtEnd(" and new");
        RefusedWrites refused(folder.Path());
        w()->Timer1Timer();
        QCOMPARE(dialogs.Infos().size(), 1);
        QVERIFY2(dialogs.Infos().first().startsWith("Cannot save " + folder.Path() + "npad.txt: "),
                 qPrintable(dialogs.Infos().first()));
        QCOMPARE(dialogs.Calls.first().caption, QStringLiteral(" Notepad"));
        QVERIFY(w()->Session.NotepadChanged);
        QVERIFY(w()->Timer1->isActive());

        w()->close();
        QCOMPARE(dialogs.Infos().size(), 2);
        ShowNotepad();
        QCOMPARE(w()->MemoText(), QStringLiteral("old and new"));
        QVERIFY(w()->Timer1->isActive());
        refused.Undo();
        w()->Timer1Timer();
        QCOMPARE(readAll(folder.Path() + "npad.txt"), QByteArray("old and new"));
        QVERIFY(!w()->Session.NotepadChanged && !w()->Timer1->isActive());
        QCOMPARE(dialogs.Infos().size(), 2);
    }

    // At the end of the program a text that cannot be written is kept in the data folder; a
    // forced end asks nothing and shows nothing.
    void textKeptAtExitWhenItCannotBeWritten() {
        TestFolder folder(false);
        ScriptedDialogs dialogs;
        ShowNotepad();
        typeAtEnd("keep me");
        QVERIFY(QDir().mkpath(folder.Path() + "npad.txt")); // a folder where the file should be
        At(23, 59, 58);
        CloseNotepadForExit(true);
        QVERIFY(!w()->isVisible());
        QCOMPARE(dialogs.Calls.size(), 0);
        const QString kept = folder.DataPath() + "/unsaved notepad 2024-05-17 235958.txt";
        QCOMPARE(readAll(kept), QByteArray("keep me"));

        ShowNotepad();
        typeAtEnd(" too");
        At(23, 59, 59);
        CloseNotepadForExit();
        QCOMPARE(dialogs.Infos().size(), 1);
        QVERIFY2(dialogs.Infos().first().endsWith("\rThe text is kept in " + folder.DataPath() +
                                                  "/unsaved notepad 2024-05-17 235959.txt"),
                 qPrintable(dialogs.Infos().first()));
    }
};

QTEST_MAIN(TestNotepad)
#include "TestNotepad.moc"
