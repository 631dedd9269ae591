#pragma once

#include <QStringList>

#include <functional>

// The arithmetic by which the item text window sizes itself to its page. The window supplies
// the measurements of its font; nothing here draws.

// No page is narrower than this many pixels.
constexpr int MinimumPageWidth = 300;
// The margins around the page: two 10-pixel margins and the frame's two 1-pixel bevels on
// each side, in each direction.
constexpr int PageFrameExtra = 10 + 10 + 4 * 1 + 2 * 0;
// The text a TAB is measured as, in addition to the line's own drawn width.
extern const char* const TabMeasureText; // "1234567"

struct PageWidth {
    int Width = MinimumPageWidth;
    bool WordWrap = false; // the widest line passed maxWidth
    int LinesMeasured = 0;
};

// The widest line's drawn width plus, for each TAB in it, the width of "1234567"; at least 300.
// Stops measuring at the first line that takes the width past maxWidth, and then gives
// maxWidth with word wrap on.
PageWidth MeasurePageWidth(const QStringList& lines,
                           const std::function<int(const QString&)>& drawnWidth, int tabWidth,
                           int maxWidth);

struct PageHeight {
    int ClientHeight = 0;
    bool ScrollBar = false;
};

// Room for the lines and two more, plus the margins; capped at maxHeight, which then brings a
// vertical scroll bar.
PageHeight MeasurePageHeight(int lineCount, int lineHeight, int maxHeight);

// The client width for a page of this width: the page, the page's own margins (negative counts
// as 0), the scroll bar when there is one, and the window's margins.
int PageClientWidth(int pageWidth, int memoMargin, int scrollBarWidth, bool scrollBar);

// Whether a page of this client height showing this many rows (a wrapped line counts once per
// row) needs a vertical scroll bar.
bool PageNeedsScrollBar(int clientHeight, int rows, int lineHeight);
