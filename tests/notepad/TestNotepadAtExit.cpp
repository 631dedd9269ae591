#include "app/CardoloApp.h"
#include "itemwin/TFIdets2.h"
#include "listwin/TFAddsBk.h"
#include "notepad/Notepad.h"
#include "notepad/TFnotepad.h"

#include "support/ScriptedDialogs.h"

#include <QAction>
#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {
QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(none)");
}
} // namespace

// The program as started and ended: the notepad made hidden at start-up, sharing its font
// with the item text window, and written when a shutdown signal closes the main window.
class TestNotepadAtExit : public QObject {
    Q_OBJECT
private slots:
    void shutdownSignalSavesTheNotepad() {
        QTemporaryDir dir;
        QFile ini(dir.filePath("npad.ini"));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[notepad]\nFONTNAME=DejaVu Serif\nFONTSIZE=13\n");
        ini.close();
        CardoloApp app;
        CardoloApp::Options options;
        options.folder = dir.path();
        QCOMPARE(app.Start(options), -1);
        ScriptedDialogs dialogs; // a shutdown asks nothing: any question fails the test

        TFnotepad* notepad = TFnotepad::Existing();
        QVERIFY(notepad && !notepad->isVisible());
        QCOMPARE(TFIdets2::Instance()->Memo1->font().family(), QStringLiteral("DejaVu Serif"));
        QCOMPARE(TFIdets2::Instance()->Memo1->font().pointSize(), 13);

        ShowNotepad();
        QTest::keyClicks(notepad->Memo1, "typed before the signal");
        QFont courier(QStringLiteral("Courier New"), 12);
        courier.setBold(true);
        dialogs.AnswerFont(courier.toString());
        TFIdets2::Instance()->Font1->trigger();
        QCOMPARE(notepad->Memo1->font(), courier);

        ::raise(SIGTERM);
        QTRY_VERIFY(!app.MainWindow()->isVisible());
        QCOMPARE(readAll(dir.filePath("npad.txt")), QByteArray("typed before the signal"));
        QVERIFY(!notepad->isVisible());
        const NotepadFontStyle stored = ReadNotepadFont(dir.filePath("npad.ini"));
        QVERIFY(stored.Name == "Courier New" && stored.Size == 12 && stored.Bold);
        QCOMPARE(dialogs.Infos(), QStringList());
    }
};

QTEST_MAIN(TestNotepadAtExit)
#include "TestNotepadAtExit.moc"
