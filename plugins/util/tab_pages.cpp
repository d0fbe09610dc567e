#include "plugins/util/tab_pages.h"

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

bool TabPages::OnNotify(const NMHDR& header)
{
    if (header.hwndFrom != tabs_ || header.code != TCN_SELCHANGE)
        return false;
    Select(static_cast<int>(::SendMessageA(tabs_, TCM_GETCURSEL, 0, 0)));
    return true;
}

} // namespace kelt::plugin
