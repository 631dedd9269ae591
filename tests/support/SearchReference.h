#pragma once

#include "common/CommonState.h"
#include "common/TextHelpers.h"
#include "search/SearchFolding.h"

#include <QString>
#include <QStringList>

// The search's rule said as plainly as it can be, for the tests to hold the matcher and the
// index to: a line holds a search when the line, prepared with the folding the last search
// dialog chose (PunctuationFolding), holds the prepared search text.

// search must already be prepared by the caller: lower case, folded like the text.
inline bool TextContains(const QString& search, const QString& text) {
    if (search.isEmpty() || text.isEmpty())
        return false;
    return PrepareSearchText(text, Common().PunctuationFolding).contains(search);
}

inline bool LinesContain(const QString& search, const QStringList& lines) {
    for (const QString& line : lines)
        if (TextContains(search, line))
            return true;
    return false;
}
