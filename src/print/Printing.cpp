#include "print/Printing.h"

#include "common/Busy.h"
#include "common/Dialogs.h"
#include "store/CommandGuard.h"
#include "print/PageSetup.h"
#include "print/QPrinterTarget.h"
#include "print/TFPtAdds.h"
#include "print/TFPtg.h"

#include <QDir>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>

PrintState::PrintState() = default;

PrintState::~PrintState() {
    // The state lives until the process ends, after the application and its window system:
    // the printer is not taken apart without them.
    (void)Printer.release();
}

namespace {
PrintState state;

bool PrintersInstalled() {
    if (state.PrintersInstalled)
        return state.PrintersInstalled();
    return !QPrinterInfo::availablePrinterNames().isEmpty();
}

QPrinter& RunPrinter() {
    if (!state.Printer)
        state.Printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *state.Printer;
}

bool ChoosePdfFile(QString& path) {
    if (path.isEmpty())
        path = QDir::home().filePath(QStringLiteral("cardolo.pdf"));
    return ChooseSaveFile(QStringLiteral("Print to PDF file"), QStringLiteral("PDF files (*.pdf)"),
                          QStringLiteral("pdf"), path);
}

std::unique_ptr<QPrinter> PdfPrinter(const QString& path) {
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(path);
    // The sheet the pages are tiled on.
    printer->setPageSize(QPageSize(QPageSize::A4));
    printer->setPageMargins(QMarginsF(0, 0, 0, 0));
    printer->setCreator(QStringLiteral("Cardolo"));
    return printer;
}

// Where one job draws, and what the user is told when it is done.
struct JobOutput {
    std::unique_ptr<QPrinter> pdf;
    std::unique_ptr<PrintTarget> owned;
    PrintTarget* target = nullptr;
    QString told;
};

bool OpenOutput(JobOutput& out) {
    if (state.TargetOverride) {
        out.target = state.TargetOverride();
        return out.target != nullptr;
    }
    if (!state.ToPdf && PrintersInstalled()) {
        QPrinter& printer = RunPrinter();
        out.owned = std::make_unique<QPrinterTarget>(printer);
        out.target = out.owned.get();
        // The platform's setup may send the printer's output to a file.
        if (printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty())
            out.told =
                QStringLiteral("Printed to ") + QDir::toNativeSeparators(printer.outputFileName());
        else
            out.told = QStringLiteral("Sent to printer ") + printer.printerName();
        return true;
    }
    QString path = state.PdfPath;
    if (!state.PdfNamedInSetup || path.isEmpty()) {
        if (!ChoosePdfFile(path))
            return false;
        state.PdfPath = path;
    }
    state.PdfNamedInSetup = false;
    out.pdf = PdfPrinter(path);
    out.owned = std::make_unique<QPrinterTarget>(*out.pdf);
    out.target = out.owned.get();
    out.told = QStringLiteral("Printed to ") + QDir::toNativeSeparators(path);
    return true;
}
} // namespace

PrintState& PrintingState() {
    return state;
}

void DestroyPrintWindows() {
    delete state.PageSetupWindow.data();
    delete state.OptionsWindow.data();
}

void ResetPrintState() {
    DestroyPrintWindows();
    state.Printer.reset();
    state.ToPdf = false;
    state.PdfPath.clear();
    state.PdfNamedInSetup = false;
    state.PrintersInstalled = nullptr;
    state.TargetOverride = nullptr;
}

void SetUpPrinter() {
    if (PrintersInstalled()) {
        switch (ChooseOption(QStringLiteral("Print to"), QStringLiteral("&Printer"),
                             QStringLiteral("PDF &file"))) {
        case 1:
            if (PrinterSetup(&RunPrinter()))
                state.ToPdf = false;
            return;
        case 2:
            break;
        default:
            return;
        }
    }
    QString path = state.PdfPath;
    if (!ChoosePdfFile(path))
        return;
    state.PdfPath = path;
    state.PdfNamedInSetup = true;
    state.ToPdf = true;
}

bool RunPrintJob(const std::function<void(LinePrinter&)>& body) {
    PageSetup setup;
    QString error;
    if (!ReadPageSetup(TFPtg::Instance()->Texts(), setup, error)) {
        ShowInfo(error);
        return false;
    }
    JobOutput out;
    if (!OpenOutput(out))
        return false;
    bool printed = false;
    {
        BusyScope busy;
        LinePrinter printer(*out.target);
        if (!printer.BeginPrint(setup))
            return false;
        if (!RunCommand([&] { body(printer); })) {
            printer.AbortPrint();
            return false;
        }
        printed = printer.EndPrint();
    }
    if (printed && !out.told.isEmpty())
        FlashMessage(out.told);
    return printed;
}

bool PrintItemList(const PrintableList& list) {
    TFPtAdds* options = TFPtAdds::Instance();
    if (!options->AskPrintChoices())
        return false;
    const PageBreaks breaks = options->Breaks();
    if (options->Range() == PrintRange::List)
        return RunPrintJob([&](LinePrinter& printer) { PrintWholeList(printer, list, breaks); });
    // The selected item is looked up before the job starts: a missing one prints nothing.
    ItemRecord item;
    bool found = false;
    if (!RunCommand([&] { found = LoadSelectedItem(list, item); }) || !found)
        return false;
    RunPrintJob([&](LinePrinter& printer) { PrintOneItem(printer, item, list); });
    return false;
}
