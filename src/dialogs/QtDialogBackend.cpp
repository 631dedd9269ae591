#include "dialogs/QtDialogBackend.h"

#include "common/Placement.h"
#include "common/WindowHelpers.h"
#include "dialogs/TFFlash.h"
#include "dialogs/TFchoice.h"
#include "dialogs/TFinpstr.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QCursor>
#include <QLabel>
#include <QMessageBox>
#include <QPrintDialog>

#include <algorithm>

namespace {
// Message boxes open at the pointer, or where the last one was when the pointer has not moved
// since it closed, so a run of answers does not drift with the button positions.
int runBox(QMessageBox& box) {
    QPoint anchor = MessageBoxAnchor().Take(QCursor::pos());
    box.setTextFormat(Qt::PlainText); // ampersands and angle brackets show as typed
    // A short message would make a box too narrow for its own caption. Only a message
    // narrower than that is widened: with a minimum width on its label the box no longer wraps
    // a long message, and shows its first line cut off.
    if (auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
        const int least =
            std::max(180, box.fontMetrics().horizontalAdvance(box.windowTitle()) + 60);
        if (label->sizeHint().width() < least)
            label->setMinimumWidth(least);
    }
    box.adjustSize();
    box.move(PlaceBoxAt(anchor, box.frameGeometry().size(), ScreenAreaAt(anchor)));
    int r = box.exec();
    MessageBoxAnchor().cursorAtLastClose = QCursor::pos();
    return r;
}
} // namespace

void QtDialogBackend::ShowInfoBox(const QString& message, const QString& caption) {
    QMessageBox box(QMessageBox::Information, caption, message, QMessageBox::Ok,
                    QApplication::activeWindow());
    runBox(box);
}

char QtDialogBackend::AskYesNoCancelBox(const QString& question, const QString& caption) {
    QMessageBox box(QMessageBox::Question, caption, question,
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                    QApplication::activeWindow());
    box.setEscapeButton(QMessageBox::Cancel);
    switch (runBox(box)) {
    case QMessageBox::Yes:
        return 'Y';
    case QMessageBox::No:
        return 'N';
    case QMessageBox::Cancel:
        return 'C';
    default:
        return ' ';
    }
}

bool QtDialogBackend::InputString(const QString& prompt, QString& text) {
    return TFinpstr::Instance()->InputString(prompt, text);
}

int QtDialogBackend::ChooseOption(const QString& message, const QString& option1,
                                  const QString& option2) {
    return TFchoice::Instance()->ChooseOption(message, option1, option2);
}

void QtDialogBackend::FlashMessage(const QString& text) {
    TFFlash::Instance()->FlashMessage(text);
}

bool QtDialogBackend::ChooseColourBox(quint32& argb) {
    const QColor colour =
        QColorDialog::getColor(QColor::fromRgba(argb), QApplication::activeWindow());
    if (!colour.isValid())
        return false;
    argb = colour.rgba();
    return true;
}

bool QtDialogBackend::ChooseFontBox(QString& font) {
    QFont preset;
    preset.fromString(font);
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, preset, QApplication::activeWindow());
    if (ok)
        font = chosen.toString();
    return ok;
}

bool QtDialogBackend::ChooseSaveFileBox(const QString& caption, const QString& filter,
                                        const QString& defaultSuffix, QString& path) {
    QFileDialog dialog(QApplication::activeWindow(), caption, path, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(defaultSuffix);
    if (!path.isEmpty())
        dialog.selectFile(path);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    path = dialog.selectedFiles().first();
    return true;
}

bool QtDialogBackend::PrinterSetupBox(QPrinter* printer) {
    QPrintDialog dialog(printer, QApplication::activeWindow());
    return dialog.exec() == QDialog::Accepted;
}

bool ChooseColour(QColor& colour) {
    quint32 argb = colour.rgba();
    if (!ChooseColour(argb))
        return false;
    colour = QColor::fromRgba(argb);
    return true;
}

bool ChooseFont(QFont& font) {
    QString description = font.toString();
    if (!ChooseFont(description))
        return false;
    QFont chosen;
    if (!chosen.fromString(description))
        return false;
    font = chosen;
    return true;
}
