#include "app/CardoloApp.h"
#include "calendar/CalendarDate.h"
#include "calendar/CalendarState.h"
#include "calendar/DateText.h"
#include "calendar/TFCal.h"
#include "common/Busy.h"
#include "common/Clock.h"
#include "common/CommonState.h"
#include "common/Dialogs.h"
#include "common/Folders.h"
#include "common/NameCollator.h"
#include "common/NamedStack.h"
#include "common/Placement.h"
#include "common/Settings.h"
#include "common/TextHelpers.h"
#include "common/WorkProgress.h"
#include "dialogs/DialogWindows.h"
#include "dialogs/TFAbout1.h"
#include "dialogs/TFFlash.h"
#include "dialogs/TFchoice.h"
#include "dialogs/TFinpstr.h"
#include "diary/Diary.h"
#include "diary/TFCal2.h"
#include "itemwin/ItemWindows.h"
#include "itemwin/TFClpBd2.h"
#include "itemwin/TFIdets2.h"
#include "itemwin/TFidets.h"
#include "listwin/ListState.h"
#include "listwin/TFAddsBk.h"
#include "notepad/Notepad.h"
#include "notepad/TFnotepad.h"
#include "print/Printing.h"
#include "print/TFPtAdds.h"
#include "print/TFPtg.h"
#include "repair/Tfrepair.h"
#include "search/SearchRunner.h"
#include "store/Conversion.h"
#include "store/Database.h"
#include "store/ItemStore.h"
#include "store/StoreState.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFolder.h"

#include <QApplication>
#include <QMap>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {
QString n(qint64 value) {
    return QString::number(value);
}

QString n(ItemId id) {
    return n(id.Value());
}

QString Joined(const QStringList& parts) {
    return parts.join(QLatin1Char('|'));
}

QString DateFields(const CalendarDate& d) {
    return QStringLiteral("%1-%2-%3").arg(d.year).arg(d.month).arg(d.day);
}

// The program's state as it reads it, piece by piece: each piece's values as text.
using Pieces = QMap<QString, QString>;
Pieces Observe() {
    const Settings& s = AppSettings();
    const auto point = [](QPoint p) { return n(p.x()) + "," + n(p.y()); };
    return {
        {"settings", Joined({s.Prefix, n(s.Dbvn), n(s.WantTabs), n(s.DiaryId), n(s.FlashInterval),
                             n(s.ShowLinkCounts), n(s.ArchiveId)})},
        {"text helpers", Joined({Common().PadChar, n(Common().PunctuationFolding)})},
        {"dialog flags", Joined({Common().MessageCaption, n(Common().ProgrammaticChange),
                                 n(Common().LoadingItemText)})},
        {"busy depth", n(BusyDepth())},
        {"anchors", Joined({point(MessageBoxAnchor().lastBoxPosition),
                            point(MessageBoxAnchor().cursorAtLastClose),
                            point(ChooserAnchor().lastBoxPosition),
                            point(ChooserAnchor().cursorAtLastClose)})},
        {"collation", CollationLocale()},
        {"dialog backend", n(qintptr(CurrentDialogBackend()))},
        {"folders", Joined({ProgramFolder(), SettingsFile()})},
        {"database", Joined({n(PhoneDB().isOpen()), n(TheStoreState.QuietLinking),
                             n(TheStoreState.CurrentHider)})},
        {"dbvn", n(StoreDbvn())},
        {"transition", Joined({DateFields(LastJulianDay()), DateFields(FirstGregorianDay())})},
        {"stamp style", n(Calendar().TimestampStyle)},
        {"list",
         Joined({QChar(char(ListWindow().ListKind)), QChar(char(ListWindow().SortOrder)),
                 n(ListWindow().CurrentId), ListWindow().CurrentName, n(ListWindow().ParentId),
                 ListWindow().ParentName, ListWindow().SearchStamp.toString(Qt::ISODateWithMs),
                 ListWindow().SearchText, n(ListWindow().RelistNeeded),
                 n(ListWindow().LnoteBefore)})},
        {"navigation",
         Joined({n(ListWindow().CurrentRequest == DisplayRequest()), n(ListWindow().RestoreId),
                 n(ListWindow().RestoreDrop), n(DisplayRequests().Count())})},
        {"last search", LastSearchStamp.toString(Qt::ISODateWithMs)},
        {"link start", Joined({n(ListWindow().LinkStartId), ListWindow().LinkStartName})},
    };
}

// Taken before any test changes a thing.
Pieces AtStart;

// Piece by piece, so that a failure names the piece the reset left out.
void CompareWithStart() {
    const Pieces now = Observe();
    for (auto piece = AtStart.cbegin(); piece != AtStart.cend(); ++piece)
        QVERIFY2(now.value(piece.key()) == piece.value(),
                 qPrintable(piece.key() + ": " + now.value(piece.key())));
}

// The windows the program makes once and reuses, as guarded pointers: each becomes null when
// its window is deleted.
using Guarded = QList<QPointer<QWidget>>;
Guarded OnceMadeWindows() {
    const QList<QWidget*> windows{TFidets::Existing(),
                                  TFIdets2::Existing(),
                                  TFClpBd2::Existing(),
                                  PrintingState().PageSetupWindow.data(),
                                  PrintingState().OptionsWindow.data(),
                                  TFCal::Existing(),
                                  DialogWindows().About.data(),
                                  DialogWindows().Chooser.data(),
                                  DialogWindows().Prompt.data(),
                                  DialogWindows().Flash.data(),
                                  TFCal2::Existing(),
                                  TFnotepad::Existing(),
                                  Tfrepair::Existing()};
    Guarded guarded;
    for (QWidget* w : windows)
        guarded << QPointer<QWidget>(w);
    return guarded;
}
} // namespace

// All of the program's state as it starts: one reset puts back every piece of it, and the end
// of the program leaves none of the windows it made behind.
class TestProgramState : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { AtStart = Observe(); }
    void init() { ResetAllState(); }
    void cleanup() { ResetAllState(); }

    // The helpers', the store's, the calendar's and the list window's values, each set to
    // something the program never starts with, are back as at start after the one reset.
    void resetPutsEveryValueBack() {
        QTemporaryDir dir;
        SetProgramFolder(dir.path());
        SetSettingsFile(dir.filePath("elsewhere.ini"));
        AppSettings() = Settings{"pre", 1001, true, ItemId(7), 33, true, ItemId(9)};
        Common().PadChar = QLatin1Char('*');
        Common().PunctuationFolding = true;
        Common().MessageCaption = QStringLiteral("caption");
        Common().ProgrammaticChange = true;
        Common().LoadingItemText = true;
        BeginBusy();
        ScriptedDialogs dialogs;
        MessageBoxAnchor().lastBoxPosition = QPoint(3, 4);
        ChooserAnchor().cursorAtLastClose = QPoint(5, 6);
        SetCollationLocale(QStringLiteral("sv"));
        QVERIFY(OpenPhoneDB(dir.filePath("state.db")));
        TheStoreState.QuietLinking = false;
        TheStoreState.CurrentHider = ItemId(12);
        FailNextWrites(QStringLiteral("disk I/O error"), 3);
        StoreDbvn() = 1001;
        SetTransition(TransitionPresets()[0].lastJulian, TransitionPresets()[0].firstGregorian);
        Calendar().TimestampStyle = StampDateTime;
        ListWindow().ListKind = ListOf::SearchResults;
        ListWindow().SortOrder = SortBy::Ref;
        ListWindow().CurrentId = ItemId(5);
        ListWindow().CurrentName = QStringLiteral("five");
        ListWindow().ParentId = ItemId(4);
        ListWindow().ParentName = QStringLiteral("four");
        ListWindow().SearchStamp = QDateTime(QDate(2024, 6, 1), QTime(9, 0));
        ListWindow().SearchText = QStringLiteral("found");
        ListWindow().RelistNeeded = true;
        ListWindow().LnoteBefore = false;
        ListWindow().CurrentRequest.ItemId = ItemId(5);
        ListWindow().RestoreId = ItemId(6);
        ListWindow().RestoreDrop = 2;
        DisplayRequests().StackAdd(DisplayRequest());
        LastSearchStamp = ListWindow().SearchStamp;
        ListWindow().LinkStartId = ItemId(8);
        ListWindow().LinkStartName = QStringLiteral("\"eight\"");
        const Pieces changed = Observe();
        for (auto piece = changed.cbegin(); piece != changed.cend(); ++piece)
            QVERIFY2(piece.value() != AtStart.value(piece.key()), qPrintable(piece.key()));

        ResetAllState();
        CompareWithStart();
        if (QTest::currentTestFailed())
            return;
        // What the connection had armed went with it: the next database takes writes.
        QVERIFY(OpenPhoneDB(dir.filePath("next.db")));
        QVERIFY(CreateItem(QStringLiteral("written"), QString()).IsValid());
        ClosePhoneDB();
    }

    // What tests and the window layer install (the clock, the busy and progress hooks, the
    // dialog backend, the conversion's binding) and what the helpers keep (the integer queue)
    // is gone after the reset: nothing installed is called any more.
    void resetRemovesWhatWasInstalled() {
        const QDateTime past(QDate(1999, 1, 2), QTime(3, 4));
        SetClockForTesting([past] { return past; });
        QStringList heard;
        SetBusyHooks({[&heard] { heard << "busy"; }, [&heard] { heard << "normal"; },
                      [&heard] { heard << "events"; }});
        SetWorkProgressHooks({[&heard](const QString& text) { heard << text; },
                              [&heard] {
                                  heard << "poll";
                                  return false;
                              }});
        auto dialogs = std::make_unique<ScriptedDialogs>();
        int heldDbvn = 1001;
        int saves = 0;
        BindConversionSettings(heldDbvn, [&saves] { ++saves; });
        PushInteger(42);
        BeginBusy();
        QCOMPARE(heard, QStringList{"busy"});

        ResetAllState();
        // The cursor the busy hooks set was taken away by them, once.
        QCOMPARE(heard, (QStringList{"busy", "normal"}));
        heard.clear();
        QVERIFY(qAbs(CurrentDateTime().secsTo(QDateTime::currentDateTime())) < 60);
        BeginBusy();
        EndBusy();
        {
            WorkProgress work(QStringLiteral("Working"));
            QVERIFY(work.Report());
        }
        QCOMPARE(heard, QStringList());
        ShowInfo(QStringLiteral("nobody scripted this"));
        QVERIFY(CurrentDialogBackend() != dialogs.get());
        QCOMPARE(dialogs->Calls.size(), 0);
        // DBVN is the store's own again, and raising it saves nothing.
        QCOMPARE(StoreDbvn(), 800);
        StoreDbvn() = 703;
        NoteNewDatabase();
        QCOMPARE(StoreDbvn(), NewestDbvn);
        QCOMPARE(heldDbvn, 1001);
        QCOMPARE(saves, 0);
        int32_t left = 0;
        QVERIFY(!TakeInteger(left));
    }

    // Every window the program makes once and reuses, and the hooks and choices of the item
    // windows and printing, are gone after the reset; the next use makes new windows.
    void resetDestroysTheWindows() {
        TestFolder folder;
        CreateItemWindows();
        ItemHooks().ShowLinks = [](ItemId, const QString&) {};
        ItemHooks().PageFontChanged = [](const QFont&) {};
        TFPtg::Instance();
        TFPtAdds::Instance();
        PrintingState().ToPdf = true;
        PrintingState().PdfPath = folder.Path() + "out.pdf";
        PrintingState().PdfNamedInSetup = true;
        PrintingState().PrintersInstalled = [] { return true; };
        TFCal::Instance();
        CreateDialogWindows();
        CreateDiaryWindow();
        CreateNotepad();
        Tfrepair::Instance();
        const Guarded made = OnceMadeWindows();
        for (const QPointer<QWidget>& w : made)
            QVERIFY(w);

        ResetAllState();
        for (int i = 0; i < made.size(); ++i)
            QVERIFY2(!made[i], qPrintable(QStringLiteral("window %1 is left").arg(i)));
        for (const QPointer<QWidget>& w : OnceMadeWindows())
            QVERIFY(!w);
        QVERIFY(!ItemHooks().ShowLinks && !ItemHooks().PageFontChanged);
        QVERIFY(!PrintingState().ToPdf && PrintingState().PdfPath.isEmpty());
        QVERIFY(!PrintingState().PdfNamedInSetup && !PrintingState().PrintersInstalled);
    }

    // The program started and ended in the test's process: every window it made (the main
    // window, the item windows, the message windows, the date picker, the print windows, the
    // diary, the notepad and the health check) is deleted when it ends.
    void programEndLeavesNoWindow() {
        QTemporaryDir dir;
        Guarded made;
        {
            CardoloApp app;
            CardoloApp::Options options;
            options.folder = dir.path();
            QCOMPARE(app.Start(options), -1);
            // The windows made on first use are used once.
            TFCal::Instance();
            TFPtg::Instance();
            TFPtAdds::Instance();
            CreateDiaryWindow();
            Tfrepair::Instance();
            made = OnceMadeWindows();
            made << QPointer<QWidget>(app.MainWindow());
            for (const QPointer<QWidget>& w : made)
                QVERIFY(w);
        }
        for (int i = 0; i < made.size(); ++i)
            QVERIFY2(!made[i], qPrintable(QStringLiteral("window %1 is left").arg(i)));
        QCOMPARE(QApplication::topLevelWidgets(), QWidgetList());
    }
};

QTEST_MAIN(TestProgramState)
#include "TestProgramState.moc"
