#include "support/HoldsLock.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

namespace {
struct Run {
    int Code = -1;
    bool Normal = false;
    QByteArray Out;
    QByteArray Err;
};

QProcessEnvironment Environment() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    return env;
}

// The real program with a user played in its windows (JourneyChild), to its end.
Run Journey(const QString& folder, const QString& journey, const QString& route) {
    QProcess p;
    p.setProcessEnvironment(Environment());
    // The usual umask, under which files would be readable by everyone.
    p.setChildProcessModifier([] { ::umask(022); });
    p.start(QStringLiteral(CARDOLO_JOURNEY_CHILD),
            {"--folder", folder, "--journey", journey, "--end", route});
    Run r;
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
    }
    r.Normal = p.exitStatus() == QProcess::NormalExit;
    r.Code = p.exitCode();
    r.Out = p.readAllStandardOutput();
    r.Err = p.readAllStandardError();
    return r;
}

QString Program() {
    return qEnvironmentVariable("CARDOLO_BIN");
}

// cardolo --check --counts on folder: every reference and count agrees with the links.
Run Check(const QString& folder) {
    QProcess p;
    p.start(Program(), {"--folder", folder, "--check", "--counts"});
    Run r;
    r.Normal = p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit;
    r.Code = p.exitCode();
    r.Out = p.readAllStandardOutput();
    r.Err = p.readAllStandardError();
    return r;
}

// Starts the real program on folder, waits until its window is up (the lock held and the
// settings read), then ends it as a system shutdown would.
bool StartAndStop(const QString& folder, QByteArray& err) {
    QProcess p;
    p.setProcessEnvironment(Environment());
    p.start(Program(), {"--folder", folder});
    if (!p.waitForStarted())
        return false;
    // The program holds its folder's lock once it can take a shutdown signal; one that comes
    // before its window is up waits for it.
    QElapsedTimer waited;
    waited.start();
    while (!HoldsLock(p.processId(), folder + "/LOCK.TXT") && p.state() == QProcess::Running &&
           waited.elapsed() < 30000)
        p.waitForFinished(20);
    // A moment more, for the start to get on to the database and the window.
    p.waitForFinished(300);
    ::kill(pid_t(p.processId()), SIGTERM);
    const bool ended = p.waitForFinished(30000);
    err = p.readAllStandardError();
    return ended && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// Every row of the items and of the links across, read by this process from the file the
// program left: "item|name|ref|text|parent name|children|cousins" (ids differ between runs
// of a journey, names do not) and "link|name1|name2|drop|note".
QStringList Rows(const QString& folder) {
    QStringList rows;
    sqlite3* db = nullptr;
    const QByteArray path = QFile::encodeName(folder + "/DATA/cardolo.db");
    if (sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        rows << QStringLiteral("cannot open: ") + QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_close(db);
        return rows;
    }
    const auto text = [](sqlite3_stmt* s, int c) {
        if (sqlite3_column_type(s, c) == SQLITE_NULL)
            return QStringLiteral("NULL");
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, c)))
            .replace("\r\n", "\\n");
    };
    const char* items = "SELECT p.name, p.tel, p.text, coalesce(q.name, p.parent), "
                        "p.numchildren, p.numcousins FROM phonebk p "
                        "LEFT JOIN phonebk q ON q.id = p.parent";
    const char* links = "SELECT a.name, b.name, m.\"drop\", m.linknote FROM mm2 m "
                        "LEFT JOIN phonebk a ON a.id = m.id1 LEFT JOIN phonebk b ON b.id = m.id2";
    for (const auto& [kind, sql] : {std::pair{"item", items}, std::pair{"link", links}}) {
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v2(db, sql, -1, &s, nullptr) != SQLITE_OK) {
            rows << QStringLiteral("cannot read: ") + QString::fromUtf8(sqlite3_errmsg(db));
            continue;
        }
        while (sqlite3_step(s) == SQLITE_ROW) {
            QStringList fields{QString::fromLatin1(kind)};
            for (int c = 0; c < sqlite3_column_count(s); ++c)
                fields << text(s, c);
            rows << fields.join('|');
        }
        sqlite3_finalize(s);
    }
    sqlite3_close(db);
    rows.sort();
    return rows;
}

// The files and folders the program made in folder that others may read: every folder is to
// be 0700 and every file 0600.
QStringList Readable(const QString& folder) {
    QStringList open;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        struct stat st;
        if (::stat(QFile::encodeName(path).constData(), &st) != 0)
            continue;
        const mode_t wanted = S_ISDIR(st.st_mode) ? 0700 : 0600;
        if ((st.st_mode & 0777) != wanted)
            open << QStringLiteral("%1 %2").arg(QString::number(st.st_mode & 0777, 8), path);
    }
    return open;
}

const QString Diary = QStringLiteral("item|Diary|NULL|NULL|0|0|0");
} // namespace

// The whole life of what a user saves: made through the real windows, the program ended by
// each of the user's routes, the file read by another process, the program started and ended
// again, and the file read once more. Nothing saved is lost, and nothing else is there.
class TestJourneys : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QVERIFY2(QFileInfo(Program()).isExecutable(), "CARDOLO_BIN names no program");
    }

    void savedItemsOutliveTheProgram_data() {
        QTest::addColumn<QString>("journey");
        QTest::addColumn<QStringList>("routes");
        QTest::addColumn<QStringList>("expected");
        const QStringList every{"exit", "close", "sigterm", "sigint"};
        const QStringList shutdown{"sigterm", "sigint"};
        QTest::newRow("new-details")
            << "new-details" << every
            << QStringList{Diary, "item|Journey details|R1|details body|0|0|0"};
        QTest::newRow("new-text") << "new-text" << every
                                  << QStringList{
                                         Diary,
                                         "item|Journey text|NULL|body line\\nsecond line\\n|0|0|0"};
        QTest::newRow("now") << "now" << every
                             << QStringList{
                                    Diary,
                                    "item|Journey now|2024-05-17 (Fri) 09:05 |stamped\\n|0|0|0"};
        QTest::newRow("text-to-list")
            << "text-to-list" << every
            << QStringList{Diary, "item|Groceries|NULL|milk\\neggs\\n\\nbread|0|3|0",
                           "item|bread|NULL|NULL|Groceries|0|0",
                           "item|eggs|NULL|NULL|Groceries|0|0",
                           "item|milk|NULL|NULL|Groceries|0|0"};
        QTest::newRow("diary-day")
            << "diary-day" << every
            << QStringList{"item|Diary|NULL|NULL|0|1|0", "item|2024|NULL|NULL|Diary|1|0",
                           "item|Journey diary entry|2024-05-20 (Mon)|met the team|2024|0|0"};
        QTest::newRow("link-all") << "link-all" << every
                                  << QStringList{
                                         "item|Diary|NULL|NULL|0|0|1", "item|Hub|NULL|NULL|0|0|3",
                                         "item|Alpha|NULL|NULL|0|0|1", "item|Beta|NULL|NULL|0|0|1",
                                         "link|Hub|Diary|0|NULL",      "link|Diary|Hub|0|NULL",
                                         "link|Hub|Alpha|0|NULL",      "link|Alpha|Hub|0|NULL",
                                         "link|Hub|Beta|0|NULL",       "link|Beta|Hub|0|NULL"};
        QTest::newRow("link-note")
            << "link-note" << every
            << QStringList{Diary, "item|Alpha|NULL|NULL|0|0|1", "item|Beta|NULL|NULL|0|0|1",
                           "link|Alpha|Beta|0|met at the fair",
                           "link|Beta|Alpha|0|met at the fair"};
        // One item edited in both item windows, saved in both orders: the Ref from the details
        // window and the text from the page, whichever saved first.
        const QStringList shared{Diary, "item|Shared|R2|body\\ntyped in the page\\n|0|0|0"};
        QTest::newRow("two-windows-details-first")
            << "two-windows-details-first" << every << shared;
        QTest::newRow("two-windows-page-first") << "two-windows-page-first" << every << shared;
        // Typing not yet saved when the program ends: the page and the details are written
        // without a question, by every route.
        QTest::newRow("unsaved-page")
            << "unsaved-page" << every
            << QStringList{Diary, "item|Note|NULL|first\\ntyped last\\n|0|0|0"};
        QTest::newRow("unsaved-details")
            << "unsaved-details" << every << QStringList{Diary, "item|Card|R2|body|0|0|0"};
        // A new item's page still open (modal) when a shutdown comes: kept with what was typed,
        // and not kept when nothing was.
        QTest::newRow("unsaved-new-page")
            << "unsaved-new-page" << shutdown
            << QStringList{Diary, "item|Typed at the end|NULL|NULL|0|0|0"};
        QTest::newRow("untouched-new-page")
            << "untouched-new-page" << shutdown << QStringList{Diary};
    }
    void savedItemsOutliveTheProgram() {
        QFETCH(QString, journey);
        QFETCH(QStringList, routes);
        QFETCH(QStringList, expected);
        expected.sort();
        for (const QString& route : routes) {
            QTemporaryDir dir;
            const Run run = Journey(dir.path(), journey, route);
            const QString where = journey + " ended by " + route + ": ";
            QVERIFY2(run.Normal && run.Code == 0,
                     qPrintable(where + QString::number(run.Code) + "\n" + run.Out + run.Err));
            QVERIFY2(run.Out.contains("JOURNEY DONE"), qPrintable(where + run.Out));
            QCOMPARE(Rows(dir.path()), expected);
            // Under the usual umask, nothing the program made may be read by others.
            QCOMPARE(Readable(dir.path()), QStringList());
            const Run check = Check(dir.path());
            QVERIFY2(check.Normal && check.Code == 0, qPrintable(where + check.Out + check.Err));
            // Started again and ended: everything is still there, and nothing else.
            QByteArray err;
            QVERIFY2(StartAndStop(dir.path(), err), qPrintable(where + err));
            QCOMPARE(Rows(dir.path()), expected);
        }
    }

    // A search ended with the program before its items' marks were all written, by each of the
    // user's routes: every item found carries the search's mark in the file.
    void searchMarksOutliveTheProgram() {
        int pendingAtTheEnd = 0;
        for (const QString route : {"exit", "close", "sigterm", "sigint"}) {
            QTemporaryDir dir;
            const Run run = Journey(dir.path(), "search-marks", route);
            const QString where = "search-marks ended by " + route + ": ";
            QVERIFY2(run.Normal && run.Code == 0, qPrintable(where + run.Out + run.Err));
            QVERIFY2(run.Out.contains("JOURNEY DONE"), qPrintable(where + run.Out));
            pendingAtTheEnd += run.Out.contains("MARKS PENDING: 1") ? 1 : 0;
            sqlite3* db = nullptr;
            const QByteArray path = QFile::encodeName(dir.path() + "/DATA/cardolo.db");
            QCOMPARE(sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READONLY, nullptr),
                     SQLITE_OK);
            sqlite3_stmt* s = nullptr;
            QCOMPARE(sqlite3_prepare_v2(db,
                                        "SELECT count(*), sum(name LIKE 'card %') FROM phonebk "
                                        "WHERE srchts = (SELECT max(srchts) FROM phonebk)",
                                        -1, &s, nullptr),
                     SQLITE_OK);
            QCOMPARE(sqlite3_step(s), SQLITE_ROW);
            const int marked = sqlite3_column_int(s, 0);
            const int cards = sqlite3_column_int(s, 1);
            sqlite3_finalize(s);
            sqlite3_close(db);
            QVERIFY2(
                marked == 20000 && cards == 20000,
                qPrintable(where + QString("%1 marked, %2 of them cards").arg(marked).arg(cards)));
            const Run check = Check(dir.path());
            QVERIFY2(check.Normal && check.Code == 0, qPrintable(where + check.Out + check.Err));
        }
        // The journey tried what it is for: the end came while marks were being written.
        QVERIFY(pendingAtTheEnd > 0);
    }

    // The first start after another program wrote 200,000 items: the search index is built in
    // the background while the user saves item after item through the details window. None is
    // refused, and each is in the file afterwards.
    void savesWhileTheIndexIsBuilt() {
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("the build of a large index is too slow under the address sanitizer");
#endif
        QTemporaryDir dir;
        const QString data = dir.path() + "/DATA";
        QVERIFY(QDir().mkpath(data));
        // A new database, then the items written by another program (no index kept for them).
        {
            QByteArray err;
            QVERIFY2(StartAndStop(dir.path(), err), err.constData());
        }
        sqlite3* db = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(data + "/cardolo.db").constData(), &db), SQLITE_OK);
        const char* fill =
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 200000) "
            "INSERT INTO phonebk (name, text, parent, rank, numchildren, numcousins, createdts) "
            "SELECT 'item ' || i, 'the text of item ' || i || char(13, 10) || "
            "hex(randomblob(100)), 0, 0, 0, 0, '2024-01-01 00:00:00.000' FROM n";
        char* error = nullptr;
        const int rc = sqlite3_exec(db, fill, nullptr, nullptr, &error);
        QVERIFY2(rc == SQLITE_OK, error);
        sqlite3_close(db);

        const Run run = Journey(dir.path(), "saves-during-index-build", "sigterm");
        QVERIFY2(run.Normal && run.Code == 0, qPrintable(run.Out + run.Err));
        QVERIFY2(run.Out.contains("SAVED DURING BUILD: "), run.Out.constData());
        QVERIFY2(!run.Out.contains("SAVED DURING BUILD: 0\n"),
                 "the index was built before the first save");
        QStringList saved = Rows(dir.path()).filter("|Saved during build ");
        QCOMPARE(saved.size(), 20);
        for (int i = 1; i <= 20; ++i)
            QCOMPARE(saved.at(i - 1),
                     QStringLiteral("item|Saved during build %1|NULL|text %2|0|0|0")
                         .arg(i, 2, 10, QLatin1Char('0'))
                         .arg(i));
    }
};

QTEST_GUILESS_MAIN(TestJourneys)
#include "TestJourneys.moc"
