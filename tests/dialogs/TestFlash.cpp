#include "common/Settings.h"
#include "dialogs/TFFlash.h"
#include "support/TestFolder.h"

#include <QCursor>
#include <QLabel>
#include <QTest>
#include <QTimer>

namespace {
// The interval as the process starts, taken before main() so that no test function (whatever
// the order they run in) has read or reset the settings yet.
const int IntervalAtStart = TFFlash::FlashInterval();
} // namespace

// The flash window: its size for the text it shows, lines stacking within one display
// period, and the timer rules.
class TestFlash : public QObject {
    Q_OBJECT

    // The window keeps the label 13 px from its left and right of the text by 20, and as far
    // below the text as above it, never smaller than 120 x 20.
    static void checkLayout(const TFFlash& flash) {
        const QLabel* label = flash.Label1;
        QCOMPARE(label->pos(), QPoint(13, 12));
        QCOMPARE(flash.width(), std::max(120, label->x() + label->width() + 20));
        QCOMPARE(flash.height(), std::max(20, 2 * label->y() + label->height()));
    }

private slots:
    void startValueBeforeSettingsAreRead() {
        QCOMPARE(IntervalAtStart, 500);
        TestFolder folder(false);
        TFFlash::FlashInterval() = IntervalAtStart;
        ReadSettings(); // no file: the default
        QCOMPARE(TFFlash::FlashInterval(), 1000);
    }

    void layoutFitsTheText() {
        TestFolder folder(false);
        QCursor::setPos(100, 100);
        TFFlash flash;
        flash.FlashMessage("OK");
        QVERIFY(flash.isVisible());
        QCOMPARE(flash.Label1->text(), QString("OK"));
        checkLayout(flash);
        QCOMPARE(flash.width(), 120); // a two-letter text is far narrower than 87 px
        // One line: the label is as high as it measures its text, and the window adds the
        // margins above and below.
        QCOMPARE(flash.Label1->size(), flash.Label1->sizeHint());
        QVERIFY(flash.Label1->height() < 2 * flash.Label1->fontMetrics().lineSpacing());
        QCOMPARE(flash.height(), 24 + flash.Label1->sizeHint().height());
        QCOMPARE(flash.pos(), QPoint(101, 101));
        QCOMPARE(flash.Panel1->palette().color(QPalette::Window), QColor(0, 255, 255));
        QVERIFY(flash.windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(flash.windowFlags() & Qt::FramelessWindowHint);

        flash.Timer1Timer();
        const QString text = "Complete the link from a List screen";
        flash.FlashMessage(text);
        checkLayout(flash);
        // The label is as wide as it measures the whole text; the window adds the margins.
        QCOMPARE(flash.Label1->size(), flash.Label1->sizeHint());
        QVERIFY(flash.Label1->width() >= flash.Label1->fontMetrics().horizontalAdvance(text));
        QCOMPARE(flash.width(), 13 + flash.Label1->sizeHint().width() + 20);
        QVERIFY(flash.width() > 120);
    }

    void messagesWithinOnePeriodStack() {
        TestFolder folder(false);
        TFFlash flash;
        flash.FlashMessage("Linked OK");
        const int oneLine = flash.height();
        QVERIFY(flash.Timer1->isActive());
        QCOMPARE(flash.Timer1->interval(), 1000);
        QTRY_VERIFY(flash.Timer1->remainingTime() <= 990); // a little of the period has gone

        flash.FlashMessage("now select the other item");
        QCOMPARE(flash.AccumulatedText(), QString("Linked OK\r\nnow select the other item"));
        QCOMPARE(flash.Label1->text(), QString("Linked OK\nnow select the other item"));
        checkLayout(flash);
        QVERIFY(flash.height() > oneLine);
        // The period that began with the first message runs on unrestarted.
        QVERIFY(flash.Timer1->isActive());
        QVERIFY(flash.Timer1->remainingTime() <= 990);

        flash.Timer1Timer(); // the period ends
        QVERIFY(!flash.isVisible());
        QVERIFY(!flash.IsShowing());
        QVERIFY(!flash.Timer1->isActive());

        flash.FlashMessage("Archived OK"); // after the close: replaces the old text
        QCOMPARE(flash.AccumulatedText(), QString("Archived OK"));
        QCOMPARE(flash.height(), oneLine);
        checkLayout(flash);

        flash.FlashMessage(""); // an empty message hides at once
        QVERIFY(!flash.isVisible());
        QVERIFY(!flash.Timer1->isActive());
        flash.FlashMessage("again");
        QCOMPARE(flash.AccumulatedText(), QString("again"));
    }

    void intervalRules() {
        TestFolder folder(false);
        AppSettings().FlashInterval = 0;
        TFFlash flash;
        flash.FlashMessage("one");
        QVERIFY(flash.isVisible());
        QVERIFY(!flash.Timer1->isActive());
        flash.FlashMessage("two");
        QCOMPARE(flash.AccumulatedText(), QString("one\r\ntwo"));

        // A new interval set meanwhile (the list window's option changes the same holder)
        // starts a period; the lines still add up.
        AppSettings().FlashInterval = 300;
        flash.FlashMessage("three");
        QCOMPARE(flash.AccumulatedText(), QString("one\r\ntwo\r\nthree"));
        QVERIFY(flash.Timer1->isActive());
        QCOMPARE(flash.Timer1->interval(), 300);

        // The period ends by itself.
        flash.Timer1Timer();
        AppSettings().FlashInterval = 1;
        flash.FlashMessage("gone soon");
        QTRY_VERIFY(!flash.isVisible());
        QVERIFY(!flash.IsShowing());
    }
};

QTEST_MAIN(TestFlash)
#include "TestFlash.moc"
