#include "itemwin/ItemPage.h"

QStringList StoredTextLines(const QString& text) {
    QStringList lines;
    QString line;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            if (c == QLatin1Char('\r') && i + 1 < text.size() &&
                text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            lines << line;
            line.clear();
        } else {
            line += c;
        }
    }
    if (!line.isEmpty())
        lines << line;
    return lines;
}

QStringList BuildItemPage(const QString& name, const QString& text) {
    QStringList page;
    if (!name.isEmpty())
        page << name << QString();
    page << StoredTextLines(text);
    return page;
}

QString ComposeStoredText(const QStringList& lines) {
    QString text;
    for (const QString& line : lines)
        text += line + QStringLiteral("\r\n");
    return text;
}

QString PageText(const QString& text) {
    QStringList lines = StoredTextLines(text);
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return ComposeStoredText(lines);
}

PageFields ParseItemPage(QStringList lines) {
    PageFields fields;
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    if (lines.isEmpty())
        return fields;
    fields.Empty = false;
    fields.Name = lines.takeFirst();
    if (!lines.isEmpty() && lines.first().isEmpty())
        lines.removeFirst();
    fields.Text = ComposeStoredText(lines);
    return fields;
}
