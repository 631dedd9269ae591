#pragma once

#include "notepad/NotepadFiles.h"

#include <QDateTime>
#include <QString>

#include <optional>

// The notepad's rules without its window: what is read from and written to its two files and
// when, which changes count, and what the Save command tells the user. The window hands in the
// memo's text and shows what the rules decide.
//
// Nothing typed is lost to a failed write: NotepadChanged and NotepadFontChanged are cleared
// only after their file was written, so the next save tries again, and a reading of npad.txt
// never replaces text that is still waiting to be written.
class NotepadSession {
public:
    // Fixes the two files' paths in the program folder and reads the font.
    NotepadSession();

    // Reading the text (LoadNotepadText): the file's text for the memo, or nothing when the
    // memo is to keep what it has (there is no file, or it holds typing not yet written).
    // Replacing the memo's text this way is never a change. NotepadSaved is cleared.
    std::optional<QString> LoadNotepadText();

    // A change of the memo (Memo1Change): ignored, false, until the window has been shown;
    // otherwise the text is marked changed and NotepadDue moves to 15 seconds from now.
    bool MarkChanged();

    // SaveNotepad: npad.ini when the font changed, then npad.txt with text when the text
    // changed. False with error set to the text to show when a file could not be written.
    bool SaveNotepad(const QString& text, QString& error);
    // Writes npad.ini and clears NotepadFontChanged; false with error set when it failed.
    bool SaveNotepadFont(QString& error);
    // Closing (FormCloseQuery): SaveNotepad once the window has been shown, then the font when
    // it is still to be written (changed from the item text window only).
    bool SaveOnClose(const QString& text, QString& error);
    // After an automatic save that failed: the next try is 15 seconds from now.
    void RetryLater();
    // The program is ending and text could not be written to npad.txt: it is kept in a file of
    // its own in the data folder, whose path is returned (empty when that failed too). Both
    // outcomes go to standard error as well.
    QString RescueText(const QString& text);

    // A font chosen in the notepad or in the item text window: kept, and written to npad.ini
    // at the next save.
    void FontChosen(const NotepadFontStyle& font);

    // The one message of the Save command, which saves nothing itself.
    QString SaveMessage() const;

    QString TextPath;
    QString IniPath;
    bool NotepadShown = false;       // the window has been shown: changes are tracked
    bool NotepadChanged = false;     // the text changed since it was last written
    bool NotepadSaved = false;       // written at least once since it was last read
    bool NotepadFontChanged = false; // the font changed since npad.ini was last written
    QDateTime NotepadDue;            // 15 seconds after the latest change
    NotepadFontStyle NotepadFont;
};

// The time stamp the notepad's "Now" inserts: the date, two blanks, hours:minutes, a blank.
QString NotepadNowText();

// The notepad's messages carry " Notepad" as their caption.
void ShowNotepadInfo(const QString& message);
// The two questions of "Clear": true only when both are answered Yes.
bool ConfirmClearNotepad();
