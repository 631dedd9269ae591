#include "common/WindowHelpers.h"

#include "common/CommonState.h"
#include "common/TextHelpers.h"

#include "common/Busy.h"
#include "common/Dialogs.h"
#include "common/Placement.h"

#include <QCursor>
#include <QFrame>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScreen>
#include <QTextDocument>
#include <QValidator>

#include <algorithm>
#include <memory>

const QColor EnabledEditColour = Qt::white;

QRect ScreenAreaAt(QPoint point) {
    QScreen* screen = QGuiApplication::screenAt(point);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

void PlaceAtCursor(QWidget* window) {
    QPoint cursor = QCursor::pos();
    // move() positions the frame's corner, so the frame is what has to fit on the screen.
    window->move(PlaceAtCursorPoint(cursor, window->frameGeometry().size(), ScreenAreaAt(cursor)));
}

void ShowAtCursor(QWidget* window) {
    PlaceAtCursor(window);
    window->show();
    // A window shown for the first time learns its frame only now; place it again when the
    // frame has pushed it over the screen's edge.
    if (!ScreenAreaAt(QCursor::pos()).contains(window->frameGeometry()))
        PlaceAtCursor(window);
    window->raise();
}

void ShowRestored(QWidget* window) {
    if (window->isMinimized())
        window->showNormal();
    else
        window->show();
    window->raise();
    window->activateWindow();
}

bool IsShownModal(const QWidget* window) {
    return window->isVisible() && (window->isModal() || window->testAttribute(Qt::WA_ShowModal));
}

void PopupAtCursor(QMenu* menu) {
    menu->popup(QCursor::pos());
}

void SetEditEnabled(QWidget* edit, bool on) {
    edit->setEnabled(on);
    QPalette pal = edit->palette();
    QColor background = on ? EnabledEditColour : edit->palette().color(QPalette::Button);
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        pal.setColor(group, QPalette::Base, background);
    edit->setPalette(pal);
}

void CheckRadioQuietly(QRadioButton* radio) {
    if (radio->isChecked())
        return;
    Common().ProgrammaticChange = true;
    radio->setChecked(true);
}

void ClearEditQuietly(QLineEdit* edit) {
    if (edit->text().isEmpty())
        return;
    Common().ProgrammaticChange = true;
    edit->clear();
}

void ClearEditQuietly(QPlainTextEdit* edit) {
    if (edit->document()->isEmpty())
        return;
    Common().ProgrammaticChange = true;
    edit->clear();
}

void InstallBusyCursor() {
    // Whether these hooks have the wait cursor set: it is set once however deep the nesting,
    // and taken away once. The flag lives as long as the hooks that share it.
    auto cursorSet = std::make_shared<bool>(false);
    SetBusyHooks({[cursorSet] {
                      if (!*cursorSet) {
                          QGuiApplication::setOverrideCursor(Qt::WaitCursor);
                          *cursorSet = true;
                      }
                  },
                  [cursorSet] {
                      if (*cursorSet) {
                          QGuiApplication::restoreOverrideCursor();
                          *cursorSet = false;
                      }
                  },
                  [] { QCoreApplication::processEvents(); }});
}

void FixSizeToFit(QWidget* window, QSize designed) {
    window->setFixedSize(window->sizeHint().expandedTo(designed));
}

namespace {
// Holds an edit box to width characters as CutToWidth counts them (grapheme clusters): what is
// typed, inserted or set beyond them is left out, never half a character. The box's own length
// limit, in UTF-16 units, is only the cap CutToWidth keeps too.
class WholeCharacters : public QValidator {
public:
    WholeCharacters(int width, QObject* parent) : QValidator(parent), width(width) {}
    State validate(QString& input, int& pos) const override {
        // A half of a surrogate pair that the unit limit may have left goes first.
        for (int i = 0; i < input.size(); ++i) {
            const QChar c = input.at(i);
            const bool paired = c.isHighSurrogate()
                                    ? i + 1 < input.size() && input.at(i + 1).isLowSurrogate()
                                : c.isLowSurrogate() ? i > 0 && input.at(i - 1).isHighSurrogate()
                                                     : true;
            if (paired)
                continue;
            input.remove(i, 1);
            if (pos > i)
                --pos;
            --i;
        }
        const QString cut = CutToWidth(input, width);
        if (cut.size() < input.size()) {
            input = cut;
            pos = std::min(pos, int(input.size()));
        }
        return Acceptable;
    }

private:
    int width;
};
} // namespace

void LimitToWidth(QLineEdit* edit, int width) {
    edit->setMaxLength(width * MaxUnitsPerCharacter);
    edit->setValidator(new WholeCharacters(width, edit));
}

QFont ArialPixels(int pixels, bool bold) {
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

QFrame* AddSunkenPanel(QWidget* dialog) {
    auto* panel = new QFrame(dialog);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setGeometry(0, 0, dialog->width(), dialog->height());
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setLineWidth(2);
    panel->setAutoFillBackground(true);
    QPalette pal = panel->palette();
    pal.setColor(QPalette::Window, QColor(0xC0, 0xC0, 0xC0));
    panel->setPalette(pal);
    return panel;
}
