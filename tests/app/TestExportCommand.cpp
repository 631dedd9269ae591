#include "support/ItemFixture.h"

#include "common/Folders.h"
#include "common/Settings.h"
#include "common/SingleInstanceGuard.h"
#include "support/RunCardolo.h"
#include "support/TestFolder.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {
using Outcome = CardoloOutcome;

Outcome Cardolo(const QStringList& args) {
    return RunCardolo(args);
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
} // namespace

// cardolo --export FILE.jsonl and --restore-jsonl FILE.jsonl: an export next to a running
// program (its lock held, its database open), a restore into a new folder that the checks find
// clean and that exports to the same bytes, and the refusals, which leave every file as it was.
class TestExportCommand : public QObject {
    Q_OBJECT
private slots:
    void exportAndRestoreBesideARunningProgram() {
        TestFolder folder;
        const ItemId parent = MakeItem("Parent", ItemId(), "ref", "line one\r\nline two\r\n");
        MakeItem("Child", parent);
        SetField(parent, "numchildren", 1);
        LinkAcrossRows(ItemId(1), parent, "note");
        SetField(ItemId(1), "numcousins", 1);
        SetField(parent, "numcousins", 1);
        QString error;
        QCOMPARE(SingleInstanceGuard::Acquire(LockFilePath(), &error),
                 SingleInstanceGuard::Result::Acquired);
        const QString file = folder.Path() + "all.jsonl";
        Outcome r = Cardolo({"--folder", folder.Path(), "--export", file});
        QVERIFY2(r.Code == 0, r.Err.constData());
        const QByteArray exported = ReadAll(file);
        QCOMPARE(exported.count('\n'), 1 + 3 + 2);
        QVERIFY(exported.contains("\"text\":\"line one\\r\\nline two\\r\\n\""));

        QTemporaryDir other;
        r = Cardolo({"--folder", other.path(), "--restore-jsonl", file});
        QVERIFY2(r.Code == 0, r.Err.constData());
        QCOMPARE(r.Out, QByteArray("3 items, 2 links restored\n"));
        const Settings s = ReadSettingsFrom(other.path() + "/DATA/PHONEBK.INI");
        QCOMPARE(s.DiaryId, ItemId(0));
        QCOMPARE(s.Dbvn, 1100);
        r = Cardolo({"--folder", other.path(), "--check", "--counts"});
        QVERIFY2(r.Code == 0, r.Out + r.Err);
        const QString again = other.path() + "/again.jsonl";
        r = Cardolo({"--folder", other.path(), "--export", again});
        QVERIFY2(r.Code == 0, r.Err.constData());
        QCOMPARE(ReadAll(again), exported);

        // Into a folder whose database holds items of the user's own: refused, nothing changed.
        const QByteArray before = ReadAll(other.path() + "/DATA/cardolo.db");
        r = Cardolo({"--folder", other.path(), "--restore-jsonl", file});
        QCOMPARE(r.Code, 1);
        QVERIFY2(r.Err.contains("holds items of your own"), r.Err.constData());
        QCOMPARE(ReadAll(other.path() + "/DATA/cardolo.db"), before);
    }

    // --export DIR --format markdown beside a running program: the folder of files, the archive
    // named by the folder's settings marked; a second run into the folder now full is refused
    // and changes nothing.
    void markdownBesideARunningProgram() {
        TestFolder folder;
        const ItemId archive = MakeItem("Archive");
        const ItemId old = MakeItem("Old plans", archive, "r1", "one\r\ntwo");
        SetField(archive, "numchildren", 1);
        Settings settings;
        settings.ArchiveId = archive;
        QVERIFY(WriteSettingsTo(SettingsPath(), settings));
        QString error;
        QCOMPARE(SingleInstanceGuard::Acquire(LockFilePath(), &error),
                 SingleInstanceGuard::Result::Acquired);
        QTemporaryDir out;
        const QString target = out.filePath("notes");
        Outcome r =
            Cardolo({"--folder", folder.Path(), "--export", target, "--format", "markdown"});
        QVERIFY2(r.Code == 0, r.Err.constData());
        const QByteArray file = ReadAll(target + "/Archive/Old plans.md");
        QVERIFY2(file.startsWith("---\nid: " + QByteArray::number(old.Value()) + "\n"),
                 file.constData());
        QVERIFY(file.contains("\narchived: true\n"));
        QVERIFY(file.endsWith("---\n\none\ntwo\n"));
        QVERIFY(ReadAll(target + "/Archive/index.md").contains("\narchived: true\n"));

        r = Cardolo({"--folder", folder.Path(), "--export", target, "--format", "markdown"});
        QCOMPARE(r.Code, 1);
        QVERIFY2(r.Err.contains("is not empty"), r.Err.constData());
        QCOMPARE(QDir(out.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList{"notes"});
    }

    // A file cut off or edited by hand: the line and the reason on standard error, exit code 1,
    // and no database left behind; a file that does not exist, and a missing value.
    void refusals() {
        QTemporaryDir dir;
        const QString file = dir.path() + "/cut.jsonl";
        QFile cut(file);
        QVERIFY(cut.open(QIODevice::WriteOnly));
        cut.write("{\"format\":\"cardolo-export\",\"version\":1,\"program\":\"12.0\",\"diaryid\":1,"
                  "\"archiveid\":0,\"items\":1,\"links\":0}\n{\"type\":\"item\",\"id\":1,\"na");
        cut.close();
        const QString program = dir.path() + "/program";
        QVERIFY(QDir().mkpath(program));
        Outcome r = Cardolo({"--folder", program, "--restore-jsonl", file});
        QCOMPARE(r.Code, 1);
        QVERIFY2(r.Err.contains("Line 2: the line is cut off"), r.Err.constData());
        QCOMPARE(QDir(program + "/DATA").entryList({"cardolo*"}, QDir::Files), QStringList());

        r = Cardolo({"--folder", program, "--restore-jsonl", dir.path() + "/none.jsonl"});
        QCOMPARE(r.Code, 1);
        r = Cardolo({"--folder", program, "--export"});
        QCOMPARE(r.Code, 2);
        QVERIFY(r.Err.startsWith("cardolo: --export needs the name of the file to write"));
    }
};

QTEST_GUILESS_MAIN(TestExportCommand)
#include "TestExportCommand.moc"
