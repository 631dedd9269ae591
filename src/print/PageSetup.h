#pragma once

#include <QString>

// The size of the logical page and its margins, in millimetres.
struct PageSetup {
    double Width = 210;
    double Height = 297;
    double LeftMargin = 10;
    double RightMargin = 10;
    double TopMargin = 10;
    double BottomMargin = 10;
};

// The page setup as its six boxes hold it, with the values the boxes start with.
struct PageSetupTexts {
    QString Height = QStringLiteral("297");
    QString Width = QStringLiteral("210");
    QString LeftMargin = QStringLiteral("10");
    QString RightMargin = QStringLiteral("10");
    QString TopMargin = QStringLiteral("10");
    QString BottomMargin = QStringLiteral("10");
};

// The largest length a box may hold: anything longer is a typing error, and would overflow
// the printer's pixels.
constexpr double LongestMillimetres = 10000;

// Reads the six boxes as decimal numbers (a point or a comma before the decimals). False with
// error naming the first box that holds no number, a page size that is not more than 0, or a
// length out of range; setup is then unchanged.
bool ReadPageSetup(const PageSetupTexts& texts, PageSetup& setup, QString& error);

// The whole pixels of a length in millimetres at a resolution, truncated towards zero.
int MmToPixels(double mm, int pixelsPerInch);
