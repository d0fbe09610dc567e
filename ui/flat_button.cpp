#include "ui/flat_button.h"

#include <windowsx.h>

namespace kelt::ui {

void FlatButtonBase::SetHot(bool hot)
{
    if (hot_ == hot)
        return;
    hot_ = hot;
    if (hot) {
        // WM_MOUSELEAVE tells when the pointer has gone.
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, Handle(), 0};
        ::TrackMouseEvent(&track);
    }
    ::InvalidateRect(Handle(), nullptr, FALSE);
}

void FlatButtonBase::ResetPointerState()
{
    hot_ = false;
    pressed_ = false;
}

bool FlatButtonBase::Inside(LPARAM lParam) const
{
    RECT client{};
    ::GetClientRect(Handle(), &client);
    const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    return ::PtInRect(&client, at) != FALSE;
}

LRESULT FlatButtonBase::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_MOUSEMOVE:
        // While captured the pointer may be outside: the button is hot only over itself.
        SetHot(Inside(lParam));
        return 0;
    case WM_MOUSELEAVE:
        SetHot(false);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        pressed_ = true;
        ::SetCapture(Handle());
        ::InvalidateRect(Handle(), nullptr, FALSE);
        return 0;
    case WM_LBUTTONUP: {
        const bool wasPressed = pressed_;
        pressed_ = false;
        if (::GetCapture() == Handle())
            ::ReleaseCapture();
        ::InvalidateRect(Handle(), nullptr, FALSE);
        if (wasPressed && Inside(lParam))
            OnButtonClick();  // may destroy the button: nothing follows
        return 0;
    }
    case WM_CAPTURECHANGED:
        if (pressed_) {
            pressed_ = false;
            ::InvalidateRect(Handle(), nullptr, FALSE);
        }
        return 0;
    default:
        return Window::HandleMessage(message, wParam, lParam);
    }
}

} // namespace kelt::ui
