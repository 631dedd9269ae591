#include "itemwin/PageFontFile.h"

#include "common/Folders.h"

#include <QFile>

#include <SimpleIni.h>

namespace {
const char* const Section = "notepad";

int readInt(const CSimpleIniA& ini, const char* key, int def) {
    const char* v = ini.GetValue(Section, key, nullptr);
    if (!v)
        return def;
    bool ok = false;
    const int n = QString::fromUtf8(v).trimmed().toInt(&ok, 10);
    return ok ? n : def;
}
} // namespace

PageFontSpec ReadPageFontSpec(const QString& iniPath) {
    PageFontSpec font;
    CSimpleIniA ini;
    ini.SetUnicode(true);
    if (ini.LoadFile(QFile::encodeName(iniPath).constData()) < 0)
        return font;
    if (const char* name = ini.GetValue(Section, "FONTNAME", nullptr))
        font.Name = QString::fromUtf8(name);
    font.Size = readInt(ini, "FONTSIZE", 10);
    font.Bold = readInt(ini, "FONTBOLD", 0) != 0;
    font.Italic = readInt(ini, "FONTITALIC", 0) != 0;
    font.Underline = readInt(ini, "FONTUNDERLINE", 0) != 0;
    font.StrikeOut = readInt(ini, "FONTSTRIKEOUT", 0) != 0;
    return font;
}

QString PageFontFilePath() {
    return ProgramFolder() + QStringLiteral("npad.ini");
}
