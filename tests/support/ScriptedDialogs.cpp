#include "support/ScriptedDialogs.h"

#include <QTest>

ScriptedDialogs::ScriptedDialogs() {
    SetDialogBackend(this);
}

ScriptedDialogs::~ScriptedDialogs() {
    if (CurrentDialogBackend() == this)
        SetDialogBackend(nullptr);
}

QStringList ScriptedDialogs::Texts(const QString& kind) const {
    QStringList out;
    for (const Call& c : Calls)
        if (c.kind == kind)
            out << c.text;
    return out;
}

QVariant ScriptedDialogs::next(const QString& kind, const QString& text) {
    if (answers.isEmpty()) {
        QTest::qFail(qPrintable(QStringLiteral("no scripted answer for %1: %2").arg(kind, text)),
                     __FILE__, __LINE__);
        return QVariant();
    }
    return answers.takeFirst();
}

void ScriptedDialogs::ShowInfoBox(const QString& message, const QString& caption) {
    Calls << Call{QStringLiteral("info"), message, caption, {}};
}

char ScriptedDialogs::AskYesNoCancelBox(const QString& question, const QString& caption) {
    Calls << Call{QStringLiteral("ask"), question, caption, {}};
    QString a = next(QStringLiteral("question"), question).toString();
    if (a == QLatin1String("Y"))
        return 'Y';
    if (a == QLatin1String("N"))
        return 'N';
    if (a != QLatin1String("C") && !a.isEmpty())
        QTest::qFail(qPrintable(QStringLiteral("question answered with %1: %2").arg(a, question)),
                     __FILE__, __LINE__);
    return 'C';
}

bool ScriptedDialogs::InputString(const QString& prompt, QString& text) {
    Calls << Call{QStringLiteral("input"), prompt, text, {}};
    QString a = next(QStringLiteral("prompt"), prompt).toString();
    if (a.startsWith(QLatin1String("T:"))) {
        text = a.mid(2);
        return true;
    }
    if (a != QLatin1String("T!") && !a.isEmpty())
        QTest::qFail(qPrintable(QStringLiteral("prompt answered with %1: %2").arg(a, prompt)),
                     __FILE__, __LINE__);
    return false;
}

int ScriptedDialogs::ChooseOption(const QString& message, const QString& option1,
                                  const QString& option2) {
    Calls << Call{QStringLiteral("choose"), message, QString(), {option1, option2}};
    QVariant a = next(QStringLiteral("chooser"), message);
    if (a.typeId() != QMetaType::Int) {
        if (a.isValid())
            QTest::qFail(
                qPrintable(
                    QStringLiteral("chooser answered with %1: %2").arg(a.toString(), message)),
                __FILE__, __LINE__);
        return 0;
    }
    return a.toInt();
}

void ScriptedDialogs::FlashMessage(const QString& text) {
    Calls << Call{QStringLiteral("flash"), text, QString(), {}};
}

bool ScriptedDialogs::nextChoice(const QString& kind, const QString& text, QString& value) {
    const QString a = next(kind, text).toString();
    if (a.startsWith(kind + QLatin1Char(':'))) {
        value = a.mid(kind.size() + 1);
        return true;
    }
    if (a != QLatin1String("cancel:") && !a.isEmpty())
        QTest::qFail(qPrintable(QStringLiteral("%1 dialog answered with %2").arg(kind, a)),
                     __FILE__, __LINE__);
    return false;
}

bool ScriptedDialogs::ChooseColourBox(quint32& argb) {
    Calls << Call{QStringLiteral("colour"), QString::number(argb), QString(), {}};
    QString value;
    if (!nextChoice(QStringLiteral("colour"), QString::number(argb), value))
        return false;
    argb = value.toUInt();
    return true;
}

bool ScriptedDialogs::ChooseFontBox(QString& font) {
    Calls << Call{QStringLiteral("font"), font, QString(), {}};
    return nextChoice(QStringLiteral("font"), font, font);
}

bool ScriptedDialogs::ChooseSaveFileBox(const QString& caption, const QString& filter,
                                        const QString& defaultSuffix, QString& path) {
    Calls << Call{QStringLiteral("file"), path, caption, {filter, defaultSuffix}};
    return nextChoice(QStringLiteral("file"), caption, path);
}

bool ScriptedDialogs::PrinterSetupBox(QPrinter*) {
    Calls << Call{QStringLiteral("printer"), QString(), QString(), {}};
    QString unused;
    return nextChoice(QStringLiteral("printer"), QString(), unused);
}
