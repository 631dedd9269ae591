#pragma once

#include "app/Dialogs.h"

// Shows the program's real message boxes, prompts, chooser and flash window.
class QtDialogBackend : public DialogBackend {
public:
    void ShowInfoBox(const QString& message, const QString& caption) override;
    char AskYesNoCancelBox(const QString& question, const QString& caption) override;
    bool InputString(const QString& prompt, QString& text) override;
    int ChooseOption(const QString& message, const QString& option1,
                     const QString& option2) override;
    void FlashMessage(const QString& text) override;
};
