#include "notepad/NotepadFiles.h"

#include "common/Folders.h"
#include "common/WholeFile.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>

#include <string>

#include <SimpleIni.h>

namespace {
const char* const Section = "notepad";

// Text written by hand or by another program may not be UTF-8; such bytes are taken as
// Latin-1 so that nothing is lost.
QString decodeText(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        return QString::fromLatin1(bytes);
    return text;
}

int readInt(const CSimpleIniA& ini, const char* key, int def) {
    const char* v = ini.GetValue(Section, key, nullptr);
    if (!v)
        return def;
    bool ok = false;
    const int n = QString::fromUtf8(v).trimmed().toInt(&ok, 10);
    return ok ? n : def;
}

void configure(CSimpleIniA& ini) {
    ini.SetUnicode(true);
    ini.SetMultiKey(false);
    ini.SetSpaces(false);
}

} // namespace

bool NotepadFontStyle::operator==(const NotepadFontStyle& o) const {
    return Name == o.Name && Size == o.Size && Bold == o.Bold && Italic == o.Italic &&
           Underline == o.Underline && StrikeOut == o.StrikeOut;
}

QString NotepadTextPath() {
    return ProgramFolder() + QStringLiteral("npad.txt");
}

QString NotepadIniPath() {
    return ProgramFolder() + QStringLiteral("npad.ini");
}

NotepadFontStyle ReadNotepadFont(const QString& iniPath) {
    NotepadFontStyle font;
    CSimpleIniA ini;
    configure(ini);
    if (ini.LoadFile(QFile::encodeName(iniPath).constData()) < 0)
        return font;
    if (const char* name = ini.GetValue(Section, "FONTNAME", nullptr))
        font.Name = decodeText(QByteArray(name));
    font.Size = readInt(ini, "FONTSIZE", 10);
    // No font has a size of nothing or less: such a value is taken as absent.
    if (font.Size < 1)
        font.Size = 10;
    font.Bold = readInt(ini, "FONTBOLD", 0) != 0;
    font.Italic = readInt(ini, "FONTITALIC", 0) != 0;
    font.Underline = readInt(ini, "FONTUNDERLINE", 0) != 0;
    font.StrikeOut = readInt(ini, "FONTSTRIKEOUT", 0) != 0;
    return font;
}

bool WriteNotepadFont(const QString& iniPath, const NotepadFontStyle& font, QString& error) {
    CSimpleIniA ini;
    configure(ini);
    // A file that is there but cannot be read is left alone rather than replaced by one that
    // has lost what else it held.
    if (QFile::exists(iniPath) && ini.LoadFile(QFile::encodeName(iniPath).constData()) < 0) {
        error = CannotSaveText(iniPath, QStringLiteral("the file cannot be read"));
        return false;
    }
    const auto flag = [](bool on) { return on ? "1" : "0"; };
    // Set afresh, so that the six keys always stand in their order.
    for (const char* key :
         {"FONTNAME", "FONTSIZE", "FONTBOLD", "FONTITALIC", "FONTUNDERLINE", "FONTSTRIKEOUT"})
        ini.Delete(Section, key, false);
    ini.SetValue(Section, "FONTNAME", font.Name.toUtf8().constData());
    ini.SetValue(Section, "FONTSIZE", QByteArray::number(font.Size).constData());
    ini.SetValue(Section, "FONTBOLD", flag(font.Bold));
    ini.SetValue(Section, "FONTITALIC", flag(font.Italic));
    ini.SetValue(Section, "FONTUNDERLINE", flag(font.Underline));
    ini.SetValue(Section, "FONTSTRIKEOUT", flag(font.StrikeOut));
    std::string text;
    if (ini.Save(text, false) < 0) {
        error = CannotSaveText(iniPath, QStringLiteral("out of memory"));
        return false;
    }
    return WriteWholeFile(iniPath, QByteArray(text.data(), qsizetype(text.size())), error);
}

bool ReadNotepadText(const QString& path, QString& text) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QString read = decodeText(file.readAll());
    read.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    read.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    text = read;
    return true;
}

bool WriteNotepadText(const QString& path, const QString& text, QString& error) {
    QString lines = text;
    lines.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return WriteWholeFile(path, lines.toUtf8(), error);
}

QString ExportFileName(const QString& chosen) {
    if (chosen.right(4).compare(QLatin1String(".txt"), Qt::CaseInsensitive) == 0)
        return chosen;
    return chosen + QStringLiteral(".txt");
}
