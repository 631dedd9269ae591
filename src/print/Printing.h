#pragma once

#include "print/LinePrinter.h"
#include "print/ListPrinting.h"
#include "print/PrintTarget.h"

#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

class QPrinter;
class TFPtAdds;
class TFPtg;

// Printing as the rest of the program calls it: print jobs on the page setup the user keeps
// in TFPtg, sent to a printer or, when no printer is installed or the user asks for one, to a
// PDF file the user names.

struct PrintState {
    QPointer<TFPtg> PageSetupWindow;
    QPointer<TFPtAdds> OptionsWindow;
    // The printer for the run, as the platform's printer setup left it.
    std::unique_ptr<QPrinter> Printer;
    // Setup chose a PDF file although a printer is installed.
    bool ToPdf = false;
    // The PDF file named last; named in Setup it serves the next job without asking again.
    QString PdfPath;
    bool PdfNamedInSetup = false;
    // Whether a printer is installed; unset, the system is asked.
    std::function<bool()> PrintersInstalled;
    // When set, jobs draw on the target it gives (not owned) instead of a printer or a file.
    std::function<PrintTarget*()> TargetOverride;

    PrintState();
    ~PrintState();
};
PrintState& PrintingState();
// Destroys the page setup and print options windows, when they exist: at the end of the
// program. The next print job makes them again.
void DestroyPrintWindows();
// Back to the state the program starts with: the windows destroyed, the printer forgotten.
void ResetPrintState();

// The Setup of the page setup window: with a printer installed, the choice between it (and the
// platform's printer setup) and a PDF file; without, the PDF file's name.
void SetUpPrinter();

// Runs one print job on the page setup TFPtg holds. A box that holds no number is reported
// and nothing is printed; then the printer is taken or the PDF file asked for (Cancel: nothing
// is printed); body prints under the busy cursor between BeginPrint and EndPrint; the user is
// told where a file went. An engine error ends the job with its text shown. True when the job
// was printed.
bool RunPrintJob(const std::function<void(LinePrinter&)>& body);

// The list window's print command: asks for the range and page breaks (TFPtAdds), then prints
// the whole list or the selected item. True when the whole list was printed, every row walked.
bool PrintItemList(const PrintableList& list);
