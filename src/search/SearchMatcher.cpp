#include "search/SearchMatcher.h"

#include "search/SearchFolding.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

namespace {
bool isBreak(QChar c) {
    return c == QLatin1Char('\n') || c == QLatin1Char('\r');
}

// The rule's table for a text's bytes: the same as for a name, with a line break kept as one
// separator. The prepared search never holds one, so no match can run from one line into the
// next.
const unsigned char* foldLinesTable() {
    static const std::array<unsigned char, 256> table = [] {
        std::array<unsigned char, 256> t{};
        const unsigned char* fold = AsciiFoldTable();
        for (int c = 0; c < 256; ++c)
            t[size_t(c)] = (c == '\n' || c == '\r') ? '\n' : fold[c];
        return t;
    }();
    return table.data();
}

constexpr uint64_t EachByte(unsigned char b) {
    return 0x0101010101010101ULL * b;
}

// Whether all n bytes are ASCII characters (no byte of a longer UTF-8 sequence).
bool allAscii(const unsigned char* in, size_t n) {
    uint64_t seen = 0;
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t w;
        std::memcpy(&w, in + i, 8);
        seen |= w;
    }
    for (; i < n; ++i)
        seen |= in[i];
    return (seen & EachByte(0x80)) == 0;
}

// Lowers the ASCII letters of n ASCII bytes into out, eight at a time.
void lowerBytes(const unsigned char* in, size_t n, char* out) {
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t w;
        std::memcpy(&w, in + i, 8);
        // Per byte: A to Z set the high bit of the first sum and not of the second; bytes
        // below 0x80 never carry into the next byte.
        const uint64_t upper =
            (w + EachByte(0x80 - 'A')) & ~(w + EachByte(0x80 - 'Z' - 1)) & EachByte(0x80);
        w |= upper >> 2; // 0x80 >> 2 is the case bit
        std::memcpy(out + i, &w, 8);
    }
    for (; i < n; ++i) {
        const unsigned char c = in[i];
        out[i] = static_cast<char>((c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c);
    }
}

// Folds n bytes into out through table, keeping the bytes it does not map to 0; returns the
// number kept.
size_t foldBytes(const unsigned char* in, size_t n, const unsigned char* table, char* out) {
    size_t kept = 0;
    for (size_t i = 0; i < n; ++i) {
        const unsigned char f = table[in[i]];
        out[kept] = static_cast<char>(f); // written always, kept only when not 0
        kept += f != 0;
    }
    return kept;
}

// How seldom a byte occurs in ordinary text: the lower, the rarer.
int Rarity(unsigned char c) {
    static const char* const rareFirst = "zqxjkv0123456789bpygfwmucldrhsnioate";
    if (c == ' ')
        return 100;
    const char* at = std::strchr(rareFirst, c);
    return at && c ? int(at - rareFirst) : 20;
}
} // namespace

SearchMatcher::SearchMatcher(const QString& prepared, bool folding)
    : search(prepared), folding(folding) {
    if (folding) {
        nameFold = AsciiFoldTable();
        textFold = foldLinesTable();
    }
    searchHasBreak = search.contains(QLatin1Char('\n')) || search.contains(QLatin1Char('\r'));
    searchAscii =
        std::all_of(search.cbegin(), search.cend(), [](QChar c) { return c.unicode() < 128; });
    if (searchAscii && !search.isEmpty()) {
        searchBytes = search.toStdString();
        // Lowering and folding leave every other byte as it is, so a text that holds the
        // search holds this byte as it stands, or a lower-case letter in upper case.
        rareByte = static_cast<unsigned char>(searchBytes[0]);
        for (char c : searchBytes)
            if (Rarity(static_cast<unsigned char>(c)) < Rarity(rareByte))
                rareByte = static_cast<unsigned char>(c);
        if (rareByte >= 'a' && rareByte <= 'z')
            rareUpper = static_cast<unsigned char>(rareByte - ('a' - 'A'));
    }
}

bool SearchMatcher::lineHolds(const QString& line) const {
    if (search.isEmpty() || line.isEmpty())
        return false;
    return PrepareSearchText(line, folding).contains(search);
}

bool SearchMatcher::NameMatches(const QString& name) const {
    return lineHolds(name);
}

bool SearchMatcher::TextMatches(const QString& text) const {
    if (searchHasBreak)
        return false; // a line never holds a line break
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && !isBreak(text.at(i)))
            continue;
        // CR LF leaves an empty line between its two characters, which matches nothing.
        if (i > start && lineHolds(text.mid(start, i - start)))
            return true;
        start = i + 1;
    }
    return false;
}

SearchMatcher::Answer SearchMatcher::scanAscii(const char* bytes, size_t size,
                                               const unsigned char* foldTable) const {
    const unsigned char* in = reinterpret_cast<const unsigned char*>(bytes);
    if (!allAscii(in, size))
        return NotAscii;
    // An ASCII text cannot hold a search with another character in it.
    if (!searchAscii)
        return No;
    // Most texts lack the search's rarest character (in either case): they are turned down
    // before being prepared.
    if (!std::memchr(in, rareByte, size) && (!rareUpper || !std::memchr(in, rareUpper, size)))
        return No;
    buffer.resize(size);
    size_t n = size;
    if (foldTable)
        n = foldBytes(in, size, foldTable, buffer.data());
    else
        lowerBytes(in, size, buffer.data());
    return memmem(buffer.data(), n, searchBytes.data(), searchBytes.size()) ? Yes : No;
}

SearchMatcher::Answer SearchMatcher::NameMatchesAscii(const char* bytes, size_t size) const {
    // A prepared text is never longer in characters than its UTF-8 form is in bytes.
    if (search.isEmpty() || size < size_t(search.size()))
        return No;
    return scanAscii(bytes, size, nameFold);
}

SearchMatcher::Answer SearchMatcher::TextMatchesAscii(const char* bytes, size_t size) const {
    if (search.isEmpty() || searchHasBreak || size < size_t(search.size()))
        return No;
    // Without folding the breaks stay in the lowered text, where a search without breaks
    // cannot cross them.
    return scanAscii(bytes, size, textFold);
}
