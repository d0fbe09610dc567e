#pragma once
// The program's text is narrow (its code page: UTF-8 where Windows offers it). These turn it
// into the system's wide text and back, for the few drawing calls whose narrow form counts a
// byte as a character.
#include <string>

namespace kelt::ui {

std::wstring Wide(const std::string& text);
std::string Narrow(const std::wstring& text);

// Names compared as Windows compares file, registry and plug-in names: character by character
// without regard to case, the same under every language setting (no locale's rules, so "I"
// and "i" match in Turkish too, and "Straße" is not "Strasse").
bool SameNameIgnoringCase(const std::string& a, const std::string& b);
// The order of two names by the same rule: negative, 0 or positive.
int CompareNamesIgnoringCase(const std::string& a, const std::string& b);

// Copies as much of `text` as fits into a buffer of `size` bytes (a control's text buffer),
// ending between characters, and ends it with a NUL.
void CopyText(char* buffer, int size, const std::string& text);

} // namespace kelt::ui
