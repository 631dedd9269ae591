#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// cardolo --dump-table run as a user runs it: the exact text of a table, and the exit codes
// and messages for tables that cannot be read. It must need no display and no program folder.
class TestDumpTable : public QObject {
    Q_OBJECT

    struct Run {
        int exitCode = -1;
        QByteArray out;
        QByteArray err;
    };

    // Runs the program in home with no display to be had: an application object would fail.
    static Run dump(const QStringList& args, const QString& home) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.insert("HOME", home);
        env.insert("XDG_DATA_HOME", home + "/share");
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(home);
        p.start(qEnvironmentVariable("CARDOLO_BIN"), args);
        Run r;
        if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit)
            return r;
        r.exitCode = p.exitCode();
        r.out = p.readAllStandardOutput();
        r.err = p.readAllStandardError();
        return r;
    }

    static QString copy(const QString& from, const QString& to, qint64 keep = -1) {
        QFile in(from), out(to);
        if (in.open(QIODevice::ReadOnly) && out.open(QIODevice::WriteOnly))
            out.write(keep < 0 ? in.readAll() : in.read(keep));
        return to;
    }

    static QByteArray repeat(const QByteArray& unit, int times) {
        QByteArray b;
        for (int i = 0; i < times; ++i)
            b += unit;
        return b;
    }

    const QString fixtures = QStringLiteral(CARDOLO_PARADOX_FIXTURES);

    // The fixture's text: NULLs empty, the memo's TAB, CR, LF and backslash escaped.
    QByteArray expectedHead() const {
        return "Name\tSmall\tBig\tCounter\tAmount\tPrice\tFlag\tDay\tClock\tStamp\tNote\tData\t"
               "Styled\n"
               "First row\t1\t100000\t1\t1.5\t2.25\ttrue\t2024-02-29\t13:45:30\t"
               "2024-02-29 13:45:30.123\tShort memo\t\tFits\n";
    }
    QByteArray expectedRest() const {
        return "Ünicöde € été\t-1\t-100000\t2\t-0.1\t-1234.5\tfalse\t0001-01-01\t00:00:00\t"
               "0001-01-01 00:00:00.000\t" +
               repeat("Line one\\tTAB\\\\back\\r\\nLine two\\nlast", 3) + "Line\t\t" +
               repeat("Formatted ", 900) +
               "\n"
               "\t\t\t3\t\t\t\t\t\t\t\t\t\n"
               "Last\t32767\t2147483647\t4\t1e+21\t123456789.125\ttrue\t9999-12-31\t23:59:59\t"
               "1999-12-31 23:59:59.999\t" +
               repeat("0123456789abcdef", 3) + "\t\t\n";
    }

private slots:
    void printsTheTableAsTsv() {
        QTemporaryDir home;
        Run r = dump({"--dump-table", fixtures + "/types.db"}, home.path());
        QCOMPARE(r.err, QByteArray());
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, expectedHead() + expectedRest());
        // No program folder, settings or lock were made anywhere it could have made them.
        QCOMPARE(
            QDir(home.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
            QStringList());
    }

    void failsWithTheReasonOnStandardError() {
        QTemporaryDir home;
        const QString missing = QDir(home.path()).filePath("NONE.DB");
        Run r = dump({"--dump-table", missing}, home.path());
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.out, QByteArray());
        QCOMPARE(r.err, "cardolo: " + QDir::toNativeSeparators(missing).toUtf8() +
                            ": cannot open the table: No such file or directory\n");

        const QString cut = copy(fixtures + "/types.db", home.path() + "/CUT.DB", 40);
        r = dump({"--dump-table", cut}, home.path());
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.out, QByteArray());
        QCOMPARE(r.err, "cardolo: " + QDir::toNativeSeparators(cut).toUtf8() +
                            ": the file is too short for a table header (40 bytes)\n");
    }

    // A fault met part way: the records before it are printed, then the message.
    void stopsAtAFaultPartWay() {
        QTemporaryDir home;
        const QString table = copy(fixtures + "/types.db", home.path() + "/TYPES.DB");
        const QString memo = copy(fixtures + "/types.mb", home.path() + "/TYPES.MB", 4096 + 100);
        Run r = dump({"--dump-table", table}, home.path());
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.out, expectedHead());
        QCOMPARE(r.err, "cardolo: " + QDir::toNativeSeparators(table).toUtf8() +
                            ": record 2, field Note: " + QDir::toNativeSeparators(memo).toUtf8() +
                            ": the memo lies past the end of the memo file\n");
    }

    void needsATableName() {
        QTemporaryDir home;
        Run r = dump({"--dump-table"}, home.path());
        QCOMPARE(r.exitCode, 2);
        QCOMPARE(r.out, QByteArray());
        QVERIFY2(r.err.startsWith("cardolo: --dump-table needs a table file (FILE.DB)\nUsage:"),
                 r.err.constData());
    }
};

QTEST_GUILESS_MAIN(TestDumpTable)
#include "TestDumpTable.moc"
