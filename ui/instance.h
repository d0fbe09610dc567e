#pragma once
#include <windows.h>

#include <string>

namespace kelt::ui {

// The module this code is linked into (the program, or the plug-in library that carries a
// copy of ui/): window classes, dialog templates and resources are looked up there.
HINSTANCE Instance();

// The full path of a module's file (null: the program's), however long it is in UTF-8.
std::string ModuleFileName(HMODULE module = nullptr);

// Loads the common controls (list views, tooltips, progress bars ...) once per process.
void InitCommonControlsOnce();

} // namespace kelt::ui
