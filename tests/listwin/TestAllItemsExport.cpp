#include "support/ItemFixture.h"

#include "common/Clock.h"
#include "common/Settings.h"
#include "common/WorkProgress.h"
#include "listwin/AllItemsExport.h"
#include "listwin/TFAddsBk.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFolder.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {
QStringList EntriesIn(const QString& folder) {
    QStringList entries;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        entries << QDir(folder).relativeFilePath(it.next());
    entries.sort();
    return entries;
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Items for an export to be long: more than a clock reading's worth of progress notes.
void MakeManyItems(int count) {
    Transaction t;
    for (int i = 0; i < count; ++i)
        MakeItem(QStringLiteral("item %1").arg(i), ItemId(), QString(),
                 QStringLiteral("text %1").arg(i));
    t.Commit();
}
} // namespace

// Export > All items to a file... and All items as Markdown... in the list window: the target
// chosen through the file-choice seam, every item written whatever the list shows, the outcome
// told; Cancel and Esc leave nothing on disk.
class TestAllItemsExport : public QObject {
    Q_OBJECT
private slots:
    void cleanup() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isModal() && w->isVisible())
                w->close();
        ResetAllState();
    }

    // Both forms hold every item (hidden ones and the archive's branch too, marked) and the
    // links, in the file or folder chosen; the dialog asks for the right kind of target and the
    // outcome is flashed.
    void writesEveryItemInEachForm() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId archive = MakeItem("Archive");
        const ItemId old = MakeItem("Old", archive);
        SetField(archive, "numchildren", 1);
        const ItemId hider = MakeItem("Private");
        const ItemId secret = MakeItem("Secret", hider);
        MakeHider(hider, {secret});
        LinkAcrossRows(old, secret, "see");
        AppSettings().ArchiveId = archive;
        const int items = Scalar("SELECT count(*) FROM phonebk").toInt();
        QTemporaryDir out;

        const QString file = out.filePath("all.jsonl");
        dialogs.AnswerFile(file);
        QVERIFY(RunAllItemsExport(ExportFormat::JsonLines));
        QCOMPARE(dialogs.Calls.first().kind, QString("file"));
        QCOMPARE(dialogs.Calls.first().caption, AllItemsExportCaption(ExportFormat::JsonLines));
        QCOMPARE(dialogs.Calls.first().extra, (QStringList{"JSON Lines files (*.jsonl)", "jsonl"}));
        const QList<QByteArray> lines = ReadAll(file).split('\n');
        QCOMPARE(lines.size(), 1 + items + 2 + 1); // the header, the items, the links, the end
        QVERIFY(lines.first().contains(
            QStringLiteral("\"archiveid\":%1").arg(archive.Value()).toUtf8()));
        QCOMPARE(dialogs.Flashes(), QStringList{"All items exported to " + file});

        dialogs.ClearCalls();
        const QString notes = out.filePath("notes");
        dialogs.AnswerFile(notes);
        QVERIFY(RunAllItemsExport(ExportFormat::Markdown));
        QCOMPARE(dialogs.Calls.first().caption, AllItemsExportCaption(ExportFormat::Markdown));
        const QStringList entries = EntriesIn(notes);
        QCOMPARE(entries.filter(QRegularExpression("\\.md$")).size(), items);
        for (const char* entry :
             {"Archive/Old.md", "Archive/index.md", "Private/Secret.md", "Private/index.md"})
            QVERIFY2(entries.contains(entry), entry);
        QVERIFY(ReadAll(notes + "/Archive/Old.md").contains("\narchived: true\n"));
        const QByteArray secretFile = ReadAll(notes + "/Private/Secret.md");
        QVERIFY(secretFile.contains("\nhidden: true\n"));
        QVERIFY(secretFile.contains("  - link: \"[Old](../Archive/Old.md)\"\n    note: \"see\"\n"));
        QCOMPARE(dialogs.Flashes(), QStringList{"All items exported to " + notes});
        QCOMPARE(dialogs.PendingAnswers(), 0);
    }

    // Cancel in the dialog writes nothing and says nothing more; a target the export refuses
    // (a folder with something in it) is told with the reason and left as it was.
    void cancelAndRefusal() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        MakeItem("One");
        QTemporaryDir out;
        for (ExportFormat format : {ExportFormat::JsonLines, ExportFormat::Markdown}) {
            dialogs.AnswerCancelChoice();
            QVERIFY(!RunAllItemsExport(format));
        }
        QCOMPARE(dialogs.Calls.size(), 2);
        QCOMPARE(EntriesIn(out.path()), QStringList());

        const QString full = out.filePath("full");
        QVERIFY(QDir().mkdir(full));
        QFile keep(full + "/keep.txt");
        QVERIFY(keep.open(QIODevice::WriteOnly));
        keep.close();
        dialogs.ClearCalls();
        dialogs.AnswerFile(full);
        QVERIFY(!RunAllItemsExport(ExportFormat::Markdown));
        QCOMPARE(dialogs.Infos().size(), 1);
        QVERIFY2(dialogs.Infos().first().contains("is not empty"),
                 qPrintable(dialogs.Infos().first()));
        QCOMPARE(EntriesIn(out.path()), (QStringList{"full", "full/keep.txt"}));
    }

    // From the window's Export menu: a long export shows its progress in the status line and
    // Esc, pressed while it runs, stops it; neither the file nor the folder nor anything beside
    // them is left, and the flash says so. Run again without Esc, the same command writes.
    void escInTheWindowLeavesNothing() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        MakeManyItems(1500);
        TFAddsBk w;
        w.show();
        QApplication::setActiveWindow(&w);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QTemporaryDir out;
        struct Case {
            const char* Action;
            const char* Target;
        };
        for (const Case& c :
             {Case{"AllItemsToFile1", "all.jsonl"}, Case{"AllItemsAsMarkdown1", "notes"}}) {
            QAction* action = w.findChild<QAction*>(c.Action);
            QVERIFY(action);
            QVERIFY(w.Export1->actions().contains(action));
            const QString target = out.filePath(c.Target);
            dialogs.ClearCalls();
            dialogs.AnswerFile(target);
            QDateTime now(QDate(2024, 6, 1), QTime(9, 0));
            SetClockForTesting([&now] { return now = now.addSecs(1); });
            QString progress;
            QTimer::singleShot(0, &w, [&] {
                progress = w.Label4->text();
                QTest::keyClick(w.Edit1, Qt::Key_Escape);
            });
            action->trigger();
            SetClockForTesting({});
            QVERIFY2(progress.startsWith("Exporting: ") && progress.endsWith("% - Esc to stop"),
                     qPrintable(progress));
            QCOMPARE(w.Label4->text(), QString());
            QCOMPARE(EntriesIn(out.path()), QStringList());
            QCOMPARE(dialogs.Flashes(),
                     QStringList{"Export stopped: nothing was written to " + target});
            QVERIFY(w.isVisible()); // Esc did not run the window's own Esc

            dialogs.ClearCalls();
            dialogs.AnswerFile(target);
            action->trigger();
            QCOMPARE(dialogs.Flashes(), QStringList{"All items exported to " + target});
            QVERIFY(QFileInfo::exists(target));
            QVERIFY(QDir(out.path()).removeRecursively());
            QVERIFY(QDir().mkpath(out.path()));
        }
    }

    // Without a window, Esc comes through the progress hooks: the Markdown export stopped after
    // some files were written leaves no folder, and no half-built one beside it.
    void stoppedMarkdownLeavesNoPartialFolder() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        MakeManyItems(1500);
        QTemporaryDir out;
        QDateTime now(QDate(2024, 6, 1), QTime(9, 0));
        SetClockForTesting([&now] { return now = now.addSecs(1); });
        int polls = 0;
        SetWorkProgressHooks({[](const QString&) {}, [&polls] { return ++polls == 3; }});
        dialogs.AnswerFile(out.filePath("notes"));
        QVERIFY(!RunAllItemsExport(ExportFormat::Markdown));
        QCOMPARE(polls, 3);
        QCOMPARE(EntriesIn(out.path()), QStringList());
        QCOMPARE(dialogs.Flashes().size(), 1);
        QVERIFY(dialogs.Flashes().first().startsWith("Export stopped"));
    }
};

QTEST_MAIN(TestAllItemsExport)
#include "TestAllItemsExport.moc"
