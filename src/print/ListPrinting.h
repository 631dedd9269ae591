#pragma once

#include "print/LinePrinter.h"
#include "print/PrintTarget.h"
#include "store/ItemStore.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

// Printing a list of items: each item as a heading line (name and Ref in two columns) and its
// text, with page breaks after each item or where the initial letter changes.

enum class PrintRange { List, SelectedItem };
enum class PageBreaks { None, AfterEachItem, OnInitialLetter };

// One row of the list to print.
struct PrintableRow {
    ItemId Id;  // the row's item; 0 or less when the row names no item
    ItemId Id2; // the id the row names, reported when its item is missing
};

// The list as the list window shows it, handed to the printing.
struct PrintableList {
    // Printed first when the whole list is printed: what the list shows as its current item.
    QString Heading;
    // The heading line of each item: its name first and its Ref second when the list is
    // sorted by name, else the Ref first.
    bool NameFirst = true;
    std::vector<PrintableRow> Rows;
    // The row "Selected item" prints; -1 when the list has none.
    int CurrentRow = -1;
    // The fonts of the item's name and of its text, printed at PrintPoints whatever their size.
    PrintFont NameFont{QStringLiteral("Arial"), 8, true, false};
    PrintFont TextFont{QStringLiteral("Arial"), 8, false, false};
};

// Items print small, so that a page holds many.
constexpr double PrintPoints = 6;
// Text lines stand this far (mm) right of their item's heading.
constexpr double ItemTextIndent = 5;

// The lines an item's text prints as: one per line of the text, none for an empty text; a line
// break at the end starts no line of its own.
QStringList ItemTextLines(const QString& text);

// Prints one item on a running job: heading line, text lines, one empty line.
void PrintOneItem(LinePrinter& printer, const ItemRecord& item, const PrintableList& list);

// The initial an item is grouped by with OnInitialLetter: the first letter of its name as the
// list's order sees it, at the first level of the user's collation (NameCollator::InitialKey).
// "Éclair", "eclair" and "Eclair" share a group as they share a place in the list; where the
// language sorts "Ä" as a letter of its own (Swedish), it starts a group of its own. Empty for
// an empty name.
QByteArray NameInitialKey(const QString& name);

// Loads the item of a row; false, after telling the user "Item #<id> not found", when it is
// missing. Engine errors are thrown.
bool LoadPrintableRow(const PrintableRow& row, ItemRecord& item);
// The same for the list's current row; an empty list has none, and reports item #0.
bool LoadSelectedItem(const PrintableList& list, ItemRecord& item);

// Prints the whole list on a running job: its heading, then every row's item in order with
// the breaks chosen. A missing item is reported and skipped: it prints nothing and breaks no
// page. Engine errors are thrown.
void PrintWholeList(LinePrinter& printer, const PrintableList& list, PageBreaks breaks);
