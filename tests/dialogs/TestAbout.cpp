#include "dialogs/TFAbout1.h"

#include <QCursor>
#include <QDateTime>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>

// The About window: the program file's path and time, its text, where it opens and how it
// closes.
class TestAbout : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString programFile;

private slots:
    void init() {
        QVERIFY(QDir().mkpath(dir.path() + "/My Programs/Cardolo"));
        programFile = dir.path() + "/My Programs/Cardolo/CARDOLO";
        QFile f(programFile);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("x");
        f.close();
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(QDateTime(QDate(2014, 12, 3), QTime(9, 5, 7)),
                              QFileDevice::FileModificationTime));
    }

    void labelsFilledAtCreation() {
        TFAbout1 about(programFile);
        QCOMPARE(about.windowTitle(), QString("About"));
        QCOMPARE(about.Label1->text(), QString("CARDOLO"));
        QCOMPARE(about.Label2->text(), programFile.toLower());
        QVERIFY(about.Label2->text().endsWith("/my programs/cardolo/cardolo"));
        QCOMPARE(about.Label3->text(), QString("2014-12-03 09:05:07"));
        QCOMPARE(about.Memo1->toPlainText(),
                 QString("\nfor storing textual data\n\nversion 12.00  ( December 2014 )"));
        QCOMPARE(about.Memo1->document()->lastBlock().blockFormat().alignment() &
                     Qt::AlignHorizontal_Mask,
                 Qt::AlignHCenter);
        QVERIFY(about.Memo1->isReadOnly());
        QCOMPARE(about.Memo1->focusPolicy(), Qt::NoFocus);

        // Made once: a later change of the file does not show.
        QFile f(programFile);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(QDateTime(QDate(2020, 1, 1), QTime(0, 0)),
                              QFileDevice::FileModificationTime));
        about.ShowAbout();
        QCOMPARE(about.Label3->text(), QString("2014-12-03 09:05:07"));
        QCOMPARE(TFAbout1::FileTimeText(dir.path() + "/none"), QString()); // no file, no time
    }

    // Opens modeless beside the pointer; OK, Enter and Esc close it.
    void opensBesideThePointerAndCloses_data() {
        QTest::addColumn<int>("how");
        QTest::newRow("OK") << 0;
        QTest::newRow("Enter") << 1;
        QTest::newRow("Esc") << 2;
    }
    void opensBesideThePointerAndCloses() {
        QFETCH(int, how);
        TFAbout1 about(programFile);
        QCursor::setPos(20, 30);
        about.ShowAbout();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        QVERIFY(!about.isModal());
        QCOMPARE(about.frameGeometry().topLeft(), QPoint(21, 31));
        if (how == 0)
            about.Button1->click();
        else
            QTest::keyClick(&about, how == 1 ? Qt::Key_Return : Qt::Key_Escape);
        QVERIFY(!about.isVisible());
        about.ShowAbout(); // shown again any number of times
        QVERIFY(about.isVisible());
    }
};

QTEST_MAIN(TestAbout)
#include "TestAbout.moc"
