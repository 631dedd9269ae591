#include "print/Printing.h"
#include "print/TFPtAdds.h"
#include "print/TFPtg.h"

#include "common/Busy.h"
#include "print/RecordingTarget.h"
#include "support/ItemFixture.h"
#include "support/ModalDriver.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFolder.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTest>

namespace {
// The pages of a PDF file: its page objects, not the page tree.
int PdfPages(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page(?![A-Za-z])"));
    return int(QString::fromLatin1(file.readAll()).count(page));
}

// Answers the list printing's options: the range and page break buttons clicked, then Print
// (or Cancel).
void AnswerOptions(QRadioButton* TFPtAdds::*range, QRadioButton* TFPtAdds::*breaks,
                   bool print = true) {
    WhenModal([=](QWidget* modal) {
        auto* options = qobject_cast<TFPtAdds*>(modal);
        QVERIFY(options);
        (options->*range)->click();
        (options->*breaks)->click();
        (print ? options->PrintBtn : options->CancelBtn)->click();
    });
}

// A recorder that also notes whether the busy cursor was on when the job began.
struct BusyRecorder : RecordingTarget {
    int Jobs = 0;
    int BusyAtStart = -1;
    bool BeginJob(QString& error) override {
        ++Jobs;
        BusyAtStart = BusyDepth();
        return RecordingTarget::BeginJob(error);
    }
};

// The platform's printer setup, answered with its print-to-file choice.
struct PrintToFile : ScriptedDialogs {
    QString File;
    bool PrinterSetupBox(QPrinter* printer) override {
        ScriptedDialogs::PrinterSetupBox(printer);
        printer->setOutputFileName(File);
        return true;
    }
};

bool PrintOneLine() {
    return RunPrintJob([](LinePrinter& printer) { printer.PrintLine(QStringLiteral("x")); });
}
} // namespace

class TestPrintWindows : public QObject {
    Q_OBJECT
private slots:
    void init() { ResetAllState(); }
    void cleanup() {
        CloseModalLeftovers();
        ResetAllState();
    }

    // The page setup keeps what its boxes hold for the run, Cancel or not; A4 sets the size.
    // The options keep their choices, and Options opens the page setup usable beside them.
    void windowsKeepTheirChoices() {
        TFPtg* setup = TFPtg::Instance();
        QCOMPARE(setup->windowTitle(), QStringLiteral("Print "));
        QCOMPARE(setup->GroupBox1->title() + setup->GroupBox2->title(),
                 QStringLiteral("Page size (mm)Margins (mm)"));
        const PageSetupTexts t = setup->Texts();
        QCOMPARE((QStringList{t.Height, t.Width, t.LeftMargin, t.RightMargin, t.TopMargin,
                              t.BottomMargin}),
                 (QStringList{"297", "210", "10", "10", "10", "10"}));
        QVERIFY(setup->PrintBtn->isDefault());
        WhenModal([setup](QWidget*) {
            setup->PageHeight->setText(QStringLiteral("148"));
            setup->LeftMgn->setText(QStringLiteral("25"));
            setup->CancelBtn->click();
        });
        QVERIFY(!setup->ExecuteSetup());
        WhenModal([setup](QWidget*) { setup->PrintBtn->click(); });
        QVERIFY(setup->ExecuteSetup());
        QCOMPARE(setup->Texts().Height + setup->Texts().LeftMargin, QStringLiteral("14825"));
        setup->A4Btn->click();
        QCOMPARE(setup->Texts().Height + setup->Texts().Width, QStringLiteral("297210"));

        TFPtAdds* options = TFPtAdds::Instance();
        QCOMPARE(options->windowTitle(), QStringLiteral("Cardolo : Print"));
        QVERIFY(options->AllBtn->isChecked() && options->RadioButton3->isChecked());
        bool usable = false;
        WhenModal([&](QWidget*) {
            options->SelectionBtn->click();
            options->SectionPgBrkBtn->click();
            options->Button1->click();
            setup->PageHeight->setText(QStringLiteral("1"));
            // Through the window system, where a window blocked by the modal one loses it.
            QTest::mouseClick(setup->windowHandle(), Qt::LeftButton, {},
                              setup->A4Btn->mapTo(setup, setup->A4Btn->rect().center()));
            usable = setup->isVisible() && setup->Texts().Height == QLatin1String("297");
            options->CancelBtn->click();
        });
        BusyRecorder sheet;
        PrintingState().TargetOverride = [&] { return &sheet; };
        QVERIFY(!PrintItemList(PrintableList()));
        QVERIFY(usable);
        QCOMPARE(sheet.Jobs, 0);
        QVERIFY(options->Range() == PrintRange::SelectedItem);
        QVERIFY(options->Breaks() == PageBreaks::OnInitialLetter);
    }

    // The whole list prints its heading; the selected item prints alone, without it. A
    // missing selected item, or a page setup box holding no number, stops the job before it
    // starts. Jobs run under the busy cursor.
    void listPrintingRangesAndRefusals() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        BusyRecorder sheet;
        PrintingState().TargetOverride = [&] { return &sheet; };
        PrintableList list;
        list.Heading = QStringLiteral("Top");
        for (ItemId id :
             {MakeItem("Apple", ItemId(), "1"), MakeItem("Pear", ItemId(), "2", "ripe")})
            list.Rows.push_back(PrintableRow{id, id});
        list.CurrentRow = 1;

        AnswerOptions(&TFPtAdds::AllBtn, &TFPtAdds::RadioButton3);
        QVERIFY(PrintItemList(list));
        QCOMPARE(sheet.Strings(), (QStringList{"Top", "Apple", "1", "Pear", "2", "ripe"}));
        QCOMPARE(sheet.BusyAtStart, 1);
        QCOMPARE(BusyDepth(), 0);

        sheet.Drawn.clear();
        AnswerOptions(&TFPtAdds::SelectionBtn, &TFPtAdds::ItemPgBrkBtn);
        QVERIFY(!PrintItemList(list));
        QCOMPARE(sheet.Strings(), (QStringList{"Pear", "2", "ripe"}));
        QCOMPARE(sheet.Jobs, 2);

        list.Rows[1] = PrintableRow{ItemId(0), ItemId(77)};
        AnswerOptions(&TFPtAdds::SelectionBtn, &TFPtAdds::RadioButton3);
        PrintItemList(list);
        TFPtg::Instance()->PageWidth->setText(QStringLiteral("a4"));
        AnswerOptions(&TFPtAdds::AllBtn, &TFPtAdds::RadioButton3);
        PrintItemList(list);
        QCOMPARE(dialogs.Infos(),
                 (QStringList{"Item #77 not found", "Page setup: Width \"a4\" is not a number"}));
        QCOMPARE(sheet.Jobs, 2);
    }

    // Without a printer the job goes to a PDF file the user names, and the user is told where;
    // a break after the last item leaves no blank page. Cancel: no file, nothing said.
    void printsToAPdfFileWhenNoPrinter() {
        TestFolder folder;
        ScriptedDialogs dialogs;
        PrintingState().PrintersInstalled = [] { return false; };
        PrintableList list;
        for (ItemId id :
             {MakeItem("Apple"), MakeItem("avocado", ItemId(), "", "a\nb"), MakeItem("Banana")})
            list.Rows.push_back(PrintableRow{id, id});
        const QString each = folder.Path() + "each.pdf", letter = folder.Path() + "letter.pdf";

        dialogs.AnswerFile(each);
        AnswerOptions(&TFPtAdds::AllBtn, &TFPtAdds::ItemPgBrkBtn);
        QVERIFY(PrintItemList(list));
        QCOMPARE(PdfPages(each), 3);
        QCOMPARE(dialogs.Calls.first().caption, QStringLiteral("Print to PDF file"));
        QCOMPARE(dialogs.Calls.first().extra, (QStringList{"PDF files (*.pdf)", "pdf"}));

        dialogs.AnswerFile(letter);
        AnswerOptions(&TFPtAdds::AllBtn, &TFPtAdds::SectionPgBrkBtn);
        QVERIFY(PrintItemList(list));
        QCOMPARE(PdfPages(letter), 2);
        QCOMPARE(dialogs.Texts("file").last(), each); // the dialog opens on the last file

        dialogs.AnswerCancelChoice();
        AnswerOptions(&TFPtAdds::AllBtn, &TFPtAdds::SectionPgBrkBtn);
        QVERIFY(!PrintItemList(list));
        QCOMPARE(dialogs.Flashes(), (QStringList{"Printed to " + each, "Printed to " + letter}));
        QVERIFY(dialogs.Infos().isEmpty());
    }

    // Setup with no printer names the PDF file at once; with one it offers the printer (and
    // the platform's setup, which may itself print to a file) or a PDF file. A file named in
    // Setup serves the next job without asking; the job after asks again.
    void setupChoosesPrinterOrPdf() {
        TestFolder folder(false);
        PrintToFile dialogs;
        bool printers = false;
        PrintingState().PrintersInstalled = [&] { return printers; };
        const QString named = folder.Path() + "named.pdf", viaSetup = folder.Path() + "lp.pdf";

        dialogs.AnswerFile(named);
        TFPtg::Instance()->Button1->click();
        QVERIFY(PrintOneLine());
        QCOMPARE(PdfPages(named), 1);
        QCOMPARE(dialogs.Texts("file").size(), 1);
        dialogs.AnswerCancelChoice();
        QVERIFY(!PrintOneLine());
        QCOMPARE(dialogs.Texts("file").last(), named);

        printers = true;
        dialogs.File = viaSetup;
        dialogs.AnswerChoice(1);
        dialogs.AnswerPrinterSetup();
        TFPtg::Instance()->Button1->click();
        QVERIFY(PrintOneLine());
        QCOMPARE(PdfPages(viaSetup), 1);
        QCOMPARE(dialogs.Texts("choose"), QStringList{"Print to"});
        QCOMPARE(dialogs.Calls.last().kind + dialogs.Flashes().last(),
                 "flash" + QStringLiteral("Printed to ") + viaSetup);

        QVERIFY(QFile::remove(named));
        dialogs.AnswerChoice(2);
        dialogs.AnswerFile(named);
        TFPtg::Instance()->Button1->click();
        QVERIFY(PrintOneLine());
        QCOMPARE(PdfPages(named), 1);
        QCOMPARE(dialogs.PendingAnswers(), 0);
    }
};

QTEST_MAIN(TestPrintWindows)
#include "TestPrintWindows.moc"
