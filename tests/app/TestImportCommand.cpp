#include "app/ImportCommand.h"
#include "common/Folders.h"
#include "common/Settings.h"
#include "paradox/TableWriter.h"
#include "store/Conversion.h"
#include "store/Database.h"
#include "store/Import.h"
#include "store/ItemStore.h"
#include "support/ItemFixture.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFolder.h"

#include <QCryptographicHash>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {
using W = TableWriter;
using Place = TableWriter::Place;
enum : quint8 { A = 0x01, I = 0x04, M = 0x0C, TS = 0x15, AutoInc = 0x16 };

const QByteArray LongText = QByteArray("A text longer than the record keeps. ").repeated(200);

void Save(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}

// An installation of the older version at DBVN 703 in dir: the items table (its fields in an
// order and case of its own, a text in the memo file), the links-across table, empty, and the
// old one with a link, and the settings. damaged cuts the items table short.
void WriteOldInstallation(const QString& dir, bool damaged = false) {
    W items({{"name", A, 80},
             {"ID", AutoInc, 4},
             {"TEXT", M, 20},
             {"Tel", A, 40},
             {"Parent", I, 4},
             {"NumChildren", I, 4},
             {"Rprts", I, 4},
             {"SRCHTS", TS, 8},
             {"CreatedTS", TS, 8},
             {"EditTS", TS, 8},
             {"Rank", I, 4}});
    const auto item = [&](const QByteArray& name, int id, const QByteArray& text, int parent,
                          int children) {
        items.Add({W::Alpha(name, 80), W::Long(id),
                   text.isEmpty() ? W::Blank(20) : items.Memo(text, 20, Place::Single),
                   W::Blank(40), W::Long(parent), W::Long(children), W::Blank(4), W::Blank(8),
                   W::Timestamp(QDate(1999, 3, 4), 5000), W::Blank(8), W::Long(0)});
    };
    item("Diary", 1, "", 0, 0);
    item("Hider", 4, LongText, 4, 2);
    item("Below", 9, "short", 4, 0);
    QByteArray table = items.Table();
    if (damaged)
        table.chop(100);
    Save(dir + "/PHONEBK.DB", table);
    Save(dir + "/PHONEBK.MB", items.MemoFile());
    W links({{"Id1", I, 4}, {"Id2", I, 4}, {"linknote", A, 40}, {"Drop", I, 4}});
    Save(dir + "/mm2.db", links.Table());
    W old({{"Id1", I, 4}, {"Id2", I, 4}});
    old.Add({W::Long(1), W::Long(9)});
    old.Add({W::Long(9), W::Long(1)});
    Save(dir + "/mm.DB", old.Table());
    Save(dir + "/PHONEBK.INI", "[main]\r\nDBVN=703\r\nDIARYID=1\r\n");
}

QMap<QString, QByteArray> Digests(const QString& dir) {
    QMap<QString, QByteArray> digests;
    for (const QString& name : QDir(dir).entryList(QDir::Files)) {
        QFile f(dir + "/" + name);
        if (f.open(QIODevice::ReadOnly))
            digests[name] = QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha1);
    }
    return digests;
}

// The names of the widgets shown while it watches.
class ShowWatch : public QObject {
public:
    QStringList Shown;
    bool eventFilter(QObject* object, QEvent* event) override {
        if (event->type() == QEvent::Show)
            Shown << object->objectName();
        return false;
    }
};

struct Run {
    int code = -1;
    QByteArray out;
    QByteArray err;
};

Run Cardolo(const QStringList& args) {
    QProcess p;
    p.start(qEnvironmentVariable("CARDOLO_BIN"), args);
    Run r;
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}
} // namespace

const QString ImportQuestion = QStringLiteral(
    "Import the items from PHONEBK.DB?\rThe old tables are only read, never changed; if you "
    "answer No, you are asked again at the next start until you have made items of your own.");

// The older version's tables brought in: the question at start and cardolo --import.
class TestImportCommand : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QVERIFY2(QFileInfo(qEnvironmentVariable("CARDOLO_BIN")).isExecutable(),
                 "CARDOLO_BIN names no program");
    }

    void startDeclinedMakesNoDatabase() {
        TestFolder folder(false);
        WriteOldInstallation(DataFolder());
        const auto before = Digests(DataFolder());
        ScriptedDialogs dialogs;
        dialogs.AnswerNo();
        QVERIFY(OfferImportAtStart());
        QCOMPARE(dialogs.Questions(), QStringList({ImportQuestion}));
        QVERIFY(!QFile::exists(DatabasePath()));
        QCOMPARE(Digests(DataFolder()), before);
    }

    // Yes: the tables come over untouched in their files, and the conversion asks its four
    // questions from 703 on them; then the items, their texts and links are there.
    void startImportsOldInstallationThenConverts() {
        TestFolder folder(false);
        WriteOldInstallation(DataFolder());
        const auto before = Digests(DataFolder());
        ScriptedDialogs dialogs;
        dialogs.AnswerYes();
        QVERIFY(OfferImportAtStart());
        QCOMPARE(dialogs.Questions(), QStringList({ImportQuestion}));
        QVERIFY(QFile::exists(DatabasePath()));
        auto after = Digests(DataFolder());
        after.remove("cardolo.db");
        QCOMPARE(after, before);

        // A second start does not ask again.
        QVERIFY(OfferImportAtStart());
        QCOMPARE(dialogs.Questions().size(), 1);

        ReadSettings();
        BindConversionSettings(AppSettings().Dbvn, [] { WriteSettings(); });
        QVERIFY(!OpenPhoneDB(DatabasePath()));
        for (int i = 0; i < 4; ++i)
            dialogs.AnswerYes();
        QCOMPARE(RunEarlyConversionSteps(), ConversionResult::Done);
        QVERIFY(CoreStartup());
        QCOMPARE(dialogs.Questions().size(), 5);
        QCOMPARE(ReadSettingsFrom(SettingsPath()).Dbvn, 1100);
        ItemRecord hider, below;
        QVERIFY(LocateItem(ItemId(4), hider));
        QVERIFY(LocateItem(ItemId(9), below));
        QCOMPARE(hider.Name, QString("Hider"));
        QCOMPARE(hider.Text, QString::fromLatin1(LongText));
        QCOMPARE(hider.CreatedTS, QDateTime(QDate(1999, 3, 4), QTime(0, 0, 5)));
        QCOMPARE(below.Text, QString("short"));
        QCOMPARE(below.Rank, ItemId(4));
        QCOMPARE(Scalar("SELECT group_concat(id1 || '-' || id2 || '-' || \"drop\", ' ') FROM "
                        "(SELECT * FROM mm2 ORDER BY id1)")
                     .toString(),
                 QString("1-9-0 9-1-0"));
    }

    // Reading a large table shows how far it has got in a window of its own; a small one
    // shows nothing.
    void startShowsProgressOfLargeTables() {
        QFETCH(int, records);
        QFETCH(bool, shown);
        TestFolder folder(false);
        W items({{"Id", AutoInc, 4}, {"Name", A, 10}});
        for (int i = 1; i <= records; ++i)
            items.Add({W::Long(i), W::Alpha("item", 10)});
        Save(DataFolder() + "/PHONEBK.DB", items.Table());
        ShowWatch watch;
        qApp->installEventFilter(&watch);
        ScriptedDialogs dialogs;
        dialogs.AnswerYes();
        QVERIFY(OfferImportAtStart());
        qApp->removeEventFilter(&watch);
        QCOMPARE(watch.Shown.contains("ImportProgress"), shown);
        QVERIFY(!OpenPhoneDB(DatabasePath()));
        QCOMPARE(Scalar("SELECT count(*) FROM phonebk").toInt(), records);
    }
    void startShowsProgressOfLargeTables_data() {
        QTest::addColumn<int>("records");
        QTest::addColumn<bool>("shown");
        QTest::newRow("small") << 100 << false;
        QTest::newRow("large") << 6000 << true;
    }

    // No at the first start: the program runs on a new database, and the next starts ask again
    // for as long as it holds nothing the user made; Yes then imports the tables in its place,
    // converted by the DBVN the settings gave them before the new database raised it. Once the
    // user has made an item, nothing is asked. cardolo --import may replace such a database
    // too.
    void declinedImportIsAskedAgain() {
        QTemporaryDir program;
        const QString data = program.path() + "/DATA";
        QVERIFY(QDir().mkpath(data));
        WriteOldInstallation(data);
        const auto tables = Digests(data);
        SetProgramFolder(program.path());
        SetSettingsFile(SettingsPath());
        ReadSettings();
        QCOMPARE(AppSettings().Dbvn, 703);
        {
            // The first start: No, then the new database raises DBVN.
            ScriptedDialogs dialogs;
            dialogs.AnswerNo();
            QVERIFY(OfferImportAtStart());
            BindConversionSettings(AppSettings().Dbvn, [] { WriteSettings(); });
            QVERIFY(OpenPhoneDB(DatabasePath()));
            KeepOldTablesSettings();
            NoteNewDatabase();
            ClosePhoneDB();
            QCOMPARE(ReadSettingsFrom(SettingsPath()).Dbvn, 1100);
        }
        QVERIFY(!DatabaseHoldsUserItems(DatabasePath()));
        {
            // The next start asks again; Yes imports, the tables' DBVN back in the settings.
            ScriptedDialogs dialogs;
            dialogs.AnswerYes();
            QVERIFY(OfferImportAtStart());
            QCOMPARE(dialogs.Questions(), QStringList{ImportQuestion});
            QCOMPARE(ReadSettingsFrom(SettingsPath()).Dbvn, 703);
            QCOMPARE(ReadSettingValue(SettingsPath(), "IMPORTDBVN"), QString());
            QVERIFY(!OpenPhoneDB(DatabasePath()));
            QCOMPARE(Scalar("SELECT group_concat(name) FROM phonebk").toString(),
                     QString("Diary,Hider,Below"));
            ClosePhoneDB();
            // The old tables are as they were (the settings file is the program's too).
            auto after = Digests(data);
            for (const QString& name : tables.keys())
                if (name != "PHONEBK.INI")
                    QCOMPARE(after.value(name), tables.value(name));
        }
        {
            // Items of the user's own: never asked again, and --import refuses.
            QVERIFY(DatabaseHoldsUserItems(DatabasePath()));
            ScriptedDialogs dialogs;
            QVERIFY(OfferImportAtStart());
            QCOMPARE(dialogs.Calls.size(), 0);
        }
        // A database as a declined start makes it: --import replaces it.
        QVERIFY(QFile::remove(DatabasePath()));
        OpenPhoneDB(DatabasePath());
        ClosePhoneDB();
        QVERIFY(!DatabaseHoldsUserItems(DatabasePath()));
        QTemporaryDir old;
        WriteOldInstallation(old.path());
        const Run r = Cardolo({"--folder", program.path(), "--import", old.path()});
        QVERIFY2(r.code == 0, r.err.constData());
        OpenPhoneDB(DatabasePath());
        QCOMPARE(Scalar("SELECT count(*) FROM phonebk").toInt(), 3);
        ClosePhoneDB();
    }

    // Nothing to import, or a database already there: no question.
    void notOfferedWithoutTablesOrWithDatabase() {
        TestFolder folder(false);
        ScriptedDialogs dialogs;
        QVERIFY(OfferImportAtStart());
        WriteOldInstallation(DataFolder());
        Save(DatabasePath(), QByteArray());
        QVERIFY(OfferImportAtStart());
        QCOMPARE(dialogs.Calls.size(), 0);
    }

    // A table that cannot be read ends the start with its message and makes no database, so
    // that the next start asks again.
    void startWithDamagedTableMakesNoDatabase() {
        TestFolder folder(false);
        WriteOldInstallation(DataFolder(), true);
        ScriptedDialogs dialogs;
        dialogs.AnswerYes();
        QVERIFY(!OfferImportAtStart());
        QCOMPARE(dialogs.Infos().size(), 1);
        QVERIFY2(dialogs.Infos()[0].startsWith("The items were not imported:\r" +
                                               QDir::toNativeSeparators(DataFolder())),
                 qPrintable(dialogs.Infos()[0]));
        QCOMPARE(QDir(DataFolder()).entryList({"cardolo*"}, QDir::Files), QStringList());
    }

    // The old PHONEBK.INI comes with the tables: into a folder without settings whole (its
    // other keys, comments and order too); into a folder with its own file, every setting the
    // program knows, the folder's other keys kept.
    void importCarriesTheOldSettings() {
        const QByteArray oldIni = "; kept by hand\r\n[main]\r\nPREFIX=abc\r\nDBVN=703\r\n"
                                  "WANTTABS=1\r\nDIARYID=1\r\nFLASHINTERVAL=250\r\n"
                                  "[mine]\r\nCOLOUR=blue\r\n";
        QTemporaryDir old, fresh, own;
        WriteOldInstallation(old.path());
        Save(old.path() + "/PHONEBK.INI", oldIni);

        Run r = Cardolo({"--folder", fresh.path(), "--import", old.path()});
        QVERIFY2(r.code == 0, r.err.constData());
        QFile ini(fresh.path() + "/DATA/PHONEBK.INI");
        QVERIFY(ini.open(QIODevice::ReadOnly));
        QCOMPARE(ini.readAll(), oldIni);

        QVERIFY(QDir().mkpath(own.path() + "/DATA"));
        Save(own.path() + "/DATA/PHONEBK.INI",
             "[main]\r\nPREFIX=mine\r\nSHOWLINKCOUNTS=1\r\nNOTE=stays\r\n");
        r = Cardolo({"--folder", own.path(), "--import", old.path()});
        QVERIFY2(r.code == 0, r.err.constData());
        const Settings s = ReadSettingsFrom(own.path() + "/DATA/PHONEBK.INI");
        QCOMPARE(s.Prefix, QString("abc"));
        QCOMPARE(s.Dbvn, 703);
        QVERIFY(s.WantTabs);
        QCOMPARE(s.DiaryId, ItemId(1));
        QCOMPARE(s.FlashInterval, 250);
        QVERIFY(!s.ShowLinkCounts); // the old file's value: none, the default
        QFile merged(own.path() + "/DATA/PHONEBK.INI");
        QVERIFY(merged.open(QIODevice::ReadOnly));
        QVERIFY(merged.readAll().contains("NOTE=stays"));
    }

    // cardolo --import: a new database from another folder's tables, with the settings that
    // describe them; refused, with exit code 1, when the database exists or there is nothing
    // to import; 2 for a command line without the folder.
    void importCommandAndItsExitCodes() {
        QTemporaryDir old, program;
        WriteOldInstallation(old.path());
        const QString database = program.path() + "/DATA/cardolo.db";

        Run r = Cardolo({"--folder", program.path(), "--import", old.path()});
        QVERIFY2(r.code == 0, r.err.constData());
        QCOMPARE(r.out, QByteArray("PHONEBK.DB: 3 records\nmm2.db: 0 records\nmm.DB: 2 records\n"));
        QVERIFY(QFile::exists(database));
        const Settings s = ReadSettingsFrom(program.path() + "/DATA/PHONEBK.INI");
        QCOMPARE(s.Dbvn, 703);
        QCOMPARE(s.DiaryId, ItemId(1));

        QFile db(database);
        QVERIFY(db.open(QIODevice::ReadOnly));
        const QByteArray bytes = db.readAll();
        db.close();
        r = Cardolo({"--folder", program.path(), "--import", old.path()});
        QCOMPARE(r.code, 1);
        const QByteArray path = QFile::encodeName(QDir::toNativeSeparators(database));
        QCOMPARE(r.err, "cardolo: " + path +
                            " holds items of your own; --import makes a new database only. "
                            "Import into another program folder (--folder DIR), or move " +
                            path + " away first.\n");
        QVERIFY(db.open(QIODevice::ReadOnly));
        QCOMPARE(db.readAll(), bytes);

        QTemporaryDir empty, other;
        r = Cardolo({"--folder", other.path(), "--import", empty.path()});
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.endsWith(" holds no PHONEBK.DB\n"), r.err.constData());
        QVERIFY(!QFile::exists(other.path() + "/DATA/cardolo.db"));

        r = Cardolo({"--folder", other.path(), "--import"});
        QCOMPARE(r.code, 2);
        QVERIFY(r.err.startsWith("cardolo: --import needs the folder of the tables\n"));
    }
};

QTEST_MAIN(TestImportCommand)
#include "TestImportCommand.moc"
