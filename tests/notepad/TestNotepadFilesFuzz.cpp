#include "notepad/NotepadFiles.h"

#include "support/FuzzInput.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// npad.ini and npad.txt as anyone may leave them: good files changed at random and random
// bytes. Every read returns with a usable result: the font's keys are their defaults or values
// the file holds, and a size is never below 1; the font written into such a file reads back,
// and a file that cannot be read is left as it was; the text comes with one kind of line break.
class TestNotepadFilesFuzz : public QObject {
    Q_OBJECT

private slots:
    void readsAnyFontFileSoundly();
    void readsAnyTextFileSoundly();
};

namespace {

// Why font is not a sound reading of the file: empty when every key is its default or a value
// the file holds on a line of the key.
QString FontFault(const QByteArray& file, const NotepadFontStyle& font) {
    const NotepadFontStyle d;
    const QByteArray upper = file.toUpper();
    QStringList faults;
    if (font.Name != d.Name &&
        (!upper.contains("FONTNAME") ||
         (!file.contains(font.Name.toUtf8()) && !file.contains(font.Name.toLatin1()))))
        faults << QStringLiteral("FONTNAME \"%1\" is not in the file").arg(font.Name);
    if (font.Size < 1)
        faults << QStringLiteral("FONTSIZE %1 is no size").arg(font.Size);
    if (font.Size != d.Size && !IniLineHoldsNumber(file, "FONTSIZE", font.Size))
        faults << QStringLiteral("FONTSIZE %1 is on no line of the key").arg(font.Size);
    // A style is on only on a line of its key with a number other than 0.
    const std::pair<bool, const char*> styles[] = {{font.Bold, "FONTBOLD"},
                                                   {font.Italic, "FONTITALIC"},
                                                   {font.Underline, "FONTUNDERLINE"},
                                                   {font.StrikeOut, "FONTSTRIKEOUT"}};
    for (const auto& [on, key] : styles)
        if (on && !IniLineSaysOn(file, key))
            faults << QStringLiteral("%1 on without a line of the key saying so").arg(key);
    return faults.join(QStringLiteral("; "));
}

} // namespace

void TestNotepadFilesFuzz::readsAnyFontFileSoundly() {
    const QList<QByteArray> good{
        "[notepad]\nFONTNAME=DejaVu Sans\nFONTSIZE=12\nFONTBOLD=1\nFONTITALIC=0\n"
        "FONTUNDERLINE=1\nFONTSTRIKEOUT=1\n",
        "; kept\r\n[other]\r\nFONTSIZE=99\r\n[notepad]\r\nfontname = Libert\xe9\r\n"
        "FontSize=  -4 \r\nFONTITALIC=7\r\n",
        "\xef\xbb\xbf[notepad]\nFONTNAME=\xe4\xb8\xad\xe6\x96\x87\nFONTSIZE=+09\n",
    };
    FuzzInput input(20241208, {"[", "]", "[notepad]", "\n[notepad]\n", "=", ";", "FONTNAME=",
                               "\nFONTSIZE=", "FONTBOLD=1", "FONTSTRIKEOUT", "<<<", "\""});
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("npad.ini"));
    NotepadFontStyle written;
    written.Name = QStringLiteral("Noto Sans \u4e2d");
    written.Size = 17;
    written.Italic = true;
    written.StrikeOut = true;

    QElapsedTimer clock;
    clock.start();
    int rewritten = 0;
    for (int round = 0; round < 1500; ++round) {
        const QByteArray file = input.Next(good);
        QVERIFY(WriteFile(path, file));
        NotepadFontStyle read;
        {
            FuzzCallBound bound("TestNotepadFilesFuzz font", round);
            read = ReadNotepadFont(path);
        }
        const QString fault = FontFault(file, read);
        QVERIFY2(fault.isEmpty(), qPrintable(QStringLiteral("round %1: %2").arg(round).arg(fault)));

        // A write waits for the disk: every eighth file is written into.
        if (round % 8 != 0)
            continue;
        QString error;
        bool ok = false;
        {
            FuzzCallBound bound("TestNotepadFilesFuzz font write", round);
            ok = WriteNotepadFont(path, written, error);
        }
        if (ok) {
            ++rewritten;
            QVERIFY2(
                ReadNotepadFont(path) == written,
                qPrintable(
                    QStringLiteral("round %1: the font written does not read back").arg(round)));
        } else {
            QVERIFY2(!error.isEmpty() && ReadFile(path) == file,
                     qPrintable(QStringLiteral("round %1: a failed write changed the file or "
                                               "said nothing: %2")
                                    .arg(round)
                                    .arg(error)));
        }
    }
    QVERIFY(rewritten > 50);
    qInfo("%d font files rewritten, in %lld ms", rewritten,
          static_cast<long long>(clock.elapsed()));
}

void TestNotepadFilesFuzz::readsAnyTextFileSoundly() {
    const QList<QByteArray> good{
        "first line\r\nsecond\r\n\r\nlast",
        "lone\rCR and\nlone LF\r\n",
        "UTF-8 \xc3\xa9\xe4\xb8\xad and not: \xe9\xff\r\n",
    };
    FuzzInput input(20241209, {"\r", "\n", "\r\n", "\n\r"});
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("npad.txt"));
    for (int round = 0; round < 1500; ++round) {
        const QByteArray file = input.Next(good, 8192);
        QVERIFY(WriteFile(path, file));
        QString text;
        bool ok = false;
        {
            FuzzCallBound bound("TestNotepadFilesFuzz text", round);
            ok = ReadNotepadText(path, text);
        }
        QVERIFY2(ok, qPrintable(
                         QStringLiteral("round %1: a file that is there was not read").arg(round)));
        // Every line break of any kind is one LF, and nothing else is lost or added.
        QByteArray lf = file;
        lf.replace("\r\n", "\n").replace('\r', '\n');
        QVERIFY2(!text.contains(QLatin1Char('\r')) &&
                     text.count(QLatin1Char('\n')) == lf.count('\n'),
                 qPrintable(QStringLiteral("round %1: line breaks not read as one").arg(round)));
        // A UTF-8 file may begin with a byte-order mark, which is no part of the text.
        const QByteArray withoutMark = lf.startsWith("\xef\xbb\xbf") ? lf.mid(3) : lf;
        QVERIFY2(text.toUtf8() == withoutMark || text.toLatin1() == lf,
                 qPrintable(QStringLiteral("round %1: the text is not the file's").arg(round)));
    }
}

QTEST_GUILESS_MAIN(TestNotepadFilesFuzz)
#include "TestNotepadFilesFuzz.moc"
