#pragma once

#include <QString>

// The notepad's two files in the program folder: its text, npad.txt, and its font, section
// "notepad" of npad.ini. The font is also the item text window's.

// The font as npad.ini keeps it. Absent file, section or keys give Arial 10 without styles.
struct NotepadFontStyle {
    QString Name = QStringLiteral("Arial");
    int Size = 10; // points
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;

    bool operator==(const NotepadFontStyle& other) const;
    bool operator!=(const NotepadFontStyle& other) const { return !(*this == other); }
};

QString NotepadTextPath(); // npad.txt in the program folder
QString NotepadIniPath();  // npad.ini in the program folder

NotepadFontStyle ReadNotepadFont(const QString& iniPath);
// Writes the six keys, FONTNAME, FONTSIZE, FONTBOLD, FONTITALIC, FONTUNDERLINE, FONTSTRIKEOUT
// (the styles as 1 or 0), keeping whatever else the file holds. False with error set to the
// text to show when it could not be written; the old file is then as it was.
bool WriteNotepadFont(const QString& iniPath, const NotepadFontStyle& font, QString& error);

// The text of a notepad file with every line break as LF, whether the file has CR LF, a lone
// CR or a lone LF. False, text untouched, when there is no file that can be read.
bool ReadNotepadText(const QString& path, QString& text);
// Writes text (lines separated by LF) with CR LF between the lines and nothing added after
// the last. The file is written beside the old one and renamed over it, so the old text stays
// whole until the new one is complete. False with error set to the text to show.
bool WriteNotepadText(const QString& path, const QString& text, QString& error);

// The file "to File" writes for the name chosen: ".txt" appended unless the name already ends
// in it, in any letter case.
QString ExportFileName(const QString& chosen);
