#pragma once

#include <QString>
#include <QTemporaryDir>

// Puts all of the program's state back as the program starts with it: the helpers' (the settings
// holders, the clock, the busy and progress hooks and the dialog backend among them), the
// store's (closing the database, and the conversion's binding), the calendar's and the list
// window's. In the tests of the windows also the windows' own: every window that is made once
// and reused is destroyed, and the item windows' hooks and the printing state go.
void ResetAllState();

// A fresh program folder for one test function: DATA inside it, the settings path set, the
// settings holders reset, and (on request) a new database open on PhoneDB. When it goes, the
// database is closed and ResetAllState runs.
class TestFolder {
public:
    explicit TestFolder(bool openDatabase = true);
    ~TestFolder();
    QString Path() const; // ends in '/'
    QString DataPath() const;

private:
    QTemporaryDir dir;
};
