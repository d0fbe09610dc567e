#pragma once
// The XP look of the program's windows. The user's choice lives with the options (app/); the
// windows below app/ (the catalogue's dialogs, for one) ask for it through the source the
// program installs, so each reads the option as it stands when the window opens.
#include <windows.h>

#include <functional>

namespace kelt::ui {

// Whether windows are to draw in the XP style: the installed source's answer, true without one.
bool XPStyleWanted();
// Installs the source of the answer; null removes it.
void SetXPStyleSource(std::function<bool()> source);

// Without XP style `window` and every control in it keep the classic look, whatever the
// manifest asks for; with it nothing changes.
void ApplyXPStyle(HWND window, bool xpStyle);

} // namespace kelt::ui
