#pragma once

#include "listwin/ListKinds.h"
#include "listwin/ListQuery.h"

#include <QString>

#include <functional>
#include <vector>

class NameCollator;

// The order a list is shown in, decided here once for the sort in memory and for the jump box:
// a list ordered by the stored keys (ListQueryLines) comes in this same order.
//
// The rows are ordered by their lead field (a Ref, or a link's note: ListLead), compared by
// character code as stored; then a link to an item that no longer exists comes first; then by
// the name's key (NameCollator::SortKey); then, in a links-across list ordered by name, by the
// link's note; then by the id (and the link's drop), so that no two rows tie.

// What a list is ordered by before the names.
enum class LeadField { None, Ref, LinkNote };
LeadField ListLead(ListOf listKind, SortBy sortOrder, bool lnoteBefore);

// Puts rows read in no order into the list's order, each name's key made once.
void SortListRows(std::vector<ListRow>& rows, ListOf listKind, LeadField lead,
                  const NameCollator& collator);

// Compares two texts by their characters' codes (the engine's order of UTF-8 text): negative,
// zero or positive as a sorts before, with or after b.
int CompareCodePoints(const QString& a, const QString& b);

// The row the jump box puts the cursor on for text, in a list in that order: the first whose
// key is at or after the text. In name order the text is compared as a name is, so "ec" finds
// "Éclair"; in Ref or note order it is compared with the lead field by character code, and a
// text that begins with a row's whole Ref or note compares what follows with the row's name.
// Returns the row's index, or -1 when every row is before the text.
// The rows are given by their count and a reader of row i, so that a list read a page at a
// time is searched without reading it whole (in name order only a few rows are read).
int JumpRow(int count, const std::function<ListRow(int)>& rowAt, const QString& text,
            LeadField lead, const NameCollator& collator);
// The same over rows held whole.
int JumpRow(const std::vector<ListRow>& rows, const QString& text, LeadField lead,
            const NameCollator& collator);
