#include "paradox/ParadoxTsv.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

#include <cerrno>
#include <charconv>
#include <cstring>

namespace {
QString ShortestNumber(double d) {
    // Without a precision, to_chars gives the shortest text (fixed or exponent form, whichever
    // is shorter) that reads back as exactly this double.
    char buffer[64];
    const std::to_chars_result r = std::to_chars(buffer, buffer + sizeof buffer, d);
    return QString::fromLatin1(buffer, int(r.ptr - buffer));
}

bool WriteLine(std::FILE* out, const QStringList& cells) {
    const QByteArray line = cells.join(QLatin1Char('\t')).toUtf8() + '\n';
    return std::fwrite(line.constData(), 1, size_t(line.size()), out) == size_t(line.size());
}
} // namespace

QString TsvText(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        switch (c.unicode()) {
        case '\\':
            out += QLatin1String("\\\\");
            break;
        case '\t':
            out += QLatin1String("\\t");
            break;
        case '\r':
            out += QLatin1String("\\r");
            break;
        case '\n':
            out += QLatin1String("\\n");
            break;
        default:
            out += c;
        }
    }
    return out;
}

QString TsvValue(const ParadoxField& field, const QVariant& value) {
    if (!value.isValid())
        return QString();
    switch (field.type) {
    case ParadoxType::Alpha:
    case ParadoxType::Memo:
    case ParadoxType::FormattedMemo:
        return TsvText(value.toString());
    case ParadoxType::Short:
    case ParadoxType::Long:
    case ParadoxType::AutoIncrement:
        return QString::number(value.toInt());
    case ParadoxType::Number:
    case ParadoxType::Currency:
        return ShortestNumber(value.toDouble());
    case ParadoxType::Logical:
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case ParadoxType::Date:
        return value.toDate().toString(QStringLiteral("yyyy-MM-dd"));
    case ParadoxType::Time:
        return value.toTime().toString(QStringLiteral("hh:mm:ss"));
    case ParadoxType::Timestamp:
        return value.toDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
    case ParadoxType::Blob:
    case ParadoxType::Ole:
    case ParadoxType::Graphic:
    case ParadoxType::Bcd:
    case ParadoxType::Bytes:
        return QString::fromLatin1(value.toByteArray().toHex());
    }
    return QString();
}

bool WriteTableTsv(const QString& path, std::FILE* out, QString& error) {
    ParadoxTable table;
    if (!table.Open(path, error))
        return false;
    const QVector<ParadoxField>& fields = table.Fields();
    QStringList cells;
    for (const ParadoxField& f : fields)
        cells << TsvText(f.name);
    bool written = WriteLine(out, cells);
    QVector<QVariant> values;
    while (written && table.Next(values, error)) {
        cells.clear();
        for (int i = 0; i < fields.size(); ++i)
            cells << TsvValue(fields[i], values[i]);
        written = WriteLine(out, cells);
    }
    if (written && std::fflush(out) != 0)
        written = false;
    if (!written) {
        error = QStringLiteral("cannot write the table's text: %1")
                    .arg(QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    return error.isEmpty();
}

int DumpTable(const QString& path) {
    QString error;
    if (WriteTableTsv(path, stdout, error))
        return 0;
    std::fprintf(stderr, "cardolo: %s\n", error.toLocal8Bit().constData());
    return 1;
}
