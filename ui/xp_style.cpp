#include "ui/xp_style.h"

#include <uxtheme.h>

#include <utility>

namespace kelt::ui {

namespace {

std::function<bool()>& Source()
{
    static std::function<bool()> source;
    return source;
}

BOOL CALLBACK UseClassicLook(HWND window, LPARAM)
{
    // A name no theme section carries (a blank) switches visual styles off for the window.
    ::SetWindowTheme(window, L" ", L" ");
    return TRUE;
}

} // namespace

bool XPStyleWanted()
{
    const auto& source = Source();
    return source ? source() : true;
}

void SetXPStyleSource(std::function<bool()> source)
{
    Source() = std::move(source);
}

void ApplyXPStyle(HWND window, bool xpStyle)
{
    if (xpStyle || !window)
        return;
    UseClassicLook(window, 0);
    ::EnumChildWindows(window, UseClassicLook, 0);
}

} // namespace kelt::ui
