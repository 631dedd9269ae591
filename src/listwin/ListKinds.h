#pragma once

// The kinds of list the items list window shows, and the orders a list can be in. The letters
// they stand for are the codes the list has always been known by.

enum class ListOf : char {
    TopLevel = 'T',      // the top-level items
    LinksDown = '1',     // the current item's links down
    LinksAcross = '2',   // the current item's links across
    SearchResults = 'S', // the items a search stamped
};

enum class SortBy : char {
    Default = 'D', // decided once the list is loaded: by ref when every row has one
    Name = 'N',
    Ref = 'R',
};

// Where a list's order comes from: the names' sort keys stored in the file (store/SortKeys), or
// a sort of the rows once read, by the same keys, while the stored ones are being made or
// cannot be trusted.
enum class RowOrder : char {
    StoredKeys = 'K',
    SortedHere = 'H',
};
