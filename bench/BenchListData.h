#pragma once

#include "store/ItemStore.h"

#include <QString>

// A large items database for the list benchmarks, generated once and kept under /tmp.

// The words the search benchmarks look for: ordinary lower-case words, made of letters the
// rest of the texts are full of (so the search's quick rejection of texts lacking the word's
// rarest letter does not turn every text down unread). Each goes into the texts of a known
// share of the items; nothing else holds it.
struct SearchWord {
    const char* Word;
    const char* Label;  // the share, as the benchmark's name shows it
    int PerTenThousand; // the chance of an item's text holding the word, in 10,000
};
constexpr int SearchWordCount = 3;
extern const SearchWord SearchWords[SearchWordCount]; // rare, in ~1% and in ~30% of the items
// A word of the same common letters that no item holds: every text is searched to its end.
extern const char* const AbsentWord;

struct ListBenchData {
    QString Path;
    ItemId BigParent; // the item with 10,000 children
    ItemId Hub;       // an item with many links across, some with notes
    // The number of items whose text holds each of SearchWords, as generated.
    int WordItems[SearchWordCount] = {};
};

// Opens (generating first when missing) the database of itemCount items on PhoneDB.
ListBenchData OpenListBenchData(int itemCount);
