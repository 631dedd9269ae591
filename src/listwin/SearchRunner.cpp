#include "listwin/SearchRunner.h"

#include "app/Clock.h"
#include "app/TextHelpers.h"
#include "listwin/ListQuery.h"
#include "store/Database.h"

#include <QSqlQuery>

QDateTime LastSearchStamp;

namespace {
bool isBreak(QChar c) {
    return c == QLatin1Char('\n') || c == QLatin1Char('\r');
}

// The folded form of one character: lower-cased, and kept only when it is then a letter a to
// z or a digit. This is what KeepAlphanumerics makes of a lower-cased text, one character at
// a time, so a long text is folded without building a list of its lines.
bool foldChar(QChar c, QChar& out) {
    ushort u = c.unicode();
    if (u >= 128) {
        u = c.toLower().unicode();
        if (u >= 128)
            return false;
    } else if (u >= 'A' && u <= 'Z') {
        u = static_cast<ushort>(u + ('a' - 'A'));
    }
    if ((u >= 'a' && u <= 'z') || (u >= '0' && u <= '9')) {
        out = QChar(u);
        return true;
    }
    return false;
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

bool SearchMatcher::NameMatches(const QString& name) const {
    if (search.isEmpty() || name.isEmpty())
        return false;
    if (!folding)
        return name.toLower().contains(search);
    line.clear();
    QChar f;
    for (QChar c : name)
        if (foldChar(c, f))
            line.append(f);
    return line.contains(search);
}

bool SearchMatcher::TextMatches(const QString& text) const {
    if (search.isEmpty() || text.isEmpty())
        return false;
    if (!folding) {
        // A search text without line breaks can only occur inside one line, so the whole
        // text can be searched at once.
        if (searchHasBreak)
            return false;
        return text.toLower().contains(search);
    }
    line.clear();
    QChar f;
    for (QChar c : text) {
        if (isBreak(c)) {
            if (line.contains(search))
                return true;
            line.clear();
        } else if (foldChar(c, f)) {
            line.append(f);
        }
    }
    return line.contains(search);
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
