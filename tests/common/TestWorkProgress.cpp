#include "common/Clock.h"
#include "common/WorkProgress.h"
#include "support/TestFolder.h"

#include <QTest>

// Long work's progress: when it is shown, how often the window is let to hear the user, and
// how a stop asked for is kept. Time is the test's clock.
class TestWorkProgress : public QObject {
    Q_OBJECT

    QDateTime now;
    QStringList shown;
    int polls = 0;
    int stopAtPoll = 0; // 0: never

    // Notes one unit of work ProgressClockEvery times, so that the clock is read once.
    bool stepRound(WorkProgress& work, qint64 done, qint64 total) {
        bool go = true;
        for (int i = 0; i < ProgressClockEvery; ++i)
            go = work.Step(done, total) && go;
        return go;
    }

private slots:
    void init() {
        now = QDateTime(QDate(2024, 6, 1), QTime(12, 0));
        shown.clear();
        polls = 0;
        stopAtPoll = 0;
        SetClockForTesting([this] { return now; });
        SetWorkProgressHooks({[this](const QString& text) { shown << text; },
                              [this] { return ++polls == stopAtPoll; }});
    }
    void cleanup() { ResetAllState(); }

    // Work over within the delay shows nothing and hears nothing, however many units it has.
    void shortWorkShowsNothing() {
        {
            WorkProgress work("Searching");
            now = now.addMSecs(ProgressDelayMs - 1);
            for (int round = 0; round < 10; ++round)
                QVERIFY(stepRound(work, round, 10));
        }
        QCOMPARE(shown, QStringList());
        QCOMPARE(polls, 0);
    }

    // After the delay the progress shows and the window polls, then again only once the
    // interval has passed; the text goes when the work ends.
    void longWorkReportsEveryInterval() {
        {
            WorkProgress work("Searching");
            now = now.addMSecs(ProgressDelayMs);
            QVERIFY(stepRound(work, 25, 100));
            QCOMPARE(shown, QStringList{"Searching: 25% - Esc to stop"});
            QCOMPARE(polls, 1);
            now = now.addMSecs(ProgressIntervalMs - 1);
            QVERIFY(stepRound(work, 50, 100));
            QCOMPARE(polls, 1);
            now = now.addMSecs(1);
            work.SetWhat("Marking the items found");
            QVERIFY(stepRound(work, 2, 3));
            QCOMPARE(polls, 2);
            QCOMPARE(shown.last(), QString("Marking the items found: 66% - Esc to stop"));
            // An unknown total shows no share.
            now = now.addMSecs(ProgressIntervalMs);
            QVERIFY(stepRound(work, 7, 0));
            QCOMPARE(shown.last(), QString("Marking the items found - Esc to stop"));
        }
        QCOMPARE(shown.last(), QString());
    }

    // A stop asked at a poll ends the work then and at every later step, without more polls.
    void stopIsKept() {
        stopAtPoll = 2;
        WorkProgress work("Searching");
        now = now.addMSecs(ProgressDelayMs);
        QVERIFY(stepRound(work, 1, 10));
        QVERIFY(!work.Stopped());
        now = now.addMSecs(ProgressIntervalMs);
        QVERIFY(!stepRound(work, 2, 10));
        QVERIFY(work.Stopped());
        now = now.addMSecs(10 * ProgressIntervalMs);
        QVERIFY(!stepRound(work, 3, 10));
        QVERIFY(!work.Report());
        QCOMPARE(polls, 2);
    }

    // Note says a report is due and keeps saying so until the work reports: work that can let
    // events run only at some points reports at the next of them.
    void dueUntilReported() {
        WorkProgress work("Marking");
        now = now.addMSecs(ProgressDelayMs);
        bool due = false;
        for (int i = 0; i < ProgressClockEvery; ++i)
            due = work.Note(i, 1000);
        QVERIFY(due);
        QVERIFY(work.Note(ProgressClockEvery, 1000));
        QCOMPARE(polls, 0);
        QVERIFY(work.Report());
        QCOMPARE(polls, 1);
        QVERIFY(!work.Note(ProgressClockEvery + 1, 1000));
    }

    // Without a window the work runs to its end.
    void withoutHooksNothingStops() {
        SetWorkProgressHooks({});
        WorkProgress work("Searching");
        now = now.addMSecs(10 * ProgressDelayMs);
        QVERIFY(stepRound(work, 1, 2));
        QVERIFY(work.Report());
        QVERIFY(!work.Stopped());
    }
};

QTEST_GUILESS_MAIN(TestWorkProgress)
#include "TestWorkProgress.moc"
