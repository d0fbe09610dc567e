#include "ui/colour.h"

namespace kelt::ui {

COLORREF ResolveColour(Colour colour)
{
    if (IsSystemColour(colour))
        return ::GetSysColor(static_cast<int>(colour & 0xFF));
    return static_cast<COLORREF>(colour & 0x00FFFFFF);
}

HBRUSH CreateColourBrush(Colour colour)
{
    return ::CreateSolidBrush(ResolveColour(colour));
}

} // namespace kelt::ui
