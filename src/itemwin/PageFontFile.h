#pragma once

#include <QString>

// The font of the item text window, which is the notepad's font: section "notepad" of npad.ini
// in the program folder. Absent file, section or keys give Arial 10 without styles.
struct PageFontSpec {
    QString Name = QStringLiteral("Arial");
    int Size = 10;
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;
};

PageFontSpec ReadPageFontSpec(const QString& iniPath);
// npad.ini in the program folder.
QString PageFontFilePath();
