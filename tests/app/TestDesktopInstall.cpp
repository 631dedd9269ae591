#include "support/TestFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

namespace {
const QString AppId = QStringLiteral("io.github.cardolo.Cardolo");

struct Outcome {
    int Code = -1;
    QByteArray Out;
    QByteArray Err;
};

Outcome Run(const QString& program, const QStringList& args,
            const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    if (!p.waitForFinished(240000) || p.exitStatus() != QProcess::NormalExit)
        return {-1, {}, p.readAllStandardError() + p.errorString().toUtf8()};
    return {p.exitCode(), p.readAllStandardOutput(), p.readAllStandardError()};
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

// The value of key in a desktop entry's text; empty when the key is missing.
QString DesktopValue(const QByteArray& entry, const QString& key) {
    const QRegularExpression line(QStringLiteral("^%1=(.*)$").arg(key),
                                  QRegularExpression::MultilineOption);
    return line.match(QString::fromUtf8(entry)).captured(1);
}

// Width and height from a PNG's header chunk; {0, 0} when the file is no PNG.
QSize PngSize(const QByteArray& png) {
    if (png.size() < 24 || !png.startsWith("\x89PNG\r\n\x1a\n") || png.mid(12, 4) != "IHDR")
        return {};
    auto be32 = [&png](int at) {
        return (uchar(png[at]) << 24) | (uchar(png[at + 1]) << 16) | (uchar(png[at + 2]) << 8) |
               uchar(png[at + 3]);
    };
    return QSize(be32(16), be32(20));
}

// The project installed into a prefix of its own, once per test function.
class Installed {
public:
    Installed() : folder(false) {
        prefix = folder.Path() + QStringLiteral("prefix");
        const Outcome install = Run(QStringLiteral(CARDOLO_CMAKE_COMMAND),
                                    {"--install", CARDOLO_BUILD_DIR, "--prefix", prefix});
        ok = install.Code == 0;
        log = install.Out + install.Err;
    }
    QString File(const QString& relative) const { return prefix + QLatin1Char('/') + relative; }
    QString DesktopFile() const { return File("share/applications/" + AppId + ".desktop"); }
    QString MetainfoFile() const { return File("share/metainfo/" + AppId + ".metainfo.xml"); }
    QString ManPage() const { return File("share/man/man1/cardolo.1"); }
    QString Program() const { return File("bin/cardolo"); }
    QString Scratch() const { return folder.Path(); }

    bool ok = false;
    QByteArray log;

private:
    TestFolder folder;
    QString prefix;
};
} // namespace

// cmake --install: the program and the files a Linux desktop reads, where it looks for them,
// agreeing with one another and accepted by the desktop's own validators; an installed copy
// keeps its data in the user's data folder.
class TestDesktopInstall : public QObject {
    Q_OBJECT
private slots:
    // Every file in place; the desktop entry starts the installed program with the installed
    // icon, and the metainfo names that entry.
    void installPutsFilesInPlace() {
        Installed p;
        QVERIFY2(p.ok, p.log.constData());
        const QFileInfo program(p.Program());
        QVERIFY(program.isFile());
        QVERIFY(program.isExecutable());

        const QByteArray entry = ReadAll(p.DesktopFile());
        QVERIFY2(!entry.isEmpty(), qPrintable(p.DesktopFile()));
        QCOMPARE(DesktopValue(entry, "Name"), QStringLiteral("Cardolo"));
        QVERIFY(!DesktopValue(entry, "Comment").isEmpty());
        QCOMPARE(DesktopValue(entry, "Categories"), QStringLiteral("Office;Utility;"));
        QCOMPARE(DesktopValue(entry, "Exec").section(' ', 0, 0), program.fileName());
        const QString icon = DesktopValue(entry, "Icon");
        QCOMPARE(icon, QStringLiteral("cardolo"));

        const QByteArray svg =
            ReadAll(p.File("share/icons/hicolor/scalable/apps/" + icon + ".svg"));
        QVERIFY(svg.contains("<svg"));
#ifdef CARDOLO_ICON_PNG
        const QByteArray png = ReadAll(p.File("share/icons/hicolor/48x48/apps/" + icon + ".png"));
        QCOMPARE(PngSize(png), QSize(48, 48));
#endif

        const QByteArray metainfo = ReadAll(p.MetainfoFile());
        QVERIFY(metainfo.contains("<id>" + AppId.toUtf8() + "</id>"));
        QVERIFY(metainfo.contains("<launchable type=\"desktop-id\">" + AppId.toUtf8() +
                                  ".desktop</launchable>"));
        QVERIFY(metainfo.contains("<binary>cardolo</binary>"));
    }

    // The installed program's folder is writable here (and for a user installing to ~/.local),
    // yet its data goes to $XDG_DATA_HOME/cardolo and nothing is written beside the program.
    void installedCopyKeepsDataInUserFolder() {
        Installed p;
        QVERIFY2(p.ok, p.log.constData());
        const QString dataHome = p.Scratch() + QStringLiteral("xdg-data");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_DATA_HOME", dataHome);
        env.insert("HOME", p.Scratch());
        for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            env.remove(name);
        // The check names the database it looked for and leaves the folder without one.
        const Outcome check = Run(p.Program(), {"--check"}, env);
        QCOMPARE(check.Code, 2);
        const QString expected = dataHome + QStringLiteral("/cardolo/DATA/cardolo.db");
        QVERIFY2(check.Err.contains(expected.toUtf8()), check.Err.constData());
        QVERIFY(QFileInfo(dataHome + QStringLiteral("/cardolo")).isDir());
        QCOMPARE(QDir(p.File("bin")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList{"cardolo"});
    }

    // The manual page carries the program's version and describes every option --help lists.
    void manPageMatchesProgram() {
        Installed p;
        QVERIFY2(p.ok, p.log.constData());
        const QString page = QString::fromUtf8(ReadAll(p.ManPage()));
        QVERIFY(!page.isEmpty());
        const Outcome version = Run(p.Program(), {"--version"});
        QCOMPARE(version.Code, 0);
        const QString number = QString::fromUtf8(version.Out).trimmed().section(' ', 1);
        QVERIFY(!number.isEmpty());
        QVERIFY2(page.contains(QStringLiteral(".TH CARDOLO 1 \"\" \"Cardolo %1\"").arg(number)),
                 qPrintable(number));

        const Outcome help = Run(p.Program(), {"--help"});
        QCOMPARE(help.Code, 0);
        // In the page's source a hyphen of an option is written \-.
        const QString source = QString(page).replace(QStringLiteral("\\-"), QStringLiteral("-"));
        QRegularExpression optionPattern(QStringLiteral("--[a-z][a-z-]*"));
        QStringList options;
        for (const auto& m : optionPattern.globalMatch(QString::fromUtf8(help.Out)))
            options << m.captured();
        options.removeDuplicates();
        QVERIFY(options.contains("--folder"));
        for (const QString& option : options)
            QVERIFY2(source.contains(option), qPrintable(option + " is not in the manual page"));
    }

    void desktopEntryValidates() {
        const QString tool = QStandardPaths::findExecutable("desktop-file-validate");
        if (tool.isEmpty())
            QSKIP("desktop-file-validate is not installed (Debian: desktop-file-utils)");
        Installed p;
        QVERIFY2(p.ok, p.log.constData());
        const Outcome check = Run(tool, {p.DesktopFile()});
        QVERIFY2(check.Code == 0, (check.Out + check.Err).constData());
        QVERIFY2(!(check.Out + check.Err).contains("error:"), (check.Out + check.Err).constData());
    }

    void metainfoValidates() {
        const QString tool = QStandardPaths::findExecutable("appstreamcli");
        if (tool.isEmpty())
            QSKIP("appstreamcli is not installed (Debian: appstream)");
        Installed p;
        QVERIFY2(p.ok, p.log.constData());
        const Outcome check = Run(tool, {"validate", "--no-net", p.MetainfoFile()});
        QVERIFY2(check.Code == 0, (check.Out + check.Err).constData());
    }

    // man and groff read the page without a warning.
    void manPageFormatsCleanly() {
        const QString man = QStandardPaths::findExecutable("man");
        const QString groff = QStandardPaths::findExecutable("groff");
        if (man.isEmpty() && groff.isEmpty())
            QSKIP("neither man nor groff is installed (Debian: man-db)");
        Installed p;
        QVERIFY2(p.ok, p.log.constData());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("MANWIDTH", "80");
        env.insert("MAN_KEEP_STDERR", "1");
        if (!man.isEmpty()) {
            const Outcome shown = Run(man, {"--warnings", "-l", p.ManPage()}, env);
            QVERIFY2(shown.Code == 0, shown.Err.constData());
            QVERIFY2(shown.Err.isEmpty(), shown.Err.constData());
            QVERIFY(shown.Out.contains("EXIT STATUS"));
        }
        if (!groff.isEmpty()) {
            const Outcome typeset = Run(groff, {"-man", "-ww", "-z", p.ManPage()}, env);
            QVERIFY2(typeset.Code == 0, typeset.Err.constData());
            QVERIFY2(typeset.Err.isEmpty(), typeset.Err.constData());
        }
    }
};

QTEST_GUILESS_MAIN(TestDesktopInstall)
#include "TestDesktopInstall.moc"
