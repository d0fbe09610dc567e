#include "ui/column_splitter.h"

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
    return Create(kColumnSplitterClass, "", WS_CHILD | WS_VISIBLE, 0, left, top, width, height, parent);
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

LRESULT ColumnSplitter::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
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
        return Window::HandleMessage(message, wParam, lParam);
    }
}

bool ColumnSplitter::OnPaint()
{
    BufferedPaint paint(Handle());
    FillSolid(paint.dc(), paint.client(), ::GetSysColor(COLOR_BTNFACE));
    return true;
}

} // namespace kelt::ui
