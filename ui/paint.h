#pragma once
// Painting helpers shared by the self-drawn controls: flicker-free painting through an
// off-screen bitmap, colour blending and gradients.
#include <windows.h>

#include <string>

#include "ui/handles.h"

namespace kelt::ui {

// Paints into an off-screen bitmap of the client size and copies it to the screen in one go
// when it goes out of scope. Use it inside WM_PAINT instead of BeginPaint/EndPaint (and
// answer WM_ERASEBKGND with "handled" so nothing is drawn twice).
class BufferedPaint {
public:
    explicit BufferedPaint(HWND hwnd);
    ~BufferedPaint();
    BufferedPaint(const BufferedPaint&) = delete;
    BufferedPaint& operator=(const BufferedPaint&) = delete;

    HDC dc() const { return memory_ ? memory_ : ps_.hdc; }
    const RECT& client() const { return client_; }

private:
    HWND hwnd_;
    PAINTSTRUCT ps_{};
    RECT client_{};
    HDC memory_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
};

// `a` weighted by percent (0..100) against `b`.
COLORREF BlendColour(COLORREF a, COLORREF b, int percentA);
// Lighter (percent > 0, towards white) or darker (percent < 0, towards black).
COLORREF ShadeColour(COLORREF colour, int percent);

void FillSolid(HDC dc, const RECT& rect, COLORREF colour);
// Linear gradient from `from` to `to`, top to bottom (vertical) or left to right; with a
// high-contrast theme a plain fill in `from`.
void FillGradient(HDC dc, const RECT& rect, COLORREF from, COLORREF to, bool vertical);
// A one-pixel frame.
void FrameSolid(HDC dc, const RECT& rect, COLORREF colour);
// A filled rectangle with rounded corners (radius in pixels), optional frame colour
// (CLR_INVALID for none).
void FillRounded(HDC dc, const RECT& rect, int radius, COLORREF fill, COLORREF frame);

// Draws text with the given colour and DrawText flags, transparent background.
void DrawTextIn(HDC dc, const std::string& text, RECT rect, COLORREF colour, UINT flags);

// Draws image `index` of an image list stretched into a square of `size` pixels at (x, y);
// greyed when `disabled`. Nothing for an index outside the list.
void DrawImage(HDC dc, HIMAGELIST images, int index, int x, int y, int size, bool disabled = false);

// The colour of links: the highlight colour, a shade darker so it reads on white (with a
// high-contrast theme: the theme's colour of links).
COLORREF LinkColour();

// Whether the user runs a high-contrast theme: every window then draws in the system's colours
// only (no gradients, no blends, no colours of the program's own) and pictures as silhouettes
// in the text colour they stand on. Asked anew each time, so a change of theme shows at once.
bool HighContrast();

// A picture of an image list as its silhouette in one colour (its mask filled), `size` square.
void DrawImageMono(HDC dc, HIMAGELIST images, int index, int x, int y, int size, COLORREF colour);
// A bitmap as its silhouette in one colour: every pixel that is not `transparent` (CLR_INVALID:
// the bottom-left pixel's colour) becomes `colour`; stretched to `width` x `height`.
void DrawBitmapMono(HDC dc, HBITMAP bitmap, COLORREF transparent, int x, int y, int width, int height,
                    COLORREF colour);
// A new image list (caller owns it) of the silhouettes of `images` in `colour`.
HIMAGELIST MonochromeCopy(HIMAGELIST images, COLORREF colour);

// The system's message font at another weight / height scale (caller owns the font), at the
// given dots per inch (0: the system's).
HFONT CreateUiFont(int weight = FW_NORMAL, int heightPercent = 100, bool underline = false, int dpi = 0);

} // namespace kelt::ui
