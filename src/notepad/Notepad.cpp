#include "notepad/Notepad.h"

#include "common/WindowHelpers.h"
#include "notepad/TFnotepad.h"

#include <QFontInfo>

void CreateNotepad() {
    TFnotepad::Instance();
}

void DestroyNotepad() {
    TFnotepad::DestroyInstance();
}

void ShowNotepad() {
    ShowRestored(TFnotepad::Instance());
}

void CloseNotepadForExit(bool forced) {
    if (TFnotepad* notepad = TFnotepad::Existing())
        notepad->CloseForExit(forced);
}

QFont StoredNotepadFont() {
    return NotepadQFont(ReadNotepadFont(NotepadIniPath()));
}

void SetNotepadFont(const QFont& font) {
    TFnotepad::Instance()->TakeFont(font);
}

QFont NotepadQFont(const NotepadFontStyle& style) {
    QFont font(style.Name, style.Size);
    font.setBold(style.Bold);
    font.setItalic(style.Italic);
    font.setUnderline(style.Underline);
    font.setStrikeOut(style.StrikeOut);
    return font;
}

NotepadFontStyle NotepadFontOf(const QFont& font) {
    NotepadFontStyle style;
    style.Name = font.family();
    // A font given in pixels has no point size of its own: the size it is shown at is kept.
    style.Size = font.pointSize() > 0 ? font.pointSize() : QFontInfo(font).pointSize();
    style.Bold = font.bold();
    style.Italic = font.italic();
    style.Underline = font.underline();
    style.StrikeOut = font.strikeOut();
    return style;
}
