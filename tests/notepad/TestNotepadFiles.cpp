#include "notepad/NotepadFiles.h"

#include "support/TestFolder.h"
#include "support/RefusedWrites.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace {
QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// The keys of section "notepad" in the order the file lists them.
QStringList keysInOrder(const QByteArray& ini) {
    QStringList keys;
    for (const QByteArray& line : ini.split('\n'))
        if (line.contains('='))
            keys << QString::fromUtf8(line.left(line.indexOf('=')));
    return keys;
}
} // namespace

// npad.txt and npad.ini as files: line breaks in and out, the font keys, the export name.
class TestNotepadFiles : public QObject {
    Q_OBJECT
private slots:
    void lineBreaksRead_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("text");
        QTest::newRow("CR LF") << QByteArray("one\r\ntwo") << "one\ntwo";
        QTest::newRow("lone LF") << QByteArray("one\ntwo") << "one\ntwo";
        QTest::newRow("lone CR") << QByteArray("one\rtwo") << "one\ntwo";
        QTest::newRow("CR before CR LF") << QByteArray("one\r\r\ntwo") << "one\n\ntwo";
        QTest::newRow("LF CR is two breaks") << QByteArray("one\n\rtwo") << "one\n\ntwo";
        QTest::newRow("break at the end") << QByteArray("one\r\n") << "one\n";
        QTest::newRow("not UTF-8") << QByteArray("caf\xe9") << QString::fromUtf8("caf\xc3\xa9");
    }

    // Whatever breaks a file has, it is read as lines, and written back with CR LF between
    // them and nothing added.
    void lineBreaksRead() {
        QFETCH(QByteArray, file);
        QFETCH(QString, text);
        TestFolder folder(false);
        writeAll(NotepadTextPath(), file);
        QString read = QStringLiteral("left alone");
        QVERIFY(ReadNotepadText(NotepadTextPath(), read));
        QCOMPARE(read, text);
        QString error;
        QVERIFY(WriteNotepadText(NotepadTextPath(), read, error));
        QByteArray expected = text.toUtf8();
        expected.replace("\n", "\r\n");
        QCOMPARE(readAll(NotepadTextPath()), expected);
    }

    // A disk that fills up during the write: the old file stays whole, no half-written file
    // or leftover is seen, and the error says which file and why.
    void failedWriteKeepsTheOldFile() {
        TestFolder folder(false);
        writeAll(NotepadTextPath(), "old\r\n");
        QString error;
        {
            RefusedWrites full(folder.Path(), 100);
            QVERIFY(!WriteNotepadText(NotepadTextPath(), QString(5000, QLatin1Char('x')), error));
        }
        QVERIFY2(error.startsWith("Cannot save " + NotepadTextPath() + ": "), qPrintable(error));
        QVERIFY(error.size() > QString("Cannot save " + NotepadTextPath() + ": ").size());
        QCOMPARE(readAll(NotepadTextPath()), QByteArray("old\r\n"));
        QCOMPARE(QDir(folder.Path()).entryList(QDir::Files), QStringList({"npad.txt"}));
    }

    void fontKeys() {
        TestFolder folder(false);
        // No file, or a file without the section or the keys: Arial 10, no styles.
        QVERIFY(ReadNotepadFont(NotepadIniPath()) == NotepadFontStyle());
        writeAll(NotepadIniPath(), "[other]\nFONTSIZE=20\n[notepad]\nFONTSIZE=big\n");
        QVERIFY(ReadNotepadFont(NotepadIniPath()) == NotepadFontStyle());

        NotepadFontStyle courier;
        courier.Name = "Courier New";
        courier.Size = 12;
        courier.Bold = true;
        courier.Italic = true;
        QString error;
        QVERIFY(WriteNotepadFont(NotepadIniPath(), courier, error));
        // What else the file held is kept; the six keys stand in their order, also where the
        // section had some of them in another.
        const QByteArray ini = readAll(NotepadIniPath());
        QVERIFY(ini.startsWith("[other]\nFONTSIZE=20\n"));
        QCOMPARE(keysInOrder(ini).mid(1),
                 QStringList({"FONTNAME", "FONTSIZE", "FONTBOLD", "FONTITALIC", "FONTUNDERLINE",
                              "FONTSTRIKEOUT"}));
        QVERIFY(ReadNotepadFont(NotepadIniPath()) == courier);

        // Any non-zero number reads as on.
        writeAll(NotepadIniPath(), "[notepad]\nFONTNAME=Courier New\nFONTBOLD=-1\n");
        const NotepadFontStyle read = ReadNotepadFont(NotepadIniPath());
        QVERIFY(read.Bold && !read.Italic);
        QCOMPARE(read.Size, 10);
    }

    void exportFileName_data() {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("written");
        QTest::newRow("ends in .TXT") << "/tmp/Notes.TXT"
                                      << "/tmp/Notes.TXT";
        QTest::newRow("no extension") << "/tmp/notes"
                                      << "/tmp/notes.txt";
        QTest::newRow("other extension") << "/tmp/notes.text"
                                         << "/tmp/notes.text.txt";
        QTest::newRow("txt without dot") << "/tmp/notestxt"
                                         << "/tmp/notestxt.txt";
    }

    void exportFileName() {
        QFETCH(QString, chosen);
        QFETCH(QString, written);
        QCOMPARE(ExportFileName(chosen), written);
    }
};

QTEST_GUILESS_MAIN(TestNotepadFiles)
#include "TestNotepadFiles.moc"
