#pragma once

#include "common/Dialogs.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

// A dialog backend for tests: answers come from a queue, and every call is recorded with its
// kind, text and caption. A call with no answer queued fails the running test loudly and
// answers as Cancel would.
class ScriptedDialogs : public DialogBackend {
public:
    struct Call {
        // "info", "ask", "input", "choose", "flash", "colour", "font", "file", "printer"
        QString kind;
        QString text;
        QString caption;
        QStringList extra; // the options of a chooser call
    };

    ScriptedDialogs();           // installs itself
    ~ScriptedDialogs() override; // restores the silent backend

    // Queue answers in the order the code under test will ask.
    void AnswerYes() { answers << QVariant(QStringLiteral("Y")); }
    void AnswerNo() { answers << QVariant(QStringLiteral("N")); }
    void AnswerCancel() { answers << QVariant(QStringLiteral("C")); }
    void AnswerText(const QString& text) { answers << QVariant(QStringLiteral("T:") + text); }
    void AnswerCancelPrompt() { answers << QVariant(QStringLiteral("T!")); }
    void AnswerChoice(int option) { answers << QVariant(option); }
    // The common dialogs: the colour, font or file chosen, or Cancel.
    void AnswerColour(quint32 argb) { answers << QVariant(QStringLiteral("colour:%1").arg(argb)); }
    void AnswerFont(const QString& description) {
        answers << QVariant(QStringLiteral("font:") + description);
    }
    void AnswerFile(const QString& path) { answers << QVariant(QStringLiteral("file:") + path); }
    // OK in the printer setup dialog, the printer left as it was.
    void AnswerPrinterSetup() { answers << QVariant(QStringLiteral("printer:")); }
    void AnswerCancelChoice() { answers << QVariant(QStringLiteral("cancel:")); }

    int PendingAnswers() const { return answers.size(); }
    QList<Call> Calls;
    // Texts of the calls of one kind, in order.
    QStringList Texts(const QString& kind) const;
    QStringList Infos() const { return Texts(QStringLiteral("info")); }
    QStringList Questions() const { return Texts(QStringLiteral("ask")); }
    QStringList Flashes() const { return Texts(QStringLiteral("flash")); }
    void ClearCalls() { Calls.clear(); }

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

private:
    QVariant next(const QString& kind, const QString& text);
    // The answer to a common dialog of this kind ("colour:..." etc.): true with value set for
    // a choice, false for Cancel.
    bool nextChoice(const QString& kind, const QString& text, QString& value);
    QList<QVariant> answers;
};
