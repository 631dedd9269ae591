#pragma once

#include <QStringList>

class QPlainTextEdit;

// Reading a memo the way the user sees it.

// The rows the memo shows: a line wrapped at the memo's width gives one row per displayed row.
// An empty memo has no rows, and an empty last line (a text ending in a line break) is not
// counted.
QStringList DisplayedRows(QPlainTextEdit* memo);
int DisplayedRowCount(QPlainTextEdit* memo);

// The memo's lines as typed, one per line break, with every character as it stands: no-break
// spaces and line separators are kept (the widget's plain text would turn them into others).
QStringList MemoLines(const QPlainTextEdit* memo);
// The same lines joined by LF.
QString MemoText(const QPlainTextEdit* memo);

// The space the memo's own margins take across: its client width less the width its text is
// laid out in.
int MemoMarginWidth(const QPlainTextEdit* memo);
