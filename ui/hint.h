#pragma once
// Tooltips ("hints"): one tooltip window per thread, shared by every control that has a hint.
#include <windows.h>

#include <string>

namespace kelt::ui {

// Sets (or replaces) the hint of a window; an empty text removes it.
void SetHint(HWND hwnd, const std::string& text);
// The hint currently set for a window (empty when none).
std::string GetHint(HWND hwnd);
void RemoveHint(HWND hwnd);
// The calling thread's tooltip window (created on first use).
HWND HintWindow();

} // namespace kelt::ui
