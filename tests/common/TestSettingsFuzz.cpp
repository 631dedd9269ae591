#include "common/Settings.h"
#include "support/FuzzInput.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// PHONEBK.INI as anyone may leave it: good files changed at random and random bytes. Every
// read returns, and what it gives is each key's default or a value the file holds; a file the
// program then writes its settings into reads back with those settings, and a file it cannot
// read is left as it was.
class TestSettingsFuzz : public QObject {
    Q_OBJECT

private slots:
    void readsAnyFileSoundly();
};

namespace {

// Why value is not a sound reading of the key in the file: empty when it is the default or the
// number on a line of the key.
QString NumberFault(const QByteArray& file, const char* key, int value, int defaultValue) {
    if (value == defaultValue || IniLineHoldsNumber(file, key, value))
        return QString();
    return QStringLiteral("%1 is %2, a number no line of the key holds").arg(key).arg(value);
}

// Why a switch is not a sound reading: it is on only on a line of the key with a number other
// than 0.
QString SwitchFault(const QByteArray& file, const char* key, bool on) {
    if (!on || IniLineSaysOn(file, key))
        return QString();
    return QStringLiteral("%1 is on without a line of the key saying so").arg(key);
}

QString SettingsFault(const QByteArray& file, const Settings& s) {
    const Settings d;
    QStringList faults;
    faults << NumberFault(file, "DBVN", s.Dbvn, d.Dbvn)
           << NumberFault(file, "DIARYID", s.DiaryId.Value(), d.DiaryId.Value())
           << NumberFault(file, "FLASHINTERVAL", s.FlashInterval, d.FlashInterval)
           << NumberFault(file, "ARCHIVEID", s.ArchiveId.Value(), d.ArchiveId.Value());
    faults << SwitchFault(file, "WANTTABS", s.WantTabs)
           << SwitchFault(file, "SHOWLINKCOUNTS", s.ShowLinkCounts);
    // The prefix is the file's own bytes, read as UTF-8 or else as Latin-1.
    if (!s.Prefix.isEmpty() &&
        (!file.toUpper().contains("PREFIX") ||
         (!file.contains(s.Prefix.toUtf8()) && !file.contains(s.Prefix.toLatin1()))))
        faults << QStringLiteral("PREFIX \"%1\" is not in the file").arg(s.Prefix);
    faults.removeAll(QString());
    return faults.join(QStringLiteral("; "));
}

bool SameSettings(const Settings& a, const Settings& b) {
    return a.Prefix == b.Prefix && a.Dbvn == b.Dbvn && a.WantTabs == b.WantTabs &&
           a.DiaryId == b.DiaryId && a.FlashInterval == b.FlashInterval &&
           a.ShowLinkCounts == b.ShowLinkCounts && a.ArchiveId == b.ArchiveId;
}

} // namespace

void TestSettingsFuzz::readsAnyFileSoundly() {
    const QList<QByteArray> good{
        "[main]\nPREFIX=Caf\xc3\xa9\nDBVN=1100\nWANTTABS=1\nDIARYID=12\nFLASHINTERVAL=750\n"
        "SHOWLINKCOUNTS=1\nARCHIVEID=345\n",
        "; written by hand\r\n[other]\r\nKEY=value\r\n\r\n[main]\r\nprefix = Z\xf6\r\n"
        "dbvn= 704 \r\nArchiveId=-3\r\n[last]\r\nDBVN=9\r\n",
        "\xef\xbb\xbf[main]\nFLASHINTERVAL=+0250\nWANTTABS=0\nPREFIX=\nDIARYID=2147483647\n",
    };
    FuzzInput input(20241207, {"[", "]", "[main]", "\n[main]\n", "=", ";", "#", "PREFIX=", "DBVN=",
                               "\nARCHIVEID=", "FLASHINTERVAL", "<<<", "\\", "\""});
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("PHONEBK.INI"));
    Settings written;
    written.Prefix = QStringLiteral("Zo\u00eb \u4e2d");
    written.Dbvn = 1100;
    written.WantTabs = true;
    written.DiaryId = ItemId(41);
    written.FlashInterval = 300;
    written.ShowLinkCounts = true;
    written.ArchiveId = ItemId(77);

    QElapsedTimer clock;
    clock.start();
    int rewritten = 0, leftAlone = 0;
    for (int round = 0; round < 1500; ++round) {
        const QByteArray file = input.Next(good);
        QVERIFY(WriteFile(path, file));
        Settings read;
        {
            FuzzCallBound bound("TestSettingsFuzz read", round);
            read = ReadSettingsFrom(path);
        }
        const QString fault = SettingsFault(file, read);
        QVERIFY2(fault.isEmpty(), qPrintable(QStringLiteral("round %1: %2").arg(round).arg(fault)));

        // A write waits for the disk: every eighth file is written into.
        if (round % 8 != 0)
            continue;
        bool ok = false;
        {
            FuzzCallBound bound("TestSettingsFuzz write", round);
            ok = WriteSettingsTo(path, written);
        }
        if (ok) {
            ++rewritten;
            QVERIFY2(
                SameSettings(ReadSettingsFrom(path), written),
                qPrintable(
                    QStringLiteral("round %1: the settings written do not read back").arg(round)));
        } else {
            ++leftAlone;
            QVERIFY2(ReadFile(path) == file,
                     qPrintable(QStringLiteral("round %1: a file the program could not read was "
                                               "changed")
                                    .arg(round)));
        }
    }
    // Both kinds of file came up.
    QVERIFY(rewritten > 50);
    qInfo("%d files rewritten, %d left alone, in %lld ms", rewritten, leftAlone,
          static_cast<long long>(clock.elapsed()));
}

QTEST_GUILESS_MAIN(TestSettingsFuzz)
#include "TestSettingsFuzz.moc"
