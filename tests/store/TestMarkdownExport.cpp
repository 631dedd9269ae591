#include "support/ItemFixture.h"

#include "common/Clock.h"
#include "common/Folders.h"
#include "store/MarkdownExport.h"
#include "store/MarkdownLayout.h"
#include "support/GenerateItems.h"
#include "support/TestFolder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

namespace {
QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Every file below folder, by its path relative to it.
QHash<QString, QByteArray> FilesBelow(const QString& folder) {
    QHash<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(QDir(folder).relativeFilePath(path), ReadAll(path));
    }
    return files;
}

// The entries beside folder (its parent's), other than the database's own folder.
QStringList Beside(const QString& folder) {
    QDir parent = QFileInfo(folder).dir();
    return parent.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

using Item = MarkdownLayout::Item;
Item Row(qint64 id, qint64 parent, const QString& name, qint64 rank = 0) {
    Item item;
    item.Id = id;
    item.Parent = parent;
    item.Rank = rank;
    item.Name = name;
    return item;
}

// The ids of the files, and the files' links across: each "link:" line's path resolved from
// the file's folder, in the order written.
struct ExportedFolder {
    QHash<qint64, QString> FileOfId;
    QHash<QString, QStringList> LinksOfFile;
    int Files = 0;
};
ExportedFolder ReadExport(const QString& folder) {
    ExportedFolder read;
    static const QRegularExpression idLine(QStringLiteral("^id: (\\d+)$"),
                                           QRegularExpression::MultilineOption);
    static const QRegularExpression linkLine(QStringLiteral("^  - link: \".*\\]\\(([^)]*)\\)\"$"),
                                             QRegularExpression::MultilineOption);
    const QHash<QString, QByteArray> files = FilesBelow(folder);
    for (auto it = files.begin(); it != files.end(); ++it) {
        ++read.Files;
        const QString text = QString::fromUtf8(it.value());
        const int end = int(text.indexOf(QStringLiteral("\n---\n")));
        const QString front = text.left(end);
        const QString id = idLine.match(front).captured(1);
        read.FileOfId.insert(id.toLongLong(), it.key());
        QStringList links;
        for (const auto& m : linkLine.globalMatch(front)) {
            const QString path = QUrl::fromPercentEncoding(m.captured(1).toLatin1());
            links << QDir::cleanPath(QFileInfo(it.key()).path() + QLatin1Char('/') + path);
        }
        read.LinksOfFile.insert(it.key(), links);
    }
    return read;
}
} // namespace

// Every item as a Markdown file in folders that follow the links down: where each item goes,
// also in a damaged file, what each file says, and the folder made whole or not at all beside
// a running program.
class TestMarkdownExport : public QObject {
    Q_OBJECT
private slots:
    void init() {
        SetClockForTesting([] { return QDateTime(QDate(2024, 5, 17), QTime(9, 5)); });
    }
    void cleanup() { ResetAllState(); }

    // Folders follow the links down; the items of a loop of parents, an item whose parent is
    // missing and a hider go to the top and say why; items of the archive's branch and those
    // a hider hides are marked; names clash in no folder, index.md included.
    void layoutOfADamagedFile() {
        std::vector<Item> items{
            Row(1, 0, "Diary"),    Row(2, 3, "Loop A"),         Row(3, 4, "Loop B"),
            Row(4, 2, "Loop C"),   Row(5, 3, "Below the loop"), Row(6, 99, "Orphan"),
            Row(7, 7, "Hider", 7), Row(8, 7, "Hidden", 7),      Row(9, 0, "Archive"),
            Row(10, 9, "Old"),     Row(11, 10, "Older"),        Row(12, 9, "index"),
            Row(13, 9, "INDEX"),   Row(14, 0, "ARCHIVE"),       Row(15, 15, "Hider two", 15),
            Row(17, 14, "Inside"),
        };
        Item nullParent = Row(16, 0, "No parent at all");
        nullParent.NullParent = true;
        items.push_back(nullParent);
        const MarkdownLayout layout(items, 9);
        using P = MarkdownLayout::Placed;
        const auto at = [&](qint64 id) { return layout.IndexOf(id); };
        QCOMPARE(layout.PlacedAs(at(1)), P::Top);
        for (qint64 id : {2, 3, 4})
            QCOMPARE(layout.PlacedAs(at(id)), P::ParentLoop);
        QCOMPARE(layout.PlacedAs(at(5)), P::Below);
        QCOMPARE(layout.PlacedAs(at(6)), P::ParentMissing);
        QCOMPARE(layout.PlacedAs(at(16)), P::ParentMissing);
        QCOMPARE(layout.PlacedAs(at(7)), P::SelfLinked);
        QCOMPARE(layout.IndexOf(99), -1);

        QCOMPARE(layout.FilePath(at(2)), QString("Loop A.md"));
        QCOMPARE(layout.FilePath(at(3)), QString("Loop B/index.md"));
        QCOMPARE(layout.FilePath(at(5)), QString("Loop B/Below the loop.md"));
        QCOMPARE(layout.FilePath(at(7)), QString("Hider/index.md"));
        QCOMPARE(layout.FilePath(at(8)), QString("Hider/Hidden.md"));
        QCOMPARE(layout.FilePath(at(10)), QString("Archive/Old/index.md"));
        QCOMPARE(layout.FilePath(at(11)), QString("Archive/Old/Older.md"));
        // index.md is the folder's own; the first "index" is the next, case apart.
        QCOMPARE(layout.FilePath(at(9)), QString("Archive/index.md"));
        QCOMPARE(layout.FilePath(at(12)), QString("Archive/index (12).md"));
        QCOMPARE(layout.FilePath(at(13)), QString("Archive/INDEX (13).md"));
        // Folders clash as files do: "ARCHIVE" is "Archive" to a file system that ignores case.
        QCOMPARE(layout.FilePath(at(14)), QString("ARCHIVE (14)/index.md"));
        QStringList folders;
        for (int k = 0; k < layout.FolderCount(); ++k)
            folders << layout.FolderPath(k);
        QCOMPARE(folders,
                 (QStringList{"Loop B", "Hider", "Archive", "ARCHIVE (14)", "Archive/Old"}));

        for (qint64 id : {9, 10, 11, 12, 13})
            QVERIFY(layout.Archived(at(id)));
        for (qint64 id : {1, 7, 14})
            QVERIFY(!layout.Archived(at(id)));
        for (qint64 id : {7, 8, 15})
            QVERIFY(layout.Hidden(at(id)));
        QVERIFY(!layout.Hidden(at(5)));

        QCOMPARE(layout.RelativeLink(at(11), at(5)), QString("../../Loop B/Below the loop.md"));
        QCOMPARE(layout.RelativeLink(at(5), at(11)), QString("../Archive/Old/Older.md"));
        QCOMPARE(layout.RelativeLink(at(10), at(11)), QString("Older.md"));
        QCOMPARE(layout.RelativeLink(at(11), at(10)), QString("index.md"));
        QCOMPARE(layout.RelativeLink(at(9), at(1)), QString("../Diary.md"));
        QCOMPARE(layout.RelativeLink(at(1), at(1)), QString("Diary.md"));
    }

    // A chain of parents far deeper than any real tree and a loop of many items are placed at
    // once, each item walked once: nothing recurses or goes round for ever.
    void longChainsAndLoops() {
        const int n = 20000;
        std::vector<Item> items;
        for (int i = 1; i <= n; ++i)
            items.push_back(Row(i, i - 1, "Chain"));
        for (int i = n + 1; i <= 2 * n; ++i)
            items.push_back(Row(i, i == 2 * n ? n + 1 : i + 1, "Loop"));
        const MarkdownLayout layout(items, 0);
        QCOMPARE(layout.FolderCount(), n - 1);
        QCOMPARE(layout.PlacedAs(layout.IndexOf(n)), MarkdownLayout::Placed::Below);
        for (int i = n + 1; i <= 2 * n; ++i)
            QVERIFY(layout.PlacedAs(layout.IndexOf(i)) == MarkdownLayout::Placed::ParentLoop);
        QVERIFY(layout.FilePath(layout.IndexOf(3)).startsWith("Chain/Chain/Chain/index.md"));
        QCOMPARE(layout.FilePath(layout.IndexOf(2 * n)), QString("Loop (%1).md").arg(2 * n));
    }

    // What a file holds: the front matter (the title, Ref, stamps, marks and the links across
    // with their notes as links relative to the file), then the text with LF line ends.
    void filesSayWhatTheItemHolds() {
        TestFolder folder;
        const ItemId people = MakeItem("People");
        const ItemId anna =
            MakeItem("Smith, Anna", people, "0123 \"456\"", "line one\r\nline two\rline three");
        const ItemId ben =
            MakeItem("Okafor [Ben]", ItemId(), QString(), QString("tab\there\u2028"));
        LinkAcrossRows(anna, ben, "met at the fair");
        LinkAcrossRows(anna, people);
        Exec("INSERT INTO mm2 (id1, id2, linknote, \"drop\") VALUES (?, 999, 'gone', 0)",
             {IdToDb(ben)});
        SetField(anna, "createdts", "2024-05-17 09:05:00.000");
        SetField(anna, "editts", "2024-05-18 10:00:30.250");
        SetField(ben, "createdts", "yesterday");
        SetField(ben, "editts", QVariant());
        const ItemId hider = MakeItem("Private");
        const ItemId secret = MakeItem("Secret", hider);
        MakeHider(hider, {secret});
        const ItemId archive = MakeItem("Archive");
        MakeItem("Old plans", archive);

        QTemporaryDir out;
        const QString target = out.filePath("notes");
        MarkdownExported exported;
        QString error;
        QVERIFY2(ExportMarkdown(DatabasePath(), target, archive, exported, error),
                 qPrintable(error));
        QCOMPARE(exported.Items, 8);
        QCOMPARE(exported.Folders, 3);
        const QHash<QString, QByteArray> files = FilesBelow(target);
        QCOMPARE(files.size(), 8);
        QCOMPARE(files.value("People/Smith, Anna.md"),
                 QByteArray("---\n"
                            "id: 3\n"
                            "title: \"Smith, Anna\"\n"
                            "ref: \"0123 \\\"456\\\"\"\n"
                            "created: 2024-05-17T09:05:00\n"
                            "edited: 2024-05-18T10:00:30\n"
                            "links:\n"
                            "  - link: \"[People](index.md)\"\n"
                            "  - link: \"[Okafor \\\\[Ben\\\\]](../Okafor%20%5BBen%5D.md)\"\n"
                            "    note: \"met at the fair\"\n"
                            "---\n"
                            "\n"
                            "line one\nline two\nline three\n"));
        QCOMPARE(files.value("Okafor [Ben].md"),
                 QByteArray("---\n"
                            "id: 4\n"
                            "title: \"Okafor [Ben]\"\n"
                            "created: \"yesterday\"\n"
                            "links:\n"
                            "  - link: \"[Smith, Anna](People/Smith%2C%20Anna.md)\"\n"
                            "    note: \"met at the fair\"\n"
                            "  - missing: 999\n"
                            "    note: \"gone\"\n"
                            "---\n"
                            "\n"
                            "tab\there\xE2\x80\xA8\n"));
        QVERIFY(files.value("Private/index.md").contains("\nhidden: true\nhider: true\n"));
        QVERIFY(files.value("Private/Secret.md").contains("\nhidden: true\nhidden_by: 5\n"));
        QVERIFY(files.value("Archive/index.md").contains("\narchived: true\n"));
        QVERIFY(files.value("Archive/Old plans.md").contains("\narchived: true\n"));
        QVERIFY(!files.value("People/index.md").contains("archived"));
        // An item without a text ends with its front matter.
        QVERIFY(files.value("People/index.md").endsWith("\n---\n"));
        QCOMPARE(Beside(target), QStringList{"notes"});
    }

    // A folder that exists must be empty: an empty one is filled, one with anything in it (or a
    // file of that name) is refused and left as it was. Stopped halfway, the export leaves
    // nothing behind.
    void wholeOrNothing() {
        TestFolder folder;
        for (int i = 0; i < 50; ++i)
            MakeItem(QStringLiteral("Item %1").arg(i));
        QTemporaryDir out;
        MarkdownExported exported;
        QString error;

        const QString empty = out.filePath("empty");
        QVERIFY(QDir().mkdir(empty));
        QVERIFY2(ExportMarkdown(DatabasePath(), empty, ItemId(0), exported, error),
                 qPrintable(error));
        QCOMPARE(FilesBelow(empty).size(), 51);

        const QString full = out.filePath("full");
        QVERIFY(QDir().mkdir(full));
        QFile hidden(full + "/.keep");
        QVERIFY(hidden.open(QIODevice::WriteOnly));
        hidden.close();
        QVERIFY(!ExportMarkdown(DatabasePath(), full, ItemId(0), exported, error));
        QVERIFY2(error.contains("is not empty"), qPrintable(error));
        QCOMPARE(QDir(full).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{".keep"});

        const QString file = out.filePath("file");
        QFile plain(file);
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        QVERIFY(!ExportMarkdown(DatabasePath(), file, ItemId(0), exported, error));
        QVERIFY2(error.contains("is not a folder"), qPrintable(error));

        QVERIFY(!ExportMarkdown(DatabasePath(), out.filePath("none/below"), ItemId(0), exported,
                                error));
        QVERIFY2(error.contains("does not exist"), qPrintable(error));

        const QStringList before = Beside(out.filePath("x"));
        int heard = 0;
        QVERIFY(!ExportMarkdown(DatabasePath(), out.filePath("stopped"), ItemId(0), exported, error,
                                [&heard](qint64 done, qint64 total) {
                                    ++heard;
                                    return !(done == 20 && total == 51);
                                }));
        QCOMPARE(error, QString("Stopped"));
        QCOMPARE(heard, 20);
        QCOMPARE(Beside(out.filePath("x")), before);
    }

    // Beside a running program (its database open, writing meanwhile) the export is of the
    // file as it was when the export began.
    void readsOneSnapshot() {
        TestFolder folder;
        MakeItem("Before");
        QTemporaryDir out;
        MarkdownExported exported;
        QString error;
        bool wrote = false;
        QVERIFY2(ExportMarkdown(DatabasePath(), out.filePath("notes"), ItemId(0), exported, error,
                                [&wrote](qint64, qint64) {
                                    if (!wrote)
                                        MakeItem("Written meanwhile");
                                    wrote = true;
                                    return true;
                                }),
                 qPrintable(error));
        QVERIFY(wrote);
        QCOMPARE(Scalar("SELECT count(*) FROM phonebk").toInt(), 3);
        QCOMPARE(FilesBelow(out.filePath("notes")).keys().size(), 2);
        QVERIFY(!QFile::exists(out.filePath("notes/Written meanwhile.md")));
    }

    // A generated database of many items, with names that clash and names no file system
    // takes as they are, a hider, a loop and a missing parent: exactly one file per item, and
    // every link across points at the file of the item it links to.
    void generatedDatabaseHasAFilePerItemAndNoBrokenLink() {
        TestFolder folder;
        ItemsShape shape;
        shape.ItemCount = 3000;
        shape.TopLevelCount = 30;
        shape.BigBranchItems = 1200;
        shape.BigParentChildren = 150;
        shape.LinksAcross = 900;
        shape.MaxTextChars = 300;
        const GeneratedItems made = GenerateItems(shape);
        const ItemId parent = made.Parents.front();
        QList<ItemId> odd;
        for (const QString& name :
             {QString("Smith"), QString("smith"), QString("SMITH "), QString("a/b"), QString("a:b"),
              QString("CON"), QString("con"), QString(""), QString("..."), QString(200, 'x'),
              QString(200, 'x') + "y", QString("index"), QString("Caf\u00e9"),
              QString("Cafe\u0301")})
            odd << MakeItem(name, parent);
        for (int i = 1; i < odd.size(); ++i)
            LinkAcrossRows(odd[i - 1], odd[i], "next");
        LinkAcrossRows(odd.front(), made.Leaves.front(), "far");
        const ItemId loopA = MakeItem("Loop");
        const ItemId loopB = MakeItem("Loop", loopA);
        SetField(loopA, "parent", IdToDb(loopB));
        LinkAcrossRows(loopB, odd.back());
        const ItemId orphan = MakeItem("Orphan");
        SetField(orphan, "parent", 123456789);
        const ItemId hider = MakeItem("Hider", made.Parents.back());
        MakeHider(hider, {MakeItem("Hidden", hider)});

        QTemporaryDir out;
        const QString target = out.filePath("export");
        MarkdownExported exported;
        QString error;
        QVERIFY2(ExportMarkdown(DatabasePath(), target, ItemId(0), exported, error),
                 qPrintable(error));
        const int items = Scalar("SELECT count(*) FROM phonebk").toInt();
        QCOMPARE(exported.Items, items);
        const ExportedFolder read = ReadExport(target);
        QCOMPARE(read.Files, items);
        QCOMPARE(read.FileOfId.size(), items);

        // The links of each item in key order, each resolved to the linked item's file.
        QSqlQuery q(PhoneDB());
        QVERIFY(q.exec("SELECT id1, id2 FROM mm2 ORDER BY id1, id2, \"drop\""));
        QHash<qint64, QStringList> expected;
        int links = 0;
        while (q.next()) {
            expected[q.value(0).toLongLong()] << read.FileOfId.value(q.value(1).toLongLong());
            ++links;
        }
        QVERIFY(links > 1800);
        for (auto it = read.FileOfId.begin(); it != read.FileOfId.end(); ++it)
            QVERIFY2(read.LinksOfFile.value(it.value()) == expected.value(it.key()),
                     qPrintable(it.value()));
        const auto fileOf = [&](ItemId id) {
            return ReadAll(target + "/" + read.FileOfId.value(id.Value()));
        };
        QVERIFY(fileOf(loopA).contains("\nparent_loop: true\n"));
        QVERIFY(fileOf(loopB).contains("\nparent_loop: true\n"));
        QVERIFY(fileOf(orphan).contains("\nparent_missing: 123456789\n"));
        QVERIFY(!read.FileOfId.value(orphan.Value()).contains('/'));
        // Every name fits the limit, and no two entries of a folder differ only in case.
        QSet<QString> folded;
        QDirIterator all(target, QDir::AllEntries | QDir::NoDotAndDotDot,
                         QDirIterator::Subdirectories);
        // A name any common file system takes: none of the characters one refuses, no dot or
        // blank at its end, no hiding dot at its start, no device name before an extension.
        static const QRegularExpression refused(
            QStringLiteral(
                "[<>:\"\\\\|?*\\x00-\\x1f]|[. ]$|^\\.|^(con|prn|aux|nul|com\\d|lpt\\d)(\\.|$)"),
            QRegularExpression::CaseInsensitiveOption);
        while (all.hasNext()) {
            const QString path = QDir(target).relativeFilePath(all.next());
            QVERIFY2(QFileInfo(path).fileName().toUtf8().size() <= 100, qPrintable(path));
            QVERIFY2(!refused.match(QFileInfo(path).fileName()).hasMatch(), qPrintable(path));
            QVERIFY2(!folded.contains(path.toCaseFolded()), qPrintable(path));
            folded.insert(path.toCaseFolded());
        }
    }
};

QTEST_GUILESS_MAIN(TestMarkdownExport)
#include "TestMarkdownExport.moc"
