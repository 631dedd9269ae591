#pragma once

#include <QColor>
#include <QFont>
#include <QPoint>
#include <QRect>
#include <QSize>

class QFrame;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QRadioButton;
class QWidget;

// Placement and quiet-change helpers shared by the program's windows.

// Background of an enabled edit box in SetEditEnabled: white.
extern const QColor EnabledEditColour;

// The area windows opening near point must stay inside: the available area of the screen
// under point, or of the primary screen when point is on none.
QRect ScreenAreaAt(QPoint point);

// One pixel right of and below the pointer, pulled back up and left so that the whole window
// (frame included) lies on the screen.
void PlaceAtCursor(QWidget* window);
// PlaceAtCursor, then shows the window modeless and brings it to the front.
void ShowAtCursor(QWidget* window);
// Shows the window, restoring it to its normal size when it was minimised.
void ShowRestored(QWidget* window);
// True while the window is on screen as a modal window.
bool IsShownModal(const QWidget* window);
// The silver panel with a sunken frame that covers the whole of a fixed-size borderless dialog,
// named Panel1.
QFrame* AddSunkenPanel(QWidget* dialog);
// The program's window font: Arial (or the family the system puts in its place) at a size in
// pixels, so that the windows keep their designed proportions.
QFont ArialPixels(int pixels, bool bold = false);
// Fixes a window's size at its designed size, grown wherever its layout needs more room with
// the fonts in use, so that no caption or control is cut. Call once the layout is complete.
void FixSizeToFit(QWidget* window, QSize designed);
// Limits an edit box to width characters as the field it edits keeps them (CutToWidth: grapheme
// clusters), never keeping part of one: a character that does not fit whole is left out.
void LimitToWidth(QLineEdit* edit, int width);
// Opens the menu with its corner at the mouse pointer.
void PopupAtCursor(QMenu* menu);

// Enables or disables an edit box; its background shows which (EnabledEditColour or the
// button-face colour).
void SetEditEnabled(QWidget* edit, bool on);

// Switches a radio button on from code, raising ProgrammaticChange first so that its handler
// can tell the user did not do it. Nothing happens when it is already on. Qt also reports the
// button of the same group that goes off: handlers should act only for the button turned on.
void CheckRadioQuietly(QRadioButton* radio);
// Clears an edit box from code the same way. An empty box raises nothing, since clearing it
// changes nothing and no handler would take the mark down again.
void ClearEditQuietly(QLineEdit* edit);
void ClearEditQuietly(QPlainTextEdit* edit);

// Makes BeginBusy/EndBusy show the hourglass cursor. The cursor is set once when the first
// level begins and restored when the last one ends, however deep the nesting.
void InstallBusyCursor();
