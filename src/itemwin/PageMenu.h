#pragma once

class QActionGroup;
class QMenu;
class TFIdets2;

// Builds the item text window's context menu into menu, in its order: each command named, kept
// in its member of the window and run by its handler. Returns the group of the Justify
// commands, none marked yet.
QActionGroup* BuildPageMenu(TFIdets2* window, QMenu* menu);
