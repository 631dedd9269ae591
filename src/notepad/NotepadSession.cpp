#include "notepad/NotepadSession.h"

#include "calendar/DateText.h"
#include "common/Clock.h"
#include "common/CommonState.h"
#include "common/Dialogs.h"
#include "common/Folders.h"

#include <QDir>

#include <cstdio>

namespace {
constexpr int SaveDelay = 15000; // milliseconds from a change to its automatic save

// The notepad's caption for the duration of one message.
class NotepadCaption {
public:
    NotepadCaption() { Common().MessageCaption = QStringLiteral("Notepad"); }
    ~NotepadCaption() { Common().MessageCaption.clear(); }
    NotepadCaption(const NotepadCaption&) = delete;
    NotepadCaption& operator=(const NotepadCaption&) = delete;
};

void addError(QString& errors, const QString& error) {
    if (!errors.isEmpty())
        errors += QLatin1Char('\r');
    errors += error;
}
} // namespace

NotepadSession::NotepadSession()
    : TextPath(NotepadTextPath()), IniPath(NotepadIniPath()),
      NotepadFont(ReadNotepadFont(IniPath)) {}

std::optional<QString> NotepadSession::LoadNotepadText() {
    NotepadSaved = false;
    // Text a failed save left unwritten stays in the memo: the file holds an older text.
    if (NotepadChanged)
        return std::nullopt;
    QString text;
    if (!ReadNotepadText(TextPath, text))
        return std::nullopt;
    return text;
}

bool NotepadSession::MarkChanged() {
    if (!NotepadShown)
        return false;
    NotepadChanged = true;
    NotepadDue = CurrentDateTime().addMSecs(SaveDelay);
    return true;
}

bool NotepadSession::SaveNotepadFont(QString& error) {
    if (!WriteNotepadFont(IniPath, NotepadFont, error))
        return false;
    NotepadFontChanged = false;
    return true;
}

bool NotepadSession::SaveNotepad(const QString& text, QString& error) {
    error.clear();
    QString failed;
    if (NotepadFontChanged && !SaveNotepadFont(failed))
        addError(error, failed);
    if (NotepadChanged) {
        if (WriteNotepadText(TextPath, text, failed)) {
            NotepadChanged = false;
            NotepadSaved = true;
        } else {
            addError(error, failed);
        }
    }
    return error.isEmpty();
}

bool NotepadSession::SaveOnClose(const QString& text, QString& error) {
    error.clear();
    // Once shown, SaveNotepad writes the font too. Never shown, the font can still have been
    // changed from the item text window.
    if (NotepadShown)
        SaveNotepad(text, error);
    else if (NotepadFontChanged)
        SaveNotepadFont(error);
    return error.isEmpty();
}

void NotepadSession::RetryLater() {
    NotepadDue = CurrentDateTime().addMSecs(SaveDelay);
}

QString NotepadSession::RescueText(const QString& text) {
    const QString name = QStringLiteral("unsaved notepad %1.txt")
                             .arg(CurrentDateTime().toString(QStringLiteral("yyyy-MM-dd HHmmss")));
    const QString path = QDir(DataFolder()).filePath(name);
    QString error;
    if (!WriteNotepadText(path, text, error)) {
        std::fprintf(stderr, "Cardolo: %s\n", qPrintable(error));
        return QString();
    }
    std::fprintf(stderr, "Cardolo: the notepad's unsaved text is kept in %s\n",
                 qPrintable(QDir::toNativeSeparators(path)));
    NotepadChanged = false;
    return path;
}

void NotepadSession::FontChosen(const NotepadFontStyle& font) {
    NotepadFont = font;
    NotepadFontChanged = true;
}

QString NotepadSession::SaveMessage() const {
    if (NotepadChanged) {
        // Whole seconds either way: the deadline may have passed while a save failed.
        const qint64 seconds = qAbs(CurrentDateTime().msecsTo(NotepadDue) / 1000);
        return QStringLiteral("Changes will anyway be saved automatically in ") +
               QString::number(seconds) + QStringLiteral(" second") +
               (seconds == 1 ? QString() : QStringLiteral("s")) + QStringLiteral(",") +
               QStringLiteral("\r") + QStringLiteral("or when the Notepad is closed.");
    }
    if (NotepadSaved)
        return QStringLiteral("All changes have already been saved");
    return QStringLiteral("There are no changes to save");
}

QString NotepadNowText() {
    const Timestamp now = CurrentTimestamp();
    return FormatIsoDate(now.date) + QStringLiteral("  ") + FormatTimeOfDay(now.time) +
           QLatin1Char(' ');
}

void ShowNotepadInfo(const QString& message) {
    const NotepadCaption caption;
    ShowInfo(message);
}

bool ConfirmClearNotepad() {
    const NotepadCaption caption;
    return Confirm(QStringLiteral("Clear the notepad - are you sure ?")) &&
           Confirm(QStringLiteral("... really sure ? (last chance)"));
}
