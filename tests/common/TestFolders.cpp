#include "common/Folders.h"
#include "support/TestFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QTest>

// Where a program started without --folder keeps its files: beside a copy run from its build
// or unpacked folder, in the user's data folder for an installed one.
class TestFolders : public QObject {
    Q_OBJECT
private slots:
    void chooseProgramFolder_data() {
        QTest::addColumn<QString>("executableFolder");
        QTest::addColumn<bool>("writable");
        QTest::addColumn<QString>("expected");
        const QString user = QStringLiteral("/home/u/.local/share/cardolo/");
        QTest::newRow("build folder")
            << "/home/u/src/cardolo/build" << true << "/home/u/src/cardolo/build/";
        QTest::newRow("unpacked copy, trailing slash")
            << "/home/u/Cardolo/" << true << "/home/u/Cardolo/";
        QTest::newRow("read-only folder") << "/opt/cardolo" << false << user;
        QTest::newRow("system bin") << "/usr/bin" << false << user;
        QTest::newRow("user's own bin, writable") << "/home/u/.local/bin" << true << user;
        QTest::newRow("root's /usr/local/bin") << "/usr/local/bin" << true << user;
        QTest::newRow("bin with trailing slash") << "/usr/local/bin/" << true << user;
        QTest::newRow("folder named like bin") << "/home/u/cabin" << true << "/home/u/cabin/";
    }
    void chooseProgramFolder() {
        QFETCH(QString, executableFolder);
        QFETCH(bool, writable);
        QFETCH(QString, expected);
        QCOMPARE(
            ChooseProgramFolder(executableFolder, writable, QStringLiteral("/home/u/.local/share")),
            expected);
    }

    // On the disk: a writable folder is used as it is and nothing is made; an installed copy's
    // folder sends the program to $XDG_DATA_HOME/cardolo, which is made.
    void defaultProgramFolderOnDisk() {
        TestFolder folder(false);
        const QString dataHome = folder.Path() + QStringLiteral("data-home");
        qputenv("XDG_DATA_HOME", dataHome.toUtf8());
        const QString portable = folder.Path() + QStringLiteral("portable");
        QVERIFY(QDir().mkpath(portable));
        QCOMPARE(DefaultProgramFolder(portable), portable + QLatin1Char('/'));
        QVERIFY(!QFileInfo::exists(dataHome));

        const QString bin = folder.Path() + QStringLiteral("prefix/bin");
        QVERIFY(QDir().mkpath(bin));
        QCOMPARE(DefaultProgramFolder(bin), dataHome + QStringLiteral("/cardolo/"));
        QVERIFY(QFileInfo(dataHome + QStringLiteral("/cardolo")).isDir());
        qunsetenv("XDG_DATA_HOME");
    }
};

QTEST_GUILESS_MAIN(TestFolders)
#include "TestFolders.moc"
