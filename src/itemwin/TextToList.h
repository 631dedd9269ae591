#pragma once

#include "store/ItemStore.h"

#include <QString>
#include <QStringList>

// Turns the lines of an item's text into child items of that item: each line that yields a
// name or a reference becomes a new item linked down from the item.

// How a line holding a TAB is split; asked once per run, at the first such line.
enum TabSplit : int {
    TabSplitNone = 0,      // lines are taken whole, TABs and all
    TabSplitNameFirst = 1, // name TAB ref
    TabSplitRefFirst = 2,  // ref TAB name
    TabSplitUndecided = -1,
};

struct ListEntry {
    QString Name;
    QString Ref;
    bool IsEmpty() const { return Name.isEmpty() && Ref.isEmpty(); }
};

// The name and reference that line number index (from 0) gives. A line with a TAB under a
// chosen split gives the text before the first TAB and the text after it (at most 255
// characters, leading blanks and TABs removed), in the order chosen; numbering does not apply
// to it. Any other line is the name, whole and untrimmed, with the padded line number as its
// reference when numbering is on.
ListEntry TextToListEntry(const QString& line, int index, bool numbering, TabSplit split);

// The whole conversion for the item parent and its text's lines as displayed, with its
// questions. Returns true when the run went through the lines (even if none gave an item), so
// the window that started it closes; false when it stopped before the first line.
bool TextToList(ItemId parent, const QStringList& lines);
