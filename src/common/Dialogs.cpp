#include "common/Dialogs.h"

#include "common/CommonState.h"
#include "common/Folders.h"
#include "common/TextHelpers.h"

namespace {
// Used before any window exists and in tools without a user interface: nothing is shown and
// every question is answered Cancel.
class SilentBackend : public DialogBackend {
public:
    void ShowInfoBox(const QString&, const QString&) override {}
    char AskYesNoCancelBox(const QString&, const QString&) override { return 'C'; }
    bool InputString(const QString&, QString&) override { return false; }
    int ChooseOption(const QString&, const QString&, const QString&) override { return 0; }
    void FlashMessage(const QString&) override {}
};

// Holds nothing: the one instance serves every time no backend is installed.
SilentBackend silent;

DialogBackend* current() {
    DialogBackend* installed = Common().Backend;
    return installed ? installed : &silent;
}
} // namespace

bool DialogBackend::ChooseColourBox(quint32&) {
    return false;
}

bool DialogBackend::ChooseFontBox(QString&) {
    return false;
}

bool DialogBackend::ChooseSaveFileBox(const QString&, const QString&, const QString&, QString&) {
    return false;
}

bool DialogBackend::PrinterSetupBox(QPrinter*) {
    return false;
}

void SetDialogBackend(DialogBackend* backend) {
    Common().Backend = backend;
}

DialogBackend* CurrentDialogBackend() {
    return current();
}

QString MessageBoxCaption() {
    return Common().MessageCaption.isEmpty() ? ApplicationTitle
                                             : QStringLiteral(" ") + Common().MessageCaption;
}

void ShowInfo(const QString& message) {
    current()->ShowInfoBox(message, MessageBoxCaption());
}

void ShowProgramError(const QString& text) {
    ShowInfo(QStringLiteral("Program error : ") + text);
}

char AskYesNoCancel(const QString& question) {
    char answer = current()->AskYesNoCancelBox(question, MessageBoxCaption());
    return (answer == 'Y' || answer == 'N' || answer == 'C') ? answer : ' ';
}

bool Confirm(const QString& question) {
    return AskYesNoCancel(question) == 'Y';
}

void NotSupported(const QString& what) {
    if (what.isEmpty())
        ShowInfo(QStringLiteral("This") + QStringLiteral(" facility not currently supported"));
    else
        ShowInfo(what + QStringLiteral(" : this") +
                 QStringLiteral(" facility not currently supported"));
}

bool PromptText(const QString& prompt, QString& text) {
    return current()->InputString(prompt, text);
}

bool InputInteger(const QString& prompt, int& value) {
    QString text = value > 0 ? QString::number(value) : QString();
    if (!current()->InputString(prompt, text))
        return false;
    return TryParseInt(text, value);
}

bool PromptInteger(const QString& prompt, int& value) {
    return InputInteger(prompt, value);
}

int ChooseOption(const QString& message, const QString& option1, const QString& option2) {
    int r = current()->ChooseOption(message, option1, option2);
    return (r == 1 || r == 2) ? r : 0;
}

void FlashMessage(const QString& text) {
    current()->FlashMessage(text);
}

bool ChooseColour(quint32& argb) {
    return current()->ChooseColourBox(argb);
}

bool ChooseFont(QString& fontDescription) {
    return current()->ChooseFontBox(fontDescription);
}

bool ChooseSaveFile(const QString& caption, const QString& filter, const QString& defaultSuffix,
                    QString& path) {
    return current()->ChooseSaveFileBox(caption, filter, defaultSuffix, path);
}

bool PrinterSetup(QPrinter* printer) {
    return current()->PrinterSetupBox(printer);
}

bool TakeProgrammaticChange() {
    bool was = Common().ProgrammaticChange || Common().LoadingItemText;
    Common().ProgrammaticChange = false;
    return was;
}
