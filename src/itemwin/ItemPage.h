#pragma once

#include <QString>
#include <QStringList>

// The item page: an item as the text window shows it. A non-empty Name is line 1, an empty
// line follows, then the lines of the item's Text; an item without a Name shows its Text alone.
// Saving reads the page back the same way, so the first line of a saved page is the Name.

// The lines of a stored text. Any of CR LF, CR or LF ends a line; a break at the very end
// does not start another line, so "eggs\r\nmilk\r\n" is two lines and "" is none.
QStringList StoredTextLines(const QString& text);

// The page of an item with this Name and stored Text.
QStringList BuildItemPage(const QString& name, const QString& text);

// Each line followed by CR LF; empty for no lines.
QString ComposeStoredText(const QStringList& lines);

// What saving a page writes, or that it cannot be saved.
struct PageFields {
    bool Empty = true; // no non-empty line: the page cannot be saved
    QString Name;      // the first line, uncut
    QString Text;      // the remaining lines, each followed by CR LF
};

// A stored Text as saving its page writes it back: each line ended by CR LF, empty lines at the
// end dropped. Two Texts that give the same page Text look alike on the page.
QString PageText(const QString& text);

// The save rules: empty lines at the end are dropped; the first line is the Name; an empty line
// directly under it is dropped; the rest is the Text.
PageFields ParseItemPage(QStringList lines);
