#include "repair/HealthCheckWindow.h"
#include "repair/Tfrepair.h"

#include "common/Busy.h"
#include "common/WindowHelpers.h"
#include "support/ItemFixture.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFolder.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenuBar>
#include <QTest>

#include <functional>

namespace {
Tfrepair* w() {
    return Tfrepair::Instance();
}

// The window's own way of letting events through, as it was made.
std::function<void()> OwnYield;

// Runs action at each yield of the window's scan (numbered from 1), before the window lets
// the pending events through.
void AtEachYield(std::function<void(int)> action) {
    auto count = std::make_shared<int>(0);
    w()->Scan.ProcessEvents = [action, count] {
        action(++*count);
        OwnYield();
    };
}

// A menu command chosen through the event queue, so that it arrives while the scan runs.
void PostTrigger(QAction* action) {
    QMetaObject::invokeMethod(action, &QAction::trigger, Qt::QueuedConnection);
}

void MakeItems(int count) {
    for (int i = 0; i < count; ++i)
        MakeItem(QString("item %1").arg(i));
}
} // namespace

// The health check window: its report in Memo1, the countdown in Panel1, and Close, Recheck
// and Repair, also while a scan is running.
class TestHealthCheckWindow : public QObject {
    Q_OBJECT
private slots:
    void init() {
        ResetAllState();
        InstallBusyCursor();
        OwnYield = w()->Scan.ProcessEvents;
    }
    void cleanup() {
        ResetAllState();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // Opening shows the window with the report below its empty first line, counting down
    // with the busy cursor while it scans; Recheck appends a second report.
    void openCountdownAndRecheck() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        MakeItems(4);
        w()->Scan.ChunkSize = 2;
        QStringList panel;
        AtEachYield([&](int) {
            const QCursor* cursor = QGuiApplication::overrideCursor();
            QVERIFY(cursor && cursor->shape() == Qt::WaitCursor);
            panel << w()->Panel1->text();
        });
        ShowHealthCheck();
        QVERIFY(w()->isVisible() && !w()->isModal());
        QCOMPARE(w()->windowTitle(), QString("Database healthcheck"));
        QStringList menu;
        for (QAction* action : w()->menuBar()->actions())
            menu << action->text();
        QCOMPARE(menu, QStringList({"Close", "Recheck", "Repair"}));
        const QStringList report{"PHONEBK.DB 5 records", "MM.DB (links across) 0 records",
                                 "Scan complete, 0 errors", ""};
        QCOMPARE(w()->MemoLines(), QStringList{""} + report);
        QCOMPARE(panel.mid(0, 3), QStringList({" 5", " 3", " 1"}));
        QCOMPARE(w()->Panel1->text(), QString(" "));
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);

        w()->Recheck1->trigger();
        QCOMPARE(w()->MemoLines(), QStringList{""} + report + report);
        QVERIFY(dialogs.Calls.isEmpty());
    }

    // Close chosen during the item scan stops it before the next item, with no summary, no
    // recheck and nothing repaired; Recheck chosen during a scan stops it and scans anew.
    void commandsDuringAScan() {
        TestFolder folder;
        MakeItems(5);
        SetField(ItemId(6), "rank", QVariant());
        w()->Scan.ChunkSize = 2;
        AtEachYield([](int n) {
            if (n == 2)
                PostTrigger(w()->Close1);
        });
        w()->show();
        w()->Repair1->trigger();
        QVERIFY(!w()->isVisible());
        QCOMPARE(w()->MemoLines(), QStringList({"", "Repairing ...", "PHONEBK.DB 6 records"}));
        QCOMPARE(Field(ItemId(6), "rank IS NULL"), 1);

        AtEachYield([](int n) {
            if (n == 2)
                PostTrigger(w()->Recheck1);
        });
        ShowHealthCheck();
        QVERIFY(w()->isVisible());
        QCOMPARE(w()->MemoLines().mid(3),
                 QStringList({"PHONEBK.DB 6 records", "PHONEBK.DB 6 records",
                              "Problem : Item 6 null rank shd be 0",
                              "MM.DB (links across) 0 records", "Scan complete, 1 errors", ""}));
    }

    // Repair's lines follow the report; an engine error ends it with the engine's text
    // through the dialog seam, nothing of the refused chunk stored or reported as repaired.
    void repairAndRefusedWrite() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        Exec("INSERT INTO phonebk (id, name, parent, rank) VALUES (10, 'x', 0, NULL)");
        ShowHealthCheck();
        AtEachYield([](int n) {
            if (n == 1) // after the pre-repair pass
                FailNextWrites("disk I/O error");
        });
        w()->Repair1->trigger();
        QCOMPARE(dialogs.Infos(), QStringList{"disk I/O error"});
        QCOMPARE(w()->MemoLines().mid(6), QStringList({"Repairing ...", "PHONEBK.DB 2 records"}));
        QCOMPARE(Field(ItemId(10), "rank IS NULL"), 1);
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);

        w()->Scan.ProcessEvents = OwnYield;
        w()->Repair1->trigger();
        QCOMPARE(w()->MemoLines().mid(8),
                 QStringList({"Repairing ...", "PHONEBK.DB 2 records",
                              "Problem : Item 10 null rank shd be 0 (repaired)",
                              "MM.DB (links across) 0 records", "Scan complete, 1 errors", "",
                              "Rechecking ...", "PHONEBK.DB 2 records",
                              "MM.DB (links across) 0 records", "Scan complete, 0 errors", ""}));
    }

    // The end of the program during a scan: StopHealthCheck ends it, links across included,
    // and a window destroyed under its own scan goes once the scan has returned.
    void endDuringAScan() {
        TestFolder folder;
        MakeItems(4);
        Exec("INSERT INTO mm2 (id1, id2, linknote, \"drop\") VALUES (70, 71, 'n', 0)");
        w()->Scan.ChunkSize = 2;
        AtEachYield([](int n) {
            if (n == 4) // the links' first chunk
                StopHealthCheck();
        });
        ShowHealthCheck();
        QCOMPARE(w()->MemoLines().last(), QString("MM.DB (links across) 1 records"));

        QPointer<Tfrepair> window = w();
        AtEachYield([](int n) {
            if (n == 2)
                DestroyHealthCheckWindow();
        });
        ShowHealthCheck();
        QVERIFY(window && !window->isVisible());
        QCOMPARE(Tfrepair::Existing(), nullptr);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!window);
    }
};

QTEST_MAIN(TestHealthCheckWindow)
#include "TestHealthCheckWindow.moc"
