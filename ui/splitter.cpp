#include "ui/splitter.h"

#include <oleacc.h>
#include <windowsx.h>

#include <algorithm>

namespace kelt::ui {

namespace {
const char kSplitterClass[] = "KeltSplitter";

RECT RectInParent(HWND hwnd)
{
    RECT r{};
    ::GetWindowRect(hwnd, &r);
    ::MapWindowPoints(nullptr, ::GetParent(hwnd), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

int HeightOf(HWND hwnd)
{
    if (!hwnd)
        return 0;
    RECT r{};
    ::GetWindowRect(hwnd, &r);
    return r.bottom - r.top;
}
} // namespace

Splitter::Splitter() = default;

Splitter::~Splitter()
{
    Destroy();
}

bool Splitter::CreateIn(HWND parent, int left, int top, int width, bool visible)
{
    if (Handle())
        return true;
    RegisterWindowClass(kSplitterClass, 0, nullptr, nullptr,
                        ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_SIZENS)));
    return Create(kSplitterClass, std::string(), WS_CHILD | WS_CLIPSIBLINGS | WS_TABSTOP | (visible ? WS_VISIBLE : 0), 0,
                  left, top, width, thickness_, parent);
}

void Splitter::Attach(HWND above, HWND below)
{
    above_ = above;
    below_ = below;
}

void Splitter::SetBounds(int left, int top, int width, int height)
{
    if (Handle())
        ::SetWindowPos(Handle(), nullptr, left, top, std::max(width, 0), std::max(height, 0),
                       SWP_NOZORDER | SWP_NOACTIVATE);
}

void Splitter::SetVisible(bool visible)
{
    if (Handle())
        ::ShowWindow(Handle(), visible ? SW_SHOWNA : SW_HIDE);
}

bool Splitter::IsVisible() const
{
    return Handle() && (::GetWindowLongA(Handle(), GWL_STYLE) & WS_VISIBLE) != 0;
}

void Splitter::SetBackColour(Colour colour)
{
    back_ = colour;
    brush_.reset(CreateColourBrush(colour));
    if (Handle())
        ::InvalidateRect(Handle(), nullptr, TRUE);
}

int Splitter::BelowHeightFor(int above, int below, int dy) const
{
    const int total = std::max(above, 0) + std::max(below, 0);
    const int lowest = std::min(minSize_, std::max(below, 0));
    const int highest = std::max(lowest, total - std::min(minSize_, std::max(above, 0)));
    return std::clamp(below - dy, lowest, highest);
}

int Splitter::ParentY(LPARAM lParam) const
{
    POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ::MapWindowPoints(Handle(), ::GetParent(Handle()), &p, 1);
    return p.y;
}

void Splitter::BeginDrag(int parentY)
{
    dragging_ = true;
    startY_ = parentY;
    startAbove_ = HeightOf(above_);
    startBelow_ = HeightOf(below_);
}

void Splitter::DragTo(int parentY)
{
    if (!dragging_)
        return;
    const int below = BelowHeightFor(startAbove_, startBelow_, parentY - startY_);
    if (OnMoved)
        OnMoved(below);
    else
        MoveAttached(below);
}

void Splitter::EndDrag()
{
    dragging_ = false;
}

void Splitter::MoveAttached(int belowHeight)
{
    if (!above_ || !below_ || !Handle())
        return;
    const RECT a = RectInParent(above_);
    const RECT b = RectInParent(below_);
    const int belowTop = b.bottom - belowHeight;
    const int barTop = belowTop - thickness_;
    ::SetWindowPos(below_, nullptr, b.left, belowTop, b.right - b.left, belowHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    const RECT self = RectInParent(Handle());
    ::SetWindowPos(Handle(), nullptr, self.left, barTop, self.right - self.left, thickness_,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    ::SetWindowPos(above_, nullptr, a.left, a.top, a.right - a.left, std::max<int>(0, barTop - a.top),
                   SWP_NOZORDER | SWP_NOACTIVATE);
}

long Splitter::AccessibleRole(int) const
{
    return ROLE_SYSTEM_GRIP;
}

std::string Splitter::AccessibleValue(int) const
{
    return std::to_string(HeightOf(below_));
}

std::string Splitter::AccessibleDescription(int) const
{
    return "Height in pixels of the part below it; the Up and Down arrow keys move it";
}

bool Splitter::ShowsFocus() const
{
    return ::GetFocus() == Handle() && !(::SendMessageA(Handle(), WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS);
}

LRESULT Splitter::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS;
    case WM_KEYDOWN:
        if ((wParam == VK_UP || wParam == VK_DOWN) && !dragging_) {
            const int step = (::GetKeyState(VK_CONTROL) & 0x8000) ? 1 : ::MulDiv(10, Dpi(), 96);
            const int y = RectInParent(Handle()).top;
            BeginDrag(y);
            DragTo(wParam == VK_UP ? y - step : y + step);
            EndDrag();
            NotifyAccessible(EVENT_OBJECT_VALUECHANGE, Handle());
            return 0;
        }
        break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_UPDATEUISTATE:
        ::InvalidateRect(Handle(), nullptr, TRUE);
        break;
    case WM_SYSCOLORCHANGE:
        brush_.reset();
        ::InvalidateRect(Handle(), nullptr, TRUE);
        break;
    case WM_LBUTTONDOWN:
        ::SetCapture(Handle());
        BeginDrag(ParentY(lParam));
        return 0;
    case WM_MOUSEMOVE:
        if (dragging_)
            DragTo(ParentY(lParam));
        return 0;
    case WM_LBUTTONUP:
        if (dragging_) {
            DragTo(ParentY(lParam));
            EndDrag();
            ::ReleaseCapture();
        }
        return 0;
    case WM_CAPTURECHANGED:
        EndDrag();
        return 0;
    default:
        break;
    }
    return Window::HandleMessage(message, wParam, lParam);
}

bool Splitter::OnEraseBackground(HDC dc)
{
    if (!brush_)
        brush_.reset(CreateColourBrush(back_));
    RECT client;
    ::GetClientRect(Handle(), &client);
    // With the focus the whole bar is the mark.
    ::FillRect(dc, &client, ShowsFocus() ? ::GetSysColorBrush(COLOR_HIGHLIGHT) : brush_.get());
    return true;
}

} // namespace kelt::ui
