#include "app/Settings.h"

#include <QFile>
#include <QSaveFile>

#include <string>

#include <SimpleIni.h>

namespace {
const char* const Section = "main";

QString& settingsFileHolder() {
    static QString path;
    return path;
}

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
} // namespace

Settings& AppSettings() {
    static Settings settings;
    return settings;
}

void SetSettingsFile(const QString& path) { settingsFileHolder() = path; }

QString SettingsFile() { return settingsFileHolder(); }

Settings ReadSettingsFrom(const QString& path) {
    Settings s;
    CSimpleIniA ini;
    ini.SetUnicode(true);
    ini.SetMultiKey(false);
    if (ini.LoadFile(QFile::encodeName(path).constData()) < 0)
        return s;
    s.Prefix = QString::fromUtf8(ini.GetValue(Section, "PREFIX", ""));
    s.Dbvn = readInt(ini, "DBVN", 800);
    s.WantTabs = readInt(ini, "WANTTABS", 0) != 0;
    s.DiaryId = readInt(ini, "DIARYID", 0);
    s.FlashInterval = readInt(ini, "FLASHINTERVAL", 1000);
    s.ShowLinkCounts = readInt(ini, "SHOWLINKCOUNTS", 0) != 0;
    s.ArchiveId = readInt(ini, "ARCHIVEID", 0);
    return s;
}

bool WriteSettingsTo(const QString& path, const Settings& s) {
    CSimpleIniA ini;
    ini.SetUnicode(true);
    ini.SetMultiKey(false);
    QByteArray file = QFile::encodeName(path);
    SI_Error rc = ini.LoadFile(file.constData());
    if (rc < 0 && rc != SI_FILE)
        return false;
    ini.SetValue(Section, "PREFIX", s.Prefix.toUtf8().constData());
    writeInt(ini, "DBVN", s.Dbvn);
    writeInt(ini, "WANTTABS", s.WantTabs ? 1 : 0);
    writeInt(ini, "DIARYID", s.DiaryId);
    writeInt(ini, "FLASHINTERVAL", s.FlashInterval);
    writeInt(ini, "SHOWLINKCOUNTS", s.ShowLinkCounts ? 1 : 0);
    writeInt(ini, "ARCHIVEID", s.ArchiveId);
    // Written beside the old file and renamed over it, so a crash never leaves half a file.
    std::string text;
    if (ini.Save(text, false) < 0)
        return false;
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    out.write(text.data(), static_cast<qint64>(text.size()));
    return out.commit();
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
