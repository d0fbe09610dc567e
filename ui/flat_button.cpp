#include "ui/flat_button.h"

#include <oleacc.h>
#include <windowsx.h>

#include <string>

#include "ui/paint.h"

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

long FlatButtonBase::AccessibleRole(int) const
{
    return ROLE_SYSTEM_PUSHBUTTON;
}

long FlatButtonBase::AccessibleState(int) const
{
    long state = 0;
    if (pressed_ && hot_)
        state |= STATE_SYSTEM_PRESSED;
    if (hot_)
        state |= STATE_SYSTEM_HOTTRACKED;
    return state;
}

bool FlatButtonBase::AccessibleDoDefault(int)
{
    if (!::IsWindowEnabled(Handle()))
        return false;
    ::PostMessageA(Handle(), BM_CLICK, 0, 0);
    return true;
}

bool FlatButtonBase::ShowsFocus() const
{
    return ::GetFocus() == Handle() && !(::SendMessageA(Handle(), WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS);
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

// ---------------------------------------------------------------- FlatTextButton

namespace {
const char kFlatTextButtonClass[] = "KeltFlatTextButton";
}

FlatTextButton::~FlatTextButton()
{
    Destroy();
}

bool FlatTextButton::Attach(HWND placeholder, COLORREF textColour)
{
    HWND parent = placeholder ? ::GetParent(placeholder) : nullptr;
    if (!parent || Handle())
        return false;
    colour_ = textColour;
    id_ = ::GetDlgCtrlID(placeholder);
    font_ = reinterpret_cast<HFONT>(::SendMessageA(placeholder, WM_GETFONT, 0, 0));
    RECT place{};
    ::GetWindowRect(placeholder, &place);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&place), 2);
    const LONG_PTR style = ::GetWindowLongPtrA(placeholder, GWL_STYLE);
    const DWORD keep = static_cast<DWORD>(style) & (WS_VISIBLE | WS_DISABLED | WS_TABSTOP | WS_GROUP);
    RegisterWindowClass(kFlatTextButtonClass, CS_HREDRAW | CS_VREDRAW, nullptr);
    if (!Create(kFlatTextButtonClass, WindowText(placeholder), WS_CHILD | keep, 0, place.left, place.top,
                place.right - place.left, place.bottom - place.top, parent,
                reinterpret_cast<HMENU>(static_cast<INT_PTR>(id_))))
        return false;
    // The template's place in the tab order, then the template goes.
    ::SetWindowPos(Handle(), placeholder, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ::DestroyWindow(placeholder);
    return true;
}

void FlatTextButton::Click()
{
    if (!Handle() || !::IsWindowEnabled(Handle()))
        return;
    // The parent may destroy this button in its handler: nothing follows.
    ::SendMessageA(::GetParent(Handle()), WM_COMMAND, MAKEWPARAM(id_, BN_CLICKED), reinterpret_cast<LPARAM>(Handle()));
}

bool FlatTextButton::OnPaint()
{
    BufferedPaint paint(Handle());
    HDC dc = paint.dc();
    RECT rect = paint.client();
    FillSolid(dc, rect, ::GetSysColor(COLOR_BTNFACE));
    const bool enabled = ::IsWindowEnabled(Handle()) != FALSE;
    const bool down = Pressed() && Hot();
    if (down)
        ::DrawEdge(dc, &rect, BDR_SUNKENOUTER, BF_RECT);
    else if (Hot() && enabled)
        ::DrawEdge(dc, &rect, BDR_RAISEDINNER, BF_RECT);
    RECT textRect = rect;
    if (down)
        ::OffsetRect(&textRect, 1, 1);
    SelectedObject selected(dc, font_ ? font_ : static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT)));
    // The caption's own colour gives way to the theme's in high contrast.
    const COLORREF colour = HighContrast() ? ::GetSysColor(COLOR_BTNTEXT) : colour_;
    DrawTextIn(dc, WindowText(Handle()), textRect, enabled ? colour : ::GetSysColor(COLOR_GRAYTEXT),
               DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    if (ShowsFocus()) {
        RECT focus = rect;
        ::InflateRect(&focus, -3, -3);
        ::DrawFocusRect(dc, &focus);
    }
    return true;
}

std::string FlatTextButton::ButtonName() const
{
    return WithoutMnemonic(WindowText(Handle()));
}

LRESULT FlatTextButton::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_GETDLGCODE:
        return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
    case WM_KEYUP:
        if (wParam == VK_SPACE) {
            Click();
            return 0;
        }
        break;
    case WM_KEYDOWN:
        if (wParam == VK_RETURN) {
            Click();
            return 0;
        }
        break;
    case BM_CLICK:
        Click();
        return 0;
    case WM_LBUTTONDOWN:
        // As a push button does: the click also takes the focus.
        ::SetFocus(Handle());
        break;
    case WM_SETTEXT: {
        const LRESULT result = FlatButtonBase::HandleMessage(message, wParam, lParam);
        ::InvalidateRect(Handle(), nullptr, FALSE);
        return result;
    }
    case WM_ENABLE:
        if (!wParam)
            ResetPointerState();
        ::InvalidateRect(Handle(), nullptr, FALSE);
        return 0;
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
