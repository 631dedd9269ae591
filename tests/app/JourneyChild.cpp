// The real program, started as main() starts it, with a user played by JourneyDriver: after the
// main window is up it makes, edits and links items through the windows as a user would, then
// ends the program by one of the user's routes. The test that starts it reads the database file
// afterwards, from a process of its own.
//
//   JourneyChild --folder DIR --journey NAME --end exit|close|sigterm|sigint
//
// Standard output carries "DIALOG: <text>" for every modal window and "JOURNEY FAILED: <why>"
// for anything that did not go as the journey expects; the exit code is then 3.

#include "JourneyDriver.h"

#include "app/CardoloApp.h"
#include "app/CardoloMain.h"
#include "common/Clock.h"
#include "diary/TFCal2.h"
#include "itemwin/TFIdets2.h"
#include "itemwin/TFidets.h"
#include "listwin/ListModel.h"
#include "listwin/TFAddsBk.h"
#include "listwin/TFFind.h"
#include "search/SearchIndex.h"
#include "search/SearchStamps.h"
#include "store/Database.h"
#include "store/WriteGate.h"

#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>

#include <csignal>
#include <cstring>
#include <map>
#include <unistd.h>
#include <vector>

namespace {
// The program's clock for every journey: the diary, the Now! stamp and the creation times.
const QDateTime JourneyNow(QDate(2024, 5, 17), QTime(9, 5));

JourneyDriver* Driver = nullptr;
TFAddsBk* Main = nullptr;
QString Route;
// The journey ended the program itself (from inside a modal window).
bool Ended = false;

void endProgram(const QString& route);
bool openFromList(const QString& item, QAction* command, QWidget* window);

bool check(bool ok, const QString& what) {
    if (!ok)
        JourneyDriver::Fail(what);
    return ok;
}

// Puts the list's cursor on the item named name (typed in lower case into the jump box, which
// matches lower-case names) and checks it got there.
bool jumpTo(const QString& name) {
    Main->Edit1->clear();
    QTest::keyClicks(Main->Edit1, name.toLower());
    return check(Main->List().Rows().CursorRow().Name == name,
                 QStringLiteral("the jump box did not find %1").arg(name));
}

// Opens the grid's context menu as a right click does (its commands are set as it opens), and
// shuts it again.
void popupMenu() {
    emit Main->DBGrid1->customContextMenuRequested(QPoint(5, 5));
    Main->PopupMenu1->hide();
}

// Types text as keys, a line break as Return.
void typeLines(QWidget* box, const QString& text) {
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        if (i > 0)
            QTest::keyClick(box, Qt::Key_Return);
        QTest::keyClicks(box, lines[i]);
    }
}

void settle() {
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

// New > Details: the details window opens modally for a new item, which Save stores.
void newDetails(const QString& name, const QString& ref, const QString& text) {
    Driver->OnModal(QStringLiteral("TFidets"), [name, ref, text](QWidget*) {
        TFidets* d = TFidets::Instance();
        QTest::keyClicks(d->DBEdit1, name);
        QTest::keyClicks(d->DBEdit2, ref);
        typeLines(d->DBMemo1, text);
        QTest::mouseClick(d->CommitBtn, Qt::LeftButton);
    });
    Main->Details2->trigger();
    settle();
}

// New > Text or Now!: the text window opens modally for a new item; the page is typed, Esc
// closes it and "Save changes?" is answered Yes.
void newText(QAction* command, const QStringList& lines) {
    Driver->OnModal(QStringLiteral("TFIdets2"), [lines](QWidget*) {
        QPlainTextEdit* page = TFIdets2::Instance()->Memo1;
        typeLines(page, lines.join(QLatin1Char('\n')));
        QTest::keyClick(page, Qt::Key_Escape);
    });
    Driver->Yes(QStringLiteral("Save changes?"));
    command->trigger();
    settle();
}

// Text to List on an item whose text holds the lines: its details window, Button4, Yes, and
// the alphabetic sequence.
void textToList(const QString& item) {
    TFidets* d = TFidets::Instance();
    if (!openFromList(item, Main->Details1, d))
        return;
    Driver->Yes(QStringLiteral("Copy item text to list of items - OK?"));
    Driver->Choose(QStringLiteral("List sequence is alphabetic by default"), 1);
    d->Button4->click();
    settle();
    Main->Refresh1->trigger();
    settle();
}

// The diary on the program's day: a click on day 20 of the month shown, the year item made
// with its message, and the entry's details saved.
void diaryDay() {
    Main->Diary1->trigger();
    settle();
    TFCal2* diary = TFCal2::Instance();
    if (!check(diary && diary->isVisible(), QStringLiteral("the diary did not open")))
        return;
    QTableWidget* grid = diary->StringGrid1;
    int row = -1;
    int column = -1;
    for (int r = 1; r < 7 && row < 0; ++r)
        for (int c = 0; c < 7; ++c)
            if (grid->item(r, c) && grid->item(r, c)->text().left(2).trimmed() == "20") {
                row = r;
                column = c;
                break;
            }
    if (!check(row > 0, QStringLiteral("no cell for day 20")))
        return;
    Driver->Ok(QStringLiteral("Creating item #"));
    Driver->OnModal(QStringLiteral("TFidets"), [](QWidget*) {
        TFidets* d = TFidets::Instance();
        QTest::keyClicks(d->DBEdit1, "Journey diary entry");
        QTest::keyClicks(d->DBMemo1, "met the team");
        QTest::mouseClick(d->CommitBtn, Qt::LeftButton);
    });
    const QRect cell = grid->visualRect(grid->model()->index(row, column));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    check(JourneyDriver::WaitFor([] { return Driver->Done(); }),
          QStringLiteral("the diary's day did not open its entry"));
    settle();
    diary->Close1->trigger();
    settle();
}

// "Start new link" on the item named from.
void startLink(const QString& from) {
    if (jumpTo(from))
        Main->Link1->trigger();
    settle();
}

// Link across from the item chosen by startLink to to, then the link's note from to's list
// of links.
void linkAcrossWithNote(const QString& from, const QString& to, const QString& note) {
    startLink(from);
    if (!jumpTo(to))
        return;
    popupMenu();
    Main->Secondarylink1->trigger();
    settle();
    Main->Sublist1->trigger();
    settle();
    if (!jumpTo(from))
        return;
    popupMenu();
    Driver->Type(QStringLiteral("[ Link note ]"), note);
    Main->Linknote1->trigger();
    settle();
    Main->Top1->trigger();
    settle();
}

// LinkAll across: every item of the top-level list linked across to hub (its own row refused).
void linkAllAcross(const QString& hub) {
    startLink(hub);
    emit Main->LinkAll1->aboutToShow();
    Driver->Yes(QStringLiteral("Link across between"));
    Main->LinkAllAcross1->trigger();
    settle();
}

// Runs a row command of the list on the item named item and checks that window came up.
bool openFromList(const QString& item, QAction* command, QWidget* window) {
    if (!jumpTo(item))
        return false;
    command->trigger();
    settle();
    return check(
        window->isVisible(),
        QStringLiteral("%1 did not open %2")
            .arg(command->objectName(), QString::fromLatin1(window->metaObject()->className())));
}

// A new line typed at the end of a page.
void typeAtEnd(QPlainTextEdit* page, const QString& typed) {
    QTest::keyClick(page, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(page, Qt::Key_Return);
    QTest::keyClicks(page, typed);
}

// The details window's Edit, with a new Ref typed.
void editRef(TFidets* details, const QString& ref) {
    QTest::mouseClick(details->EditBtn, Qt::LeftButton);
    details->DBEdit2->selectAll();
    QTest::keyClicks(details->DBEdit2, ref);
}

// An existing item's page opened from the list (the row's "Text"), a line typed at its end, and
// the program ended with the typing unsaved.
void unsavedPage(const QString& item, const QString& typed) {
    if (openFromList(item, Main->ViewItemnew1, TFIdets2::Instance()))
        typeAtEnd(TFIdets2::Instance()->Memo1, typed);
}

// An item's details window in Edit mode with a new Ref typed, not saved.
void unsavedDetails(const QString& item, const QString& ref) {
    if (openFromList(item, Main->Details1, TFidets::Instance()))
        editRef(TFidets::Instance(), ref);
}

// A new item's page open (modal) when the program is told to end: typed into, or not.
void newTextEndedInside(const QString& typed) {
    Driver->OnModal(QStringLiteral("TFIdets2"), [typed](QWidget*) {
        QTest::keyClicks(TFIdets2::Instance()->Memo1, typed);
        Ended = true;
        endProgram(Route);
    });
    Main->ext1->trigger();
}

// One item open in the text window and in the details window at once: the page gets a line
// typed at its end, the details (in Edit) a new Ref, and then each window saves (the page by
// closing it with "Save changes?" Yes, the details with Save) in the order given. Each save
// writes only what its own window changed.
void twoWindows(bool detailsFirst) {
    newDetails("Shared", "R1", "body");
    TFIdets2* text = TFIdets2::Instance();
    TFidets* details = TFidets::Instance();
    if (!openFromList("Shared", Main->ViewItemnew1, text) ||
        !openFromList("Shared", Main->Details1, details))
        return;
    // Both windows are edited before either saves.
    typeAtEnd(text->Memo1, "typed in the page");
    editRef(details, "R2");
    const auto saveDetails = [details] {
        QTest::mouseClick(details->CommitBtn, Qt::LeftButton);
        settle();
    };
    const auto savePage = [text] {
        Driver->Yes(QStringLiteral("Save changes?"));
        QTest::keyClick(text->Memo1, Qt::Key_Escape);
        check(JourneyDriver::WaitFor([] { return Driver->Done(); }),
              QStringLiteral("the page was not saved"));
        settle();
    };
    if (detailsFirst) {
        saveDetails();
        savePage();
    } else {
        savePage();
        saveDetails();
    }
}

// Items saved through the details window while the search index of a large database is built
// in the background: every save goes through at once. Says how many were saved while the
// build was still under way.
void savesDuringIndexBuild() {
    int during = 0;
    for (int i = 1; i <= 20; ++i) {
        const bool building = SearchIndexIncomplete();
        newDetails(QStringLiteral("Saved during build %1").arg(i, 2, 10, QLatin1Char('0')),
                   QString(), QStringLiteral("text %1").arg(i));
        if (building)
            ++during;
    }
    std::printf("SAVED DURING BUILD: %d\n", during);
    std::fflush(stdout);
}

// A search that finds 20,000 items, the program ended at once: the marks are still to be
// written in the background when the end comes. Says whether they were.
void searchMarks() {
    {
        Transaction t;
        ExecSql(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                               "WHERE i < 20000) INSERT INTO phonebk (name, parent, rank, "
                               "numchildren, numcousins) SELECT 'card ' || i, 0, 0, 0, 0 FROM n"));
        t.Commit();
    }
    // Held until the journey ends: no mark is written before the program's end begins.
    const UserWriteTurn holdMarksBack;
    QTimer::singleShot(0, Main->Find, [] {
        Main->Find->Edit1->setText(QStringLiteral("card"));
        Main->Find->OKBtn->click();
    });
    Main->Find1->trigger();
    check(Main->Model()->rowCount() == 20000, QStringLiteral("the search did not list its items"));
    std::printf("MARKS PENDING: %d\n", SearchStampsPending() ? 1 : 0);
    std::fflush(stdout);
    // Back to the top level, where Exit ends the program (a search list's button goes back).
    Main->Top1->trigger();
}

// The journeys. Each leaves a saved state the test checks; the "unsaved" ones end with typing
// that no save has written yet.
const std::map<QString, std::function<void()>>& journeys() {
    static const std::map<QString, std::function<void()>> all = {
        {"new-details", [] { newDetails("Journey details", "R1", "details body"); }},
        {"new-text",
         [] {
             newText(Main->ext1, {"Journey text", "", "body line", "second line"});
         }},
        {"now",
         [] {
             newText(Main->Now1, {"Journey now", "", "stamped"});
         }},
        {"text-to-list",
         [] {
             newDetails("Groceries", QString(), "milk\neggs\n\nbread");
             textToList("Groceries");
         }},
        {"diary-day", [] { diaryDay(); }},
        {"link-all",
         [] {
             newDetails("Hub", QString(), QString());
             newDetails("Alpha", QString(), QString());
             newDetails("Beta", QString(), QString());
             linkAllAcross("Hub");
         }},
        {"link-note",
         [] {
             newDetails("Alpha", QString(), QString());
             newDetails("Beta", QString(), QString());
             linkAcrossWithNote("Alpha", "Beta", "met at the fair");
         }},
        {"unsaved-page",
         [] {
             newDetails("Note", QString(), "first");
             unsavedPage("Note", "typed last");
         }},
        {"unsaved-details",
         [] {
             newDetails("Card", "R1", "body");
             unsavedDetails("Card", "R2");
         }},
        {"saves-during-index-build", [] { savesDuringIndexBuild(); }},
        {"two-windows-details-first", [] { twoWindows(true); }},
        {"two-windows-page-first", [] { twoWindows(false); }},
        {"unsaved-new-page", [] { newTextEndedInside("Typed at the end"); }},
        {"untouched-new-page", [] { newTextEndedInside(QString()); }},
        {"search-marks", [] { searchMarks(); }},
    };
    return all;
}

void endProgram(const QString& route) {
    if (route == "exit") {
        Driver->Yes(QStringLiteral("OK to exit program 'Cardolo' ?"));
        QTest::mouseClick(Main->Button1, Qt::LeftButton);
    } else if (route == "close") {
        // What the window's close box sends.
        Main->close();
    } else if (route == "sigterm") {
        ::kill(::getpid(), SIGTERM);
    } else if (route == "sigint") {
        ::kill(::getpid(), SIGINT);
    } else {
        JourneyDriver::Fail(QStringLiteral("no route %1").arg(route));
        Main->CloseQuietly();
    }
}

QString takeOption(std::vector<char*>& args, const char* name) {
    for (size_t i = 1; i + 1 < args.size(); ++i)
        if (std::strcmp(args[i], name) == 0) {
            const QString value = QString::fromLocal8Bit(args[i + 1]);
            args.erase(args.begin() + long(i), args.begin() + long(i) + 2);
            return value;
        }
    return QString();
}
} // namespace

int main(int argc, char* argv[]) {
    std::vector<char*> args(argv, argv + argc);
    const QString journey = takeOption(args, "--journey");
    Route = takeOption(args, "--end");
    if (!journeys().count(journey)) {
        std::fprintf(stderr, "JourneyChild: no journey %s\n", journey.toLocal8Bit().constData());
        return 2;
    }
    SetClockForTesting([] { return JourneyNow; });
    int count = int(args.size());
    args.push_back(nullptr);
    const int rc = RunCardolo(count, args.data(), [&](CardoloApp& app) {
        Main = app.MainWindow();
        Driver = new JourneyDriver;
        Driver->setParent(Main);
        QTimer::singleShot(0, Main, [journey] {
            journeys().at(journey)();
            if (!Driver->Done())
                JourneyDriver::Fail(
                    QStringLiteral("%1 answers left unused").arg(Driver->Pending()));
            std::printf("JOURNEY DONE\n");
            std::fflush(stdout);
            if (!Ended)
                endProgram(Route);
        });
    });
    if (JourneyDriver::Failed())
        return 3;
    return rc;
}
