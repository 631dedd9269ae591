#include "itemwin/MemoRows.h"

#include <QAbstractTextDocumentLayout>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

QStringList DisplayedRows(QPlainTextEdit* memo) {
    QStringList rows;
    QTextDocument* doc = memo->document();
    QAbstractTextDocumentLayout* layout = doc->documentLayout();
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        // Asking for the block's rectangle lays the block out if it has not been yet.
        layout->blockBoundingRect(block);
        const QString text = block.text();
        const QTextLayout* lines = block.layout();
        if (!lines || lines->lineCount() <= 1) {
            rows << text;
            continue;
        }
        for (int i = 0; i < lines->lineCount(); ++i) {
            const QTextLine line = lines->lineAt(i);
            rows << text.mid(line.textStart(), line.textLength());
        }
    }
    if (!rows.isEmpty() && rows.last().isEmpty())
        rows.removeLast();
    return rows;
}

int DisplayedRowCount(QPlainTextEdit* memo) {
    return int(DisplayedRows(memo).size());
}

QStringList MemoLines(const QPlainTextEdit* memo) {
    QStringList lines;
    const QTextDocument* doc = memo->document();
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next())
        lines << block.text();
    if (lines.isEmpty())
        lines << QString();
    return lines;
}

QString MemoText(const QPlainTextEdit* memo) {
    return MemoLines(memo).join(QLatin1Char('\n'));
}

int MemoMarginWidth(const QPlainTextEdit* memo) {
    // The document's margin on both sides, and room for the caret after the last character.
    return int(2 * memo->document()->documentMargin()) + memo->cursorWidth();
}
