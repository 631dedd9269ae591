#include "common/Placement.h"

#include <QTest>

// Where windows that open at the pointer land, near the screen's edges, and which point the
// message boxes and the chooser anchor to.
class TestPlacement : public QObject {
    Q_OBJECT
private slots:
    // One pixel right of and below the pointer (About window, flash).
    void atCursor_data() {
        QTest::addColumn<QPoint>("cursor");
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<QPoint>("expected");
        const QRect screen(0, 0, 1280, 800);
        QTest::newRow("middle") << QPoint(100, 50) << screen << QPoint(101, 51);
        QTest::newRow("just fits") << QPoint(1079, 699) << screen << QPoint(1080, 700);
        QTest::newRow("one past right") << QPoint(1080, 50) << screen << QPoint(1080, 51);
        QTest::newRow("one past bottom") << QPoint(50, 700) << screen << QPoint(51, 700);
        QTest::newRow("bottom right corner") << QPoint(1279, 799) << screen << QPoint(1080, 700);
        QTest::newRow("second screen")
            << QPoint(1279 + 1280, 799) << QRect(1280, 0, 1280, 800) << QPoint(1280 + 1080, 700);
        QTest::newRow("screen below panel")
            << QPoint(10, 30) << QRect(0, 24, 1280, 776) << QPoint(11, 31);
    }
    void atCursor() {
        QFETCH(QPoint, cursor);
        QFETCH(QRect, screen);
        QFETCH(QPoint, expected);
        QCOMPARE(PlaceAtCursorPoint(cursor, QSize(200, 100), screen), expected);
    }

    // Message boxes and the chooser: corner at the anchor itself.
    void box_data() {
        QTest::addColumn<QPoint>("anchor");
        QTest::addColumn<QPoint>("expected");
        QTest::newRow("middle") << QPoint(100, 50) << QPoint(100, 50);
        QTest::newRow("just fits") << QPoint(1080, 700) << QPoint(1080, 700);
        QTest::newRow("past right") << QPoint(1081, 10) << QPoint(1080, 10);
        QTest::newRow("past bottom") << QPoint(10, 701) << QPoint(10, 700);
        QTest::newRow("corner") << QPoint(1279, 799) << QPoint(1080, 700);
        QTest::newRow("left of screen kept") << QPoint(-30, -5) << QPoint(-30, -5);
    }
    void box() {
        QFETCH(QPoint, anchor);
        QFETCH(QPoint, expected);
        QCOMPARE(PlaceBoxAt(anchor, QSize(200, 100), QRect(0, 0, 1280, 800)), expected);
    }

    // The input prompt: the smaller of the anchor and screen less window, no clamp at 0.
    void prompt_data() {
        QTest::addColumn<QPoint>("anchor");
        QTest::addColumn<QSize>("window");
        QTest::addColumn<QPoint>("expected");
        const QSize w(296, 153);
        QTest::newRow("middle") << QPoint(100, 50) << w << QPoint(100, 50);
        QTest::newRow("past right") << QPoint(1000, 50) << w << QPoint(984, 50);
        QTest::newRow("past bottom") << QPoint(10, 700) << w << QPoint(10, 647);
        QTest::newRow("corner") << QPoint(1279, 799) << w << QPoint(984, 647);
        QTest::newRow("window wider than screen")
            << QPoint(10, 10) << QSize(1300, 900) << QPoint(-20, -100);
    }
    void prompt() {
        QFETCH(QPoint, anchor);
        QFETCH(QSize, window);
        QFETCH(QPoint, expected);
        QCOMPARE(PlacePromptAt(anchor, window, QRect(0, 0, 1280, 800)), expected);
    }

    // A box opened before the mouse has moved since the last one closed reuses its place.
    void anchorReusedWhileMouseStill() {
        MessageAnchor a;
        QCOMPARE(a.Take(QPoint(300, 200)), QPoint(300, 200));
        a.cursorAtLastClose = QPoint(340, 260); // pointer on the OK button when answered
        QCOMPARE(a.Take(QPoint(340, 260)), QPoint(300, 200));
        QCOMPARE(a.Take(QPoint(340, 260)), QPoint(300, 200)); // still there: same place again
        QCOMPARE(a.Take(QPoint(341, 260)), QPoint(341, 260)); // moved: at the pointer
        QCOMPARE(a.lastBoxPosition, QPoint(341, 260));
    }
};

QTEST_GUILESS_MAIN(TestPlacement)
#include "TestPlacement.moc"
