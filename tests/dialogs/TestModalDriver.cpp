#include "support/ModalDriver.h"

#include <QElapsedTimer>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

// The helper the widget tests drive modal windows with: it acts on the modal window once one
// is up, and when none comes it fails the test at once and lets the test run to its end.
class TestModalDriver : public QObject {
    Q_OBJECT

    // A box with no escape button: it ignores close, as Yes/No questions do.
    static int AskYesNo() {
        QMessageBox box(QMessageBox::Question, "Cardolo", "Sure ?",
                        QMessageBox::Yes | QMessageBox::No);
        return box.exec();
    }

private slots:
    void cleanup() { CloseModalLeftovers(); }

    void actionRunsOnTheModalWindow() {
        QString seen;
        WhenModal([&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            QVERIFY(box);
            seen = box->text();
            box->button(QMessageBox::No)->click();
        });
        QCOMPARE(AskYesNo(), int(QMessageBox::No));
        QCOMPARE(seen, QString("Sure ?"));
    }

    void givingUpFailsAtOnceAndEndsTheWait() {
        bool ran = false;
        WhenModal([&](QWidget*) { ran = true; }, 100);
        // No modal window within the time: the failure is reported as soon as the helper
        // gives up, inside the wait below.
        QEXPECT_FAIL("", "no modal window opens in time: the helper must report it", Continue);
        QTest::qWait(300);
        QVERIFY(!ran);

        // A modal window that opens after that, as a slow program's would, is shut at once
        // rather than left to hold the test until the CTest timeout.
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(AskYesNo(), int(QDialog::Rejected));
        QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(!ran);
    }

    // The helper of a test function that has ended acts on nothing in the next one.
    void leftoverActionFromAnEndedTest_data() {
        QTest::addColumn<bool>("queue");
        QTest::newRow("queue an action and end") << true;
        QTest::newRow("a modal window in the next row") << false;
    }
    void leftoverActionFromAnEndedTest() {
        QFETCH(bool, queue);
        static bool ran = false;
        if (queue) {
            WhenModal([&](QWidget*) { ran = true; }, 100);
            return;
        }
        QTimer::singleShot(200, [] { ModalDriverDetail::ShutModalAndPopups(); });
        QCOMPARE(AskYesNo(), int(QDialog::Rejected));
        QVERIFY(!ran);
    }
};

QTEST_MAIN(TestModalDriver)
#include "TestModalDriver.moc"
