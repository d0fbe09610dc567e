#pragma once
// The program-wide handler for errors that escape a window's handler: the message is shown
// in an error box (caption "Error", MB_ICONERROR) and the program goes on.
#include <windows.h>

#include <exception>

namespace kelt::ui {

void ReportError(const std::exception& error, HWND owner = nullptr);
// For anything thrown that is not a std::exception.
void ReportUnknownError(HWND owner = nullptr);

} // namespace kelt::ui
