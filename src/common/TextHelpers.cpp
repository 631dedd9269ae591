#include "common/TextHelpers.h"

#include "common/CommonState.h"
#include <QTextBoundaryFinder>

QString PadNumber(qint64 n, int width) {
    QString s = QString::number(n);
    while (s.size() < width)
        s.prepend(Common().PadChar);
    return s;
}

QString LowerText(const QString& s) {
    return s.toLower();
}

namespace {
// The longest beginning of text of at most units UTF-16 units that ends after a whole grapheme
// cluster, or, when the first cluster alone is longer, after its last whole code point.
QString cutToUnits(const QString& text, qsizetype units) {
    if (text.size() <= units)
        return text;
    // Whether a cluster ends at units depends on what comes before it and on the one character
    // after it (two units when that is a surrogate pair), never on anything further on.
    const QString head = text.left(units + 2);
    QTextBoundaryFinder clusters(QTextBoundaryFinder::Grapheme, head);
    clusters.setPosition(units);
    qsizetype cut = clusters.isAtBoundary() ? units : clusters.toPreviousBoundary();
    if (cut <= 0) {
        cut = units;
        if (head.at(cut - 1).isHighSurrogate() && head.at(cut).isLowSurrogate())
            --cut;
    }
    return text.left(cut);
}
} // namespace

QString CutToWidth(const QString& text, int width) {
    if (width <= 0)
        return text.left(0);
    // No more units than the width: no more characters either.
    if (text.size() <= width)
        return text;
    QTextBoundaryFinder clusters(QTextBoundaryFinder::Grapheme, text);
    qsizetype end = 0;
    for (int count = 0; count < width && end < text.size(); ++count) {
        const qsizetype next = clusters.toNextBoundary();
        if (next < 0)
            break;
        end = next;
    }
    return cutToUnits(end >= text.size() ? text : text.left(end),
                      qsizetype(width) * MaxUnitsPerCharacter);
}

QString QuoteSingle(const QString& s) {
    return QLatin1Char('\'') + s + QLatin1Char('\'');
}

// The trailing blank is part of every message that names an item this way.
QString QuoteDouble(const QString& s) {
    return QLatin1Char('"') + s + QStringLiteral("\" ");
}

QString EscapeAmpersands(const QString& s) {
    QString out = s;
    out.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return out;
}

bool TryParseInt(const QString& s, int& n) {
    if (s.isEmpty())
        return false;
    bool ok = false;
    int v = s.toInt(&ok, 10);
    if (!ok)
        return false;
    n = v;
    return true;
}

int TrimLeadingBlanks(QString& s) {
    int i = 0;
    while (i < s.size() && (s[i] == QLatin1Char(' ') || s[i] == QLatin1Char('\t')))
        ++i;
    s.remove(0, i);
    return i;
}

QString KeepLastChars(const QString& s, int n) {
    if (n <= 0)
        return QString();
    return s.size() <= n ? s : s.right(n);
}

void SwapTexts(QString& a, QString& b) {
    a.swap(b);
}

bool InRange(qint64 x, qint64 lo, qint64 hi) {
    return lo <= x && x <= hi;
}

void DecrementToZero(int& n) {
    if (n > 0)
        --n;
}

QString MonthName(int m) {
    static const char* const names[] = {"January",   "February", "March",    "April",
                                        "May",       "June",     "July",     "August",
                                        "September", "October",  "November", "December"};
    return InRange(m, 1, 12) ? QString::fromLatin1(names[m - 1]) : QString();
}

QString DayName(int d) {
    static const char* const names[] = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                        "Friday", "Saturday", "Sunday"};
    return InRange(d, 1, 7) ? QString::fromLatin1(names[d - 1]) : QString();
}

QString DayAbbrev(int d) {
    return DayName(d).left(3);
}
