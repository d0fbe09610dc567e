#include "plugins/common/check_list_box.h"

#include <commctrl.h>
#include <oleacc.h>
#include <windowsx.h>

#include <algorithm>

#include "ui/dpi.h"
#include "ui/paint.h"
#include "ui/window.h"

namespace kelt::plugin {

namespace {

constexpr UINT_PTR kSubclassId = 0x4B434C;  // "KCL"
// Flips a row's tick (wParam) that assistive technology asked for, from the message loop.
constexpr UINT kToggleMessage = WM_APP + 0x4C;

} // namespace

CheckListBox::~CheckListBox()
{
    if (list_ && ::IsWindow(list_)) {
        ::RemoveWindowSubclass(list_, ListProc, kSubclassId);
        ui::SetReflectionHandler(list_, {});
    }
}

bool CheckListBox::Attach(HWND listBox, int rowHeight, bool iconColumn)
{
    if (!listBox)
        return false;
    list_ = listBox;
    rowHeight96_ = rowHeight;
    rowHeight_ = ui::ScaleIn(list_, rowHeight);
    iconColumn_ = iconColumn;
    // Fixed owner-drawn lists measure their rows before anybody could answer; set it now.
    ::SendMessageA(list_, LB_SETITEMHEIGHT, 0, rowHeight_);
    ::SetWindowSubclass(list_, ListProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
    ui::SetReflectionHandler(list_, [this](UINT message, WPARAM, LPARAM lParam, LRESULT& result) {
        if (message == WM_DRAWITEM) {
            Draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            result = TRUE;
            return true;
        }
        if (message == WM_MEASUREITEM) {
            reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->itemHeight = rowHeight_;
            result = TRUE;
            return true;
        }
        return false;
    });
    return true;
}

int CheckListBox::Add(const std::string& text, bool checked, HICON icon)
{
    Row row;
    row.checked = checked;
    row.icon.reset(icon);
    rows_.push_back(std::move(row));
    const int index = static_cast<int>(::SendMessageA(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
    Mirror(index);
    return index;
}

void CheckListBox::Clear()
{
    ::SendMessageA(list_, LB_RESETCONTENT, 0, 0);
    rows_.clear();
}

bool CheckListBox::Checked(int row) const
{
    return row >= 0 && row < Count() && rows_[row].checked;
}

void CheckListBox::SetChecked(int row, bool checked)
{
    if (row < 0 || row >= Count() || rows_[row].checked == checked)
        return;
    rows_[row].checked = checked;
    Mirror(row);
}

void CheckListBox::SetAllChecked(bool checked)
{
    for (int row = 0; row < Count(); ++row)
        SetChecked(row, checked);
}

std::string CheckListBox::Text(int row) const
{
    const LRESULT length = ::SendMessageA(list_, LB_GETTEXTLEN, row, 0);
    if (length == LB_ERR)
        return {};
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    ::SendMessageA(list_, LB_GETTEXT, row, reinterpret_cast<LPARAM>(&text[0]));
    text.resize(static_cast<std::size_t>(length));
    return text;
}

void CheckListBox::SetText(int row, const std::string& text)
{
    if (row < 0 || row >= Count() || Text(row) == text)
        return;
    // A list box cannot rename a row: put a new one in its place.
    const int selected = Selected();
    ::SendMessageA(list_, WM_SETREDRAW, FALSE, 0);
    ::SendMessageA(list_, LB_DELETESTRING, row, 0);
    ::SendMessageA(list_, LB_INSERTSTRING, row, reinterpret_cast<LPARAM>(text.c_str()));
    Mirror(row);
    if (selected == row)
        Select(row);
    ::SendMessageA(list_, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(list_, nullptr, TRUE);
}

HICON CheckListBox::Icon(int row) const
{
    return row >= 0 && row < Count() ? rows_[row].icon.get() : nullptr;
}

int CheckListBox::RowAt(POINT client) const
{
    const LRESULT hit = ::SendMessageA(list_, LB_ITEMFROMPOINT, 0, MAKELPARAM(client.x, client.y));
    // The high word says the point lies outside every row (below the last one).
    if (HIWORD(hit) != 0)
        return -1;
    const int row = LOWORD(hit);
    return row < Count() ? row : -1;
}

int CheckListBox::Selected() const
{
    const LRESULT row = ::SendMessageA(list_, LB_GETCURSEL, 0, 0);
    return row == LB_ERR ? -1 : static_cast<int>(row);
}

void CheckListBox::Select(int row)
{
    ::SendMessageA(list_, LB_SETCURSEL, row, 0);
}

void CheckListBox::Mirror(int row)
{
    if (row < 0 || row >= Count())
        return;
    ::SendMessageA(list_, LB_SETITEMDATA, row, rows_[row].checked ? 1 : 0);
    RECT rect{};
    if (::SendMessageA(list_, LB_GETITEMRECT, row, reinterpret_cast<LPARAM>(&rect)) != LB_ERR)
        ::InvalidateRect(list_, &rect, FALSE);
    ui::NotifyAccessible(EVENT_OBJECT_STATECHANGE, list_, row + 1);
}

std::string CheckListBox::AccessibleName(int element) const
{
    if (element > 0)
        return Text(element - 1);
    return title_.empty() ? ui::AccessibleNameOf(list_) : title_;
}

long CheckListBox::AccessibleRole(int element) const
{
    return element ? ROLE_SYSTEM_LISTITEM : ROLE_SYSTEM_LIST;
}

long CheckListBox::AccessibleState(int element) const
{
    if (element == 0)
        return 0;
    long state = STATE_SYSTEM_SELECTABLE | STATE_SYSTEM_FOCUSABLE;
    if (Checked(element - 1))
        state |= STATE_SYSTEM_CHECKED;
    if (Selected() == element - 1)
        state |= STATE_SYSTEM_SELECTED;
    return state;
}

std::string CheckListBox::AccessibleDefaultAction(int element) const
{
    if (element == 0)
        return std::string();
    return Checked(element - 1) ? "Uncheck" : "Check";
}

bool CheckListBox::AccessibleDoDefault(int element)
{
    if (element <= 0 || element > Count())
        return false;
    ::PostMessageA(list_, kToggleMessage, static_cast<WPARAM>(element - 1), 0);
    return true;
}

bool CheckListBox::AccessibleRect(int element, RECT& client) const
{
    return element > 0 &&
           ::SendMessageA(list_, LB_GETITEMRECT, element - 1, reinterpret_cast<LPARAM>(&client)) != LB_ERR;
}

void CheckListBox::Toggle(int row)
{
    if (row < 0 || row >= Count())
        return;
    SetChecked(row, !rows_[row].checked);
    if (OnToggle)
        OnToggle(row);
}

RECT CheckListBox::BoxRect(const RECT& row) const
{
    const int side = std::min<int>(ui::ScaleIn(list_, 13), row.bottom - row.top - 2);
    RECT box;
    box.left = row.left + ui::ScaleIn(list_, 2);
    box.top = row.top + (row.bottom - row.top - side) / 2;
    box.right = box.left + side;
    box.bottom = box.top + side;
    return box;
}

void CheckListBox::Draw(const DRAWITEMSTRUCT& item)
{
    if (item.itemID == static_cast<UINT>(-1) || static_cast<int>(item.itemID) >= Count())
        return;
    HDC dc = item.hDC;
    const Row& row = rows_[item.itemID];
    RECT rect = item.rcItem;
    ::FillRect(dc, &rect, ::GetSysColorBrush(COLOR_WINDOW));

    RECT box = BoxRect(rect);
    ::DrawFrameControl(dc, &box, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_FLAT | (row.checked ? DFCS_CHECKED : 0));

    int x = box.right + ui::ScaleIn(list_, 4);
    if (row.icon || iconColumn_) {
        const int side = std::min<int>(ui::ScaleIn(list_, 16), rect.bottom - rect.top - 2);
        if (row.icon)
            ::DrawIconEx(dc, x, rect.top + (rect.bottom - rect.top - side) / 2, row.icon.get(), side, side, 0,
                         nullptr, DI_NORMAL);
        x += side + ui::ScaleIn(list_, 4);
    }

    const std::string text = Text(static_cast<int>(item.itemID));
    SIZE extent{};
    ::GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    RECT textRect{x, rect.top + 1, std::min<LONG>(rect.right - 1, x + extent.cx + ui::ScaleIn(list_, 4)), rect.bottom - 1};
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    if (selected)
        ::FillRect(dc, &textRect, ::GetSysColorBrush(COLOR_HIGHLIGHT));
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ::GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    RECT inner = textRect;
    inner.left += ui::ScaleIn(list_, 2);
    ::DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &inner,
                DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);

    // The row with the focus is outlined in blue, the others in white (in high contrast: the
    // theme's text colour, and the window's).
    const bool focus = (item.itemState & ODS_FOCUS) != 0;
    const COLORREF frame = ui::HighContrast() ? ::GetSysColor(focus ? COLOR_WINDOWTEXT : COLOR_WINDOW)
                                              : (focus ? RGB(0, 0, 255) : RGB(255, 255, 255));
    ui::UniqueBrush outline(::CreateSolidBrush(frame));
    ::FrameRect(dc, &rect, outline.get());
}

LRESULT CALLBACK CheckListBox::ListProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data)
{
    auto* self = reinterpret_cast<CheckListBox*>(data);
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        const int row = self->RowAt(point);
        if (row >= 0) {
            RECT rect{};
            ::SendMessageA(hwnd, LB_GETITEMRECT, row, reinterpret_cast<LPARAM>(&rect));
            RECT box = self->BoxRect(rect);
            ::InflateRect(&box, 2, 2);
            const LRESULT result = ::DefSubclassProc(hwnd, message, wParam, lParam);
            if (::PtInRect(&box, point))
                self->Toggle(row);
            return result;
        }
        break;
    }
    case WM_KEYDOWN:
        if (wParam == VK_SPACE) {
            self->Toggle(self->Selected());
            return 0;
        }
        break;
    case WM_CHAR:
        if (wParam == ' ')
            return 0;
        break;
    case WM_GETOBJECT:
        if (const LRESULT answer = ui::AnswerGetObject(hwnd, wParam, lParam, *self))
            return answer;
        break;
    case WM_NCDESTROY:
        ui::ForgetAccessible(hwnd);
        ::RemoveWindowSubclass(hwnd, ListProc, kSubclassId);
        self->list_ = nullptr;
        break;
    default:
        if (message == kToggleMessage) {
            self->Select(static_cast<int>(wParam));
            self->Toggle(static_cast<int>(wParam));
            return 0;
        }
        if (message == ui::DpiChangedNotice()) {
            // Rows, boxes and icons at the window's new scale.
            self->rowHeight_ = ui::ScaleFor(self->rowHeight96_, static_cast<int>(wParam));
            ::SendMessageA(hwnd, LB_SETITEMHEIGHT, 0, self->rowHeight_);
            ::InvalidateRect(hwnd, nullptr, TRUE);
        }
        break;
    }
    return ::DefSubclassProc(hwnd, message, wParam, lParam);
}

} // namespace kelt::plugin
