#include "support/ItemFixture.h"

#include "common/Busy.h"
#include "common/Clock.h"
#include "common/Folders.h"
#include "common/NameCollator.h"
#include "common/Settings.h"
#include "common/TextHelpers.h"
#include "dialogs/TFAbout1.h"
#include "itemwin/ItemWindows.h"
#include "itemwin/TFIdets2.h"
#include "itemwin/TFidets.h"
#include "listwin/ListModel.h"
#include "listwin/TFAddsBk.h"
#include "listwin/TFFind.h"
#include "search/SearchIndex.h"
#include "search/SearchStamps.h"
#include "store/WriteGate.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFolder.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QToolButton>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {
// Notes, at every message, the rows the grid's model reports and the rows its view was told of.
class GridWatchingDialogs : public ScriptedDialogs {
public:
    TFAddsBk* w = nullptr;
    QList<QPair<int, int>> ModelAndView;
    void ShowInfoBox(const QString& message, const QString& caption) override {
        if (w)
            ModelAndView << qMakePair(w->Model()->rowCount(),
                                      w->DBGrid1->verticalHeader()->count());
        ScriptedDialogs::ShowInfoBox(message, caption);
    }
};
} // namespace

// The items list window on a real database, driven as the user drives it.
class TestTFAddsBk : public QObject {
    Q_OBJECT

    std::unique_ptr<TFAddsBk> open() {
        auto w = std::make_unique<TFAddsBk>();
        w->show();
        return w;
    }

    static QString cell(TFAddsBk& w, int row, int column) {
        return w.Model()->index(row, column).data().toString();
    }
    static QString gridCursorName(TFAddsBk& w) {
        return cell(w, w.DBGrid1->currentIndex().row(), 0);
    }
    static QStringList titles(TFAddsBk& w) {
        QStringList out;
        for (int c = 0; c < w.Model()->columnCount(); ++c)
            out << w.Model()->headerData(c, Qt::Horizontal).toString();
        return out;
    }
    static void clickTitle(TFAddsBk& w, const QString& title) {
        const int c = titles(w).indexOf(title);
        QVERIFY(c >= 0);
        emit w.DBGrid1->horizontalHeader()->sectionClicked(c);
    }

private slots:
    void init() { ResetAllState(); }
    void cleanup() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isModal() && w->isVisible())
                w->close();
        ResetAllState();
    }

    // The first show lists the top level; Exit asks; Enter steps into links and Esc comes back.
    void firstShowExitAndEsc() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        MakeItem("melon", ItemId(), QString(), "juicy");
        const ItemId p = MakeItem("Pears");
        MakeItem("conference", p);
        auto w = open();
        QCOMPARE(w->windowTitle(), QString("Cardolo : Top-level Items"));
        QCOMPARE(w->Label1->text(), QString("3 Items listed"));
        QVERIFY(w->Panel4->isHidden());
        QCOMPARE(w->Exit1->text(), QString("&Exit"));
        QVERIFY(!w->Top1->isEnabled());
        QCOMPARE(titles(*w), (QStringList{"Name", "Text?", "Links?"}));
        QCOMPARE(cell(*w, 1, 0), QString("melon"));
        QCOMPARE(cell(*w, 1, 1), QString("T"));
        QCOMPARE(cell(*w, 2, 2), QString(QChar(0xBB)));
        QApplication::setActiveWindow(w.get());
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        QVERIFY(w->Edit1->hasFocus());
        // Every menu item is there; "to File" never acts.
        for (const char* name :
             {"Exit1",        "Top1",     "Refresh1",     "Find1",          "Import1",
              "toClipboard1", "toFile1",  "Print1",       "Now1",           "ext1",
              "Details2",     "Diary1",   "LinkAllDown1", "LinkAllAcross1", "Delink1",
              "Calendar1",    "Notepad1", "CheckMnu",     "Flashinterval1", "Showlinkcounts1",
              "Archiveid1",   "About1",   "ViewItemnew1", "Deleteitem1"})
            QVERIFY2(w->findChild<QAction*>(name), name);
        QVERIFY(!w->toFile1->isEnabled());
        QVERIFY(w->Print1->isEnabled());
        QVERIFY(w->Import1->isEnabled());
        QVERIFY(w->Find1->isEnabled());
        w->About1->trigger();
        QVERIFY(TFAbout1::Instance()->isVisible());
        TFAbout1::Instance()->hide();

        // Exit asks first.
        dialogs.AnswerNo();
        w->Exit1->trigger();
        QCOMPARE(dialogs.Questions(), QStringList{"OK to exit program 'Cardolo' ?"});
        QVERIFY(w->isVisible());

        // Enter in the jump box on Pears steps into its links; Esc comes back to Pears.
        QTest::keyClicks(w->Edit1, "p");
        QCOMPARE(gridCursorName(*w), QString("Pears"));
        QTest::keyClick(w->Edit1, Qt::Key_Return);
        QCOMPARE(w->windowTitle(), QString("Cardolo : Linked Items"));
        QCOMPARE(w->Label2->text(), QString("Pears"));
        QCOMPARE(w->PrimaryRdio->text(), QString("1 links down"));
        QVERIFY(w->PrimaryRdio->isChecked() && w->PrimaryRdio->isVisibleTo(w.get()));
        QCOMPARE(w->Exit1->text(), QString("&Back"));
        QVERIFY(w->Top1->isEnabled());
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        QTest::keyClick(w->Edit1, Qt::Key_Escape);
        QTRY_COMPARE(w->windowTitle(), QString("Cardolo : Top-level Items"));
        QCOMPARE(gridCursorName(*w), QString("Pears"));
        QCOMPARE(dialogs.Questions().size(), 1);
    }

    // Exit/Back and Esc act on the list shown, whatever the menu item's caption says.
    void leavingByTheListNotItsCaption() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId p = MakeItem("Pears");
        MakeItem("conference", p);
        auto w = open();
        w->Exit1->setText("&Back");
        dialogs.AnswerNo();
        w->Exit1->trigger();
        QCOMPARE(dialogs.Questions(), QStringList{"OK to exit program 'Cardolo' ?"});
        QCOMPARE(w->windowTitle(), QString("Cardolo : Top-level Items"));

        w->List().Rows().SetCursor(1); // Diary, Pears
        w->RowLinksCommand();
        QCOMPARE(w->Label2->text(), QString("Pears"));
        w->Exit1->setText("&Exit");
        w->Button1->click();
        QCOMPARE(w->windowTitle(), QString("Cardolo : Top-level Items"));
        QCOMPARE(gridCursorName(*w), QString("Pears"));
        QCOMPARE(w->Exit1->text(), QString("&Exit"));
        QCOMPARE(dialogs.Questions().size(), 1);
    }

    // A heading click acts by the column standing in that place when it is clicked: the Ref and
    // name columns trade places as the order changes, and Links? switches the counts.
    void headingsActByTheirColumn() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId p = MakeItem("P");
        const ItemId b = MakeItem("b item", p, "2024-01-01");
        MakeItem("a item", p, "2024-02-02");
        MakeItem("under b", b);
        ListWindow().SortOrder = SortBy::Name;
        auto w = open();
        w->List().ShowLinks(p, "P");
        QCOMPARE(titles(*w), (QStringList{"NAME", "REF", "Text?", "Links?"}));
        QHeaderView* heading = w->DBGrid1->horizontalHeader();
        emit heading->sectionClicked(1);
        QCOMPARE(titles(*w), (QStringList{"REF", "NAME", "Text?", "Links?"}));
        QCOMPARE(cell(*w, 0, 1), QString("b item"));
        const bool counts = AppSettings().ShowLinkCounts;
        emit heading->sectionClicked(3);
        QCOMPARE(AppSettings().ShowLinkCounts, !counts);
        QCOMPARE(cell(*w, 0, 3), counts ? QString(QChar(0xBB)) : QString("1"));
        emit heading->sectionClicked(1);
        QCOMPARE(titles(*w), (QStringList{"NAME", "REF", "Text?", "Links?"}));
        QCOMPARE(cell(*w, 0, 0), QString("a item"));
        QVERIFY(dialogs.Calls.isEmpty());
    }

    void countRepairMessage() {
        TestFolder folder;
        GridWatchingDialogs dialogs;
        const ItemId p = MakeItem("Empty");
        SetField(p, "numchildren", 3);
        auto w = open();
        dialogs.w = w.get();
        QTest::keyClicks(w->Edit1, "e");
        w->List().StepIntoLinks();
        QCOMPARE(dialogs.Infos(), QStringList{"Num links down 3 expected, 0 found - resetting"});
        // While the message is up, the grid still shows the list it was told of.
        QCOMPARE(dialogs.ModelAndView, (QList<QPair<int, int>>{{2, 2}}));
        QCOMPARE(Field(p, "numchildren"), 0);
        QCOMPARE(w->PrimaryRdio->text(), QString("0 links down"));
        QCOMPARE(w->Label1->text(), QString("0 Items listed"));
        // Right click on the empty list opens no menu.
        emit w->DBGrid1->customContextMenuRequested(QPoint(5, 5));
        QVERIFY(!w->PopupMenu1->isVisible());
    }

    void sortByRefAndJumpBox() {
        SetCollationLocale("en_GB");
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId p = MakeItem("P");
        MakeItem("mango", p, "b2");
        MakeItem("Kiwi", p, "a1");
        MakeItem("zest", p);
        auto w = open();
        QTest::keyClicks(w->Edit1, "p");
        QTest::keyClick(w->Edit1, Qt::Key_Return);
        QCOMPARE(titles(*w), (QStringList{"NAME", "REF", "Text?", "Links?"}));
        QCOMPARE(cell(*w, 0, 0), QString("Kiwi"));

        // The box keeps the text typed on the list before; the clear button empties it.
        QCOMPARE(w->Edit1->text(), QString("p"));
        w->ClearBtn->click();
        QTest::keyClicks(w->Edit1, "m");
        QCOMPARE(gridCursorName(*w), QString("mango"));
        clickTitle(*w, "REF");
        QCOMPARE(titles(*w), (QStringList{"REF", "NAME", "Text?", "Links?"}));
        QCOMPARE(w->Edit1->text(), QString()); // cleared without a jump
        QCOMPARE(cell(*w, 0, 0), QString());   // zest has no ref
        QCOMPARE(cell(*w, w->DBGrid1->currentIndex().row(), 1), QString("mango"));
        // By ref the key is the ref then the name: "b" passes the row without a ref, shown
        // first, and stops at the ref b2.
        QTest::keyClicks(w->Edit1, "b");
        QCOMPARE(cell(*w, w->DBGrid1->currentIndex().row(), 1), QString("mango"));
        clickTitle(*w, "NAME");
        QCOMPARE(titles(*w).first(), QString("NAME"));
        // Case does not count: a capital Z finds "zest".
        w->Edit1->clear();
        QTest::keyClicks(w->Edit1, "Z");
        QCOMPARE(gridCursorName(*w), QString("zest"));
    }

    void backRestoresRowAndSort() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId a = MakeItem("A");
        MakeItem("first", a, "r1");
        const ItemId b = MakeItem("second", a, "r2");
        MakeItem("deep", b);
        auto w = open();
        QTest::keyClicks(w->Edit1, "a");
        QTest::keyClick(w->Edit1, Qt::Key_Return);
        QCOMPARE(titles(*w).first(), QString("REF"));
        QTest::keyClick(w->Edit1, Qt::Key_Down);
        QCOMPARE(cell(*w, w->DBGrid1->currentIndex().row(), 1), QString("second"));
        QTest::keyClick(w->Edit1, Qt::Key_Return);
        QCOMPARE(w->Label2->text(), QString("second"));
        QCOMPARE(w->Label3->text(), QString("A : "));
        w->Exit1->trigger();
        QCOMPARE(titles(*w).first(), QString("REF"));
        QCOMPARE(cell(*w, w->DBGrid1->currentIndex().row(), 1), QString("second"));
    }

    // The dialog is made once: a second search starts from the text of the first. Refresh
    // A long search shows its progress in the status line beside the count and holds the
    // busy cursor; Esc, pressed while it runs, stops it (and does not go Back): nothing is
    // stamped and the window shows the list it showed.
    void escStopsALongSearch() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        {
            Transaction t;
            for (int i = 0; i < 1000; ++i)
                MakeItem(QStringLiteral("match %1").arg(i));
            t.Commit();
        }
        auto w = open();
        QApplication::setActiveWindow(w.get());
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        const QString listed = w->Label1->text();
        QDateTime now(QDate(2024, 6, 1), QTime(9, 0));
        SetClockForTesting([&now] { return now = now.addSecs(1); });
        // Runs at the search's first poll of events: what the window shows then, and Esc.
        QString progress;
        int busy = 0;
        QTimer::singleShot(0, w.get(), [&] {
            progress = w->Label4->text();
            busy = BusyDepth();
            QTest::keyClick(w->Edit1, Qt::Key_Escape);
        });
        w->List().SearchForText("match");
        SetClockForTesting({});
        QVERIFY2(progress.startsWith("Searching: ") && progress.endsWith("% - Esc to stop"),
                 qPrintable(progress));
        QVERIFY(busy > 0);
        QCOMPARE(BusyDepth(), 0);
        QCOMPARE(w->Label4->text(), QString());
        QCOMPARE(w->windowTitle(), QString("Cardolo : Top-level Items"));
        QCOMPARE(w->Label1->text(), listed);
        QCOMPARE(Scalar("SELECT count(*) FROM phonebk WHERE srchts IS NOT NULL").toInt(), 0);
        QVERIFY(dialogs.Calls.isEmpty()); // Esc did not run Exit's question
        QVERIFY(w->isVisible());
    }

    // A database whose search index must be built gets it in the background once the window
    // shows, with the progress in the status line until it is done.
    void indexBuildShowsProgress() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        {
            Transaction t;
            for (int i = 0; i < 3000; ++i)
                MakeItem(QStringLiteral("item %1").arg(i), ItemId(), QString(), "harbour");
            t.Commit();
        }
        RequestSearchIndexRebuild();
        OpenPhoneDB(DatabasePath());
        EnsureIndexes();
        QVERIFY(SearchIndexIncomplete());
        auto w = open();
        QVERIFY2(w->Label4->text().startsWith("Preparing the search: "),
                 qPrintable(w->Label4->text()));
        QTRY_VERIFY_WITH_TIMEOUT((w->Timer1Timer(), w->Label4->text().isEmpty()), 30000);
        QVERIFY(!w->Timer1->isActive());
        QVERIFY(SearchIndexReady());
        QVERIFY(dialogs.Calls.isEmpty());
    }

    // searches again. A hider's exact name shows its branch and empties the box; Top hides it.
    void searchDialogAndHider() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId a = MakeItem("O'Neil shed");
        MakeItem("ONeil gate");
        const ItemId hider = MakeItem("Vault");
        const ItemId key = MakeItem("Vault key", hider);
        MakeHider(hider, {key});
        auto w = open();
        const auto find = [&](const QString& text, bool folding) {
            QTimer::singleShot(0, w->Find, [&w, text, folding] {
                w->Find->Edit1->setText(text);
                w->Find->IgPuncChk->setChecked(folding);
                w->Find->OKBtn->click();
            });
            w->Find1->trigger();
        };
        find("o'neil", true);
        QCOMPARE(w->windowTitle(), QString("Cardolo : Search Results"));
        QCOMPARE(w->Label1->text(), QString("2 Items listed"));
        QCOMPARE(w->Label2->text(), QString("\"oneil\""));

        SetField(a, "name", "tool store");
        w->Refresh1->trigger();
        QCOMPARE(w->Label1->text(), QString("1 Item listed"));
        QCOMPARE(cell(*w, 0, 0), QString("ONeil gate"));

        QString seen;
        QTimer::singleShot(0, w->Find, [&] {
            seen = w->Find->Edit1->text();
            w->Find->CancelBtn->click();
        });
        w->Find1->trigger();
        QCOMPARE(seen, QString("o'neil"));
        QCOMPARE(w->Label1->text(), QString("1 Item listed"));

        find("Vault", false);
        QCOMPARE(w->Label2->text(), QString("\"vault\""));
        QCOMPARE(w->Label1->text(), QString("2 Items listed"));
        QCOMPARE(w->Find->Edit1->text(), QString()); // the exact name empties the box
        QCOMPARE(dialogs.Flashes(),
                 QStringList{QString("Showing #%1 and linked items").arg(hider.Value())});
        w->Top1->trigger();
        QCOMPARE(dialogs.Flashes().last(),
                 QString("Hiding #%1 and linked items").arg(hider.Value()));
        QCOMPARE(w->Exit1->text(), QString("&Exit"));
        QVERIFY(!w->Top1->isEnabled());
    }

    // A search list and a list of links down longer than a few pages, in the window: the count,
    // the last row once scrolled to the end, the jump box, a sort by the Ref column, the print
    // and the export of the whole list all see every row, each with its own cells.
    void longListsInTheWindow() {
        SetCollationLocale("en_GB");
        TestFolder folder;
        ScriptedDialogs dialogs;
        const int count = ListRows::ReadWholeUpTo * 2 + 10;
        const ItemId p = MakeItem("P");
        const QString n = QString::number(count);
        Exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " + n +
             ") INSERT INTO phonebk (name, tel, text, parent, rank, numchildren, numcousins) "
             "SELECT printf('word %05d', (i * 7919) % " +
             n + "), printf('r%05d', " + n + " - i), CASE WHEN i % 2 = 0 THEN 't' END, " +
             QString::number(p.Value()) + ", 0, 0, 0 FROM n");
        SetField(p, "numchildren", count);
        auto w = open();
        const auto lastCell = [&](int column) {
            w->DBGrid1->scrollToBottom();
            QApplication::processEvents();
            return cell(*w, w->Model()->rowCount() - 1, column);
        };

        w->List().SearchForText("word");
        QCOMPARE(w->Label1->text(), QString("%1 Items listed").arg(count));
        QCOMPARE(w->Model()->rowCount(), count);
        QCOMPARE(cell(*w, 0, 0), QString("word 00000"));
        QCOMPARE(lastCell(0), QString("word %1").arg(count - 1, 5, 10, QChar('0')));
        QTest::keyClicks(w->Edit1, "word 05");
        QCOMPARE(gridCursorName(*w), QString("word 05000"));
        QCOMPARE(w->List().ExportRows().Records.size(), count);
        QCOMPARE(int(w->List().PrintRows().Rows.size()), count);

        w->List().PushRequest([&] {
            DisplayRequest r;
            r.Mode = ListOf::LinksDown;
            r.ItemId = p;
            r.SetName("P");
            return r;
        }());
        QCOMPARE(w->Label1->text(), QString("%1 Items listed").arg(count));
        // Every row has a Ref, so the list opens sorted by it.
        QCOMPARE(titles(*w).first(), QString("REF"));
        clickTitle(*w, "NAME");
        QCOMPARE(titles(*w).first(), QString("NAME"));
        QCOMPARE(lastCell(0), QString("word %1").arg(count - 1, 5, 10, QChar('0')));
        clickTitle(*w, "REF");
        QCOMPARE(cell(*w, 0, 0), QString("r00000"));
        QCOMPARE(lastCell(0), QString("r%1").arg(count - 1, 5, 10, QChar('0')));
        // The row of the last Ref is the item made first: i = 1.
        QCOMPARE(cell(*w, count - 1, 1), QString("word %1").arg(7919 % count, 5, 10, QChar('0')));
        w->Edit1->clear();
        QTest::keyClicks(w->Edit1, "r01234");
        QCOMPARE(cell(*w, w->DBGrid1->currentIndex().row(), 0), QString("r01234"));
        const PrintableList printed = w->List().PrintRows();
        QCOMPARE(int(printed.Rows.size()), count);
        QVERIFY(!printed.NameFirst);
    }

    // The program's end waits for the marks of the last search: all are written when the
    // window has closed.
    void closingWritesTheLastSearchsMarks() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        {
            Transaction t;
            for (int i = 0; i < 3000; ++i)
                MakeItem(QStringLiteral("mark %1").arg(i));
            t.Commit();
        }
        auto w = open();
        // The user's turn held throughout keeps the writer of the marks from writing any: the
        // close writes them itself.
        const UserWriteTurn turn;
        w->List().SearchForText("mark");
        QVERIFY(SearchStampsPending());
        w->CloseQuietly();
        QVERIFY(!SearchStampsPending());
        QCOMPARE(Scalar("SELECT count(*) FROM phonebk WHERE srchts = ?",
                        {StampToDb(ListWindow().SearchStamp)})
                     .toInt(),
                 3000);
    }

    // Links across with their notes; "Edit" on a row opens the item's details in the editing
    // state, a row whose item is gone says so; the radio button lists the (empty) links down.
    void linksAcrossAndEdit() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId p = MakeItem("P");
        const ItemId ann = MakeItem("Ann");
        const ItemId gone = MakeItem("gone");
        LinkAcrossRows(p, ann, "zz");
        LinkAcrossRows(p, MakeItem("Bob"));
        LinkAcrossRows(p, gone);
        Exec("DELETE FROM phonebk WHERE id = ?", {IdToDb(gone)});
        auto w = open();
        QVERIFY(w->Edit2->isEnabled());
        QTest::keyClicks(w->Edit1, "p");
        QTest::keyClick(w->Edit1, Qt::Key_Return);
        QVERIFY(w->SecondaryRdio->isChecked());
        QCOMPARE(w->SecondaryRdio->text(), QString("3 links across"));
        QCOMPARE(w->Label1->text(), QString("3 Items listed"));
        // The row of the missing item (no name) comes first.
        QCOMPARE(cell(*w, 1, 0), QString("Ann  [ zz ]"));
        QCOMPARE(cell(*w, 2, 0), QString("Bob"));
        QCOMPARE(w->List().Rows().CursorRow().Id2, gone);
        w->Edit2->trigger();
        QCOMPARE(dialogs.Infos(), QStringList{QString("Item #%1 not found").arg(gone.Value())});
        TFidets* details = TFidets::Instance();
        QVERIFY(!details->isVisible());

        QTest::keyClick(w->Edit1, Qt::Key_Down);
        QCOMPARE(w->List().Rows().CursorRow().Id, ann);
        w->Edit2->trigger();
        QVERIFY(details->isVisible());
        QCOMPARE(details->Session.DetailsId(), ann);
        QVERIFY(details->IsEditing() && details->EditBtn->isChecked());
        QCOMPARE(dialogs.Calls.size(), 1);

        w->PrimaryRdio->click();
        QCOMPARE(w->Label1->text(), QString("0 Items listed"));
        QCOMPARE(w->PrimaryRdio->text(), QString("0 links down"));
    }

    // A new item saved from the details window while a list build shows the details (a nameless
    // item's list does) rebuilds the list after that build, not inside it.
    void saveDuringBuildRebuildsAfterIt() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId nameless = MakeItem("");
        MakeItem("child", nameless);
        auto w = open();
        TFidets* details = TFidets::Instance();
        QVERIFY(ShowItemDetails(ItemId(1)));
        details->InsBtn->click();
        QTest::keyClicks(details->DBEdit1, "Fresh");
        QSignalSpy resets(w->Model(), &QAbstractItemModel::modelReset);
        ListWindow().ListKind = ListOf::LinksDown;
        w->List().ShowLinks(nameless, QString());
        QCOMPARE(resets.count(), 1);
        QCOMPARE(details->Session.DetailsId(), nameless);
        QCOMPARE(w->Label1->text(), QString("1 Item listed"));
        QTRY_COMPARE(resets.count(), 2);
        QCOMPARE(w->Label1->text(), QString("1 Item listed"));
        QVERIFY(dialogs.Calls.isEmpty());
        QSqlQuery q = PrepareQuery("SELECT parent FROM phonebk WHERE name = 'Fresh'");
        ExecQuery(q);
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toInt(), 0);
    }

    // Closing the window keeps what was typed in the item windows, asks nothing, hides them,
    // writes the settings and reports the close.
    void closeKeepsTypingAndReportsClosed() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId page = MakeItem("Page", ItemId(), QString(), "old");
        const ItemId named = MakeItem("Named");
        auto w = open();
        QVERIFY(OpenItemText(page));
        TFIdets2* text = TFIdets2::Instance();
        text->Memo1->moveCursor(QTextCursor::End);
        QTest::keyClicks(text->Memo1, " new");
        EditItemDetails(named);
        TFidets* details = TFidets::Instance();
        details->DBEdit1->end(false);
        QTest::keyClicks(details->DBEdit1, "2");
        AppSettings().FlashInterval = 1234;
        QSignalSpy closed(w.get(), &TFAddsBk::Closed);
        QVERIFY(w->close());
        QCOMPARE(closed.count(), 1);
        QVERIFY(!text->isVisible());
        QVERIFY(!details->isVisible());
        QVERIFY(!details->IsEditing());
        QVERIFY(TextField(page, "text").startsWith("old new"));
        QCOMPARE(TextField(named, "name"), QString("Named2"));
        QCOMPARE(ReadSettingsFrom(SettingsPath()).FlashInterval, 1234);
        QVERIFY(dialogs.Calls.isEmpty());
    }

    // A close while a new item's modal windows wait: an untouched new text item is not kept, an
    // untouched plain Insert is dropped, and the modal loop ends.
    void closeEndsUntouchedNewItems() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        auto w = open();
        QVERIFY(ShowItemDetails(ItemId(1)));
        TFidets::Instance()->InsBtn->click();
        QTimer::singleShot(0, w.get(), [&] { w->close(); });
        ItemId id;
        QVERIFY(!NewItemText(-1, id));
        QVERIFY(!TFIdets2::Instance()->isVisible());
        QVERIFY(!TFidets::Instance()->isVisible());
        QSqlQuery q = PrepareQuery("SELECT COUNT(*) FROM phonebk");
        ExecQuery(q);
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toInt(), 1); // only the Diary
        QVERIFY(dialogs.Calls.isEmpty());
    }

    void cellClicksOpenTheItemText() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        MakeItem("note", ItemId(), QString(), "line one\nline two");
        auto w = open();
        QTest::keyClicks(w->Edit1, "n");
        const int row = w->DBGrid1->currentIndex().row();
        emit w->DBGrid1->clicked(w->Model()->index(row, 1));
        QVERIFY(TFIdets2::Instance()->isVisible());
        QCOMPARE(TFIdets2::Instance()->Memo1->toPlainText(), QString("note\n\nline one\nline two"));
        // The Links? cell of an item without links steps into its empty links list.
        emit w->DBGrid1->clicked(w->Model()->index(row, 2));
        QCOMPARE(w->Label2->text(), QString("note"));
        QCOMPARE(w->Label1->text(), QString("0 Items listed"));
        QVERIFY(w->SpeedButton1->isVisibleTo(w.get()));
        DestroyItemWindows();
    }

    // An 80-character name takes only the room the other columns leave, and the header elides
    // it before the radio buttons, also after the window is made narrower.
    void longNameLeavesColumnsInView() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const QString longName = QString(78, QLatin1Char('W')) + QStringLiteral("yz");
        const ItemId parent = MakeItem(longName, ItemId(), QStringLiteral("ref"));
        MakeItem(longName, parent, QStringLiteral("ref"), QStringLiteral("t"));
        auto w = open();
        w->resize(640, 480);
        auto columnsFit = [&w] {
            const int last = w->Model()->columnCount() - 1;
            return w->DBGrid1->columnViewportPosition(last) + w->DBGrid1->columnWidth(last) <=
                   w->DBGrid1->viewport()->width();
        };
        auto headerFits = [&w] {
            const QWidget* labels = w->Label2->parentWidget();
            return w->Label2->geometry().right() <= labels->width() &&
                   labels->geometry().right() < w->PrimaryRdio->geometry().left();
        };
        QTRY_VERIFY(columnsFit());
        QVERIFY(w->DBGrid1->columnWidth(0) < w->DBGrid1->fontMetrics().horizontalAdvance(longName));
        QTest::keyClicks(w->Edit1, "w");
        QTest::keyClick(w->Edit1, Qt::Key_Return);
        QCOMPARE(w->windowTitle(), QString("Cardolo : Linked Items"));
        QCOMPARE(titles(*w).size(), 4); // REF, Text? and Links? beside the Name
        QTRY_VERIFY(columnsFit());
        QVERIFY(headerFits());
        QVERIFY(w->Label2->text().endsWith(QChar(0x2026)));
        QVERIFY(longName.startsWith(w->Label2->text().chopped(1)));
        w->resize(420, 480);
        QTRY_VERIFY(columnsFit());
        QVERIFY(headerFits());
        // Wide again, a short name shows whole.
        QTest::keyClick(w->Edit1, Qt::Key_Escape);
        SetField(parent, "name", QStringLiteral("Short"));
        w->resize(900, 480);
        w->Refresh1->trigger();
        QTest::keyClicks(w->Edit1, "s");
        QTest::keyClick(w->Edit1, Qt::Key_Return);
        QTRY_COMPARE(w->Label2->text(), QString("Short"));
    }

    // The menus' commands reach the window: the grid menu's Text, Details and Links act on the
    // cursor row, Show link counts switches the Links? column, the options show the values in
    // force, and the link-note placement the list chose is checked, one of the two only.
    void menuCommandsAndOptions() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId note = MakeItem("note", ItemId(), QString(), "words");
        MakeItem("child", note);
        const ItemId p = MakeItem("P");
        LinkAcrossRows(p, MakeItem("Ann"), "zz");
        LinkAcrossRows(p, MakeItem("Bob"));
        auto w = open();
        QVERIFY(w->LnoteBeforeMnu->isChecked() && !w->LnoteBeforeMnu->isVisible());
        const int noteRow = 3; // Ann, Bob, Diary, note, P
        w->List().Rows().SetCursor(noteRow);
        QCOMPARE(w->List().Rows().CursorRow().Id, note);
        w->Showlinkcounts1->trigger();
        QVERIFY(AppSettings().ShowLinkCounts);
        QCOMPARE(dialogs.Flashes(), QStringList{"or click on Links column heading"});
        QCOMPARE(cell(*w, noteRow, 2), QString("1"));
        w->Showlinkcounts1->trigger();
        QVERIFY(!AppSettings().ShowLinkCounts);
        QCOMPARE(cell(*w, noteRow, 2), QString(QChar(0xBB)));

        w->List().Rows().SetCursor(noteRow);
        w->ViewItemnew1->trigger();
        QVERIFY(TFIdets2::Instance()->isVisible());
        QVERIFY(TFIdets2::Instance()->Memo1->toPlainText().endsWith("words"));
        w->Details1->trigger();
        QVERIFY(TFidets::Instance()->isVisible());
        QCOMPARE(TFidets::Instance()->Session.DetailsId(), note);
        w->Sublist1->trigger();
        QCOMPARE(w->Label2->text(), QString("note"));
        QCOMPARE(cell(*w, 0, 0), QString("child"));

        AppSettings().FlashInterval = 1234;
        AppSettings().ArchiveId = ItemId(56);
        emit w->Options1->aboutToShow();
        QCOMPARE(w->Flashinterval1->text(), QString("Flash interval = 1234ms"));
        QCOMPARE(w->Archiveid1->text(), QString("Archive id = 56"));

        // Links across, some with a note and some without: the note goes after the name.
        w->Exit1->trigger();
        w->List().Rows().SetCursor(w->Model()->rowCount() - 1);
        w->Sublist1->trigger();
        QCOMPARE(cell(*w, 0, 0), QString("Ann  [ zz ]"));
        QVERIFY(w->LnoteAfterMnu->isChecked() && !w->LnoteBeforeMnu->isChecked());
        QVERIFY(!w->LnoteAfterMnu->isVisible() && !w->HideArchive1->isVisible());
        QCOMPARE(dialogs.Calls.size(), 2); // the two flashes, nothing asked
        DestroyItemWindows();
    }

    // An engine error inside a list build ends the command with the engine's text, and the
    // build's busy level goes with it; a level an outer command holds stays held.
    void engineErrorInABuildEndsTheCommand() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        const ItemId p = MakeItem("Empty");
        SetField(p, "numchildren", 3);
        auto w = open();
        QTest::keyClicks(w->Edit1, "e");
        FailNextWrites("disk I/O error");
        QTest::keyClick(w->Edit1, Qt::Key_Return);
        QCOMPARE(dialogs.Infos(),
                 (QStringList{"Num links down 3 expected, 0 found - resetting", "disk I/O error"}));
        QCOMPARE(BusyDepth(), 0);
        QCOMPARE(Field(p, "numchildren"), 3);

        BeginBusy();
        FailNextWrites("disk I/O error");
        w->Refresh1->trigger();
        QCOMPARE(dialogs.Infos().size(), 4);
        QCOMPARE(dialogs.Infos().last(), QString("disk I/O error"));
        QCOMPARE(BusyDepth(), 1);
        EndBusy();

        // Once the engine writes again, so does the repair.
        w->Refresh1->trigger();
        QCOMPARE(Field(p, "numchildren"), 0);
        QCOMPARE(w->Label1->text(), QString("0 Items listed"));
        QCOMPARE(BusyDepth(), 0);
    }

    // A first list that cannot be read at all shows as an empty top-level list with the reason,
    // never the placeholders the window is built with; the error is shown once.
    void firstListUnreadable() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        MakeItem("Apple");
        Exec("ALTER TABLE phonebk RENAME TO phonebk_aside");
        auto w = open();
        QCOMPARE(dialogs.Infos().size(), 1);
        QVERIFY2(dialogs.Infos().first().contains("phonebk"), qPrintable(dialogs.Infos().first()));
        QCOMPARE(w->windowTitle(), QString("Cardolo : Top-level Items"));
        QCOMPARE(w->Label1->text(), QString("The list cannot be read"));
        QVERIFY(w->Panel4->isHidden());
        QCOMPARE(w->Model()->rowCount(), 0);
        QCOMPARE(titles(*w), (QStringList{"Name", "Text?", "Links?"}));
        Exec("ALTER TABLE phonebk_aside RENAME TO phonebk");
        w->Refresh1->trigger();
        QCOMPARE(w->Label1->text(), QString("2 Items listed"));
    }

    // Every caption of the search dialog shows whole, whatever the fonts make of it.
    void searchDialogShowsCaptionsWhole() {
        TestFolder folder;
        auto w = open();
        TFFind* find = w->Find;
        find->show();
        QVERIFY(QTest::qWaitForWindowExposed(find));
        const QList<QAbstractButton*> buttons = find->findChildren<QAbstractButton*>();
        QVERIFY(buttons.size() >= 6);
        for (QAbstractButton* b : buttons) {
            const int needed = b->sizeHint().width();
            QVERIFY2(b->width() >= needed || !b->isVisibleTo(find), qPrintable(b->text()));
            QVERIFY2(b->geometry().right() < find->width(), qPrintable(b->text()));
        }
        QCOMPARE(find->TextRdio->text(), QString("Search for text in item name/ref/text"));
        find->hide();
    }
};

QTEST_MAIN(TestTFAddsBk)
#include "TestTFAddsBk.moc"
