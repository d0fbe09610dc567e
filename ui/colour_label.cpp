#include "ui/colour_label.h"

#include <oleacc.h>

#include "ui/dpi.h"
#include "ui/paint.h"

namespace kelt::ui {

namespace {
const char kLabelClass[] = "KeltColourLabel";
}

ColourLabel::~ColourLabel()
{
    Destroy();
}

bool ColourLabel::CreateIn(HWND parent, const std::string& text, int left, int top, int width, int height, int id)
{
    RegisterWindowClass(kLabelClass, CS_HREDRAW | CS_VREDRAW, nullptr);
    text_ = text;
    fontDpi_ = DpiOf(parent);
    RebuildFonts();
    return Create(kLabelClass, text, WS_CHILD | WS_VISIBLE | (link_ ? WS_TABSTOP : 0), 0, left, top, width, height, parent,
                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)));
}

void ColourLabel::RebuildFonts()
{
    font_.reset(CreateUiFont(bold_ ? FW_BOLD : FW_NORMAL, 100, false, fontDpi_));
    hotFont_.reset(link_ ? CreateUiFont(bold_ ? FW_BOLD : FW_NORMAL, 100, true, fontDpi_) : nullptr);
}

void ColourLabel::OnDpiChanged(int dpi, const RECT* suggested)
{
    fontDpi_ = dpi;
    RebuildFonts();
    ::InvalidateRect(Handle(), nullptr, FALSE);
    Window::OnDpiChanged(dpi, suggested);
}

HFONT ColourLabel::CurrentFont() const
{
    return hot_ && hotFont_ ? hotFont_.get() : font_.get();
}

void ColourLabel::SetText(const std::string& text)
{
    text_ = text;
    if (Handle()) {
        ::SetWindowTextA(Handle(), text.c_str());
        ::InvalidateRect(Handle(), nullptr, FALSE);
    }
}

void ColourLabel::SetTextColour(Colour colour)
{
    textColour_ = colour;
    if (Handle())
        ::InvalidateRect(Handle(), nullptr, FALSE);
}

void ColourLabel::SetBackColour(Colour colour)
{
    backColour_ = colour;
    if (Handle())
        ::InvalidateRect(Handle(), nullptr, FALSE);
}

void ColourLabel::SetBold(bool bold)
{
    bold_ = bold;
    RebuildFonts();
    if (Handle())
        ::InvalidateRect(Handle(), nullptr, FALSE);
}

void ColourLabel::SetAlignment(Alignment alignment)
{
    alignment_ = alignment;
    if (Handle())
        ::InvalidateRect(Handle(), nullptr, FALSE);
}

void ColourLabel::SetLink(bool link)
{
    link_ = link;
    if (Handle()) {
        // A link is reached with the keyboard like a button.
        const LONG style = ::GetWindowLongA(Handle(), GWL_STYLE);
        ::SetWindowLongA(Handle(), GWL_STYLE, link ? style | WS_TABSTOP : style & ~WS_TABSTOP);
    }
    RebuildFonts();
    if (Handle())
        ::InvalidateRect(Handle(), nullptr, FALSE);
}

int ColourLabel::TextWidth() const
{
    WindowDC dc(Handle());
    SelectedObject font(dc.get(), font_.get());
    SIZE size{};
    ::GetTextExtentPoint32A(dc.get(), text_.c_str(), static_cast<int>(text_.size()), &size);
    return size.cx;
}

bool ColourLabel::OnPaint()
{
    BufferedPaint paint(Handle());
    HDC dc = paint.dc();
    RECT r = paint.client();
    COLORREF back = ResolveColour(backColour_);
    COLORREF text = ResolveColour(textColour_);
    if (HighContrast()) {
        // The theme's pair of colours for the surface the label stands on.
        const bool onWindow = backColour_ == SystemColour(COLOR_WINDOW);
        back = ::GetSysColor(onWindow ? COLOR_WINDOW : COLOR_BTNFACE);
        text = ::GetSysColor(link_ ? COLOR_HOTLIGHT : onWindow ? COLOR_WINDOWTEXT : COLOR_BTNTEXT);
    }
    FillSolid(dc, r, back);
    SelectedObject font(dc, CurrentFont());
    UINT flags = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS;
    flags |= alignment_ == alCentre ? DT_CENTER : alignment_ == alRight ? DT_RIGHT : DT_LEFT;
    DrawTextIn(dc, text_, r, text, flags);
    if (link_ && ::GetFocus() == Handle() && !(::SendMessageA(Handle(), WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS)) {
        ::SetTextColor(dc, RGB(0, 0, 0));
        ::SetBkColor(dc, RGB(255, 255, 255));
        ::DrawFocusRect(dc, &r);
    }
    return true;
}

long ColourLabel::AccessibleRole(int) const
{
    return link_ ? ROLE_SYSTEM_LINK : ROLE_SYSTEM_STATICTEXT;
}

long ColourLabel::AccessibleState(int) const
{
    return link_ ? STATE_SYSTEM_LINKED : STATE_SYSTEM_READONLY;
}

bool ColourLabel::AccessibleDoDefault(int)
{
    if (!link_)
        return false;
    ::PostMessageA(Handle(), WM_KEYDOWN, VK_RETURN, 0);
    return true;
}

LRESULT ColourLabel::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SETCURSOR:
        if (link_) {
            ::SetCursor(::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_HAND)));
            return TRUE;
        }
        break;
    case WM_MOUSEMOVE:
        if (link_ && !hot_) {
            hot_ = true;
            TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, Handle(), 0};
            ::TrackMouseEvent(&track);
            ::InvalidateRect(Handle(), nullptr, FALSE);
        }
        return 0;
    case WM_MOUSELEAVE:
        hot_ = false;
        ::InvalidateRect(Handle(), nullptr, FALSE);
        return 0;
    case WM_LBUTTONUP:
        if (link_ && OnClick)
            OnClick();
        return 0;
    case WM_UPDATEUISTATE:
        ::InvalidateRect(Handle(), nullptr, FALSE);
        break;
    case WM_KEYDOWN:
        if (link_ && (wParam == VK_RETURN || wParam == VK_SPACE) && OnClick) {
            OnClick();
            return 0;
        }
        break;
    case WM_GETDLGCODE:
        return link_ ? DLGC_BUTTON : DLGC_STATIC;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        ::InvalidateRect(Handle(), nullptr, FALSE);
        return 0;
    default:
        break;
    }
    return Window::HandleMessage(message, wParam, lParam);
}

} // namespace kelt::ui
