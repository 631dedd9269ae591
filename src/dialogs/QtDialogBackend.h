#pragma once

#include "common/Dialogs.h"

#include <QColor>
#include <QFont>

// Shows the program's real message boxes, prompts, chooser and flash window.
class QtDialogBackend : public DialogBackend {
public:
    void ShowInfoBox(const QString& message, const QString& caption) override;
    char AskYesNoCancelBox(const QString& question, const QString& caption) override;
    bool InputString(const QString& prompt, QString& text) override;
    int ChooseOption(const QString& message, const QString& option1,
                     const QString& option2) override;
    void FlashMessage(const QString& text) override;
    bool ChooseColourBox(quint32& argb) override;
    bool ChooseFontBox(QString& font) override;
    bool ChooseSaveFileBox(const QString& caption, const QString& filter,
                           const QString& defaultSuffix, QString& path) override;
    bool PrinterSetupBox(QPrinter* printer) override;
};

// The common dialogs in the window layer's own types.
bool ChooseColour(QColor& colour);
bool ChooseFont(QFont& font);
