#pragma once

#include <QString>

class QPrinter;

// Every message and question of the program goes through here. The window layer installs a
// backend that shows real windows; tests install a scripted one.

class DialogBackend {
public:
    virtual ~DialogBackend() = default;
    // An information box with one OK button.
    virtual void ShowInfoBox(const QString& message, const QString& caption) = 0;
    // Yes/No/Cancel: returns 'Y', 'N' or 'C' (Escape and the close box give 'C').
    virtual char AskYesNoCancelBox(const QString& question, const QString& caption) = 0;
    // The input prompt: true on OK with text set to the answer; text unchanged otherwise.
    virtual bool InputString(const QString& prompt, QString& text) = 0;
    // The chooser: 1 or 2 for the options, 0 for Cancel.
    virtual int ChooseOption(const QString& message, const QString& option1,
                             const QString& option2) = 0;
    virtual void FlashMessage(const QString& text) = 0;
    // The common dialogs; a backend that has none answers Cancel.
    // The colour dialog preset to argb: true on OK with argb set to the choice.
    virtual bool ChooseColourBox(quint32& argb);
    // The font dialog preset to font (a font's description as QFont::toString() gives it): true
    // on OK with font set to the choice.
    virtual bool ChooseFontBox(QString& font);
    // The save-file dialog with caption, file-type filter and default extension (without the
    // dot), preset to path: true on OK with path set to the file chosen.
    virtual bool ChooseSaveFileBox(const QString& caption, const QString& filter,
                                   const QString& defaultSuffix, QString& path);
    // The printer setup dialog on printer (only the window layer looks inside it): true on OK
    // with the printer set as chosen.
    virtual bool PrinterSetupBox(QPrinter* printer);
};

// Installs a backend (not owned); nullptr restores the silent default, which answers Cancel.
void SetDialogBackend(DialogBackend* backend);
DialogBackend* CurrentDialogBackend();

QString MessageBoxCaption();

void ShowInfo(const QString& message);
void ShowProgramError(const QString& text);
char AskYesNoCancel(const QString& question);
bool Confirm(const QString& question);
void NotSupported(const QString& what);
bool PromptText(const QString& prompt, QString& text);
bool PromptInteger(const QString& prompt, int& value);
// The integer prompt on any backend: empty box for 0 and negatives, false unless the answer
// converts to an integer.
bool InputInteger(const QString& prompt, int& value);
int ChooseOption(const QString& message, const QString& option1, const QString& option2);
void FlashMessage(const QString& text);
// The common dialogs of the platform, through the same backend. Each returns true on OK with
// the choice set, and leaves the value alone on Cancel.
bool ChooseColour(quint32& argb);
bool ChooseFont(QString& fontDescription);
bool ChooseSaveFile(const QString& caption, const QString& filter, const QString& defaultSuffix,
                    QString& path);
bool PrinterSetup(QPrinter* printer);

// Returns whether the last change of a control was made by code, and clears that mark.
bool TakeProgrammaticChange();
