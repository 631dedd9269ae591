#pragma once

#include "store/ItemStore.h"

#include <QString>
#include <QVariant>

// Row-level reads and writes on the items and links-across tables that the store's operations
// are built from. Each runs one prepared statement; none asks or tells the user anything.

// The fields the linking, hiding and deleting operations decide on.
struct LinkFields {
    ItemId Id;
    QString Name;
    ItemId Parent;
    ItemId Rank;
    int Numchildren = 0;
    int numcousins = 0;
};

// Values as the store writes them into the fields of a row. Name, Ref and link note are cut
// to their widths at a whole character (CutToWidth); an empty Ref is stored as null, the one
// form an empty Ref has, so that lists sorted by Ref keep the items without one together. An
// empty text is stored as null, as a text never written.
QVariant NameValue(const QString& name);
QVariant RefValue(const QString& tel);
QVariant TextValue(const QString& text);
QVariant LinkNoteValue(const QString& note);

bool ReadLinkFields(ItemId id, LinkFields& row);
bool ItemExists(ItemId id);

// Adds delta to an item's Numchildren (a null count reads as 0); nothing when it is missing.
void AddToNumchildren(ItemId id, int delta);
// Adds one to an item's numcousins; nothing when it is missing.
void CountLinkAcross(ItemId id);
// Takes one from an item's numcousins unless it is 0 already.
void UncountLinkAcross(ItemId id);
void SetParentOf(ItemId id, ItemId parent);
void SetRankOf(ItemId id, ItemId rank);

// Whether any item names id as its parent, and whether any links-across row names it at
// either end: what the stored counts should say, read from the rows themselves.
bool HasChildRows(ItemId id);
bool HasLinkAcrossRows(ItemId id);

bool LinkAcrossRowExists(ItemId id1, ItemId id2, int drop);
