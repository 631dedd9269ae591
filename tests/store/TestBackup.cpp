#include "support/ItemFixture.h"

#include "common/Folders.h"
#include "store/Backup.h"
#include "store/CopyReader.h"
#include "support/GarbledPage.h"
#include "support/TestFolder.h"

#include <QDir>
#include <QTest>

#include <sqlite3.h>

#include <atomic>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {
// count items of about a kilobyte of text each, enough for a copy of many steps.
void AddItems(int count, const QString& prefix = QStringLiteral("item")) {
    Transaction t;
    for (int i = 0; i < count; ++i)
        CreateItem(QStringLiteral("%1 %2").arg(prefix).arg(i), QString(),
                   QString(1000, QLatin1Char('a' + i % 26)));
    t.Commit();
}

QStringList FilesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

void WriteFile(const QString& path, const QByteArray& bytes = "x") {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

BackupOptions Quick() {
    BackupOptions options;
    options.PauseMs = 0;
    return options;
}
} // namespace

// The copy of the database: whole, consistent while other connections write, checked, and
// restorable; never left half made under its name; the cleanup of killed copies' files and the
// retention of the daily copies touching nothing else.
class TestBackup : public QObject {
    Q_OBJECT
private slots:
    // The copy opens on its own (one file, no log beside it), holds the source's pages and rows,
    // and put in place of the database (its log and shared-memory file removed) it is a working
    // database again, without what was written after it was made.
    void copyOpensHoldsTheRowsAndRestores() {
        TestFolder folder;
        AddItems(50);
        const QString digest = Scalar(ItemsDigestSql).toString();
        const QString pages = Scalar("PRAGMA page_count").toString();
        const QString copy = folder.Path() + "copy.db";
        QCOMPARE(BackupDatabase(DatabasePath(), copy, Quick()), BackupResult::Made);
        QCOMPARE(FilesIn(folder.Path()), QStringList{"copy.db"});
        {
            const CopyReader reader(copy);
            QCOMPARE(reader.Value("PRAGMA page_count"), pages);
            QCOMPARE(reader.Value("PRAGMA journal_mode"), QString("delete"));
            QCOMPARE(reader.Value("PRAGMA integrity_check"), QString("ok"));
            QCOMPARE(reader.Value(ItemsDigestSql), digest);
        }

        MakeItem("written after the copy");
        ClosePhoneDB();
        QFile::remove(DatabasePath() + "-wal");
        QFile::remove(DatabasePath() + "-shm");
        QVERIFY(QFile::remove(DatabasePath()));
        QVERIFY(QFile::copy(copy, DatabasePath()));
        QVERIFY(!OpenPhoneDB(DatabasePath()));
        QCOMPARE(Scalar(ItemsDigestSql).toString(), digest);
        // Its header is changed only once its layout is accepted, as the program's start does.
        QCOMPARE(Scalar("PRAGMA journal_mode").toString(), QString("delete"));
        EnsureIndexes();
        QCOMPARE(Scalar("PRAGMA journal_mode").toString(), QString("wal"));
        const ItemId id = MakeItem("written after the restore");
        QCOMPARE(TextField(id, "name"), QString("written after the restore"));
    }

    // A copy of many steps, with another connection committing between every two of them: each
    // commit goes through at once (no wait allowed), the copy is the database as it was when the
    // copy began, and it passes the engine's full check.
    void copyIsConsistentWhileAnotherConnectionWrites() {
        TestFolder folder;
        AddItems(400);
        const QString before = Scalar(ItemsDigestSql).toString();
        sqlite3* writer = nullptr;
        QCOMPARE(sqlite3_open_v2(QFile::encodeName(DatabasePath()).constData(), &writer,
                                 SQLITE_OPEN_READWRITE, nullptr),
                 SQLITE_OK);
        sqlite3_busy_timeout(writer, 0);
        int steps = 0;
        int refused = 0;
        // A copy that started over after each commit would never end.
        std::atomic<bool> endless{false};
        BackupOptions options = Quick();
        options.PagesPerStep = 4;
        options.Stop = &endless;
        options.AfterStep = [&](int, int) {
            endless = ++steps > 2000;
            const QByteArray sql =
                QStringLiteral("BEGIN IMMEDIATE; INSERT INTO phonebk (id, name, parent) "
                               "VALUES (%1, 'new', 0); UPDATE phonebk SET name = 'changed', "
                               "text = zeroblob(3000) WHERE id = %2; DELETE FROM phonebk "
                               "WHERE id = %3; COMMIT")
                    .arg(100000 + steps)
                    .arg(10 + steps)
                    .arg(200 + steps)
                    .toUtf8();
            if (sqlite3_exec(writer, sql.constData(), nullptr, nullptr, nullptr) != SQLITE_OK) {
                ++refused;
                sqlite3_exec(writer, "ROLLBACK", nullptr, nullptr, nullptr);
            }
        };
        const QString copy = folder.Path() + "copy.db";
        QCOMPARE(BackupDatabase(DatabasePath(), copy, options), BackupResult::Made);
        sqlite3_close(writer);
        QVERIFY2(steps > 20, qPrintable(QString::number(steps)));
        QCOMPARE(refused, 0);
        QVERIFY(Scalar(ItemsDigestSql).toString() != before);
        const CopyReader reader(copy);
        QCOMPARE(reader.Value("PRAGMA integrity_check"), QString("ok"));
        QCOMPARE(reader.Value(ItemsDigestSql), before);
    }

    // Stopped at a step or refused, a copy leaves no file under the copy's name and no
    // temporary file; an existing file is never written over.
    void stoppedOrFailedCopyLeavesNoFile() {
        TestFolder folder;
        AddItems(100);
        const QString out = folder.Path() + "out/";
        QVERIFY(QDir().mkpath(out));
        std::atomic<bool> stop{false};
        BackupOptions options = Quick();
        options.PagesPerStep = 4;
        options.Stop = &stop;
        int steps = 0;
        options.AfterStep = [&](int remaining, int) {
            QVERIFY(remaining > 0);
            QVERIFY(QFile::exists(PartialBackupPath(out + "copy.db")));
            stop = ++steps == 3;
        };
        QCOMPARE(BackupDatabase(DatabasePath(), out + "copy.db", options), BackupResult::Stopped);
        QCOMPARE(steps, 3);
        QCOMPARE(FilesIn(out), QStringList());

        WriteFile(out + "taken.db", "mine");
        QVERIFY_THROWS_EXCEPTION(DbError,
                                 BackupDatabase(DatabasePath(), out + "taken.db", Quick()));
        QFile taken(out + "taken.db");
        QVERIFY(taken.open(QIODevice::ReadOnly));
        QCOMPARE(taken.readAll(), QByteArray("mine"));

        WriteFile(out + "notes.txt", "not a database, but long enough to have a header...");
        try {
            BackupDatabase(out + "notes.txt", out + "copy.db", Quick());
            QFAIL("a file that is no database was copied");
        } catch (const DbError& e) {
            QVERIFY2(e.Text.contains(out + "copy.db"), qPrintable(e.Text));
        }
        QVERIFY_THROWS_EXCEPTION(DbError,
                                 BackupDatabase(DatabasePath(), out + "none/copy.db", Quick()));
        QCOMPARE(FilesIn(out), (QStringList{"notes.txt", "taken.db"}));
    }

    // The copy is checked before it takes its name: a page spoilt on its way to the disk (a
    // failing disk, a bad cable) fails the check, the copy is refused with the reason, and
    // neither the copy's name nor its temporary file is left. A copy cut short is refused by
    // its page count. The same copy with nothing spoilt takes its name.
    void spoiltCopyNeverTakesItsName_data() {
        QTest::addColumn<QString>("spoil");
        QTest::addColumn<QString>("reason");
        QTest::newRow("nothing") << ""
                                 << "";
        QTest::newRow("items table's root garbled") << "root"
                                                    << "failed its check";
        QTest::newRow("last pages lost") << "cut"
                                         << "malformed";
    }
    void spoiltCopyNeverTakesItsName() {
        QFETCH(QString, spoil);
        QFETCH(QString, reason);
        TestFolder folder;
        AddItems(200);
        const QString out = folder.Path() + "out/";
        QVERIFY(QDir().mkpath(out));
        const QString target = out + "copy.db";
        // The items table's root: its damage is damage to every item.
        const int root =
            Scalar("SELECT rootpage FROM sqlite_master WHERE name = 'phonebk'").toInt();
        QVERIFY(root > 1);
        BackupOptions options = Quick();
        bool spoilt = false;
        options.BeforeCheck = [&](const QString& file) {
            QCOMPARE(file, PartialBackupPath(target));
            if (spoil == "root")
                garble(file, root);
            if (spoil == "cut")
                QVERIFY(QFile::resize(file, QFileInfo(file).size() - 4 * PageSize));
            spoilt = true;
        };
        if (spoil.isEmpty()) {
            QCOMPARE(BackupDatabase(DatabasePath(), target, options), BackupResult::Made);
            QVERIFY(spoilt);
            QCOMPARE(CopyReader(target).Value("SELECT count(*) FROM phonebk"), QString("201"));
            QCOMPARE(FilesIn(out), QStringList{"copy.db"});
            return;
        }
        try {
            BackupDatabase(DatabasePath(), target, options);
            QFAIL("a spoilt copy took its name");
        } catch (const DbError& e) {
            QVERIFY(spoilt);
            QVERIFY2(e.Text.contains(reason), qPrintable(e.Text));
            // A long report of the engine is cut to a few lines; the whole is in a file the
            // message names.
            QVERIFY2(e.Text.count('\n') <= 4, qPrintable(e.Text));
            if (e.Text.contains("more lines"))
                QVERIFY(e.Text.contains(out + "backup-check-report.txt"));
        }
        QStringList left = FilesIn(out);
        left.removeAll("backup-check-report.txt");
        QCOMPARE(left, QStringList());
    }

    // An engine's report is said in its first lines; a longer one is kept whole in a file the
    // text names (rewritten by the next one), so that no message holds pages of it.
    void longReportsGoToAFile() {
        TestFolder folder(false);
        const QString file = folder.Path() + "report.txt";
        QCOMPARE(ShortReport("one\ntwo\nthree", file), QString("one\ntwo\nthree"));
        QVERIFY(!QFileInfo::exists(file));
        QStringList lines;
        for (int i = 1; i <= 98; ++i)
            lines << QStringLiteral("Page %1 is never used").arg(i);
        const QString text = ShortReport(lines.join('\n'), file);
        QCOMPARE(text, QStringLiteral("Page 1 is never used\nPage 2 is never used\nPage 3 is "
                                      "never used\n... and 95 more lines, all of them in %1")
                           .arg(file));
        QFile kept(file);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), (lines.join('\n') + '\n').toUtf8());
    }

    // Temporary files that no copy holds go with their side files, and a copy to the same name
    // takes the place of one; a temporary file a running copy holds stays, and a second copy to
    // its name is refused. Nothing else is touched.
    void staleTemporaryFilesAreRemoved() {
        TestFolder folder;
        const QString dir = folder.Path() + "backup/";
        QVERIFY(QDir().mkpath(dir));
        const QString held = PartialBackupPath(dir + "cardolo-2024-01-02.db");
        const QStringList kept{"cardolo-2024-01-02.db.cardolo-partial", "cardolo-2024-01-03.db",
                               "notes.cardolo-partial.txt"};
        const QStringList stale{"cardolo-2024-01-01.db.cardolo-partial",
                                "cardolo-2024-01-01.db.cardolo-partial-journal",
                                "gone.db.cardolo-partial-wal"};
        for (const QString& name : kept + stale)
            WriteFile(dir + name);
        const int fd = ::open(QFile::encodeName(held).constData(), O_RDONLY);
        QCOMPARE(::flock(fd, LOCK_EX | LOCK_NB), 0);
        QCOMPARE(RemoveStaleBackupParts(dir), 3);
        QCOMPARE(FilesIn(dir), kept);

        QVERIFY_THROWS_EXCEPTION(
            DbError, BackupDatabase(DatabasePath(), dir + "cardolo-2024-01-02.db", Quick()));
        ::close(fd);
        QCOMPARE(BackupDatabase(DatabasePath(), dir + "cardolo-2024-01-02.db", Quick()),
                 BackupResult::Made);
        QCOMPARE(FilesIn(dir), (QStringList{"cardolo-2024-01-02.db", "cardolo-2024-01-03.db",
                                            "notes.cardolo-partial.txt"}));
        QCOMPARE(CopyReader(dir + "cardolo-2024-01-02.db").Value("PRAGMA quick_check"),
                 QString("ok"));
    }

    // A year of daily copies thins out to the newest seven, the newest of each of the last four
    // weeks and of each of the last twelve months, counted back from the newest copy however
    // long ago that was; gaps (days, weeks or months without a copy) leave their places empty.
    void retentionKeepsWeeksAndMonths() {
        TestFolder folder(false);
        const QString dir = folder.Path();
        const QDate newest(2024, 6, 12); // a Wednesday
        QStringList all;
        for (QDate d(2023, 4, 1); d <= newest; d = d.addDays(1)) {
            // No copies in August 2023 and none in the week of 2024-05-20.
            if (d.month() == 8 && d.year() == 2023)
                continue;
            if (d >= QDate(2024, 5, 20) && d <= QDate(2024, 5, 26))
                continue;
            all << DailyBackupName(d);
            WriteFile(dir + all.last());
        }
        PruneDailyBackups(dir);
        QStringList kept;
        for (const char* day : {"2024-06-12", "2024-06-11", "2024-06-10", "2024-06-09",
                                "2024-06-08", "2024-06-07", "2024-06-06", // the newest seven
                                "2024-06-02", // two weeks back; three weeks back had none
                                "2024-05-31", "2024-04-30", "2024-03-31", "2024-02-29",
                                "2024-01-31", "2023-12-31", "2023-11-30", "2023-10-31",
                                "2023-09-30", "2023-07-31"}) // months; August 2023 had none
            kept << QStringLiteral("cardolo-%1.db").arg(day);
        kept.sort();
        QCOMPARE(FilesIn(dir), kept);
        // Pruning again changes nothing; a copy years later keeps the old ones only as its own
        // months and weeks allow.
        QCOMPARE(PruneDailyBackups(dir), QStringList());
        WriteFile(dir + "cardolo-2026-01-05.db");
        QCOMPARE(PruneDailyBackups(dir).size(), kept.size() - 6);
        QCOMPARE(FilesIn(dir).size(), 7);
    }

    // The newest seven by the date in the name stay, whatever the files' own times; only files
    // named exactly as a daily copy for a real date are ever deleted.
    void retentionKeepsTheNewestSevenDailyCopies() {
        TestFolder folder(false);
        const QString dir = folder.Path();
        QStringList others{"cardolo-2024-13-01.db",
                           "cardolo-2024-02-30.db",
                           "cardolo-2024-3-01.db",
                           "Cardolo-2020-01-01.db",
                           "cardolo-2020-01-01.db.bak",
                           "cardolo-2020-01-01.db-wal",
                           "cardolo-2020-01-01.db.cardolo-partial",
                           "cardolo-2020-01-01.db\n",
                           "notes.txt"};
        for (const QString& name : others)
            WriteFile(dir + name);
        QVERIFY(QDir().mkpath(dir + "cardolo-2019-01-01.db"));
        QStringList dated;
        for (int day = 0; day < 10; ++day) {
            const QString name = DailyBackupName(QDate(2024, 2, 24).addDays(day));
            dated << name;
            WriteFile(dir + name);
            // The oldest copies are the most recently written files.
            QFile f(dir + name);
            QVERIFY(f.open(QIODevice::ReadWrite));
            f.setFileTime(QDateTime(QDate(2025, 1, 1), QTime(12, 0)).addDays(-day),
                          QFileDevice::FileModificationTime);
        }
        QCOMPARE(dated.first(), QString("cardolo-2024-02-24.db"));
        QCOMPARE(dated.last(), QString("cardolo-2024-03-04.db"));
        // 02-25 is the newest of its week (Monday 02-19 to Sunday 02-25), two weeks back.
        QCOMPARE(PruneDailyBackups(dir),
                 (QStringList{"cardolo-2024-02-26.db", "cardolo-2024-02-24.db"}));
        QStringList expected = others + dated.mid(3) + QStringList{"cardolo-2024-02-25.db"};
        expected.sort();
        QCOMPARE(FilesIn(dir), expected);
        QVERIFY(QFileInfo(dir + "cardolo-2019-01-01.db").isDir());
        QCOMPARE(PruneDailyBackups(dir), QStringList());

        // A copy made under a clock set back carries an old date: it stays beside the newest
        // seven, until a later copy is the one just made.
        WriteFile(dir + "cardolo-2020-06-01.db");
        QCOMPARE(PruneDailyBackups(dir, DailyBackupsKept, "cardolo-2020-06-01.db"), QStringList());
        QVERIFY(QFile::exists(dir + "cardolo-2020-06-01.db"));
        QCOMPARE(PruneDailyBackups(dir), QStringList{"cardolo-2020-06-01.db"});
    }
};

QTEST_GUILESS_MAIN(TestBackup)
#include "TestBackup.moc"
