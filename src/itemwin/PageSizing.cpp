#include "itemwin/PageSizing.h"

const char* const TabMeasureText = "1234567";

PageWidth MeasurePageWidth(const QStringList& lines,
                           const std::function<int(const QString&)>& drawnWidth, int tabWidth,
                           int maxWidth) {
    PageWidth result;
    for (const QString& line : lines) {
        ++result.LinesMeasured;
        const int w = drawnWidth(line) + int(line.count(QLatin1Char('\t'))) * tabWidth;
        if (w > result.Width) {
            result.Width = w;
            if (result.Width > maxWidth)
                break;
        }
    }
    if (result.Width > maxWidth) {
        result.Width = maxWidth;
        result.WordWrap = true;
    }
    return result;
}

PageHeight MeasurePageHeight(int lineCount, int lineHeight, int maxHeight) {
    PageHeight result;
    result.ClientHeight = lineHeight * (lineCount + 2) + PageFrameExtra;
    if (result.ClientHeight > maxHeight) {
        result.ClientHeight = maxHeight;
        result.ScrollBar = true;
    }
    return result;
}

int PageClientWidth(int pageWidth, int memoMargin, int scrollBarWidth, bool scrollBar) {
    return pageWidth + qMax(memoMargin, 0) + (scrollBar ? scrollBarWidth : 0) + PageFrameExtra;
}

bool PageNeedsScrollBar(int clientHeight, int rows, int lineHeight) {
    return clientHeight < rows * lineHeight;
}
