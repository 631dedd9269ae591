#include "calendar/DateText.h"

#include "calendar/CalendarState.h"
#include "common/Clock.h"
#include "common/TextHelpers.h"

#include <QLocale>

namespace {

// Dates are always zero-padded, whatever fill character the shared number padding has at the
// moment (the diary switches it to a blank while it fills its grid).
QString ZeroPadded(int n, int width) {
    return QStringLiteral("%1").arg(n, width, 10, QLatin1Char('0'));
}

// One numeric field of a date text. Negative numbers are refused: the fields are unsigned and
// a sign would wrap into a year or month that nobody typed.
bool ConvertField(const QString& text, quint16& field) {
    int n = 0;
    if (!TryParseInt(text, n) || n < 0 || n > 0xFFFF)
        return false;
    field = quint16(n);
    return true;
}

QString ShortWeekday(const CalendarDate& d) {
    CalendarDate w = d;
    if (w.weekday < 1 || w.weekday > 7)
        ComputeWeekday(w);
    return DayAbbrev(w.weekday);
}

// The system's time format without its time-zone part.
QString SystemTimeFormat() {
    const QString format = QLocale::system().timeFormat(QLocale::LongFormat);
    QString out;
    bool quoted = false;
    for (QChar c : format) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (!quoted && c == QLatin1Char('t'))
            continue;
        out += c;
    }
    return out.trimmed();
}

} // namespace

bool ParseIsoDate(const QString& text, CalendarDate& date) {
    date = CalendarDate();
    if (text.size() < 10 || text.toLower() == QLatin1String("yyyy-mm-dd"))
        return false;
    CalendarDate d;
    if (!ConvertField(text.mid(0, 4), d.year) || !ConvertField(text.mid(5, 2), d.month) ||
        !ConvertField(text.mid(8, 2), d.day))
        return false;
    date = d;
    return true;
}

CalendarDate ParseIsoDate(const QString& text) {
    CalendarDate d;
    ParseIsoDate(text, d);
    return d;
}

QString FormatIsoDate(const CalendarDate& d) {
    return ZeroPadded(d.year, 4) + QLatin1Char('-') + ZeroPadded(d.month, 2) + QLatin1Char('-') +
           ZeroPadded(d.day, 2);
}

QString FormatIsoDateWeekday(const CalendarDate& d) {
    return FormatIsoDate(d) + QStringLiteral("  ") + ShortWeekday(d);
}

QString FormatIsoDateParenWeekday(const CalendarDate& d) {
    return FormatIsoDate(d) + QStringLiteral(" (") + ShortWeekday(d) + QLatin1Char(')');
}

QString FormatTimeOfDay(const TimeOfDay& t) {
    return ZeroPadded(t.hour, 2) + QLatin1Char(':') + ZeroPadded(t.minute, 2);
}

QString TimestampText(const Timestamp& stamp) {
    return TimestampText(stamp, Calendar().TimestampStyle);
}

QString TimestampText(const Timestamp& stamp, int style) {
    const QString date = style == StampDateWeekdayTime ? FormatIsoDateParenWeekday(stamp.date)
                                                       : FormatIsoDate(stamp.date);
    return date + QLatin1Char(' ') + FormatTimeOfDay(stamp.time);
}

QString TimestampText(const QDateTime& stamp, int style) {
    return TimestampText(TimestampFromDateTime(stamp), style);
}

QString NowStamp() {
    Calendar().TimestampStyle = StampDateWeekdayTime;
    return TimestampText(CurrentTimestamp()) + QLatin1Char(' ');
}

CalendarDate TodayDate() {
    return DateFromDateTime(CurrentDateTime());
}

Timestamp CurrentTimestamp() {
    return TimestampFromDateTime(CurrentDateTime());
}

CalendarDate DateFromDateTime(const QDateTime& value) {
    return TimestampFromDateTime(value).date;
}

Timestamp TimestampFromDateTime(const QDateTime& value) {
    Timestamp s;
    if (!value.isValid())
        return s;
    const QDate date = value.date();
    if (date.year() < 1 || date.year() > 9999)
        return s;
    s.date = MakeDate(date.year(), date.month(), date.day());
    const QTime time = value.time();
    s.time.hour = quint16(time.hour());
    s.time.minute = quint16(time.minute());
    s.time.second = quint16(time.second());
    return s;
}

QString DateText(const QDate& date) {
    return date.toString(QStringLiteral("yyyy-MM-dd"));
}

QString DateTimeText(const QDateTime& value) {
    if (!value.isValid())
        return QString();
    return DateText(value.date()) + QLatin1Char(' ') +
           QLocale::system().toString(value.time(), SystemTimeFormat());
}
