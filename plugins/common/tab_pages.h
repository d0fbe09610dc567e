#pragma once
// Pages of a tab control in a single dialog: each page is a set of the dialog's controls laid
// over the tab's display area in the template; choosing a tab shows its page's controls and
// hides the others'. One dialog keeps keyboard navigation and reflection simple.
#include <windows.h>

#include <string>
#include <vector>

#include "ui/handles.h"

namespace kelt::plugin {

class TabPages {
public:
    // `tabs` is a tab control of `dialog`; it is put below its siblings.
    void Attach(HWND dialog, HWND tabs);
    // Appends a tab; answers its index.
    int AddPage(const std::string& caption, std::vector<int> controlIds);
    void Select(int page);
    int Current() const { return current_; }
    int Count() const { return static_cast<int>(pages_.size()); }
    HWND Tabs() const { return tabs_; }

    // Offer the dialog's WM_NOTIFY: true when it was the tab control's change.
    bool OnNotify(const NMHDR& header);
    // Offer the dialog's WM_CTLCOLORSTATIC: texts of the pages are drawn on the tab's own
    // background (which a themed tab control paints lighter than the dialog).
    bool OnCtlColor(UINT message, HDC dc, HWND control, LRESULT& result);

private:
    bool OnPage(HWND control) const;
    void MakeBackground();

    HWND dialog_ = nullptr;
    HWND tabs_ = nullptr;
    std::vector<std::vector<int>> pages_;
    int current_ = -1;
    ui::UniqueBrush background_;
};

} // namespace kelt::plugin
