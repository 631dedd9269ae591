#include "paradox/ParadoxCodePage.h"

#include <unicode/ucnv.h>

#include <vector>

namespace {
// ICU's name for a code page number: the Windows code pages under their windows- names, the
// DOS ones (437, 850, 852 ...) under their IBM names.
QByteArray IcuName(int codePage) {
    if (codePage == 874 || (codePage >= 1250 && codePage <= 1258))
        return "windows-" + QByteArray::number(codePage);
    return "ibm-" + QByteArray::number(codePage);
}
} // namespace

ParadoxCodePage::~ParadoxCodePage() {
    if (converter)
        ucnv_close(converter);
}

bool ParadoxCodePage::Open(int codePage, QString& error) {
    if (converter) {
        ucnv_close(converter);
        converter = nullptr;
    }
    number = codePage == 0 ? 1252 : codePage;
    UErrorCode status = U_ZERO_ERROR;
    converter = ucnv_open(IcuName(number).constData(), &status);
    if (U_FAILURE(status) || !converter) {
        if (converter)
            ucnv_close(converter);
        converter = nullptr;
        error = QStringLiteral("code page %1 is not known").arg(number);
        return false;
    }
    return true;
}

QString ParadoxCodePage::Decode(const QByteArray& bytes) const {
    return Decode(bytes.constData(), int(bytes.size()));
}

QString ParadoxCodePage::Decode(const char* data, int size) const {
    int length = 0;
    while (length < size && data[length] != 0)
        ++length;
    if (length == 0 || !converter)
        return QString();
    // Every code page handled here has one byte per character (and at most a surrogate pair
    // for a character outside the basic plane), so twice the byte count always suffices.
    std::vector<UChar> buffer(size_t(length) * 2 + 1);
    UErrorCode status = U_ZERO_ERROR;
    ucnv_reset(converter);
    int32_t n =
        ucnv_toUChars(converter, buffer.data(), int32_t(buffer.size()), data, length, &status);
    if (U_FAILURE(status))
        return QString();
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(buffer.data()), n);
}
