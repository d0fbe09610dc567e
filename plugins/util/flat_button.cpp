#include "plugins/util/flat_button.h"

#include <commctrl.h>

#include <string>

#include "ui/window.h"

namespace kelt::plugin {

namespace {

constexpr UINT_PTR kSubclassId = 0x4B4642;  // "KFB"

} // namespace

FlatButton::~FlatButton()
{
    if (button_ && ::IsWindow(button_)) {
        ::RemoveWindowSubclass(button_, ButtonProc, kSubclassId);
        ui::SetReflectionHandler(button_, {});
    }
}

bool FlatButton::Attach(HWND button, COLORREF textColour)
{
    if (!button)
        return false;
    button_ = button;
    colour_ = textColour;
    ::SetWindowSubclass(button_, ButtonProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
    ui::SetReflectionHandler(button_, [this](UINT message, WPARAM, LPARAM lParam, LRESULT& result) {
        if (message != WM_DRAWITEM)
            return false;
        Draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        result = TRUE;
        return true;
    });
    return true;
}

void FlatButton::Draw(const DRAWITEMSTRUCT& item)
{
    HDC dc = item.hDC;
    RECT rect = item.rcItem;
    ::FillRect(dc, &rect, ::GetSysColorBrush(COLOR_BTNFACE));
    const bool pressed = (item.itemState & ODS_SELECTED) != 0;
    const bool disabled = (item.itemState & ODS_DISABLED) != 0;
    if (pressed)
        ::DrawEdge(dc, &rect, BDR_SUNKENOUTER, BF_RECT);
    else if (hot_ && !disabled)
        ::DrawEdge(dc, &rect, BDR_RAISEDINNER, BF_RECT);

    const std::string text = ui::WindowText(button_);
    RECT textRect = rect;
    if (pressed)
        ::OffsetRect(&textRect, 1, 1);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, disabled ? ::GetSysColor(COLOR_GRAYTEXT) : colour_);
    ::DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &textRect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    if ((item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT)) {
        RECT focus = rect;
        ::InflateRect(&focus, -3, -3);
        ::DrawFocusRect(dc, &focus);
    }
}

LRESULT CALLBACK FlatButton::ButtonProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                        DWORD_PTR data)
{
    auto* self = reinterpret_cast<FlatButton*>(data);
    switch (message) {
    case WM_MOUSEMOVE:
        if (!self->hot_) {
            self->hot_ = true;
            TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, hwnd, 0};
            ::TrackMouseEvent(&track);
            ::InvalidateRect(hwnd, nullptr, FALSE);
        }
        break;
    case WM_MOUSELEAVE:
        self->hot_ = false;
        ::InvalidateRect(hwnd, nullptr, FALSE);
        break;
    case WM_NCDESTROY:
        ::RemoveWindowSubclass(hwnd, ButtonProc, kSubclassId);
        self->button_ = nullptr;
        break;
    default:
        break;
    }
    return ::DefSubclassProc(hwnd, message, wParam, lParam);
}

} // namespace kelt::plugin
