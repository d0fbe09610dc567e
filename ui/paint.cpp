#include "ui/paint.h"

#include <commctrl.h>

#include <algorithm>

#include "ui/dpi.h"

namespace kelt::ui {

BufferedPaint::BufferedPaint(HWND hwnd) : hwnd_(hwnd)
{
    ::BeginPaint(hwnd_, &ps_);
    ::GetClientRect(hwnd_, &client_);
    const int width = std::max<LONG>(1, client_.right);
    const int height = std::max<LONG>(1, client_.bottom);
    memory_ = ::CreateCompatibleDC(ps_.hdc);
    bitmap_ = memory_ ? ::CreateCompatibleBitmap(ps_.hdc, width, height) : nullptr;
    if (!bitmap_) {
        // Out of memory for the buffer: paint straight to the screen.
        if (memory_)
            ::DeleteDC(memory_);
        memory_ = nullptr;
        return;
    }
    previous_ = ::SelectObject(memory_, bitmap_);
    ::SetBkMode(memory_, TRANSPARENT);
}

BufferedPaint::~BufferedPaint()
{
    if (memory_) {
        ::BitBlt(ps_.hdc, 0, 0, client_.right, client_.bottom, memory_, 0, 0, SRCCOPY);
        ::SelectObject(memory_, previous_);
        ::DeleteObject(bitmap_);
        ::DeleteDC(memory_);
    }
    ::EndPaint(hwnd_, &ps_);
}

COLORREF BlendColour(COLORREF a, COLORREF b, int percentA)
{
    percentA = std::clamp(percentA, 0, 100);
    auto mix = [percentA](int x, int y) { return (x * percentA + y * (100 - percentA)) / 100; };
    return RGB(mix(GetRValue(a), GetRValue(b)), mix(GetGValue(a), GetGValue(b)), mix(GetBValue(a), GetBValue(b)));
}

COLORREF ShadeColour(COLORREF colour, int percent)
{
    if (percent >= 0)
        return BlendColour(RGB(255, 255, 255), colour, percent);
    return BlendColour(RGB(0, 0, 0), colour, -percent);
}

void FillSolid(HDC dc, const RECT& rect, COLORREF colour)
{
    const COLORREF old = ::SetBkColor(dc, colour);
    ::ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
    ::SetBkColor(dc, old);
}

void FillGradient(HDC dc, const RECT& rect, COLORREF from, COLORREF to, bool vertical)
{
    if (HighContrast()) {
        FillSolid(dc, rect, from);
        return;
    }
    TRIVERTEX vertices[2] = {};
    vertices[0].x = rect.left;
    vertices[0].y = rect.top;
    vertices[0].Red = static_cast<COLOR16>(GetRValue(from) << 8);
    vertices[0].Green = static_cast<COLOR16>(GetGValue(from) << 8);
    vertices[0].Blue = static_cast<COLOR16>(GetBValue(from) << 8);
    vertices[1].x = rect.right;
    vertices[1].y = rect.bottom;
    vertices[1].Red = static_cast<COLOR16>(GetRValue(to) << 8);
    vertices[1].Green = static_cast<COLOR16>(GetGValue(to) << 8);
    vertices[1].Blue = static_cast<COLOR16>(GetBValue(to) << 8);
    GRADIENT_RECT gradient{0, 1};
    if (!::GradientFill(dc, vertices, 2, &gradient, 1, vertical ? GRADIENT_FILL_RECT_V : GRADIENT_FILL_RECT_H))
        FillSolid(dc, rect, BlendColour(from, to, 50));
}

void FrameSolid(HDC dc, const RECT& rect, COLORREF colour)
{
    UniqueBrush brush(::CreateSolidBrush(colour));
    ::FrameRect(dc, &rect, brush.get());
}

void FillRounded(HDC dc, const RECT& rect, int radius, COLORREF fill, COLORREF frame)
{
    UniqueBrush brush(::CreateSolidBrush(fill));
    UniquePen pen(::CreatePen(PS_SOLID, 1, frame == CLR_INVALID ? fill : frame));
    SelectedObject b(dc, brush.get());
    SelectedObject p(dc, pen.get());
    ::RoundRect(dc, rect.left, rect.top, rect.right, rect.bottom, radius * 2, radius * 2);
}

void DrawTextIn(HDC dc, const std::string& text, RECT rect, COLORREF colour, UINT flags)
{
    const int mode = ::SetBkMode(dc, TRANSPARENT);
    const COLORREF old = ::SetTextColor(dc, colour);
    ::DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &rect, flags);
    ::SetTextColor(dc, old);
    ::SetBkMode(dc, mode);
}

void DrawImage(HDC dc, HIMAGELIST images, int index, int x, int y, int size, bool disabled)
{
    if (!images || index < 0 || index >= ::ImageList_GetImageCount(images))
        return;
    int cx = 0, cy = 0;
    ::ImageList_GetIconSize(images, &cx, &cy);
    if (cx == size && cy == size && !disabled) {
        ::ImageList_Draw(images, index, dc, x, y, ILD_TRANSPARENT);
        return;
    }
    UniqueIcon icon(::ImageList_GetIcon(images, index, ILD_TRANSPARENT));
    if (!icon)
        return;
    if (disabled) {
        // Embossed grey look of a disabled picture, from a copy at the size drawn.
        UniqueIcon sized(static_cast<HICON>(::CopyImage(icon.get(), IMAGE_ICON, size, size, 0)));
        ::DrawStateA(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(sized ? sized.get() : icon.get()), 0, x, y, size,
                     size, DST_ICON | DSS_DISABLED);
        return;
    }
    ::DrawIconEx(dc, x, y, icon.get(), size, size, 0, nullptr, DI_NORMAL);
}

COLORREF LinkColour()
{
    if (HighContrast())
        return ::GetSysColor(COLOR_HOTLIGHT);
    return ShadeColour(::GetSysColor(COLOR_HIGHLIGHT), -30);
}

bool HighContrast()
{
    HIGHCONTRASTA contrast{};
    contrast.cbSize = sizeof contrast;
    return ::SystemParametersInfoA(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

namespace {

// Paints `colour` into `dc` wherever the monochrome `mask` (selected into `maskDc`, the same
// size as the target) is black.
void FillThroughMask(HDC dc, HDC maskDc, int x, int y, int width, int height, COLORREF colour)
{
    UniqueBrush brush(::CreateSolidBrush(colour));
    SelectedObject selected(dc, brush.get());
    const COLORREF text = ::SetTextColor(dc, RGB(0, 0, 0));
    const COLORREF back = ::SetBkColor(dc, RGB(255, 255, 255));
    // Pattern where the source is black, the destination kept where it is white.
    ::BitBlt(dc, x, y, width, height, maskDc, 0, 0, 0x00B8074A);
    ::SetTextColor(dc, text);
    ::SetBkColor(dc, back);
}

} // namespace

void DrawImageMono(HDC dc, HIMAGELIST images, int index, int x, int y, int size, COLORREF colour)
{
    if (!images || index < 0 || index >= ::ImageList_GetImageCount(images) || size <= 0)
        return;
    UniqueIcon icon(::ImageList_GetIcon(images, index, ILD_NORMAL));
    if (!icon)
        return;
    MemoryDC mask(dc);
    UniqueBitmap bits(::CreateBitmap(size, size, 1, 1, nullptr));
    SelectedObject selected(mask.get(), bits.get());
    RECT all{0, 0, size, size};
    ::FillRect(mask.get(), &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    // The icon's mask drawn alone: black where the picture is.
    ::DrawIconEx(mask.get(), 0, 0, icon.get(), size, size, 0, nullptr, DI_MASK);
    FillThroughMask(dc, mask.get(), x, y, size, size, colour);
}

void DrawBitmapMono(HDC dc, HBITMAP bitmap, COLORREF transparent, int x, int y, int width, int height,
                    COLORREF colour)
{
    BITMAP info{};
    if (!bitmap || !::GetObjectA(bitmap, sizeof info, &info) || width <= 0 || height <= 0)
        return;
    const int sourceHeight = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
    MemoryDC source(dc);
    SelectedObject picture(source.get(), bitmap);
    if (transparent == CLR_INVALID)
        transparent = ::GetPixel(source.get(), 0, sourceHeight - 1);
    // A monochrome copy at full size: the transparent colour turns white, the rest black.
    MemoryDC full(dc);
    UniqueBitmap fullBits(::CreateBitmap(info.bmWidth, sourceHeight, 1, 1, nullptr));
    SelectedObject fullSelected(full.get(), fullBits.get());
    const COLORREF back = ::SetBkColor(source.get(), transparent);
    ::BitBlt(full.get(), 0, 0, info.bmWidth, sourceHeight, source.get(), 0, 0, SRCCOPY);
    ::SetBkColor(source.get(), back);
    MemoryDC mask(dc);
    UniqueBitmap maskBits(::CreateBitmap(width, height, 1, 1, nullptr));
    SelectedObject maskSelected(mask.get(), maskBits.get());
    ::SetStretchBltMode(mask.get(), BLACKONWHITE);
    ::StretchBlt(mask.get(), 0, 0, width, height, full.get(), 0, 0, info.bmWidth, sourceHeight, SRCCOPY);
    FillThroughMask(dc, mask.get(), x, y, width, height, colour);
}

HIMAGELIST MonochromeCopy(HIMAGELIST images, COLORREF colour)
{
    if (!images)
        return nullptr;
    int cx = 0, cy = 0;
    ::ImageList_GetIconSize(images, &cx, &cy);
    const int count = ::ImageList_GetImageCount(images);
    HIMAGELIST copy = ::ImageList_Create(cx, cy, ILC_COLOR24 | ILC_MASK, count, 1);
    if (!copy)
        return nullptr;
    WindowDC screen(nullptr);
    // A background no silhouette has, masked out again.
    const COLORREF key = colour == RGB(255, 0, 255) ? RGB(0, 255, 0) : RGB(255, 0, 255);
    for (int i = 0; i < count; ++i) {
        MemoryDC dc(screen.get());
        UniqueBitmap bits(::CreateCompatibleBitmap(screen.get(), cx, cy));
        {
            SelectedObject selected(dc.get(), bits.get());
            FillSolid(dc.get(), RECT{0, 0, cx, cy}, key);
            DrawImageMono(dc.get(), images, i, 0, 0, std::min(cx, cy), colour);
        }
        ::ImageList_AddMasked(copy, bits.get(), key);
    }
    return copy;
}

HFONT CreateUiFont(int weight, int heightPercent, bool underline, int dpi)
{
    LOGFONTA font{};
    if (!::GetObjectA(dpi > 0 ? DefaultFontFor(dpi) : DefaultFont(), sizeof font, &font))
        return nullptr;
    font.lfWeight = weight;
    font.lfHeight = ::MulDiv(font.lfHeight, heightPercent, 100);
    font.lfUnderline = underline ? TRUE : FALSE;
    // The smoothing stays the system's: the user's choice (none, for one) holds here too.
    return ::CreateFontIndirectA(&font);
}

} // namespace kelt::ui
