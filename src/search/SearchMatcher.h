#pragma once

#include <QString>

#include <string>

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
    // Whether one line (or a whole name), prepared as the search text is, holds it.
    bool lineHolds(const QString& line) const;
    // Lowers (or folds through foldTable) the bytes into the buffer and searches it.
    Answer scanAscii(const char* bytes, size_t size, const unsigned char* foldTable) const;

    QString search;
    bool folding;
    bool searchHasBreak;
    bool searchAscii;
    // What the byte scans fold through: none (lowered only), or the rule's table for names and
    // the same keeping line breaks for texts.
    const unsigned char* nameFold = nullptr;
    const unsigned char* textFold = nullptr;
    std::string searchBytes;
    unsigned char rareByte = 0;  // the search's rarest byte in ordinary text
    unsigned char rareUpper = 0; // its upper-case form when it is a letter, else 0
    mutable std::string buffer;  // reused: one text prepared at a time
};
