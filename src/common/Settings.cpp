#include "common/Settings.h"

#include "common/CommonState.h"
#include "common/WholeFile.h"

#include <QFile>
#include <QStringDecoder>

#include <string>

#include <SimpleIni.h>

namespace {
const char* const Section = "main";

int readInt(const CSimpleIniA& ini, const char* key, int def) {
    const char* v = ini.GetValue(Section, key, nullptr);
    if (!v)
        return def;
    bool ok = false;
    int n = QString::fromUtf8(v).trimmed().toInt(&ok, 10);
    return ok ? n : def;
}

void writeInt(CSimpleIniA& ini, const char* key, int value) {
    ini.SetValue(Section, key, QByteArray::number(value).constData());
}

// A file written by hand may hold text that is not UTF-8; such bytes are taken as Latin-1 so
// that nothing is lost, and written back as they were while the text is unchanged.
QString decodeText(const char* bytes) {
    QByteArray raw(bytes);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(raw);
    if (utf8.hasError())
        return QString::fromLatin1(raw);
    return text;
}

void configure(CSimpleIniA& ini) {
    ini.SetUnicode(true);
    ini.SetMultiKey(false);
    ini.SetSpaces(false); // KEY=value, the way hand-edited INI files are usually written
}
} // namespace

Settings StartSettings() {
    // The flash window's start-up time is 500 ms; ReadSettings replaces it with the file's
    // value or the default of 1000 ms.
    Settings s;
    s.FlashInterval = 500;
    return s;
}

Settings& AppSettings() {
    return Common().ProgramSettings;
}

void SetSettingsFile(const QString& path) {
    Common().SettingsFilePath = path;
}

QString SettingsFile() {
    return Common().SettingsFilePath;
}

Settings ReadSettingsFrom(const QString& path) {
    Settings s;
    CSimpleIniA ini;
    configure(ini);
    if (ini.LoadFile(QFile::encodeName(path).constData()) < 0)
        return s;
    s.Prefix = decodeText(ini.GetValue(Section, "PREFIX", ""));
    s.Dbvn = readInt(ini, "DBVN", 800);
    s.WantTabs = readInt(ini, "WANTTABS", 0) != 0;
    s.DiaryId = ItemId(readInt(ini, "DIARYID", 0));
    s.FlashInterval = readInt(ini, "FLASHINTERVAL", 1000);
    s.ShowLinkCounts = readInt(ini, "SHOWLINKCOUNTS", 0) != 0;
    s.ArchiveId = ItemId(readInt(ini, "ARCHIVEID", 0));
    return s;
}

bool WriteSettingsTo(const QString& path, const Settings& s) {
    CSimpleIniA ini;
    configure(ini);
    // An existing file that cannot be read is left alone rather than replaced by one that
    // has lost its other keys and comments.
    if (QFile::exists(path) && ini.LoadFile(QFile::encodeName(path).constData()) < 0)
        return false;
    const char* oldPrefix = ini.GetValue(Section, "PREFIX", nullptr);
    if (!oldPrefix || decodeText(oldPrefix) != s.Prefix)
        ini.SetValue(Section, "PREFIX", s.Prefix.toUtf8().constData());
    writeInt(ini, "DBVN", s.Dbvn);
    writeInt(ini, "WANTTABS", s.WantTabs ? 1 : 0);
    writeInt(ini, "DIARYID", s.DiaryId.Value());
    writeInt(ini, "FLASHINTERVAL", s.FlashInterval);
    writeInt(ini, "SHOWLINKCOUNTS", s.ShowLinkCounts ? 1 : 0);
    writeInt(ini, "ARCHIVEID", s.ArchiveId.Value());
    // Written beside the old file and renamed over it, so a crash never leaves half a file.
    std::string text;
    if (ini.Save(text, false) < 0)
        return false;
    // A data folder that refuses new files may still let the settings file itself be
    // rewritten in place.
    QString error;
    return WriteWholeFile(path, QByteArray(text.data(), qsizetype(text.size())), error, true);
}

QString ReadSettingValue(const QString& path, const char* key) {
    CSimpleIniA ini;
    configure(ini);
    if (ini.LoadFile(QFile::encodeName(path).constData()) < 0)
        return QString();
    return decodeText(ini.GetValue(Section, key, ""));
}

bool WriteSettingValue(const QString& path, const char* key, const QString& value) {
    CSimpleIniA ini;
    configure(ini);
    if (QFile::exists(path) && ini.LoadFile(QFile::encodeName(path).constData()) < 0)
        return false;
    if (value.isEmpty())
        ini.Delete(Section, key);
    else
        ini.SetValue(Section, key, value.toUtf8().constData());
    std::string text;
    if (ini.Save(text, false) < 0)
        return false;
    QString error;
    return WriteWholeFile(path, QByteArray(text.data(), qsizetype(text.size())), error, true);
}

void ReadSettings() {
    if (SettingsFile().isEmpty())
        return;
    AppSettings() = ReadSettingsFrom(SettingsFile());
}

void WriteSettings() {
    if (SettingsFile().isEmpty())
        return;
    WriteSettingsTo(SettingsFile(), AppSettings());
}
