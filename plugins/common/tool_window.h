#pragma once
// Sizing a tool window. Dialog templates are laid out in dialog units, whose size in pixels
// follows the dialog font; the tool windows are designed for a client area of fixed pixels, so
// the window is set to that size and the controls anchored to the right or bottom follow.
#include <windows.h>

#include "ui/layout.h"

namespace kelt::plugin {

// Sets the client area of `dialog` to width x height pixels at 96 dpi (scaled to the window's),
// keeping the window's centre, and moves the controls recorded in `layout` (which must have been
// recorded at the template's size).
void FitClientSize(HWND dialog, int width, int height, ui::AnchorLayout& layout);

} // namespace kelt::plugin
