#include "app/CardoloApp.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// The command line: what each argument asks for, and that a mistyped one never starts the
// program or touches a file.
class TestCommandLine : public QObject {
    Q_OBJECT
private slots:
    void arguments_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("folder");
        QTest::newRow("nothing") << QStringList{} << ""
                                 << "";
        QTest::newRow("folder") << QStringList{"--folder", "D"} << ""
                                << "D";
        QTest::newRow("folder=") << QStringList{"--folder=D"} << ""
                                 << "D";
        QTest::newRow("window system's options")
            << QStringList{"-platform", "offscreen", "--folder", "D", "-style=fusion", "-reverse"}
            << ""
            << "D";
        QTest::newRow("mistyped option")
            << QStringList{"--folder", "D", "--chek"} << "unknown option --chek"
            << "";
        QTest::newRow("mistyped with --check")
            << QStringList{"--check", "--repiar"} << "unknown option --repiar"
            << "";
        QTest::newRow("single dash") << QStringList{"-check"} << "unknown option -check"
                                     << "";
        QTest::newRow("stray word") << QStringList{"notes"} << "unexpected argument notes"
                                    << "";
        QTest::newRow("folder without its value")
            << QStringList{"--folder"} << "--folder needs a folder name"
            << "";
        QTest::newRow("window system's option without its value")
            << QStringList{"-platform"} << "-platform needs a value"
            << "";
        QTest::newRow("repair without check") << QStringList{"--repair"} << "--repair needs --check"
                                              << "";
        QTest::newRow("find") << QStringList{"--folder", "D", "--find", "a b"} << ""
                              << "D";
        QTest::newRow("find without its text")
            << QStringList{"--find"} << "--find needs the text to search for"
            << "";
        for (const char* id : {"0", "-3", "7x", ""})
            QTest::addRow("show %s", id)
                << QStringList{"--show", id} << "--show needs an item id (a whole number above 0)"
                << "";
        QTest::newRow("show without its id")
            << QStringList{"--show"} << "--show needs an item id (a whole number above 0)"
            << "";
        QTest::newRow("markdown export")
            << QStringList{"--export", "out", "--format", "markdown"} << ""
            << "";
        QTest::newRow("format before export")
            << QStringList{"--format", "jsonl", "--export", "out.jsonl"} << ""
            << "";
        QTest::newRow("format without export")
            << QStringList{"--format", "markdown"} << "--format needs --export"
            << "";
        QTest::newRow("unknown format") << QStringList{"--export", "out", "--format", "html"}
                                        << "unknown format html for --export (jsonl or markdown)"
                                        << "";
        QTest::newRow("two commands")
            << QStringList{"--find", "x", "--show", "3"} << "--find and --show do not go together"
            << "";
        QTest::newRow("export and check") << QStringList{"--export", "out", "--check"}
                                          << "--check and --export do not go together"
                                          << "";
    }
    void arguments() {
        QFETCH(QStringList, args);
        QFETCH(QString, error);
        QFETCH(QString, folder);
        const CardoloApp::Options o = CardoloApp::ParseArguments(QStringList{"cardolo"} + args);
        QCOMPARE(o.error, error);
        if (error.isEmpty())
            QCOMPARE(o.folder, folder);
    }

    // The real program: a usage line on standard error, exit code 2, and the folder as empty
    // as it was; --help names every option the program takes and the exit codes.
    void mistypedOptionTouchesNothing() {
        QTemporaryDir dir;
        QProcess p;
        p.start(qEnvironmentVariable("CARDOLO_BIN"), {"--folder", dir.path(), "--chek"});
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 2);
        const QByteArray err = p.readAllStandardError();
        QVERIFY2(err.startsWith("cardolo: unknown option --chek\nUsage: cardolo"), err.constData());
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList());

        p.start(qEnvironmentVariable("CARDOLO_BIN"), {"--help"});
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitCode(), 0);
        const QByteArray help = p.readAllStandardOutput();
        for (const char* option : {"--folder", "--import", "--check", "--repair", "--counts",
                                   "--backup", "--dump-table", "--help", "--version"})
            QVERIFY2(help.contains(option), option);
        QVERIFY(help.contains("Exit codes:"));
        for (const char* option : {"--export", "--format", "--find", "--show", "--restore-jsonl"})
            QVERIFY2(help.contains(option), option);
    }
};

QTEST_MAIN(TestCommandLine)
#include "TestCommandLine.moc"
