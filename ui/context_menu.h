#pragma once
// Context menus attached to any control, in place of the control's own (an edit's, say):
// a right click or the menu key over the control calls the handler with the point in screen
// coordinates (the control's top-left corner when the keyboard asked).
#include <windows.h>

#include <functional>

namespace kelt::ui {

using ContextMenuHandler = std::function<void(HWND control, POINT screen)>;

// Attaches (or, with an empty handler, detaches) the handler; it goes with the control.
void AttachContextMenu(HWND control, ContextMenuHandler handler);
bool HasContextMenu(HWND control);

// Shows `menu` at `screen` for `owner` (which receives the command as WM_COMMAND); answers
// the command chosen, 0 for none.
UINT TrackMenu(HMENU menu, HWND owner, POINT screen);

} // namespace kelt::ui
