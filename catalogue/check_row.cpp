#include "catalogue/check_row.h"

#include <commctrl.h>
#include <uxtheme.h>
#include <vssym32.h>

#include "ui/colour.h"
#include "ui/dpi.h"
#include "ui/hint.h"
#include "ui/instance.h"

namespace kelt {

namespace {

const int kBoxId = 1;

// Theme state of the check box part.
int CheckBoxState(bool checked, bool disabled, bool pushed, bool hot)
{
    if (checked) {
        if (disabled)
            return CBS_CHECKEDDISABLED;
        if (pushed)
            return CBS_CHECKEDPRESSED;
        return hot ? CBS_CHECKEDHOT : CBS_CHECKEDNORMAL;
    }
    if (disabled)
        return CBS_UNCHECKEDDISABLED;
    if (pushed)
        return CBS_UNCHECKEDPRESSED;
    return hot ? CBS_UNCHECKEDHOT : CBS_UNCHECKEDNORMAL;
}

} // namespace

JTCheckRow::JTCheckRow() = default;

JTCheckRow::~JTCheckRow()
{
    // Destroy while this object is still a check row, so the box's last messages reach it.
    if (box_)
        ui::RemoveHint(box_);
    Destroy();
}

void JTCheckRow::SetChecked(bool checked)
{
    checked_ = checked;
    if (box_)
        ::SendMessageA(box_, BM_SETCHECK, checked_ ? BST_CHECKED : BST_UNCHECKED, 0);
}

void JTCheckRow::CreateChildren()
{
    box_ = ::CreateWindowExA(0, WC_BUTTONA, Caption().c_str(),
                             WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 0, 0, Width(), Height(), Handle(),
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(kBoxId)), ui::Instance(), nullptr);
    if (!box_)
        return;
    WatchMouse(box_);
}

void JTCheckRow::UpdateView()
{
    if (!box_)
        return;
    ::SetWindowPos(box_, nullptr, 0, 0, Width(), Height(), SWP_NOZORDER | SWP_NOACTIVATE);
    if (ui::WindowText(box_) != Caption())
        ::SetWindowTextA(box_, Caption().c_str());
    const bool boxChecked = ::SendMessageA(box_, BM_GETCHECK, 0, 0) == BST_CHECKED;
    if (boxChecked != checked_)
        ::SendMessageA(box_, BM_SETCHECK, checked_ ? BST_CHECKED : BST_UNCHECKED, 0);
    ::EnableWindow(box_, IsEnabled());
    HFONT font = RowFont();
    if (reinterpret_cast<HFONT>(::SendMessageA(box_, WM_GETFONT, 0, 0)) != font)
        ::SendMessageA(box_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (ui::GetHint(box_) != Hint())
        ui::SetHint(box_, Hint());
}

void JTCheckRow::OnChildMouse(HWND child, UINT message, WPARAM wParam, LPARAM lParam)
{
    int button = 0;
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: button = VK_LBUTTON; break;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK: button = VK_RBUTTON; break;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK: button = VK_MBUTTON; break;
    case WM_XBUTTONDOWN:
    case WM_XBUTTONDBLCLK: button = GET_XBUTTON_WPARAM(wParam) == XBUTTON2 ? VK_XBUTTON2 : VK_XBUTTON1; break;
    default: break;
    }
    if (button && OnMouseDown)
        OnMouseDown(*this, button);
    JTRowControl::OnChildMouse(child, message, wParam, lParam);
}

bool JTCheckRow::OnCommand(int id, int code, HWND control)
{
    if (control != box_ || !box_ || code != BN_CLICKED)
        return false;
    // Mouse clicks and the space bar both end here.
    checked_ = ::SendMessageA(box_, BM_GETCHECK, 0, 0) == BST_CHECKED;
    if (OnClick)
        OnClick(*this);
    if (OnToggle)
        OnToggle(*this);
    return true;
}

bool JTCheckRow::OnNotify(NMHDR& header, LRESULT& result)
{
    if (header.hwndFrom != box_ || !box_ || header.code != NM_CUSTOMDRAW)
        return false;
    result = CustomDraw(reinterpret_cast<NMCUSTOMDRAW&>(header));
    return true;
}

// Themed check boxes ignore the text colour of WM_CTLCOLORSTATIC, so the row paints the box
// and its caption itself in the row's colours.
LRESULT JTCheckRow::CustomDraw(NMCUSTOMDRAW& draw)
{
    if (draw.dwDrawStage != CDDS_PREPAINT)
        return CDRF_DODEFAULT;
    HDC dc = draw.hdc;
    RECT client = draw.rc;
    PaintBackground(box_, dc, client);

    const LRESULT state = ::SendMessageA(box_, BM_GETSTATE, 0, 0);
    const bool checked = (state & BST_CHECKED) != 0;
    const bool pushed = (state & BST_PUSHED) != 0;
    const bool hot = (state & BST_HOT) != 0;
    const bool focused = (state & BST_FOCUS) != 0;
    const bool disabled = !::IsWindowEnabled(box_);

    int boxSize = ScaleRow(13);
    HTHEME theme = ::IsAppThemed() ? ::OpenThemeData(box_, L"BUTTON") : nullptr;
    const int partState = CheckBoxState(checked, disabled, pushed, hot);
    if (theme) {
        SIZE size{};
        if (SUCCEEDED(::GetThemePartSize(theme, dc, BP_CHECKBOX, partState, nullptr, TS_DRAW, &size)) && size.cx > 0)
            boxSize = size.cx;
    }
    RECT box;
    box.left = client.left;
    box.top = client.top + (client.bottom - client.top - boxSize) / 2;
    box.right = box.left + boxSize;
    box.bottom = box.top + boxSize;
    if (theme) {
        ::DrawThemeBackground(theme, dc, BP_CHECKBOX, partState, &box, nullptr);
        ::CloseThemeData(theme);
    } else {
        UINT flags = DFCS_BUTTONCHECK | DFCS_FLAT;
        if (checked)
            flags |= DFCS_CHECKED;
        if (disabled)
            flags |= DFCS_INACTIVE;
        if (pushed)
            flags |= DFCS_PUSHED;
        ::DrawFrameControl(dc, &box, DFC_BUTTON, flags & ~DFCS_FLAT);
    }

    RECT text = client;
    text.left = box.right + ScaleRow(5);
    HFONT font = reinterpret_cast<HFONT>(::SendMessageA(box_, WM_GETFONT, 0, 0));
    ui::SelectedObject selected(dc, font);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, disabled ? ::GetSysColor(COLOR_GRAYTEXT) : ui::ResolveColour(TextColour()));
    const UINT format = DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS;
    ::DrawTextA(dc, Caption().c_str(), -1, &text, format);

    const bool hideFocus = (::SendMessageA(box_, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS) != 0;
    if (focused && !hideFocus && !Caption().empty()) {
        RECT extent = text;
        ::DrawTextA(dc, Caption().c_str(), -1, &extent, format | DT_CALCRECT);
        const int height = extent.bottom - extent.top;
        extent.top = text.top + (text.bottom - text.top - height) / 2;
        extent.bottom = extent.top + height;
        // A little air between the caption and the dotted frame.
        ::InflateRect(&extent, 2, 1);
        if (extent.right > client.right)
            extent.right = client.right;
        if (extent.top < client.top)
            extent.top = client.top;
        if (extent.bottom > client.bottom)
            extent.bottom = client.bottom;
        ::SetTextColor(dc, RGB(0, 0, 0));
        ::DrawFocusRect(dc, &extent);
    }
    return CDRF_SKIPDEFAULT;
}

void JTCheckRow::OnDetached()
{
    if (box_)
        ui::RemoveHint(box_);
    box_ = nullptr;
    JTRowControl::OnDetached();
}

} // namespace kelt
