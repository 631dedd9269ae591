#include "support/TestFolder.h"

#include "common/CommonState.h"
#include "common/Folders.h"
#include "common/Settings.h"
#include "store/Database.h"
#include "store/StoreState.h"

TestFolder::TestFolder(bool openDatabase) {
    ResetCommonState();
    SetProgramFolder(dir.path());
    EnsureDataFolder();
    SetSettingsFile(SettingsPath());
    AppSettings() = Settings();
    BindStoreSettings(AppSettings().DiaryId, AppSettings().ArchiveId);
    if (openDatabase)
        OpenPhoneDB(DatabasePath());
}

TestFolder::~TestFolder() {
    ClosePhoneDB();
}

QString TestFolder::Path() const {
    return ProgramFolder();
}

QString TestFolder::DataPath() const {
    return DataFolder();
}
