#include "search/SearchFolding.h"

#include "common/CommonState.h"
#include "common/TextHelpers.h"

#include <array>

QString PrepareSearchText(const QString& text, bool folding) {
    const QString lowered = LowerText(text);
    if (!folding)
        return lowered;
    QString kept;
    kept.reserve(lowered.size());
    for (QChar c : lowered) {
        const char16_t u = c.unicode();
        if ((u >= u'a' && u <= u'z') || (u >= u'0' && u <= u'9'))
            kept.append(c);
    }
    return kept;
}

QString PrepareSearchText(const QString& text) {
    return PrepareSearchText(text, Common().PunctuationFolding);
}

const unsigned char* AsciiFoldTable() {
    static const std::array<unsigned char, 256> table = [] {
        std::array<unsigned char, 256> t{};
        for (int c = 0; c < 128; ++c) {
            const QString folded = PrepareSearchText(QString(QChar(c)), true);
            t[size_t(c)] = folded.isEmpty() ? 0 : static_cast<unsigned char>(folded[0].unicode());
        }
        return t;
    }();
    return table.data();
}
