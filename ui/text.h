#pragma once
// The program's text is narrow (its code page: UTF-8 where Windows offers it). These turn it
// into the system's wide text and back, for the few drawing calls whose narrow form counts a
// byte as a character.
#include <string>

namespace kelt::ui {

std::wstring Wide(const std::string& text);
std::string Narrow(const std::wstring& text);

// Copies as much of `text` as fits into a buffer of `size` bytes (a control's text buffer),
// ending between characters, and ends it with a NUL.
void CopyText(char* buffer, int size, const std::string& text);

} // namespace kelt::ui
