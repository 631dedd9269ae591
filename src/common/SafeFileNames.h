#pragma once

#include <QSet>
#include <QString>

// The names of the entries of one folder made from the names people gave items, so that the
// folder can be copied to any common file system and read there as it was written: no entry
// refused, renamed or merged with another.
//
// A name keeps its characters but for those some file system refuses (<>:"/\|?* and control
// characters, each made '_'); it loses blanks at either end and dots and blanks at its end (one
// system drops those silently); a dot at its start becomes '_' (it would hide the entry); a
// device name (CON, PRN, AUX, NUL, COM0-9, LPT0-9, CONIN$, CONOUT$, in any case, also before an
// extension) gets '_' after it; it is cut, between whole characters as a reader counts them, to
// MaxNameBytes bytes of UTF-8 with its suffix; an empty one is "untitled". Two entries of a
// folder never have names that a file system could take for one: names are compared in one
// Unicode form and without case. The first to claim a name gets it; a later one gets its id
// added, "Smith (42).md".
class SafeFileNames {
public:
    static constexpr int MaxNameBytes = 100;

    // The name an entry for name with suffix (".md" for a file, empty for a folder) gets in a
    // folder where it clashes with nothing.
    static QString Plain(const QString& name, const QString& suffix);

    // Takes a name for good in this folder (the index.md of an item's own folder).
    void Reserve(const QString& name);
    // The name of the entry for item id, unique in this folder, and taken.
    QString Claim(const QString& name, const QString& suffix, qint64 id);

private:
    // The form in which two names that a file system would take for one are equal.
    static QString key(const QString& name);
    QSet<QString> taken;
};
