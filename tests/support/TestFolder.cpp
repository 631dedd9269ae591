#include "support/TestFolder.h"

#include "calendar/CalendarState.h"
#include "common/CommonState.h"
#include "common/Folders.h"
#include "common/Settings.h"
#include "listwin/ListState.h"
#include "search/SearchHooks.h"
#include "store/Database.h"
#include "store/StoreState.h"

#ifdef CARDOLO_TEST_WINDOWS
#include "calendar/TFCal.h"
#include "dialogs/DialogWindows.h"
#include "diary/Diary.h"
#include "itemwin/ItemWindows.h"
#include "notepad/Notepad.h"
#include "print/Printing.h"
#include "repair/HealthCheckWindow.h"
#endif

namespace {
// Every test program that uses a test folder opens PhoneDB as the program does, with the
// search's index and marks tied to it, also when it opens a database outside the folder.
[[maybe_unused]] const bool SearchHooksInstalled = (InstallSearchHooks(), true);
} // namespace

void ResetAllState() {
#ifdef CARDOLO_TEST_WINDOWS
    // The windows go first, as at the program's end: the diary before the item windows it
    // opens, the message windows after every window that may still show a message.
    DestroyDiaryWindow();
    DestroyNotepad();
    DestroyHealthCheckWindow();
    ResetItemWindowState();
    ResetPrintState();
    TFCal::DestroyInstance();
    DestroyDialogWindows();
#endif
    // The store before the helpers: closing the database ends the work in the background,
    // which may still read the helpers' state.
    ResetStoreState();
    ResetCommonState();
    ResetCalendarState();
    ResetListWindowState();
}

TestFolder::TestFolder(bool openDatabase) {
    SetProgramFolder(dir.path());
    EnsureDataFolder();
    SetSettingsFile(SettingsPath());
    AppSettings() = Settings();
    BindStoreSettings(AppSettings().DiaryId, AppSettings().ArchiveId);
    if (openDatabase)
        OpenPhoneDB(DatabasePath());
}

// What a test function changed is put back when its folder goes, so the next function starts
// from the state the program starts with, whatever ran before it.
TestFolder::~TestFolder() {
    ClosePhoneDB();
    ResetAllState();
}

QString TestFolder::Path() const {
    return ProgramFolder();
}

QString TestFolder::DataPath() const {
    return DataFolder();
}
