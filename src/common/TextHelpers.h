#pragma once

#include <QString>
#include <QStringList>

// Small text and number helpers shared by every subsystem.

QString PadNumber(qint64 n, int width);
// The program's one lower-case folding (Unicode lower case of every letter, as QString::toLower
// gives it): searches compare texts in this form, and lists sort by names in it (the engine's
// LOWER() is this function on PhoneDB).
QString LowerText(const QString& s);
// The longest beginning of text that fits a field of width characters, as a reader counts them:
// width grapheme clusters (a letter with its accents, an emoji sequence, a flag each count as
// one), cut only between whole clusters. So that no field grows without bound, a text of
// unusually long clusters (many combining marks on one letter) also stops at
// width * MaxUnitsPerCharacter UTF-16 units, after its last whole cluster (or, for a single
// cluster longer than that, its last whole code point) that fits. A text within width is
// returned as it is.
constexpr int MaxUnitsPerCharacter = 16;
QString CutToWidth(const QString& text, int width);
QString QuoteSingle(const QString& s);
QString QuoteDouble(const QString& s);
QString EscapeAmpersands(const QString& s);
bool TryParseInt(const QString& s, int& n);
int TrimLeadingBlanks(QString& s);
QString KeepLastChars(const QString& s, int n);
void SwapTexts(QString& a, QString& b);
bool InRange(qint64 x, qint64 lo, qint64 hi);
void DecrementToZero(int& n);
QString MonthName(int m);
QString DayName(int d);
QString DayAbbrev(int d);
