#pragma once

#include <QByteArray>
#include <QString>

struct UCollator;

// How names sort: as a reader of the user's language expects, not by character code. Letters
// are compared first whatever their case and accents ("Éclair" beside "eclair", "Äpfel" beside
// "apfel" in German, after "zebra" in Swedish), then their accents, then their case; names that
// still tie are ordered by their characters' codes, so that no two different names compare
// equal. Lists, the jump box and printing's initial letters all ask the same collator.
//
// Not to be shared between threads: each thread (each connection of the engine that computes
// keys) makes its own.
class NameCollator {
public:
    // A collator for the named locale ("de_DE", "sv"; "" for the order common to all languages).
    // A locale the library does not know sorts in that common order.
    explicit NameCollator(const QString& locale);
    ~NameCollator();
    NameCollator(const NameCollator&) = delete;
    NameCollator& operator=(const NameCollator&) = delete;

    // The key a name sorts by: two names are in order when their keys are, compared byte by
    // byte (as the engine compares blobs). A null name has the key of an empty one.
    QByteArray SortKey(const QString& name) const;
    // The key of a name's initial (its first character as the reader sees it, with its
    // accents) at the first level only: names whose initial keys are equal begin with the same
    // letter whatever its case and accents. Empty for an empty name.
    QByteArray InitialKey(const QString& name) const;
    // The rules the keys follow and their version: keys made under another identity sort
    // otherwise, and are made again.
    QString Identity() const;
    const QString& Locale() const { return locale; }

private:
    QString locale;
    UCollator* full = nullptr;
    UCollator* initials = nullptr;
};

// The locale names sort by: the one SetCollationLocale gave, else the user's, from the
// environment as CollationLocaleFrom reads it.
QString CollationLocale();
// The locale the C library collates by, from the values of LC_ALL, LC_COLLATE and LANG (the
// first one set wins), without its encoding and modifier ("de_DE.UTF-8@euro" is "de_DE"); "C"
// and "POSIX" stand for the common order (""). With none set, the system locale's name.
QString CollationLocaleFrom(const QString& lcAll, const QString& lcCollate, const QString& lang);
// Sorts names by locale from now on, whatever the environment says; a null string goes back to
// the user's locale.
void SetCollationLocale(const QString& locale);
// The collator of CollationLocale(), on the user's thread.
const NameCollator& UserNameCollator();
