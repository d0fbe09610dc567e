#include "ui/glyph_button.h"

#include "ui/hint.h"
#include "ui/paint.h"

namespace kelt::ui {

namespace {
const char kGlyphButtonClass[] = "KeltGlyphButton";
}

HBITMAP CopyBitmap(HBITMAP bitmap)
{
    if (!bitmap)
        return nullptr;
    return static_cast<HBITMAP>(::CopyImage(bitmap, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
}

GlyphButton::~GlyphButton()
{
    if (Handle())
        RemoveHint(Handle());
    Destroy();
}

bool GlyphButton::CreateIn(HWND parent, int left, int top, int width, int height)
{
    if (Handle())
        return true;
    RegisterWindowClass(kGlyphButtonClass, CS_HREDRAW | CS_VREDRAW, nullptr);
    if (!Create(kGlyphButtonClass, std::string(), WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP, 0, left, top,
                width, height, parent))
        return false;
    if (!hint_.empty())
        SetHint(Handle(), hint_);
    return true;
}

void GlyphButton::SetGlyph(HBITMAP bitmap)
{
    glyph_.reset(CopyBitmap(bitmap));
    if (Handle())
        ::InvalidateRect(Handle(), nullptr, TRUE);
}

void GlyphButton::SetHintText(const std::string& text)
{
    hint_ = text;
    if (Handle())
        SetHint(Handle(), text);
}

void GlyphButton::SetPosition(int left, int top)
{
    if (Handle())
        ::SetWindowPos(Handle(), nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void GlyphButton::Click()
{
    // A copy: the handler may destroy this button (a plug-in uninstalled from its own tool).
    std::function<void()> handler = onClick_;
    if (handler)
        handler();
}

bool GlyphButton::OnPaint()
{
    PAINTSTRUCT paint;
    HDC dc = ::BeginPaint(Handle(), &paint);
    Paint(dc);
    if (ShowsFocus()) {
        RECT focus{};
        ::GetClientRect(Handle(), &focus);
        ::InflateRect(&focus, -2, -2);
        ::SetTextColor(dc, RGB(0, 0, 0));
        ::SetBkColor(dc, RGB(255, 255, 255));
        ::DrawFocusRect(dc, &focus);
    }
    ::EndPaint(Handle(), &paint);
    return true;
}

void GlyphButton::Paint(HDC dc)
{
    RECT client;
    ::GetClientRect(Handle(), &client);
    // The parent's background shows through a flat button: let the parent erase our part.
    ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_BTNFACE));
    if (HWND parent = ::GetParent(Handle())) {
        POINT origin{0, 0};
        ::MapWindowPoints(Handle(), parent, &origin, 1);
        POINT previous;
        ::OffsetViewportOrgEx(dc, -origin.x, -origin.y, &previous);
        ::SendMessageA(parent, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
        ::SetViewportOrgEx(dc, previous.x, previous.y, nullptr);
    }

    const bool sunken = Pressed() && Hot();
    if (sunken)
        ::DrawEdge(dc, &client, BDR_SUNKENOUTER, BF_RECT);
    else if (Hot())
        ::DrawEdge(dc, &client, BDR_RAISEDINNER, BF_RECT);

    if (!glyph_)
        return;
    BITMAP info{};
    if (!::GetObjectA(glyph_.get(), sizeof info, &info) || info.bmWidth <= 0 || info.bmHeight == 0)
        return;
    const int width = info.bmWidth;
    const int height = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
    int x = (client.right - width) / 2;
    int y = (client.bottom - height) / 2;
    if (sunken) {
        ++x;
        ++y;
    }
    if (HighContrast()) {
        DrawBitmapMono(dc, glyph_.get(), CLR_INVALID, x, y, width, height, ::GetSysColor(COLOR_BTNTEXT));
    } else {
        MemoryDC memory(dc);
        SelectedObject selected(memory.get(), glyph_.get());
        const COLORREF transparent = ::GetPixel(memory.get(), 0, height - 1);
        ::TransparentBlt(dc, x, y, width, height, memory.get(), 0, 0, width, height, transparent);
    }
}

LRESULT GlyphButton::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_GETDLGCODE:
        return DLGC_BUTTON;
    case WM_KEYDOWN:
        if (wParam == VK_RETURN || wParam == VK_SPACE) {
            Click();  // may destroy the button: nothing follows
            return 0;
        }
        break;
    case BM_CLICK:
        Click();
        return 0;
    case WM_LBUTTONDOWN:
        ::SetFocus(Handle());
        break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_UPDATEUISTATE:
        ::InvalidateRect(Handle(), nullptr, FALSE);
        break;
    default:
        break;
    }
    return FlatButtonBase::HandleMessage(message, wParam, lParam);
}

} // namespace kelt::ui
