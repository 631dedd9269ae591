#include "common/CommonState.h"
#include "common/Dialogs.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFolder.h"

#include <QTest>

// The message and prompt helpers as callers see them through the scripted backend.
class TestDialogSeam : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { ResetAllState(); }

    void inputIntegerRefusals_data() {
        QTest::addColumn<int>("start");
        QTest::addColumn<QString>("offered"); // the text the box opens with
        QTest::addColumn<bool>("result");
        QTest::addColumn<QString>("answer"); // "!" cancels
        QTest::addColumn<int>("after");
        QTest::newRow("zero opens empty, empty answer") << 0 << "" << false << "" << 0;
        QTest::newRow("negative opens empty") << -4 << "" << false << "" << -4;
        QTest::newRow("positive shown") << 1000 << "1000" << true << "250" << 250;
        QTest::newRow("digits then letter") << 1000 << "1000" << false << "12a" << 1000;
        QTest::newRow("letters") << 7 << "7" << false << "seven" << 7;
        QTest::newRow("cancelled") << 7 << "7" << false << "!" << 7;
        QTest::newRow("negative answer") << 7 << "7" << true << "-3" << -3;
        QTest::newRow("zero answer") << 7 << "7" << true << "0" << 0;
        QTest::newRow("beyond 32 bits") << 7 << "7" << false << "4294967296" << 7;
    }
    void inputIntegerRefusals() {
        QFETCH(int, start);
        QFETCH(QString, offered);
        QFETCH(bool, result);
        QFETCH(QString, answer);
        QFETCH(int, after);
        ScriptedDialogs dialogs;
        if (answer == "!")
            dialogs.AnswerCancelPrompt();
        else
            dialogs.AnswerText(answer);
        int value = start;
        QCOMPARE(PromptInteger("Archive id", value), result);
        QCOMPARE(value, after);
        QCOMPARE(dialogs.Texts("input"), QStringList{"Archive id"});
        QCOMPARE(dialogs.Calls.size(), 1);
        QCOMPARE(dialogs.Calls[0].caption, offered);
    }

    void answersAndCaptions() {
        ScriptedDialogs dialogs;
        dialogs.AnswerYes();
        dialogs.AnswerNo();
        dialogs.AnswerCancel();
        QCOMPARE(AskYesNoCancel("a?"), 'Y');
        QVERIFY(!Confirm("b?")); // No and Cancel are alike to Confirm
        QVERIFY(!Confirm("c?"));
        QCOMPARE(dialogs.Calls[0].caption, QString("Cardolo"));

        Common().MessageCaption = "Notepad";
        ShowInfo("Saved & done");
        QCOMPARE(dialogs.Calls.last().caption, QString(" Notepad"));
        QCOMPARE(dialogs.Calls.last().text, QString("Saved & done"));
        Common().MessageCaption.clear();

        ShowProgramError("bad row");
        NotSupported("Import");
        NotSupported("");
        QCOMPARE(dialogs.Infos().mid(1),
                 QStringList({"Program error : bad row",
                              "Import : this facility not currently supported",
                              "This facility not currently supported"}));

        // A cancelled text prompt leaves the text as it was.
        dialogs.AnswerCancelPrompt();
        dialogs.AnswerText("new");
        QString text = "old";
        QVERIFY(!PromptText("Name", text));
        QCOMPARE(text, QString("old"));
        QVERIFY(PromptText("Name", text));
        QCOMPARE(text, QString("new"));
    }

    // A backend that answers outside the three codes is read as ' ', and a chooser answer
    // outside 1 and 2 as Cancel.
    void oddAnswersFolded() {
        struct Odd : DialogBackend {
            void ShowInfoBox(const QString&, const QString&) override {}
            char AskYesNoCancelBox(const QString&, const QString&) override { return 'X'; }
            bool InputString(const QString&, QString&) override { return false; }
            int ChooseOption(const QString&, const QString&, const QString&) override { return 7; }
            void FlashMessage(const QString&) override {}
        } odd;
        SetDialogBackend(&odd);
        QCOMPARE(AskYesNoCancel("?"), ' ');
        QVERIFY(!Confirm("?"));
        QCOMPARE(ChooseOption("?", "&Delete", "&Archive"), 0);
        SetDialogBackend(nullptr);
        // The silent backend used before any window exists answers Cancel.
        QCOMPARE(AskYesNoCancel("?"), 'C');
    }
};

QTEST_GUILESS_MAIN(TestDialogSeam)
#include "TestDialogSeam.moc"
