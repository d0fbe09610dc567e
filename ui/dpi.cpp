#include "ui/dpi.h"

#include "ui/handles.h"

namespace kelt::ui {

int ScreenDpi()
{
    static const int dpi = [] {
        HDC screen = ::GetDC(nullptr);
        int value = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 96;
        if (screen)
            ::ReleaseDC(nullptr, screen);
        return value > 0 ? value : 96;
    }();
    return dpi;
}

int ScaleFor(int pixels, int dpi)
{
    return ::MulDiv(pixels, dpi, 96);
}

int Scale(int pixels)
{
    return ScaleFor(pixels, ScreenDpi());
}

HFONT DefaultFont()
{
    static const UniqueFont font = [] {
        NONCLIENTMETRICSA metrics{};
        metrics.cbSize = sizeof metrics;
        if (::SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
            return UniqueFont(::CreateFontIndirectA(&metrics.lfMessageFont));
        return UniqueFont();
    }();
    return font ? font.get() : static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
}

} // namespace kelt::ui
