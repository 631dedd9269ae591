#pragma once

#include "print/PageSetup.h"
#include "print/PrintTarget.h"

#include <QString>

// A line printer on a print target: lines of text in one or two columns at a left indent, on
// logical pages of a size and margins in millimetres. Pages smaller than the sheet are tiled
// across and down it, each outlined when it is narrower and lower than A4; an A4 page is a
// sheet of its own. One job at a time, from BeginPrint to EndPrint.
class LinePrinter {
public:
    explicit LinePrinter(PrintTarget& target);
    ~LinePrinter(); // drops a job still running

    // Starts the job on the page setup and sets up the first page. False when it could not
    // start (the user has been told); every other call then does nothing.
    bool BeginPrint(const PageSetup& setup);
    // Text is printed in this font from now on, and lines are as high as a line of it.
    void SetPrintFont(const PrintFont& font);
    // Left indent of the lines in millimetres.
    void SetPrintIndent(double mm);
    // One line: first at the indent, second (when not empty) where the second column starts.
    // Nothing is wrapped: the page edge cuts a line too long for it.
    void PrintLine(const QString& first, const QString& second = QString());
    // Moves on to the next logical page.
    void NextPrintPage();
    // Ends the job. False when the target could not finish it (the user has been told).
    bool EndPrint();
    // Drops the job: nothing of it is printed.
    void AbortPrint();

    bool Printing() const { return printing; }
    const PrintFont& Font() const { return font; }

    // The second column starts this far right of the first: forty "w" in the current font and
    // a gap.
    static const QString ColumnMeasure;
    static constexpr int ColumnGap = 20;
    // How far down and across a sheet pages go, in millimetres.
    static constexpr double SheetWidthLimit = 200;
    static constexpr double SheetHeightLimit = 285;

private:
    int PixelsX(double mm) const { return MmToPixels(mm, pixelsPerInchX); }
    int PixelsY(double mm) const { return MmToPixels(mm, pixelsPerInchY); }
    void SetUpPage();
    // Draws the outline of the page once something goes on it or the job moves past it, so a
    // page the job ends on without using leaves no mark.
    void MarkPage();

    PrintTarget& target;
    PrintFont font;
    double indent = 0;
    bool printing = false;

    PageSetup setup;
    bool fullPage = true;
    int pixelsPerInchX = 0;
    int pixelsPerInchY = 0;
    int xLimit = 0;
    int yLimit = 0;
    int originX = 0;
    int originY = 0;
    int pageRight = 0;
    int pageBottom = 0;
    int textLeft = 0;
    int textTop = 0;
    int textRight = 0;
    int textBottom = 0;
    int currentY = 0;
    int lineHeight = 0;
    bool outlinePending = false;
};
