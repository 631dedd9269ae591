#include "common/SafeFileNames.h"

#include <QStringList>
#include <QTextBoundaryFinder>

namespace {
bool refused(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == '<' || c == '>' || c == ':' || c == '"' ||
           c == '/' || c == '\\' || c == '|' || c == '?' || c == '*';
}

bool blank(QChar c) {
    return c.isSpace();
}

// The name's characters that every file system takes, without blanks at its ends and without a
// leading dot.
QString cleaned(const QString& name) {
    QString out;
    out.reserve(name.size());
    for (char32_t c : name.trimmed().normalized(QString::NormalizationForm_C).toUcs4()) {
        if (refused(c))
            out += QLatin1Char('_');
        else
            out += QString::fromUcs4(&c, 1);
    }
    out = out.trimmed();
    if (out.startsWith(QLatin1Char('.')))
        out[0] = QLatin1Char('_');
    return out;
}

// The longest start of text, cut between whole characters (grapheme clusters; code points when
// a single character is longer than that), whose UTF-8 has at most bytes bytes.
QString cutToBytes(const QString& text, int bytes) {
    if (text.toUtf8().size() <= bytes)
        return text;
    qsizetype kept = 0;
    int used = 0;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    for (qsizetype at = finder.toNextBoundary(); at > 0; at = finder.toNextBoundary()) {
        used += int(QStringView(text).mid(kept, at - kept).toUtf8().size());
        if (used > bytes)
            break;
        kept = at;
    }
    if (kept > 0)
        return text.left(kept);
    // One character longer than the room: as many of its code points as fit.
    used = 0;
    while (kept < text.size()) {
        const qsizetype next = kept + (text.at(kept).isHighSurrogate() ? 2 : 1);
        used += int(QStringView(text).mid(kept, next - kept).toUtf8().size());
        if (used > bytes)
            break;
        kept = next;
    }
    return text.left(kept);
}

bool deviceName(const QString& base) {
    static const QStringList names = [] {
        QStringList n{QStringLiteral("con"), QStringLiteral("prn"),    QStringLiteral("aux"),
                      QStringLiteral("nul"), QStringLiteral("conin$"), QStringLiteral("conout$")};
        for (const char* port : {"com", "lpt"}) {
            for (char digit = '0'; digit <= '9'; ++digit)
                n << QLatin1String(port) + QLatin1Char(digit);
            for (const char16_t superscript : {u'\u00b9', u'\u00b2', u'\u00b3'})
                n << QLatin1String(port) + QChar(superscript);
        }
        return n;
    }();
    return names.contains(base.toLower());
}

// The stem of a name cut to room bytes, with no blank or dot at its end, no device name before
// its first dot, and never empty.
QString fitted(const QString& clean, int room) {
    QString stem = cutToBytes(clean, room);
    while (!stem.isEmpty() && (stem.back() == QLatin1Char('.') || blank(stem.back())))
        stem.chop(1);
    if (stem.isEmpty())
        stem = QStringLiteral("untitled");
    qsizetype dot = stem.indexOf(QLatin1Char('.'));
    if (dot < 0)
        dot = stem.size();
    QString base = stem.left(dot);
    while (!base.isEmpty() && blank(base.back()))
        base.chop(1);
    if (deviceName(base))
        stem.insert(base.size(), QLatin1Char('_'));
    return stem;
}

int utf8Size(const QString& text) {
    return int(text.toUtf8().size());
}
} // namespace

QString SafeFileNames::Plain(const QString& name, const QString& suffix) {
    return fitted(cleaned(name), MaxNameBytes - utf8Size(suffix)) + suffix;
}

QString SafeFileNames::key(const QString& name) {
    return name.normalized(QString::NormalizationForm_C).toCaseFolded();
}

void SafeFileNames::Reserve(const QString& name) {
    taken.insert(key(name));
}

QString SafeFileNames::Claim(const QString& name, const QString& suffix, qint64 id) {
    const QString clean = cleaned(name);
    QString candidate = fitted(clean, MaxNameBytes - utf8Size(suffix)) + suffix;
    // Another item's name may be this one with the id already (an item named "Smith (42)"):
    // then a second number follows the id.
    for (int n = 1; taken.contains(key(candidate)); ++n) {
        const QString tag =
            n == 1 ? QStringLiteral(" (%1)").arg(id) : QStringLiteral(" (%1-%2)").arg(id).arg(n);
        candidate = fitted(clean, MaxNameBytes - utf8Size(tag) - utf8Size(suffix)) + tag + suffix;
    }
    taken.insert(key(candidate));
    return candidate;
}
