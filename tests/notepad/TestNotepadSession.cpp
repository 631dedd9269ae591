#include "notepad/NotepadSession.h"

#include "common/Clock.h"
#include "support/TestFolder.h"
#include "support/RefusedWrites.h"

#include <QFile>
#include <QTest>

namespace {
const QDate Day(2024, 5, 17);
QDateTime Clock = QDateTime(Day, QTime(12, 0));

void At(int h, int m, int s) {
    Clock = QDateTime(Day, QTime(h, m, s));
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString Pending(const QString& seconds) {
    return "Changes will anyway be saved automatically in " + seconds +
           ",\ror when the Notepad is closed.";
}
} // namespace

// The notepad's rules without its window: what counts as a change, what Save says when, and
// what a failed write leaves behind.
class TestNotepadSession : public QObject {
    Q_OBJECT
private slots:
    void init() {
        SetClockForTesting([] { return Clock; });
    }
    void cleanup() { ResetAllState(); }

    // The Save message counts whole seconds to 15 seconds after the latest change.
    void saveMessage() {
        TestFolder folder(false);
        NotepadSession pad;
        QCOMPARE(pad.SaveMessage(), QStringLiteral("There are no changes to save"));
        At(12, 0, 0);
        QVERIFY(!pad.MarkChanged()); // not shown yet: not tracked
        QCOMPARE(pad.SaveMessage(), QStringLiteral("There are no changes to save"));

        pad.NotepadShown = true;
        QVERIFY(pad.MarkChanged());
        At(12, 0, 5);
        QCOMPARE(pad.SaveMessage(), Pending("10 seconds"));
        Clock = QDateTime(Day, QTime(12, 0, 5, 500));
        QCOMPARE(pad.SaveMessage(), Pending("9 seconds")); // fractions dropped
        At(12, 0, 14);
        QCOMPARE(pad.SaveMessage(), Pending("1 second"));
        At(12, 0, 10);
        QVERIFY(pad.MarkChanged());
        At(12, 0, 12);
        QCOMPARE(pad.SaveMessage(), Pending("13 seconds"));

        QString error;
        QVERIFY(pad.SaveNotepad("two\nlines", error));
        QCOMPARE(readAll(folder.Path() + "npad.txt"), QByteArray("two\r\nlines"));
        QCOMPARE(pad.SaveMessage(), QStringLiteral("All changes have already been saved"));
        // Reading the file again clears that, and is no change.
        QCOMPARE(pad.LoadNotepadText(), std::optional<QString>("two\nlines"));
        QVERIFY(!pad.NotepadChanged);
        QCOMPARE(pad.SaveMessage(), QStringLiteral("There are no changes to save"));
        QVERIFY(!QFile::exists(folder.Path() + "npad.ini")); // the font never changed
    }

    // A write that fails leaves the text marked changed: reading the file again does not
    // replace it, and the next save writes it. A failed font write is tried again too.
    void failedWriteKeepsTheTextChanged() {
        TestFolder folder(false);
        QFile old(folder.Path() + "npad.txt");
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old");
        old.close();
        NotepadSession pad;
        pad.NotepadShown = true;
        pad.MarkChanged();
        NotepadFontStyle big;
        big.Size = 30;
        pad.FontChosen(big);
        QString error;
        {
            RefusedWrites refused(folder.Path());
            QVERIFY(!pad.SaveNotepad("typed", error));
        }
        QVERIFY2(error.contains("npad.ini") && error.contains("npad.txt"), qPrintable(error));
        QVERIFY(pad.NotepadChanged && pad.NotepadFontChanged && !pad.NotepadSaved);
        QCOMPARE(pad.SaveMessage().left(20), Pending("").left(20));
        QCOMPARE(pad.LoadNotepadText(), std::nullopt);
        QCOMPARE(readAll(folder.Path() + "npad.txt"), QByteArray("old"));

        QVERIFY(pad.SaveNotepad("typed", error));
        QCOMPARE(readAll(folder.Path() + "npad.txt"), QByteArray("typed"));
        QCOMPARE(ReadNotepadFont(folder.Path() + "npad.ini").Size, 30);
        QVERIFY(!pad.NotepadChanged && !pad.NotepadFontChanged && pad.NotepadSaved);
    }
};

QTEST_GUILESS_MAIN(TestNotepadSession)
#include "TestNotepadSession.moc"
