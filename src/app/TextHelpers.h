#pragma once

#include <QString>
#include <QStringList>

// Small text and number helpers shared by every subsystem.

// Fill character of PadNumber; the diary switches it to a blank while it fills its grid.
extern QChar PadChar;
// When on, searches compare letters and digits only.
extern bool PunctuationFolding;

QString PadNumber(qint64 n, int width);
QString QuoteSingle(const QString& s);
QString QuoteDouble(const QString& s);
QString EscapeAmpersands(const QString& s);
QString KeepAlphanumerics(const QString& s);
// search must already be prepared by the caller: lower case, folded like the text.
bool TextContains(const QString& search, const QString& text);
bool LinesContain(const QString& search, const QStringList& lines);
bool TryParseInt(const QString& s, int& n);
int TrimLeadingBlanks(QString& s);
QString KeepLastChars(const QString& s, int n);
void SwapTexts(QString& a, QString& b);
bool InRange(qint64 x, qint64 lo, qint64 hi);
void DecrementToZero(int& n);
QString MonthName(int m);
QString DayName(int d);
QString DayAbbrev(int d);
