#include "listwin/SearchRunner.h"

#include "app/Clock.h"
#include "app/TextHelpers.h"
#include "listwin/ListQuery.h"
#include "store/Database.h"

#include <QSqlQuery>

QDateTime LastSearchStamp;

namespace {
bool isBreak(char16_t c) {
    return c == u'\n' || c == u'\r';
}

// What each ASCII character becomes: lowered, and with folding only letters and digits kept
// (0 drops the character).
struct FoldTables {
    char16_t lower[128];
    char16_t fold[128];
    FoldTables() {
        for (int c = 0; c < 128; ++c) {
            const char16_t l = (c >= 'A' && c <= 'Z') ? char16_t(c + ('a' - 'A')) : char16_t(c);
            lower[c] = l;
            fold[c] = ((l >= 'a' && l <= 'z') || (l >= '0' && l <= '9')) ? l : 0;
        }
    }
};
const FoldTables Tables;

// One character prepared as the search prepares texts: lower-cased (ASCII by table, others by
// their lower-case mapping), and with folding kept only when it is then a letter or digit.
inline char16_t prepareChar(char16_t c, bool folding) {
    if (c < 128)
        return folding ? Tables.fold[c] : Tables.lower[c];
    const char16_t l = QChar(c).toLower().unicode();
    if (!folding)
        return l;
    return l < 128 ? Tables.fold[l] : 0;
}

bool holds(const char16_t* begin, const char16_t* end, const QString& search) {
    if (end - begin < search.size())
        return false;
    return QStringView(begin, end).indexOf(search) >= 0;
}
} // namespace

QString PrepareSearchText(const QString& text) {
    QString t = text.toLower();
    if (PunctuationFolding)
        t = KeepAlphanumerics(t);
    return t;
}

SearchMatcher::SearchMatcher(const QString& prepared, bool folding)
    : search(prepared), folding(folding) {
    searchHasBreak = search.contains(QLatin1Char('\n')) || search.contains(QLatin1Char('\r'));
}

bool SearchMatcher::scan(const QString& text, bool splitLines) const {
    if (search.isEmpty() || text.isEmpty())
        return false;
    if (splitLines && searchHasBreak)
        return false; // a line never holds a line break
    buffer.resize(size_t(text.size()));
    const char16_t* in = reinterpret_cast<const char16_t*>(text.utf16());
    const char16_t* inEnd = in + text.size();
    char16_t* out = buffer.data();
    char16_t* lineStart = out;
    for (; in != inEnd; ++in) {
        const char16_t c = *in;
        if (splitLines && folding && isBreak(c)) {
            // Folding would join the lines: each line is searched on its own.
            if (holds(lineStart, out, search))
                return true;
            lineStart = out;
            continue;
        }
        const char16_t p = prepareChar(c, folding);
        if (p != 0 || !folding)
            *out++ = p;
    }
    // Without folding the breaks stay in the text, and a search without breaks cannot match
    // across them, so the whole text is searched at once.
    return holds(lineStart, out, search);
}

bool SearchMatcher::NameMatches(const QString& name) const {
    return scan(name, false);
}

bool SearchMatcher::TextMatches(const QString& text) const {
    return scan(text, true);
}

QDateTime NextSearchStamp() {
    QDateTime stamp = CurrentDateTime();
    if (LastSearchStamp.isValid() && stamp <= LastSearchStamp)
        stamp = LastSearchStamp.addMSecs(1);
    LastSearchStamp = stamp;
    return stamp;
}

SearchOutcome StampSearch(const QString& typed) {
    SearchOutcome out;
    out.Prepared = PrepareSearchText(typed);
    out.Stamp = NextSearchStamp();
    if (out.Prepared.isEmpty())
        return out; // an empty prepared text matches nothing

    const SearchMatcher matcher(out.Prepared, PunctuationFolding);
    std::vector<ItemId> matched;
    {
        QSqlQuery walk = PrepareQuery(QString::fromLatin1(SearchWalkSql));
        walk.setForwardOnly(true);
        ExecQuery(walk);
        while (walk.next()) {
            const ItemId id = walk.value(0).toInt();
            const QString name = walk.value(1).toString();
            if (!matcher.NameMatches(name) && !matcher.TextMatches(walk.value(2).toString()))
                continue;
            matched.push_back(id);
            if (walk.value(3).toInt() == id && name == typed)
                out.Hiders.push_back(id);
        }
    }
    out.Matches = static_cast<int>(matched.size());
    if (matched.empty())
        return out;

    Transaction t;
    QSqlQuery stamp = PrepareQuery(QString::fromLatin1(SearchStampSql));
    const QVariant when = StampToDb(out.Stamp);
    for (ItemId id : matched) {
        stamp.bindValue(QStringLiteral(":srchts"), when);
        stamp.bindValue(QStringLiteral(":id"), id);
        ExecQuery(stamp);
    }
    t.Commit();
    return out;
}
