#include "plugins/common/tab_pages.h"

#include <commctrl.h>

namespace kelt::plugin {

void TabPages::Attach(HWND dialog, HWND tabs)
{
    dialog_ = dialog;
    tabs_ = tabs;
    pages_.clear();
    current_ = -1;
    // Below the page controls, so that they are drawn over it and get the clicks.
    ::SetWindowPos(tabs_, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

int TabPages::AddPage(const std::string& caption, std::vector<int> controlIds)
{
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    std::string text = caption;
    item.pszText = &text[0];
    const int index = Count();
    ::SendMessageA(tabs_, TCM_INSERTITEMA, index, reinterpret_cast<LPARAM>(&item));
    pages_.push_back(std::move(controlIds));
    for (int id : pages_.back())
        ::ShowWindow(::GetDlgItem(dialog_, id), SW_HIDE);
    return index;
}

void TabPages::Select(int page)
{
    if (page < 0 || page >= Count())
        return;
    current_ = page;
    if (::SendMessageA(tabs_, TCM_GETCURSEL, 0, 0) != page)
        ::SendMessageA(tabs_, TCM_SETCURSEL, page, 0);
    for (int other = 0; other < Count(); ++other) {
        if (other == page)
            continue;
        for (int id : pages_[other])
            ::ShowWindow(::GetDlgItem(dialog_, id), SW_HIDE);
    }
    for (int id : pages_[page])
        ::ShowWindow(::GetDlgItem(dialog_, id), SW_SHOW);
}

bool TabPages::OnPage(HWND control) const
{
    const int id = ::GetDlgCtrlID(control);
    for (const std::vector<int>& page : pages_)
        for (int member : page)
            if (member == id)
                return true;
    return false;
}

void TabPages::MakeBackground()
{
    RECT client{};
    ::GetClientRect(tabs_, &client);
    if (client.right <= 0 || client.bottom <= 0)
        return;
    HDC screen = ::GetDC(tabs_);
    HDC memory = ::CreateCompatibleDC(screen);
    HBITMAP picture = ::CreateCompatibleBitmap(screen, client.right, client.bottom);
    HGDIOBJ old = ::SelectObject(memory, picture);
    ::FillRect(memory, &client, ::GetSysColorBrush(COLOR_BTNFACE));
    ::SendMessageA(tabs_, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory), PRF_CLIENT | PRF_ERASEBKGND);
    ::SelectObject(memory, old);
    background_.reset(::CreatePatternBrush(picture));
    ::DeleteObject(picture);
    ::DeleteDC(memory);
    ::ReleaseDC(tabs_, screen);
}

bool TabPages::OnCtlColor(UINT message, HDC dc, HWND control, LRESULT& result)
{
    if (message != WM_CTLCOLORSTATIC || !tabs_ || !OnPage(control))
        return false;
    if (!background_)
        MakeBackground();
    if (!background_)
        return false;
    // Line the pattern up with the tab control under the text.
    POINT origin{0, 0};
    ::MapWindowPoints(tabs_, control, &origin, 1);
    ::SetBrushOrgEx(dc, origin.x, origin.y, nullptr);
    ::SetBkMode(dc, TRANSPARENT);
    result = reinterpret_cast<LRESULT>(background_.get());
    return true;
}

bool TabPages::OnNotify(const NMHDR& header)
{
    if (header.hwndFrom != tabs_ || header.code != TCN_SELCHANGE)
        return false;
    Select(static_cast<int>(::SendMessageA(tabs_, TCM_GETCURSEL, 0, 0)));
    return true;
}

} // namespace kelt::plugin
