#include "print/PageSetup.h"

#include <QLocale>

#include <cmath>

namespace {
enum class Kind { Size, Margin };

bool ReadBox(const QString& text, const QString& box, Kind kind, double& value, QString& error) {
    QString number = text.trimmed();
    number.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double read = QLocale::c().toDouble(number, &ok);
    if (!ok || !std::isfinite(read)) {
        error = QStringLiteral("Page setup: %1 \"%2\" is not a number").arg(box, text);
        return false;
    }
    // A page of no size would stack every page on the same spot, and a margin below 0 puts
    // the text outside its page, over the page beside it.
    if (kind == Kind::Size && (read <= 0 || read > LongestMillimetres)) {
        error = QStringLiteral("Page setup: %1 must be more than 0 and at most %2 mm")
                    .arg(box)
                    .arg(LongestMillimetres);
        return false;
    }
    if (kind == Kind::Margin && (read < 0 || read > LongestMillimetres)) {
        error = QStringLiteral("Page setup: %1 must be from 0 to %2 mm")
                    .arg(box)
                    .arg(LongestMillimetres);
        return false;
    }
    value = read;
    return true;
}
} // namespace

bool ReadPageSetup(const PageSetupTexts& texts, PageSetup& setup, QString& error) {
    PageSetup read;
    if (!ReadBox(texts.Height, QStringLiteral("Height"), Kind::Size, read.Height, error) ||
        !ReadBox(texts.Width, QStringLiteral("Width"), Kind::Size, read.Width, error) ||
        !ReadBox(texts.LeftMargin, QStringLiteral("Left margin"), Kind::Margin, read.LeftMargin,
                 error) ||
        !ReadBox(texts.RightMargin, QStringLiteral("Right margin"), Kind::Margin, read.RightMargin,
                 error) ||
        !ReadBox(texts.TopMargin, QStringLiteral("Top margin"), Kind::Margin, read.TopMargin,
                 error) ||
        !ReadBox(texts.BottomMargin, QStringLiteral("Bottom margin"), Kind::Margin,
                 read.BottomMargin, error))
        return false;
    setup = read;
    return true;
}

int MmToPixels(double mm, int pixelsPerInch) {
    // The small allowance keeps a length that is a whole number of pixels from losing one to
    // the rounding of the division (10 mm at 254 pixels per inch is 100, not 99).
    const double pixels = mm / 25.4 * pixelsPerInch;
    return static_cast<int>(pixels + (pixels < 0 ? -1e-9 : 1e-9));
}
