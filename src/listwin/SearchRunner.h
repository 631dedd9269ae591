#pragma once

#include "store/ItemStore.h"

#include <QDateTime>
#include <QString>
#include <QStringView>

#include <vector>

// The text search: finds the items whose name or text contains a text, and marks each with
// the search's own time stamp, so that the search list is the items carrying that stamp.

// The stamp of the last search run; the next one is always later.
extern QDateTime LastSearchStamp;

// Lower case, and only letters and digits when punctuation is folded: the form in which
// the search text and every compared text meet.
QString PrepareSearchText(const QString& text);

// Matches prepared texts against an item's name and text. A match never spans lines.
class SearchMatcher {
public:
    explicit SearchMatcher(const QString& prepared, bool folding);
    bool NameMatches(const QString& name) const;
    bool TextMatches(const QString& text) const;

private:
    // Prepares text into the buffer, line breaks kept; true when some line holds the search.
    bool scan(const QString& text, bool splitLines) const;

    QString search;
    bool folding;
    bool searchHasBreak;
    mutable std::vector<char16_t> buffer; // reused: one text prepared at a time
};

// A stamp from the clock, moved on to one millisecond after the previous search's stamp when
// the clock has not passed it (two searches in the same millisecond must not share a stamp).
QDateTime NextSearchStamp();

struct SearchOutcome {
    QDateTime Stamp;
    QString Prepared;
    int Matches = 0;
    // Self-linked items whose name is the search text exactly, in key order.
    std::vector<ItemId> Hiders;
};

// Walks every item in key order and stamps the matches, all in one transaction.
SearchOutcome StampSearch(const QString& typed);
