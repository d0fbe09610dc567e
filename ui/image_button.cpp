#include "ui/image_button.h"


#include "ui/dpi.h"
#include "ui/hint.h"
#include "ui/paint.h"

namespace kelt::ui {

namespace {
const char kImageButtonClass[] = "KeltImageButton";
}

ImageButton::~ImageButton()
{
    Destroy();
}

bool ImageButton::CreateIn(HWND parent, int left, int top, int width, int height, int id)
{
    RegisterWindowClass(kImageButtonClass, CS_HREDRAW | CS_VREDRAW, nullptr);
    return Create(kImageButtonClass, caption_, WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, left, top, width, height, parent,
                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)));
}

void ImageButton::SetImage(HIMAGELIST images, int index, int imageSize)
{
    images_ = images;
    index_ = index;
    imageSize_ = imageSize;
    if (Handle())
        ::InvalidateRect(Handle(), nullptr, FALSE);
}

void ImageButton::SetCaption(const std::string& caption)
{
    caption_ = caption;
    if (Handle()) {
        ::SetWindowTextA(Handle(), caption.c_str());
        ::InvalidateRect(Handle(), nullptr, FALSE);
    }
}

void ImageButton::SetHint(const std::string& hint)
{
    ui::SetHint(Handle(), hint);
}

void ImageButton::SetFlat(bool flat)
{
    flat_ = flat;
    if (Handle())
        ::InvalidateRect(Handle(), nullptr, FALSE);
}

void ImageButton::SetEnabled(bool enabled)
{
    if (!Handle())
        return;
    ::EnableWindow(Handle(), enabled ? TRUE : FALSE);
    if (!enabled)
        ResetPointerState();
    ::InvalidateRect(Handle(), nullptr, FALSE);
}

bool ImageButton::IsEnabled() const
{
    return Handle() && ::IsWindowEnabled(Handle());
}

void ImageButton::Click()
{
    if (IsEnabled() && OnClick)
        OnClick();
}

std::string ImageButton::ButtonName() const
{
    return caption_.empty() ? GetHint(Handle()) : caption_;
}

bool ImageButton::OnPaint()
{
    BufferedPaint paint(Handle());
    HDC dc = paint.dc();
    RECT r = paint.client();
    FillSolid(dc, r, ::GetSysColor(COLOR_BTNFACE));
    const bool enabled = IsEnabled();
    const bool down = Pressed() && Hot();
    const bool contrast = HighContrast();
    if (contrast && enabled && (down || Hot() || !flat_)) {
        // No tints: a frame in the theme's colour of things under the pointer.
        FrameSolid(dc, r, ::GetSysColor(down ? COLOR_HIGHLIGHT : COLOR_HOTLIGHT));
    } else if (enabled && (down || Hot() || !flat_)) {
        // Flat buttons in the manner of a tool bar: a light tint and a thin frame.
        const COLORREF highlight = ::GetSysColor(COLOR_HIGHLIGHT);
        RECT inner = r;
        ::InflateRect(&inner, -1, -1);
        FillSolid(dc, inner, BlendColour(highlight, ::GetSysColor(COLOR_WINDOW), down ? 40 : 18));
        FrameSolid(dc, r, flat_ ? highlight : ::GetSysColor(COLOR_3DSHADOW));
    }
    const int offset = down ? 1 : 0;
    int imageTop = (r.bottom - imageSize_) / 2;
    RECT textRect = r;
    HFONT font = DefaultFontFor(Dpi());
    SelectedObject selected(dc, font);
    if (!caption_.empty()) {
        TEXTMETRICA metrics{};
        ::GetTextMetricsA(dc, &metrics);
        const int textHeight = metrics.tmHeight;
        imageTop = (r.bottom - imageSize_ - textHeight - Scale(2)) / 2;
        textRect.top = imageTop + imageSize_ + Scale(2);
        textRect.bottom = textRect.top + textHeight;
    }
    const int imageLeft = (r.right - imageSize_) / 2 + offset;
    if (contrast)
        DrawImageMono(dc, images_, index_, imageLeft, imageTop + offset, imageSize_,
                      ::GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
    else
        DrawImage(dc, images_, index_, imageLeft, imageTop + offset, imageSize_, !enabled);
    if (!caption_.empty()) {
        ::OffsetRect(&textRect, offset, offset);
        DrawTextIn(dc, caption_, textRect, ::GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT),
                   DT_CENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    }
    if (ShowsFocus()) {
        RECT focus = r;
        ::InflateRect(&focus, -3, -3);
        ::SetTextColor(dc, RGB(0, 0, 0));
        ::SetBkColor(dc, RGB(255, 255, 255));
        ::DrawFocusRect(dc, &focus);
    }
    return true;
}

LRESULT ImageButton::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SETCURSOR:
        if (handCursor_ && IsEnabled()) {
            ::SetCursor(::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_HAND)));
            return TRUE;
        }
        break;
    case WM_KEYDOWN:
        if (wParam == VK_RETURN || wParam == VK_SPACE) {
            Click();
            return 0;
        }
        break;
    case BM_CLICK:
        Click();
        return 0;
    case WM_ENABLE:
        ::InvalidateRect(Handle(), nullptr, FALSE);
        return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        ::InvalidateRect(Handle(), nullptr, FALSE);
        return 0;
    case WM_UPDATEUISTATE:
        ::InvalidateRect(Handle(), nullptr, FALSE);
        break;
    case WM_GETDLGCODE:
        return DLGC_BUTTON;
    default:
        break;
    }
    return FlatButtonBase::HandleMessage(message, wParam, lParam);
}

} // namespace kelt::ui
