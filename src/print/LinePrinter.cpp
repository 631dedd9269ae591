#include "print/LinePrinter.h"

#include "common/Dialogs.h"

const QString LinePrinter::ColumnMeasure = QString(40, QLatin1Char('w'));

LinePrinter::LinePrinter(PrintTarget& target) : target(target) {}

LinePrinter::~LinePrinter() {
    AbortPrint();
}

bool LinePrinter::BeginPrint(const PageSetup& pageSetup) {
    if (printing)
        return false;
    QString error;
    if (!target.BeginJob(error)) {
        ShowInfo(error);
        return false;
    }
    setup = pageSetup;
    fullPage = setup.Width == 210 && setup.Height == 297;
    pixelsPerInchX = target.PixelsPerInchX();
    pixelsPerInchY = target.PixelsPerInchY();
    // No length can be converted without a resolution: the job is dropped, not the program.
    if (pixelsPerInchX == 0 || pixelsPerInchY == 0) {
        ShowProgramError(pixelsPerInchX == 0 ? QStringLiteral("pxlsperinch.x = 0")
                                             : QStringLiteral("pxlsperinch.y = 0"));
        target.AbortJob();
        return false;
    }
    printing = true;
    xLimit = PixelsX(SheetWidthLimit);
    yLimit = PixelsY(SheetHeightLimit);
    originX = 0;
    originY = 0;
    pageRight = PixelsX(setup.Width);
    pageBottom = PixelsY(setup.Height);
    SetUpPage();
    target.SetFont(font);
    lineHeight = target.TextHeight(QStringLiteral("A"));
    return true;
}

void LinePrinter::SetPrintFont(const PrintFont& printFont) {
    font = printFont;
    if (!printing)
        return;
    target.SetFont(font);
    lineHeight = target.TextHeight(QStringLiteral("A"));
}

void LinePrinter::SetPrintIndent(double mm) {
    indent = mm;
}

void LinePrinter::SetUpPage() {
    textLeft = originX + PixelsX(setup.LeftMargin);
    textTop = originY + PixelsY(setup.TopMargin);
    textRight = pageRight - PixelsX(setup.RightMargin);
    textBottom = pageBottom - PixelsY(setup.BottomMargin);
    outlinePending = setup.Width < 210 && setup.Height < 297;
    currentY = textTop;
    target.ClipToPage(originX, originY, pageRight, pageBottom);
}

void LinePrinter::MarkPage() {
    if (!outlinePending)
        return;
    outlinePending = false;
    target.DrawRectangle(originX, originY, pageRight, pageBottom);
}

void LinePrinter::NextPrintPage() {
    if (!printing)
        return;
    MarkPage();
    if (fullPage) {
        target.NewSheet();
    } else {
        const int pageWidth = PixelsX(setup.Width);
        const int pageHeight = PixelsY(setup.Height);
        originX += pageWidth;
        pageRight += pageWidth;
        if (pageRight > xLimit) {
            originX = 0;
            pageRight = pageWidth;
            originY += pageHeight;
            pageBottom += pageHeight;
            if (pageBottom > yLimit) {
                target.NewSheet();
                originY = 0;
                pageBottom = pageHeight;
            }
        }
    }
    SetUpPage();
}

void LinePrinter::PrintLine(const QString& first, const QString& second) {
    if (!printing)
        return;
    if (currentY + lineHeight > textBottom || currentY + lineHeight > yLimit)
        NextPrintPage();
    MarkPage();
    const int x = PixelsX(indent) + textLeft;
    if (!first.isEmpty())
        target.DrawText(x, currentY, first);
    if (!second.isEmpty())
        target.DrawText(x + target.TextWidth(ColumnMeasure) + ColumnGap, currentY, second);
    currentY += lineHeight;
}

bool LinePrinter::EndPrint() {
    if (!printing)
        return false;
    printing = false;
    QString error;
    if (target.EndJob(error))
        return true;
    ShowInfo(error);
    return false;
}

void LinePrinter::AbortPrint() {
    if (!printing)
        return;
    printing = false;
    target.AbortJob();
}
