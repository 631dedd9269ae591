#include "support/ItemFixture.h"

#include "common/Folders.h"
#include "common/SingleInstanceGuard.h"
#include "listwin/ListRows.h"
#include "listwin/TFAddsBk.h"
#include "listwin/TFFind.h"
#include "search/SearchStamps.h"
#include "store/StoreState.h"
#include "support/RunCardolo.h"
#include "support/ScriptedDialogs.h"
#include "support/SearchTexts.h"
#include "support/TestFolder.h"

#include <QCheckBox>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <algorithm>

namespace {
using Outcome = CardoloOutcome;

Outcome Cardolo(const QStringList& args) {
    return RunCardolo(args);
}

// The ids of --find's lines.
std::vector<ItemId> IdsOf(const QByteArray& out) {
    std::vector<ItemId> ids;
    for (const QByteArray& line : out.split('\n'))
        if (!line.isEmpty())
            ids.push_back(ItemId(line.left(line.indexOf('\t')).toInt()));
    return ids;
}

// Every file of the folder with its bytes: what a command that only reads must leave as it was.
QStringList FolderState(const QString& folder) {
    QStringList state;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        state << path + " " + QString::number(qHash(f.readAll()));
    }
    state.sort();
    return state;
}
} // namespace

// cardolo --find TEXT and --show ID, the commands for scripts: --find lists what the list
// window's search lists with the search dialog's defaults, beside the running window; both
// print what the items hold and leave every file as it was.
class TestScriptCommands : public QObject {
    Q_OBJECT
private slots:
    // On a database of the search tests' generated names and texts, with hiders and the items
    // they hide, every query's --find lines are the rows of the window's search list, searched
    // through its dialog with the options it opens with; and --find writes no search stamp.
    void findAgreesWithTheWindowsSearch() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        SearchTexts gen(20240612);
        QStringList stored;
        QStringList hiderNames;
        {
            Transaction t;
            for (int i = 0; i < 1500; ++i) {
                const auto [name, text] = gen.NameAndText(stored);
                const ItemId id = CreateItem(name, QStringLiteral("ref %1").arg(i), text);
                // Some hiders, each hiding the items made next.
                if (gen.Chance(3)) {
                    MakeHider(id);
                    hiderNames << name;
                    for (int k = 0; k < 5; ++k)
                        MakeItem(gen.Name(), id, QString(), text);
                    Exec("UPDATE phonebk SET rank = ? WHERE parent = ? AND id <> ?",
                         {IdToDb(id), IdToDb(id), IdToDb(id)});
                }
            }
            t.Commit();
        }
        QStringList queries = hiderNames.mid(0, 8);
        queries << "harbour"
                << "o'neil"
                << "route 66"
                << "caf\u00e9"
                << "ab"
                << "--"
                << "kg";
        gen.Odd = true;
        while (queries.size() < 40)
            queries << gen.Query(stored);

        TFAddsBk w;
        w.show();
        QVERIFY(w.Find->IgPuncChk->isChecked()); // the dialog's default the command follows
        int hiddenListed = 0;
        int found = 0;
        for (const QString& typed : queries) {
            TheStoreState.CurrentHider =
                ItemId(0); // as in a window that showed no hidden group before
            QTimer::singleShot(0, w.Find, [&w, typed] {
                w.Find->Edit1->setText(typed);
                w.Find->OKBtn->click();
            });
            w.Find1->trigger();
            std::vector<ItemId> listed;
            for (int i = 0; i < w.List().Rows().Count(); ++i) {
                listed.push_back(w.List().Rows().Row(i).Id);
                hiddenListed += !w.List().Rows().Row(i).Rank.IsNone();
            }
            std::sort(listed.begin(), listed.end());

            // The window's marks are written in the background: they are all on disk before
            // the command's run is compared with them.
            FinishSearchStamps();
            const QVariant stamps = Scalar("SELECT group_concat(id || srchts) FROM phonebk");
            const Outcome r = Cardolo({"--folder", folder.Path(), "--find", typed});
            const QByteArray what = "query \"" + typed.toUtf8() + "\": " + r.Err;
            QVERIFY2(r.Code == (listed.empty() ? 1 : 0), what);
            QVERIFY2(IdsOf(r.Out) == listed, what);
            QCOMPARE(Scalar("SELECT group_concat(id || srchts) FROM phonebk"), stamps);
            found += !listed.empty();
        }
        // Worth something only when many queries found items, hidden ones among them.
        QVERIFY2(found > 25, qPrintable(QString::number(found)));
        QVERIFY2(hiddenListed > 0, "no query listed a hidden item");
    }

    // What the lines hold: a name's TAB and line end as blanks; --show prints the name, the
    // Ref and the text with LF line ends, hidden items too; no such item is exit code 1, a
    // folder without a database 2. A database at rest is left byte for byte as it was, with no
    // file beside it.
    void linesAndExitCodes() {
        TestFolder folder;
        const ItemId anna = MakeItem("Anna\tSmith\nthe elder", ItemId(), "0123 456",
                                     "first line\r\nsecond line\rthird");
        const ItemId hider = MakeItem("Vault");
        const ItemId key = MakeItem("Vault key", hider, QString(), "under the mat");
        MakeHider(hider, {key});
        ClosePhoneDB();
        // A folder the program has run in keeps its lock file, which the commands take while
        // they read a database at rest.
        QFile lock(LockFilePath());
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.write(SingleInstanceGuard::LockFileText());
        lock.close();
        const QStringList before = FolderState(folder.Path());

        Outcome r = Cardolo({"--folder", folder.Path(), "--find", "SMITH"});
        QCOMPARE(r.Code, 0);
        QCOMPARE(r.Out, QByteArray::number(anna.Value()) + "\tAnna Smith the elder\t0123 456\n");
        r = Cardolo({"--folder", folder.Path(), "--find", "key"});
        QCOMPARE(r.Code, 1); // hidden, and "key" names no hider
        QCOMPARE(r.Out, QByteArray());
        r = Cardolo({"--folder", folder.Path(), "--find", "vault"});
        QCOMPARE(r.Code, 1); // a hider's name shows its group only as typed exactly
        QCOMPARE(r.Out, QByteArray());
        r = Cardolo({"--folder", folder.Path(), "--find", "Vault"});
        QCOMPARE(IdsOf(r.Out), (std::vector<ItemId>{hider, key}));

        r = Cardolo({"--folder", folder.Path(), "--show", QString::number(anna.Value())});
        QCOMPARE(r.Code, 0);
        QCOMPARE(r.Out, QByteArray("Anna\tSmith the elder\n0123 456\nfirst line\nsecond line\n"
                                   "third\n"));
        r = Cardolo({"--folder", folder.Path(), "--show", QString::number(key.Value())});
        QCOMPARE(r.Out, QByteArray("Vault key\n\nunder the mat\n"));
        r = Cardolo({"--folder", folder.Path(), "--show", "999"});
        QCOMPARE(r.Code, 1);
        QVERIFY2(r.Err.contains("There is no item 999"), r.Err.constData());
        QCOMPARE(FolderState(folder.Path()), before);

        for (const char* command : {"--find", "--show"}) {
            r = Cardolo({"--folder", folder.Path() + "/none", command, "1"});
            QCOMPARE(r.Code, 2);
            QVERIFY2(r.Err.contains("does not exist"), r.Err.constData());
            r = Cardolo({"--folder", folder.DataPath(), command, "1"});
            QCOMPARE(r.Code, 2);
            QVERIFY2(r.Err.contains("not found"), r.Err.constData());
        }
        r = Cardolo({"--folder", folder.Path(), "--show", "0"});
        QCOMPARE(r.Code, 2);
        QVERIFY(r.Err.startsWith("cardolo: --show needs an item id"));
    }
};

QTEST_MAIN(TestScriptCommands)
#include "TestScriptCommands.moc"
