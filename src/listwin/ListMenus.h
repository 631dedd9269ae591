#pragma once

class TFAddsBk;

// Builds the items list window's main menu and its grid's context menu from one table: each
// entry's caption, object name, whether it starts enabled and the window command it runs. An
// entry without a command starts disabled.
void BuildListMenus(TFAddsBk& window);
