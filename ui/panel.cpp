#include "ui/panel.h"

#include <oleacc.h>

#include "ui/dpi.h"
#include "ui/paint.h"

namespace kelt::ui {

namespace {
const char kPanelClass[] = "KeltPanel";
}

Panel::~Panel()
{
    Destroy();
}

bool Panel::CreateIn(HWND parent, int left, int top, int width, int height, int id, bool visible)
{
    RegisterWindowClass(kPanelClass, 0, nullptr);
    // The tab key reaches the controls inside.
    return Create(kPanelClass, "", WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | (visible ? WS_VISIBLE : 0),
                  WS_EX_CONTROLPARENT, left, top, width, height, parent,
                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)));
}

void Panel::SetBounds(int left, int top, int width, int height)
{
    if (Handle())
        ::SetWindowPos(Handle(), nullptr, left, top, width > 0 ? width : 0, height > 0 ? height : 0,
                       SWP_NOZORDER | SWP_NOACTIVATE);
}

void Panel::SetBackColour(Colour colour)
{
    back_ = colour;
    brush_.reset();
    if (Handle())
        ::InvalidateRect(Handle(), nullptr, TRUE);
}

bool Panel::OnEraseBackground(HDC dc)
{
    // Themed controls ask their parent to draw what lies beneath them (WM_ERASEBKGND and
    // WM_PRINTCLIENT into their own DC); the panel's own painting covers its whole area anyway.
    RECT client{};
    ::GetClientRect(Handle(), &client);
    FillSolid(dc, client, ResolveColour(Back()));
    return true;
}

Colour Panel::Back() const
{
    return HighContrast() && !IsSystemColour(back_) ? SystemColour(COLOR_BTNFACE) : back_;
}

LRESULT Panel::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PRINTCLIENT) {
        RECT client{};
        ::GetClientRect(Handle(), &client);
        PaintContent(reinterpret_cast<HDC>(wParam), client);
        return 0;
    }
    if (message == WM_SYSCOLORCHANGE || message == WM_SETTINGCHANGE) {
        brush_.reset();
        ::InvalidateRect(Handle(), nullptr, TRUE);
    }
    return Window::HandleMessage(message, wParam, lParam);
}

bool Panel::OnPaint()
{
    BufferedPaint paint(Handle());
    PaintContent(paint.dc(), paint.client());
    return true;
}

void Panel::PaintContent(HDC dc, const RECT& client)
{
    FillSolid(dc, client, ResolveColour(Back()));
}

void Panel::OnSize(UINT, int width, int height)
{
    if (OnResize)
        OnResize(width, height);
}

bool Panel::OnCommand(int id, int code, HWND control)
{
    return OnChildCommand && OnChildCommand(id, code, control);
}

bool Panel::OnCtlColor(UINT message, HDC dc, HWND control, LRESULT& result)
{
    if (OnChildColour && OnChildColour(message, dc, control, result))
        return true;
    // Static texts and check boxes on a panel take its colour.
    if (message != WM_CTLCOLORSTATIC && message != WM_CTLCOLORBTN)
        return false;
    if (!brush_)
        brush_.reset(CreateColourBrush(Back()));
    ::SetBkColor(dc, ResolveColour(Back()));
    result = reinterpret_cast<LRESULT>(brush_.get());
    return true;
}

void GroupPanel::SetCaption(const std::string& caption)
{
    caption_ = caption;
    if (Handle()) {
        ::SetWindowTextA(Handle(), caption.c_str());
        RECT top{};
        ::GetClientRect(Handle(), &top);
        top.bottom = Scale(20);
        ::InvalidateRect(Handle(), &top, FALSE);
        NotifyAccessible(EVENT_OBJECT_NAMECHANGE, Handle());
    }
}

RECT GroupPanel::InnerRect() const
{
    RECT r{};
    ::GetClientRect(Handle(), &r);
    WindowDC dc(Handle());
    SelectedObject font(dc.get(), DefaultFontFor(Dpi()));
    TEXTMETRICA metrics{};
    ::GetTextMetricsA(dc.get(), &metrics);
    r.left += Scale(6);
    r.right -= Scale(6);
    r.top += metrics.tmHeight + Scale(4);
    r.bottom -= Scale(6);
    if (r.right < r.left)
        r.right = r.left;
    if (r.bottom < r.top)
        r.bottom = r.top;
    return r;
}

long GroupPanel::AccessibleRole(int) const
{
    return ROLE_SYSTEM_GROUPING;
}

void GroupPanel::PaintContent(HDC dc, const RECT& client)
{
    FillSolid(dc, client, ResolveColour(Back()));
    SelectedObject font(dc, DefaultFontFor(Dpi()));
    TEXTMETRICA metrics{};
    ::GetTextMetricsA(dc, &metrics);
    RECT frame = client;
    frame.left += Scale(2);
    frame.right -= Scale(2);
    frame.top += metrics.tmHeight / 2;
    frame.bottom -= Scale(2);
    ::DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
    if (!caption_.empty()) {
        SIZE size{};
        ::GetTextExtentPoint32A(dc, caption_.c_str(), static_cast<int>(caption_.size()), &size);
        RECT text{frame.left + Scale(8), client.top, frame.left + Scale(8) + size.cx + Scale(8), client.top + metrics.tmHeight};
        if (text.right > frame.right - Scale(4))
            text.right = frame.right - Scale(4);
        FillSolid(dc, text, ResolveColour(Back()));
        RECT inner = text;
        inner.left += Scale(4);
        DrawTextIn(dc, caption_, inner, ::GetSysColor(COLOR_BTNTEXT), DT_LEFT | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    }
}

} // namespace kelt::ui
