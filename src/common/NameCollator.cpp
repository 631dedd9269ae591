#include "common/NameCollator.h"

#include "common/CommonState.h"

#include <QLocale>
#include <QTextBoundaryFinder>

#include <unicode/ucol.h>
#include <unicode/uloc.h>
#include <unicode/uversion.h>

#include <memory>

namespace {
UCollator* openCollator(const QString& locale, UColAttributeValue strength) {
    UErrorCode error = U_ZERO_ERROR;
    UCollator* c = ucol_open(locale.toUtf8().constData(), &error);
    if (U_FAILURE(error)) {
        // A name the library cannot even parse: the common order.
        ucol_close(c);
        error = U_ZERO_ERROR;
        c = ucol_open("", &error);
    }
    ucol_setStrength(c, strength);
    return c;
}

// The library's key of text (up to its terminating zero byte, which no key holds elsewhere).
QByteArray libraryKey(const UCollator* c, const QString& text) {
    QByteArray key(qsizetype(32) + text.size() * 4, Qt::Uninitialized);
    const auto* source = reinterpret_cast<const UChar*>(text.utf16());
    const int32_t length = int32_t(text.size());
    int32_t n = ucol_getSortKey(c, source, length, reinterpret_cast<uint8_t*>(key.data()),
                                int32_t(key.size()));
    if (n > key.size()) {
        key.resize(n);
        n = ucol_getSortKey(c, source, length, reinterpret_cast<uint8_t*>(key.data()), n);
    }
    key.resize(n);
    return key;
}
} // namespace

NameCollator::NameCollator(const QString& locale)
    : locale(locale), full(openCollator(locale, UCOL_TERTIARY)),
      initials(openCollator(locale, UCOL_PRIMARY)) {}

NameCollator::~NameCollator() {
    ucol_close(full);
    ucol_close(initials);
}

QByteArray NameCollator::SortKey(const QString& name) const {
    // The library's key ends in a zero byte found nowhere else in it: whatever follows decides
    // only between names whose keys are equal, and there the names' UTF-8 bytes order them by
    // their characters' codes.
    QByteArray key = libraryKey(full, name);
    key.append(name.toUtf8());
    return key;
}

QByteArray NameCollator::InitialKey(const QString& name) const {
    if (name.isEmpty())
        return QByteArray();
    QTextBoundaryFinder clusters(QTextBoundaryFinder::Grapheme, name);
    const qsizetype end = clusters.toNextBoundary();
    return libraryKey(initials, name.left(end > 0 ? end : name.size()));
}

QString NameCollator::Identity() const {
    UErrorCode error = U_ZERO_ERROR;
    const char* actual = ucol_getLocaleByType(full, ULOC_ACTUAL_LOCALE, &error);
    UVersionInfo version;
    ucol_getVersion(full, version);
    char versionText[U_MAX_VERSION_STRING_LENGTH];
    u_versionToString(version, versionText);
    return QString::fromLatin1(U_SUCCESS(error) && actual ? actual : "") + QLatin1Char(' ') +
           QString::fromLatin1(versionText);
}

QString CollationLocaleFrom(const QString& lcAll, const QString& lcCollate, const QString& lang) {
    QString value = !lcAll.isEmpty() ? lcAll : !lcCollate.isEmpty() ? lcCollate : lang;
    if (value.isEmpty())
        value = QLocale::system().name();
    for (const QChar mark : {QLatin1Char('.'), QLatin1Char('@')}) {
        const qsizetype cut = value.indexOf(mark);
        if (cut >= 0)
            value.truncate(cut);
    }
    if (value == QLatin1String("C") || value == QLatin1String("POSIX"))
        return QStringLiteral("");
    return value;
}

QString CollationLocale() {
    const QString& chosen = Common().CollationLocale;
    if (!chosen.isNull())
        return chosen;
    return CollationLocaleFrom(qEnvironmentVariable("LC_ALL"), qEnvironmentVariable("LC_COLLATE"),
                               qEnvironmentVariable("LANG"));
}

void SetCollationLocale(const QString& locale) {
    Common().CollationLocale = locale;
}

const NameCollator& UserNameCollator() {
    std::unique_ptr<NameCollator>& made = Common().UserCollator;
    const QString locale = CollationLocale();
    if (!made || made->Locale() != locale)
        made = std::make_unique<NameCollator>(locale);
    return *made;
}
