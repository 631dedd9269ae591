#pragma once

#include "store/ItemStore.h"

#include <QDateTime>
#include <QString>
#include <QStringView>

#include <string>
#include <vector>

// The text search: finds the items whose name or text contains a text, and marks each with
// the search's own time stamp, so that the search list is the items carrying that stamp.

// The stamp of the last search run; the next one is always later. Part of the list window's
// state (ListState.h).
extern QDateTime& LastSearchStamp;

// Lower case, and only letters and digits when punctuation is folded: the form in which
// the search text and every compared text meet.
QString PrepareSearchText(const QString& text);

// Matches prepared texts against an item's name and text. A match never spans lines.
//
// The search reads every item, so texts are usually matched as the engine's UTF-8 bytes: a
// text of ASCII characters only is lowered (and folded) byte by byte on the way; a text with
// any other character is answered by the general rule on its decoded form.
class SearchMatcher {
public:
    explicit SearchMatcher(const QString& prepared, bool folding);

    bool NameMatches(const QString& name) const;
    bool TextMatches(const QString& text) const;

    enum Answer { No, Yes, NotAscii };
    // The answer for UTF-8 bytes, or NotAscii when they hold some non-ASCII character and
    // must be decoded and given to the forms above.
    Answer NameMatchesAscii(const char* bytes, size_t size) const;
    Answer TextMatchesAscii(const char* bytes, size_t size) const;

    SearchMatcher(const SearchMatcher&) = delete;
    SearchMatcher& operator=(const SearchMatcher&) = delete;

private:
    // One line (or a whole name) as TextContains prepares and searches it.
    bool lineHolds(const QString& line) const;
    // Lowers (or folds through foldTable) the bytes into the buffer and searches it.
    Answer scanAscii(const char* bytes, size_t size, const unsigned char* foldTable) const;

    QString search;
    bool folding;
    bool searchHasBreak;
    bool searchAscii;
    std::string searchBytes;
    unsigned char rareByte = 0;  // the search's rarest byte in ordinary text
    unsigned char rareUpper = 0; // its upper-case form when it is a letter, else 0
    mutable std::string buffer;  // reused: one text prepared at a time
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

struct SearchMatches {
    std::vector<ItemId> Ids; // in key order
    // Self-linked items whose name is typed exactly.
    std::vector<ItemId> Hiders;
};

// Walks every item in key order and collects those whose name or text holds the prepared text.
SearchMatches FindMatches(const QString& prepared, bool folding, const QString& typed);
// Writes the stamp into each item, all in one transaction.
void StampItems(const std::vector<ItemId>& ids, const QDateTime& stamp);

// Prepares the typed text, finds the matches and stamps them with a new stamp.
SearchOutcome StampSearch(const QString& typed);
