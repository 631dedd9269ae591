#pragma once

#include "store/ItemStore.h"

#include <QString>

// A large items database for the list benchmarks, generated once and kept under /tmp.
struct ListBenchData {
    QString Path;
    ItemId BigParent = 0; // the item with 10,000 children
    ItemId Hub = 0;       // an item with many links across, some with notes
};

// The word that occurs in the texts of about 1% of the items.
extern const char* const RareWord;

// Opens (generating first when missing) the database of itemCount items on PhoneDB.
ListBenchData OpenListBenchData(int itemCount);
