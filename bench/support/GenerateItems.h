#pragma once

#include "store/ItemStore.h"

#include <vector>

// Fills the open database with a large, realistic set of items through the store's own
// operations, so that benchmarks run on data shaped like a long-used database.
struct ItemsShape {
    int ItemCount = 100000;     // items made, the big branch and the big parent's children included
    int TopLevelCount = 300;    // top-level items outside the big branch
    int MaxDepth = 6;           // the deepest items have this many ancestors
    int BigBranchItems = 50000; // one top-level item with this many items in its branch (0: none)
    int BigParentChildren = 2000; // one item with this many children of its own (0: none)
    int MinTextChars = 0;         // texts are drawn between these lengths; a third have no text
    int MaxTextChars = 1500;
    int LinksAcross = 30000; // distinct pairs linked across once each
    unsigned Seed = 20240517;
};

struct GeneratedItems {
    ItemId BigBranchRoot;
    ItemId BigBranchFirst; // the branch's items have the ids First..Last, nothing else
    ItemId BigBranchLast;
    ItemId BigParent;
    std::vector<ItemId> DeepestItems;              // items with MaxDepth ancestors
    std::vector<ItemId> Parents;                   // items with children, outside the big branch
    std::vector<ItemId> Leaves;                    // items without children, outside the big branch
    std::vector<std::pair<ItemId, ItemId>> Linked; // the pairs linked across
};

// The shape for n items: the default's proportions.
ItemsShape ShapeFor(int n);

// Adds the items and links to the database open on PhoneDB, all in one transaction.
GeneratedItems GenerateItems(const ItemsShape& shape);
