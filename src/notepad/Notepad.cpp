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

QFont NotepadQFont(const NotepadFontSpec& spec) {
    QFont font(spec.Name, spec.Size);
    font.setBold(spec.Bold);
    font.setItalic(spec.Italic);
    font.setUnderline(spec.Underline);
    font.setStrikeOut(spec.StrikeOut);
    return font;
}

NotepadFontSpec NotepadFontOf(const QFont& font) {
    NotepadFontSpec spec;
    spec.Name = font.family();
    // A font given in pixels has no point size of its own: the size it is shown at is kept.
    spec.Size = font.pointSize() > 0 ? font.pointSize() : QFontInfo(font).pointSize();
    spec.Bold = font.bold();
    spec.Italic = font.italic();
    spec.Underline = font.underline();
    spec.StrikeOut = font.strikeOut();
    return spec;
}
