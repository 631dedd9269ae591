#pragma once

#include "common/TextHelpers.h"
#include "search/SearchFolding.h"

#include <QString>
#include <QStringList>

#include <cstring>
#include <iterator>
#include <random>
#include <utility>

// Names, texts and search queries made at random from a seed, full of what a search's folding
// and line splitting must get right: the search tests' databases are made of them.
namespace SearchTextPieces {
// Pieces the generated names and texts are made of: words the queries look for, letters and
// digits in both cases, every kind of punctuation and blank, every kind of line end, and
// characters whose lower case or folding is unusual (letters that lower to ASCII or to two
// characters, characters outside the basic plane, combining marks, other scripts).
const char16_t* const Words[] = {u"harbour",    u"Harbour", u"O'Neil",   u"o neil",    u"SMITH",
                                 u"smithy",     u"route66", u"Route 66", u"caf\u00e9", u"CAF\u00c9",
                                 u"na\u00efve", u"plumber", u"receipt",  u"kg",        u"abc"};
const char16_t* const OddPieces[] = {
    u"\u00e9", u"\u00c9", u"\u00df",       u"\u0130",     u"\u0131",    u"\u212a", u"\u212b",
    u"\u03a3", u"\u03c2", u"\u4e2d\u6587", u"\U0001F600", u"e\u0301",   u"\ufb01", u"\u00a0",
    u"\u200d", u"\uff21", u"\u01c5",       u"\u1e9e",     u"\U00010400"};
const char* const Punctuation = " .,;:'\"-_/\\()[]{}@#`~!?&*+=<>|^%$\t";
const char* const LineEnds[] = {"\n", "\r\n", "\r", "\n\n", "\r\r\n", "\n\r"};
} // namespace SearchTextPieces

class SearchTexts {
public:
    explicit SearchTexts(unsigned seed) : rng(seed) {}

    int Below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }
    // Whether the next pieces may be other than ASCII: some items are, so that both the
    // matcher's byte-wise reading and its decoded one are compared.
    bool Odd = true;
    bool Chance(int percent) { return Below(100) < percent; }

    QString Piece() {
        switch (Below(10)) {
        case 0:
        case 1:
        case 2: {
            const QString word = QString::fromUtf16(
                SearchTextPieces::Words[Below(int(std::size(SearchTextPieces::Words)))]);
            return Odd ? word : PrepareSearchText(word, true);
        }
        case 3:
            if (Odd)
                return QString::fromUtf16(SearchTextPieces::OddPieces[Below(
                    int(std::size(SearchTextPieces::OddPieces)))]);
            return QStringLiteral("x");
        case 4:
        case 5:
            return QString(QLatin1Char(SearchTextPieces::Punctuation[Below(
                int(std::strlen(SearchTextPieces::Punctuation)))]));
        case 6:
            return QString::number(Below(1000));
        default: {
            QString word;
            for (int n = 1 + Below(8); n > 0; --n)
                word += QLatin1Char(char((Chance(30) ? 'A' : 'a') + Below(26)));
            return word;
        }
        }
    }
    QString Line(int pieces) {
        QString line;
        for (int i = 0; i < pieces; ++i)
            line += Piece();
        return line;
    }
    QString Name() { return CutToWidth(Line(1 + Below(8)), 80); }
    // The next item's name and text, three in ten of them with other than ASCII pieces; both
    // go into stored, which queries are cut from.
    std::pair<QString, QString> NameAndText(QStringList& stored) {
        Odd = Chance(30);
        QString name = Name();
        QString text = Text();
        stored << name << text;
        return {name, text};
    }
    // Null, empty, a few lines of mixed ends, or very long lines.
    QString Text() {
        if (Chance(10))
            return QString();
        QString text;
        const int lines = Below(12);
        for (int i = 0; i < lines; ++i) {
            text += Line(Chance(2) ? 300 + Below(700) : Below(20));
            text += QLatin1String(
                SearchTextPieces::LineEnds[Below(int(std::size(SearchTextPieces::LineEnds)))]);
        }
        if (Chance(50))
            text += Line(Below(10)); // no end after the last line
        return text;
    }
    // A query cut from what an item holds, with its case changed here and there, so that most
    // find something; or made of pieces, so that some find nothing.
    QString Query(const QStringList& stored) {
        QString q;
        if (Chance(70)) {
            const QString& from = stored[Below(int(stored.size()))];
            if (from.isEmpty())
                return Piece();
            const int at = Below(int(from.size()));
            q = from.mid(at, 1 + Below(14));
        } else {
            q = Line(1 + Below(3));
        }
        for (QChar& c : q)
            if (Chance(20))
                c = Chance(50) ? c.toUpper() : c.toLower();
        return q;
    }

private:
    std::mt19937 rng;
};
