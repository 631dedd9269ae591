#pragma once

#include <QString>
#include <QTemporaryDir>

// A fresh program folder for one test function: DATA inside it, the settings path set, the
// settings holders reset, and (on request) a new database open on PhoneDB.
class TestFolder {
public:
    explicit TestFolder(bool openDatabase = true);
    ~TestFolder();
    QString Path() const; // ends in '/'
    QString DataPath() const;

private:
    QTemporaryDir dir;
};
