#include "common/Folders.h"
#include "common/Settings.h"
#include "support/TestFolder.h"

#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <unistd.h>

// The settings file: what a new file looks like, what a hand-edited file keeps, and how bad
// values and unwritable folders are taken.
class TestSettings : public QObject {
    Q_OBJECT

    static QByteArray readAll(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static void writeAll(const QString& path, const QByteArray& data) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(data);
    }
    // The keys of a file in the order they appear.
    static QStringList keysInOrder(const QByteArray& text) {
        QStringList keys;
        for (const QByteArray& line : text.split('\n')) {
            int eq = line.indexOf('=');
            if (eq > 0 && !line.startsWith(';'))
                keys << QString::fromLatin1(line.left(eq).trimmed());
        }
        return keys;
    }

private slots:
    void newFileListsTheSevenKeysInOrder() {
        TestFolder folder(false);
        AppSettings().Prefix = "abc";
        AppSettings().Dbvn = 1100;
        AppSettings().WantTabs = true;
        AppSettings().DiaryId = ItemId(7);
        AppSettings().FlashInterval = 250;
        AppSettings().ShowLinkCounts = true;
        AppSettings().ArchiveId = ItemId(12);
        WriteSettings();
        const QByteArray text = readAll(SettingsPath());
        QVERIFY(text.startsWith("[main]"));
        QCOMPARE(keysInOrder(text), QStringList({"PREFIX", "DBVN", "WANTTABS", "DIARYID",
                                                 "FLASHINTERVAL", "SHOWLINKCOUNTS", "ARCHIVEID"}));
        QVERIFY(text.contains("WANTTABS=1\n"));
        QVERIFY(text.contains("SHOWLINKCOUNTS=1\n"));
        QVERIFY(text.contains("FLASHINTERVAL=250\n"));

        AppSettings() = Settings();
        ReadSettings();
        const Settings& s = AppSettings();
        QCOMPARE(s.Prefix, QString("abc"));
        QCOMPARE(s.Dbvn, 1100);
        QVERIFY(s.WantTabs);
        QCOMPARE(s.DiaryId, ItemId(7));
        QCOMPARE(s.FlashInterval, 250);
        QVERIFY(s.ShowLinkCounts);
        QCOMPARE(s.ArchiveId, ItemId(12));
    }

    void missingFileGivesDefaults() {
        TestFolder folder(false);
        AppSettings().FlashInterval = 500; // the start value before reading
        AppSettings().Dbvn = 1;
        ReadSettings();
        const Settings& s = AppSettings();
        QCOMPARE(s.Prefix, QString());
        QCOMPARE(s.Dbvn, 800);
        QVERIFY(!s.WantTabs);
        QCOMPARE(s.DiaryId, ItemId(0));
        QCOMPARE(s.FlashInterval, 1000);
        QVERIFY(!s.ShowLinkCounts);
        QCOMPARE(s.ArchiveId, ItemId(0));
    }

    void values_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<int>("flash");
        QTest::addColumn<bool>("tabs");
        QTest::newRow("plain") << QByteArray("FLASHINTERVAL=300\nWANTTABS=1") << 300 << true;
        QTest::newRow("blanks round") << QByteArray("FLASHINTERVAL = 300 ") << 300 << false;
        QTest::newRow("digits then letter") << QByteArray("FLASHINTERVAL=12a") << 1000 << false;
        QTest::newRow("words") << QByteArray("FLASHINTERVAL=long\nWANTTABS=yes") << 1000 << false;
        QTest::newRow("empty") << QByteArray("FLASHINTERVAL=") << 1000 << false;
        QTest::newRow("too big") << QByteArray("FLASHINTERVAL=99999999999") << 1000 << false;
        QTest::newRow("any non-zero is on") << QByteArray("WANTTABS=-3") << 1000 << true;
        QTest::newRow("zero is off") << QByteArray("WANTTABS=0") << 1000 << false;
        QTest::newRow("lower-case key") << QByteArray("flashinterval=42") << 42 << false;
        QTest::newRow("other section") << QByteArray("[other]\nFLASHINTERVAL=42") << 1000 << false;
    }
    void values() {
        QFETCH(QByteArray, line);
        QFETCH(int, flash);
        QFETCH(bool, tabs);
        TestFolder folder(false);
        writeAll(SettingsPath(), "[main]\n" + line + "\n");
        ReadSettings();
        QCOMPARE(AppSettings().FlashInterval, flash);
        QCOMPARE(AppSettings().WantTabs, tabs);
    }

    void handWrittenFileKeepsItsOtherLines() {
        TestFolder folder(false);
        const QByteArray prefix = "Caf\xe9 & co ; not a comment"; // Latin-1, not UTF-8
        writeAll(SettingsPath(), "; kept comment\n[main]\nCOLOUR=blue\nPREFIX=" + prefix +
                                     "\nDBVN=703\n; note on the archive\nARCHIVEID=5\n\n"
                                     "[elsewhere]\nX=1\n");
        ReadSettings();
        QCOMPARE(AppSettings().Dbvn, 703);
        QCOMPARE(AppSettings().ArchiveId, ItemId(5));
        AppSettings().Dbvn = 800;
        WriteSettings();

        const QByteArray text = readAll(SettingsPath());
        QVERIFY2(text.contains("\nPREFIX=" + prefix + "\n"), text.constData());
        QVERIFY(text.startsWith("; kept comment\n"));
        QVERIFY(text.contains("; note on the archive\nARCHIVEID=5\n"));
        QVERIFY(text.contains("[elsewhere]\nX=1\n"));
        QVERIFY(text.contains("DBVN=800\n"));
        QVERIFY(!text.contains("DBVN=703"));
        // Existing keys keep their places; the missing ones follow in the usual order.
        QStringList keys = keysInOrder(text);
        QCOMPARE(keys.mid(0, 4), QStringList({"COLOUR", "PREFIX", "DBVN", "ARCHIVEID"}));
        QCOMPARE(keys.mid(4),
                 QStringList({"WANTTABS", "DIARYID", "FLASHINTERVAL", "SHOWLINKCOUNTS", "X"}));

        // Read again, the prefix is the same text and survives a second write unchanged.
        ReadSettings();
        WriteSettings();
        QCOMPARE(readAll(SettingsPath()), text);
    }

    void unwritableOrMissingFileIsNotReported() {
        TestFolder folder(false);
        if (::geteuid() == 0) {
            // Permission bits do not stop root; a data folder that is a plain file does.
            SetSettingsFile(folder.Path() + "NOTAFOLDER/PHONEBK.INI");
            writeAll(folder.Path() + "NOTAFOLDER", "x");
        } else {
            QVERIFY(QFile::setPermissions(folder.DataPath(), QFile::ReadOwner | QFile::ExeOwner));
        }
        WriteSettings(); // neither throws nor asks
        QVERIFY(!QFileInfo::exists(SettingsFile()));
        QVERIFY(!WriteSettingsTo(SettingsFile(), AppSettings()));
        QFile::setPermissions(folder.DataPath(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        // With no settings path at all, writing and reading leave the values alone.
        SetSettingsFile(QString());
        AppSettings().Dbvn = 1;
        WriteSettings();
        ReadSettings();
        QCOMPARE(AppSettings().Dbvn, 1);
        QVERIFY(!QFileInfo::exists(SettingsPath()));
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "TestSettings.moc"
