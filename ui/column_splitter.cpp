#include "ui/column_splitter.h"

#include <oleacc.h>
#include <windowsx.h>

#include <algorithm>

#include "ui/paint.h"

namespace kelt::ui {

namespace {
const char kColumnSplitterClass[] = "KeltColumnSplitter";
}

ColumnSplitter::~ColumnSplitter()
{
    Destroy();
}

bool ColumnSplitter::CreateIn(HWND parent, int left, int top, int width, int height)
{
    RegisterWindowClass(kColumnSplitterClass, CS_HREDRAW | CS_VREDRAW, nullptr, nullptr,
                        ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_SIZEWE)));
    return Create(kColumnSplitterClass, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, left, top, width, height, parent);
}

void ColumnSplitter::SetBounds(int left, int top, int width, int height)
{
    if (Handle())
        ::MoveWindow(Handle(), left, top, width, height, TRUE);
}

void ColumnSplitter::SetLimits(int minimum, int maximum)
{
    minimum_ = minimum;
    maximum_ = std::max(minimum, maximum);
}

int ColumnSplitter::WidthFor(int dx) const
{
    return std::clamp(startWidth_ - dx, minimum_, maximum_);
}

void ColumnSplitter::MoveBy(int dx)
{
    startWidth_ = rightWidth_;
    const int width = WidthFor(dx);
    if (width == rightWidth_)
        return;
    rightWidth_ = width;
    if (OnMoved)
        OnMoved(width);
    NotifyAccessible(EVENT_OBJECT_VALUECHANGE, Handle());
}

long ColumnSplitter::AccessibleRole(int) const
{
    return ROLE_SYSTEM_GRIP;
}

std::string ColumnSplitter::AccessibleDescription(int) const
{
    return "Width in pixels of the column on its right; the Left and Right arrow keys move it";
}

LRESULT ColumnSplitter::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS;
    case WM_KEYDOWN:
        if (wParam == VK_LEFT || wParam == VK_RIGHT) {
            // Ctrl moves it pixel by pixel.
            const int step = (::GetKeyState(VK_CONTROL) & 0x8000) ? 1 : ::MulDiv(10, Dpi(), 96);
            MoveBy(wParam == VK_LEFT ? -step : step);
            return 0;
        }
        break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_UPDATEUISTATE:
        ::InvalidateRect(Handle(), nullptr, FALSE);
        break;
    case WM_LBUTTONDOWN: {
        POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        ::ClientToScreen(Handle(), &p);
        startX_ = p.x;
        startWidth_ = rightWidth_;
        dragging_ = true;
        ::SetCapture(Handle());
        return 0;
    }
    case WM_MOUSEMOVE:
        if (dragging_) {
            POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            ::ClientToScreen(Handle(), &p);
            const int width = WidthFor(p.x - startX_);
            if (width != rightWidth_) {
                rightWidth_ = width;
                if (OnMoved)
                    OnMoved(width);
            }
        }
        return 0;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
        dragging_ = false;
        if (message == WM_LBUTTONUP && ::GetCapture() == Handle())
            ::ReleaseCapture();
        return 0;
    default:
        break;
    }
    return Window::HandleMessage(message, wParam, lParam);
}

bool ColumnSplitter::OnPaint()
{
    BufferedPaint paint(Handle());
    // With the focus the whole bar is the mark: a dotted frame would not fit in it.
    const bool focus = ::GetFocus() == Handle() && !(::SendMessageA(Handle(), WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS);
    FillSolid(paint.dc(), paint.client(), ::GetSysColor(focus ? COLOR_HIGHLIGHT : COLOR_BTNFACE));
    return true;
}

} // namespace kelt::ui
