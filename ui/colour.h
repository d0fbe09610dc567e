#pragma once
// Colours as the options and display settings store them: either an RGB value (0x00BBGGRR) or a
// system colour, 0x80000000 + the GetSysColor index (0x8000000F = button face).
#include <windows.h>

#include <cstdint>

namespace kelt::ui {

using Colour = std::uint32_t;

constexpr Colour kSystemColourFlag = 0x80000000u;
constexpr Colour SystemColour(int index) { return kSystemColourFlag | static_cast<Colour>(index); }
constexpr bool IsSystemColour(Colour colour) { return (colour & kSystemColourFlag) != 0; }

// The RGB value to draw with: system colours through GetSysColor.
COLORREF ResolveColour(Colour colour);

// A solid brush for a colour (system colours resolved now). Caller owns it.
HBRUSH CreateColourBrush(Colour colour);

} // namespace kelt::ui
