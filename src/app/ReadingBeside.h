#pragma once

#include <QString>
#include <QStringList>

// The program folder's database opened for a command that only reads it (an export, a search
// for scripts), next to a running program or with none. A database at rest (no log beside it:
// no program has it open) is read with the folder's lock held, so that no program starts to
// write it meanwhile, and the log and index its reading connection makes go again when this
// ends: the folder is left as it was found.
class ReadingBeside {
public:
    // folder: the program folder given, or empty for the default one.
    explicit ReadingBeside(const QString& folder);
    ~ReadingBeside();
    ReadingBeside(const ReadingBeside&) = delete;
    ReadingBeside& operator=(const ReadingBeside&) = delete;

    // Empty when the database is there to read.
    const QString& Error() const { return error; }
    const QString& Database() const { return database; }

private:
    QString database;
    QString error;
    QStringList sideFilesMade;
    bool atRest = false;
};
