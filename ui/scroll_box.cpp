#include "ui/scroll_box.h"

#include <uxtheme.h>
#include <windowsx.h>

#include <algorithm>

namespace kelt::ui {

namespace {
const char kBoxClass[] = "KeltScrollBox";
const char kPaneClass[] = "KeltScrollPane";
}

// The view (clipping the canvas to the visible part) and the canvas (holding the children).
// Both paint the box's background; a click on either gives the box the focus, and wheel
// messages travel on to the box through the default procedure.
class ScrollBox::Pane : public Window {
public:
    explicit Pane(ScrollBox& box) : box_(box) {}
    ~Pane() override { Destroy(); }

    bool CreatePane(HWND parent)
    {
        RegisterWindowClass(kPaneClass, 0, nullptr);
        return Create(kPaneClass, std::string(), WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                      WS_EX_CONTROLPARENT, 0, 0, 0, 0, parent);
    }

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN)
            ::SetFocus(box_.Handle());
        return Window::HandleMessage(message, wParam, lParam);
    }
    bool OnEraseBackground(HDC dc) override
    {
        RECT client;
        ::GetClientRect(Handle(), &client);
        ::FillRect(dc, &client, box_.Brush());
        return true;
    }

private:
    ScrollBox& box_;
};

ScrollBox::ScrollBox() = default;

ScrollBox::~ScrollBox()
{
    // Children first, while the box that paints them still exists.
    canvas_.reset();
    view_.reset();
    Destroy();
}

bool ScrollBox::CreateIn(HWND parent, int left, int top, int width, int height, bool visible)
{
    if (Handle())
        return true;
    RegisterWindowClass(kBoxClass, 0, nullptr);
    const DWORD style = WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | (visible ? WS_VISIBLE : 0);
    if (!Create(kBoxClass, std::string(), style, WS_EX_CONTROLPARENT, left, top, width, height, parent))
        return false;
    view_ = std::make_unique<Pane>(*this);
    view_->CreatePane(Handle());
    canvas_ = std::make_unique<Pane>(*this);
    canvas_->CreatePane(view_->Handle());
    Layout();
    return true;
}

HWND ScrollBox::Area() const
{
    return canvas_ ? canvas_->Handle() : nullptr;
}

void ScrollBox::SetBounds(int left, int top, int width, int height)
{
    if (Handle())
        ::SetWindowPos(Handle(), nullptr, left, top, std::max(width, 0), std::max(height, 0),
                       SWP_NOZORDER | SWP_NOACTIVATE);
}

void ScrollBox::SetVisible(bool visible)
{
    if (Handle())
        ::ShowWindow(Handle(), visible ? SW_SHOWNA : SW_HIDE);
}

bool ScrollBox::IsVisible() const
{
    return Handle() && (::GetWindowLongA(Handle(), GWL_STYLE) & WS_VISIBLE) != 0;
}

int ScrollBox::Width() const
{
    RECT r{};
    if (Handle())
        ::GetWindowRect(Handle(), &r);
    return r.right - r.left;
}

int ScrollBox::Height() const
{
    RECT r{};
    if (Handle())
        ::GetWindowRect(Handle(), &r);
    return r.bottom - r.top;
}

HBRUSH ScrollBox::Brush()
{
    // System colours may change while the program runs: follow the resolved value.
    const COLORREF rgb = ResolveColour(back_);
    if (!brush_ || rgb != brushRgb_) {
        brush_.reset(::CreateSolidBrush(rgb));
        brushRgb_ = rgb;
    }
    return brush_.get();
}

void ScrollBox::SetBackColour(Colour colour)
{
    back_ = colour;
    Brush();
    if (Handle())
        ::RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void ScrollBox::SetBarSize(int pixels)
{
    barSize_ = std::max(pixels, 0);
    Layout();
}

void ScrollBox::SetExtent(int width, int height)
{
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == extentWidth_ && height == extentHeight_)
        return;
    extentWidth_ = width;
    extentHeight_ = height;
    Layout();
}

void ScrollBox::FitExtentToChildren()
{
    HWND area = Area();
    if (!area)
        return;
    int right = 0;
    int bottom = 0;
    for (HWND child = ::GetWindow(area, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (!(::GetWindowLongA(child, GWL_STYLE) & WS_VISIBLE))
            continue;
        RECT r;
        ::GetWindowRect(child, &r);
        ::MapWindowPoints(nullptr, area, reinterpret_cast<POINT*>(&r), 2);
        right = std::max<int>(right, r.right);
        bottom = std::max<int>(bottom, r.bottom);
    }
    SetExtent(right, bottom);
}

HWND ScrollBox::CreateBar(bool vertical)
{
    const HINSTANCE module = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrA(Handle(), GWLP_HINSTANCE));
    HWND bar = ::CreateWindowExA(0, "SCROLLBAR", nullptr, WS_CHILD | (vertical ? SBS_VERT : SBS_HORZ), 0, 0, 0, 0,
                                 Handle(), nullptr, module, nullptr);
    // Unthemed, so the track shows the background colour given through WM_CTLCOLORSCROLLBAR.
    ::SetWindowTheme(bar, L" ", L" ");
    return bar;
}

void ScrollBox::Layout()
{
    // The first WM_SIZE arrives while the window is still being created, before the view
    // and canvas exist.
    if (!Handle() || !view_ || !canvas_)
        return;
    RECT client;
    ::GetClientRect(Handle(), &client);
    const int width = client.right;
    const int height = client.bottom;
    // A bar takes room from the other direction, which may then need its bar too.
    const bool vertAlone = extentHeight_ > height;
    const bool horzAlone = extentWidth_ > width;
    vbarShown_ = vertAlone || (horzAlone && extentHeight_ > height - barSize_);
    hbarShown_ = horzAlone || (vertAlone && extentWidth_ > width - barSize_);
    viewWidth_ = std::max(0, width - (vbarShown_ ? barSize_ : 0));
    viewHeight_ = std::max(0, height - (hbarShown_ ? barSize_ : 0));

    // The bars are made the first time they are needed: most areas never scroll.
    if (vbarShown_ && !vbar_)
        vbar_ = CreateBar(true);
    if (hbarShown_ && !hbar_)
        hbar_ = CreateBar(false);
    if (vbar_) {
        ::SetWindowPos(vbar_, nullptr, viewWidth_, 0, barSize_, viewHeight_, SWP_NOZORDER | SWP_NOACTIVATE);
        ::ShowWindow(vbar_, vbarShown_ ? SW_SHOWNA : SW_HIDE);
    }
    if (hbar_) {
        ::SetWindowPos(hbar_, nullptr, 0, viewHeight_, viewWidth_, barSize_, SWP_NOZORDER | SWP_NOACTIVATE);
        ::ShowWindow(hbar_, hbarShown_ ? SW_SHOWNA : SW_HIDE);
    }
    ::SetWindowPos(view_->Handle(), nullptr, 0, 0, viewWidth_, viewHeight_, SWP_NOZORDER | SWP_NOACTIVATE);
    ApplyPosition();
    // The corner between the bars shows the background.
    if (vbarShown_ && hbarShown_) {
        RECT corner{viewWidth_, viewHeight_, width, height};
        ::InvalidateRect(Handle(), &corner, TRUE);
    }
}

void ScrollBox::ApplyPosition()
{
    if (!Handle() || !view_ || !canvas_)
        return;
    x_ = std::clamp(x_, 0, std::max(0, extentWidth_ - viewWidth_));
    y_ = std::clamp(y_, 0, std::max(0, extentHeight_ - viewHeight_));

    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.nMin = 0;
    info.nMax = std::max(extentHeight_ - 1, 0);
    info.nPage = static_cast<UINT>(viewHeight_);
    info.nPos = y_;
    if (vbar_)
        ::SetScrollInfo(vbar_, SB_CTL, &info, vbarShown_);
    info.nMax = std::max(extentWidth_ - 1, 0);
    info.nPage = static_cast<UINT>(viewWidth_);
    info.nPos = x_;
    if (hbar_)
        ::SetScrollInfo(hbar_, SB_CTL, &info, hbarShown_);

    ::SetWindowPos(canvas_->Handle(), nullptr, -x_, -y_, std::max(extentWidth_, viewWidth_),
                   std::max(extentHeight_, viewHeight_), SWP_NOZORDER | SWP_NOACTIVATE);
}

void ScrollBox::ScrollTo(int x, int y)
{
    const int oldX = x_;
    const int oldY = y_;
    x_ = x;
    y_ = y;
    if (!Handle())
        return;
    ApplyPosition();
    if (x_ != oldX || y_ != oldY)
        ::UpdateWindow(view_->Handle());
}

void ScrollBox::ScrollIntoView(const RECT& rect)
{
    int x = x_;
    int y = y_;
    const int left = rect.left - x_;
    int right = rect.right - x_;
    if (left < 0) {
        x += left;
    } else if (right > viewWidth_) {
        if (right - left > viewWidth_)
            right = left + viewWidth_;
        x += right - viewWidth_;
    }
    const int top = rect.top - y_;
    int bottom = rect.bottom - y_;
    if (top < 0) {
        y += top;
    } else if (bottom > viewHeight_) {
        if (bottom - top > viewHeight_)
            bottom = top + viewHeight_;
        y += bottom - viewHeight_;
    }
    ScrollTo(x, y);
}

void ScrollBox::ScrollIntoView(HWND child)
{
    HWND area = Area();
    if (!area || !child || ::GetParent(child) != area)
        return;
    RECT r;
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(nullptr, area, reinterpret_cast<POINT*>(&r), 2);
    ScrollIntoView(r);
}

void ScrollBox::Wheel(int delta)
{
    wheelRest_ += delta;
    const int notches = wheelRest_ / WHEEL_DELTA;
    wheelRest_ -= notches * WHEEL_DELTA;
    if (notches != 0)
        ScrollTo(x_, y_ - notches * wheelStep_);
}

void ScrollBox::OnScroll(bool vertical, int code)
{
    HWND bar = vertical ? vbar_ : hbar_;
    if (!bar)
        return;
    const int increment = vertical ? vertIncrement_ : horzIncrement_;
    const int page = vertical ? viewHeight_ : viewWidth_;
    const int extent = vertical ? extentHeight_ : extentWidth_;
    int pos = vertical ? y_ : x_;
    switch (code) {
    case SB_LINEUP: pos -= increment; break;
    case SB_LINEDOWN: pos += increment; break;
    case SB_PAGEUP: pos -= page; break;
    case SB_PAGEDOWN: pos += page; break;
    case SB_TOP: pos = 0; break;
    case SB_BOTTOM: pos = extent; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
        SCROLLINFO info{};
        info.cbSize = sizeof info;
        info.fMask = SIF_TRACKPOS;
        ::GetScrollInfo(bar, SB_CTL, &info);
        pos = info.nTrackPos;
        break;
    }
    default: return;
    }
    if (vertical)
        ScrollTo(x_, pos);
    else
        ScrollTo(pos, y_);
}

LRESULT ScrollBox::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_VSCROLL:
    case WM_HSCROLL:
        OnScroll(message == WM_VSCROLL, LOWORD(wParam));
        return 0;
    case WM_MOUSEWHEEL:
        Wheel(GET_WHEEL_DELTA_WPARAM(wParam));
        return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        ::SetFocus(Handle());
        break;
    default:
        break;
    }
    return Window::HandleMessage(message, wParam, lParam);
}

bool ScrollBox::OnEraseBackground(HDC dc)
{
    RECT client;
    ::GetClientRect(Handle(), &client);
    ::FillRect(dc, &client, Brush());
    return true;
}

bool ScrollBox::OnCtlColor(UINT message, HDC dc, HWND control, LRESULT& result)
{
    if (message != WM_CTLCOLORSCROLLBAR || (control != vbar_ && control != hbar_))
        return false;
    ::SetBkColor(dc, ResolveColour(back_));
    result = reinterpret_cast<LRESULT>(Brush());
    return true;
}

void ScrollBox::OnSize(UINT, int, int)
{
    Layout();
}

} // namespace kelt::ui
