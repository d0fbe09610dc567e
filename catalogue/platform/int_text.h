#pragma once
// Text <-> integer conversions in the form the catalogue, the records and the dialogs use:
// signed 32-bit decimal. Portable (no windows.h) so the native tools and tests share it.
#include <string>

#include "storage/error.h"

namespace kelt {

// Raised when a text is not a decimal integer in the signed 32-bit range.
class ConversionError : public Error {
public:
    explicit ConversionError(const std::string& message) : Error(message) {}
};

// Signed decimal: an optional '+' or '-', then one or more digits (leading zeros allowed).
// No blanks, no hexadecimal, no fraction. Raises ConversionError with
// "'<text>' is not a valid integer value" otherwise.
int StrToInt(const std::string& text);

// Same rules as StrToInt; answers false instead of raising.
bool TryStrToInt(const std::string& text, int& value);

// Signed decimal, '-' for negative values (so 0xFFFFFFFF read as a DWORD becomes "-1").
std::string IntToStr(int value);

} // namespace kelt
