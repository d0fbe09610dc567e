#pragma once
#include <windows.h>

namespace kelt::ui {

// The module this code is linked into (the program, or the plug-in library that carries a
// copy of ui/): window classes, dialog templates and resources are looked up there.
HINSTANCE Instance();

// Loads the common controls (list views, tooltips, progress bars ...) once per process.
void InitCommonControlsOnce();

} // namespace kelt::ui
