#include "ui/page_control.h"

#include <algorithm>

#include "ui/accessible.h"
#include "ui/dpi.h"
#include "ui/paint.h"

namespace kelt::ui {

namespace {
const char kPageControlClass[] = "KeltPageControl";
const char kTabSheetClass[] = "KeltTabSheet";
const UINT_PTR kFillSubclassId = 0x4B50;  // 'KP'
} // namespace

// ---------------------------------------------------------------- TabSheet

TabSheet::TabSheet() = default;

TabSheet::~TabSheet()
{
    LeaveControl();
    Destroy();
}

void TabSheet::LeaveControl()
{
    if (control_)
        control_->RemovePage(this);
    control_ = nullptr;
}

bool TabSheet::CreateSheet(PageControl& control)
{
    if (Handle())
        return true;
    if (!control.Handle())
        return false;
    RegisterWindowClass(kTabSheetClass, 0, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    const RECT r = control.PageRect();
    if (!Create(kTabSheetClass, caption_, WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, WS_EX_CONTROLPARENT, r.left,
                r.top, r.right - r.left, r.bottom - r.top, control.Handle()))
        return false;
    control_ = &control;
    control.AddPage(this);
    return true;
}

int TabSheet::PageIndex() const
{
    return control_ ? control_->IndexOf(this) : -1;
}

void TabSheet::SetCaption(const std::string& caption)
{
    caption_ = caption;
    if (Handle())
        ::SetWindowTextA(Handle(), caption_.c_str());
    if (control_)
        control_->PageChanged(this);
}

void TabSheet::SetImageIndex(int index)
{
    imageIndex_ = index;
    if (control_)
        control_->PageChanged(this);
}

void TabSheet::SetTabVisible(bool visible)
{
    if (tabVisible_ == visible)
        return;
    tabVisible_ = visible;
    if (control_)
        control_->RebuildTabs();
}

void TabSheet::SetSheetVisible(bool visible)
{
    sheetVisible_ = visible;
    if (Handle())
        ::ShowWindow(Handle(), Showing() ? SW_SHOWNA : SW_HIDE);
}

bool TabSheet::Showing() const
{
    return sheetVisible_ && control_ && control_->ActivePage() == this;
}

int TabSheet::ClientWidth() const
{
    RECT r{};
    if (Handle())
        ::GetClientRect(Handle(), &r);
    return r.right;
}

int TabSheet::ClientHeight() const
{
    RECT r{};
    if (Handle())
        ::GetClientRect(Handle(), &r);
    return r.bottom;
}

// ---------------------------------------------------------------- PageControl

PageControl::PageControl() = default;

PageControl::~PageControl()
{
    for (TabSheet* page : pages_)
        page->control_ = nullptr;
    pages_.clear();
    Destroy();
}

bool PageControl::CreateIn(HWND parent, bool visible)
{
    if (Handle())
        return true;
    RegisterWindowClass(kPageControlClass, 0, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    RECT r{};
    if (parent)
        ::GetClientRect(parent, &r);
    if (!Create(kPageControlClass, std::string(), WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | (visible ? WS_VISIBLE : 0),
                WS_EX_CONTROLPARENT, 0, 0, r.right, r.bottom, parent))
        return false;
    parent_ = parent;
    const HINSTANCE module = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrA(Handle(), GWLP_HINSTANCE));
    tabs_ = ::CreateWindowExA(0, WC_TABCONTROLA, nullptr,
                              WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP | TCS_MULTILINE | TCS_HOTTRACK | TCS_TABS, 0, 0,
                              r.right, r.bottom, Handle(), nullptr, module, nullptr);
    ::SendMessageA(tabs_, WM_SETFONT, reinterpret_cast<WPARAM>(DefaultFontFor(Dpi())), FALSE);
    SetFillParent(fillParent_);
    Layout();
    return true;
}

void PageControl::SetFillParent(bool fill)
{
    fillParent_ = fill;
    if (!parent_ || !Handle())
        return;
    if (fill && !subclassed_) {
        subclassed_ = ::SetWindowSubclass(parent_, ParentProc, kFillSubclassId, reinterpret_cast<DWORD_PTR>(this));
        FitParent();
    } else if (!fill && subclassed_) {
        ::RemoveWindowSubclass(parent_, ParentProc, kFillSubclassId);
        subclassed_ = false;
    }
}

LRESULT CALLBACK PageControl::ParentProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR data)
{
    const LRESULT result = ::DefSubclassProc(hwnd, message, wParam, lParam);
    if (message == WM_SIZE)
        reinterpret_cast<PageControl*>(data)->FitParent();
    else if (message == WM_NCDESTROY)
        ::RemoveWindowSubclass(hwnd, ParentProc, id);
    return result;
}

void PageControl::FitParent()
{
    if (!parent_ || !Handle())
        return;
    RECT r;
    ::GetClientRect(parent_, &r);
    ::SetWindowPos(Handle(), nullptr, 0, 0, r.right, r.bottom, SWP_NOZORDER | SWP_NOACTIVATE);
}

void PageControl::OnDestroy()
{
    if (subclassed_ && parent_)
        ::RemoveWindowSubclass(parent_, ParentProc, kFillSubclassId);
    subclassed_ = false;
}

void PageControl::SetBounds(int left, int top, int width, int height)
{
    if (Handle())
        ::SetWindowPos(Handle(), nullptr, left, top, std::max(width, 0), std::max(height, 0),
                       SWP_NOZORDER | SWP_NOACTIVATE);
}

void PageControl::SetVisible(bool visible)
{
    if (Handle())
        ::ShowWindow(Handle(), visible ? SW_SHOWNA : SW_HIDE);
}

bool PageControl::IsVisible() const
{
    return Handle() && (::GetWindowLongA(Handle(), GWL_STYLE) & WS_VISIBLE) != 0;
}

TabSheet* PageControl::Page(int index) const
{
    if (index < 0 || index >= PageCount())
        return nullptr;
    return pages_[static_cast<std::size_t>(index)];
}

int PageControl::IndexOf(const TabSheet* page) const
{
    const auto it = std::find(pages_.begin(), pages_.end(), page);
    return it == pages_.end() ? -1 : static_cast<int>(it - pages_.begin());
}

void PageControl::SetImageList(HIMAGELIST images)
{
    images_ = images;
    monoImages_.reset();
    UpdateTabImages();
    RebuildTabs();
}

void PageControl::UpdateTabImages()
{
    if (!tabs_)
        return;
    HIMAGELIST shown = images_;
    if (images_ && HighContrast()) {
        const COLORREF colour = ::GetSysColor(COLOR_BTNTEXT);
        // Pictures are added to the list as pages come: the copy follows.
        if (!monoImages_ || monoColour_ != colour ||
            ::ImageList_GetImageCount(monoImages_.get()) != ::ImageList_GetImageCount(images_)) {
            monoImages_.reset(MonochromeCopy(images_, colour));
            monoColour_ = colour;
        }
        shown = monoImages_.get();
    }
    if (reinterpret_cast<HIMAGELIST>(::SendMessageA(tabs_, TCM_GETIMAGELIST, 0, 0)) != shown)
        ::SendMessageA(tabs_, TCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(shown));
}

void PageControl::SetTabsTitle(const std::string& title)
{
    SetAccessibleName(tabs_, title);
}

LRESULT PageControl::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SYSCOLORCHANGE || message == WM_SETTINGCHANGE) {
        UpdateTabImages();
        if (tabs_)
            ::InvalidateRect(tabs_, nullptr, TRUE);
    }
    return Window::HandleMessage(message, wParam, lParam);
}

void PageControl::AddPage(TabSheet* page)
{
    pages_.push_back(page);
    // Pages lie above the tab strip, which must not paint over them.
    ::SetWindowPos(tabs_, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (!page->TabVisible())
        return;
    UpdateTabImages();
    // A new last page only adds its tab.
    TCITEMA item{};
    item.mask = TCIF_TEXT | TCIF_IMAGE | TCIF_PARAM;
    item.pszText = const_cast<char*>(page->Caption().c_str());
    item.iImage = page->ImageIndex();
    item.lParam = reinterpret_cast<LPARAM>(page);
    const int count = TabCount();
    ::SendMessageA(tabs_, TCM_INSERTITEMA, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(&item));
    if (count == 0)
        ::ShowWindow(tabs_, SW_SHOWNA);
    Layout();
}

void PageControl::RemovePage(TabSheet* page)
{
    const int index = IndexOf(page);
    if (index < 0)
        return;
    pages_.erase(pages_.begin() + index);
    // Removing the active page leaves no page active; other pages keep theirs.
    if (active_ == index)
        active_ = -1;
    else if (active_ > index)
        --active_;
    if (page->Handle())
        ::ShowWindow(page->Handle(), SW_HIDE);
    RebuildTabs();
}

void PageControl::PageChanged(TabSheet* page)
{
    if (!tabs_ || !page->TabVisible())
        return;
    // Find the tab of the page.
    const int count = TabCount();
    for (int tab = 0; tab < count; ++tab) {
        if (PageOfTab(tab) != page)
            continue;
        UpdateTabImages();
        TCITEMA item{};
        item.mask = TCIF_TEXT | TCIF_IMAGE;
        item.pszText = const_cast<char*>(page->Caption().c_str());
        item.iImage = page->ImageIndex();
        ::SendMessageA(tabs_, TCM_SETITEMA, static_cast<WPARAM>(tab), reinterpret_cast<LPARAM>(&item));
        Layout();
        return;
    }
}

int PageControl::TabCount() const
{
    return tabs_ ? static_cast<int>(::SendMessageA(tabs_, TCM_GETITEMCOUNT, 0, 0)) : 0;
}

TabSheet* PageControl::PageOfTab(int tab) const
{
    if (!tabs_ || tab < 0)
        return nullptr;
    TCITEMA item{};
    item.mask = TCIF_PARAM;
    if (!::SendMessageA(tabs_, TCM_GETITEMA, static_cast<WPARAM>(tab), reinterpret_cast<LPARAM>(&item)))
        return nullptr;
    return reinterpret_cast<TabSheet*>(item.lParam);
}

void PageControl::RebuildTabs()
{
    if (!tabs_)
        return;
    ::SendMessageA(tabs_, WM_SETREDRAW, FALSE, 0);
    ::SendMessageA(tabs_, TCM_DELETEALLITEMS, 0, 0);
    int tab = 0;
    int activeTab = -1;
    for (std::size_t i = 0; i < pages_.size(); ++i) {
        TabSheet* page = pages_[i];
        if (!page->TabVisible())
            continue;
        TCITEMA item{};
        item.mask = TCIF_TEXT | TCIF_IMAGE | TCIF_PARAM;
        item.pszText = const_cast<char*>(page->Caption().c_str());
        item.iImage = page->ImageIndex();
        item.lParam = reinterpret_cast<LPARAM>(page);
        ::SendMessageA(tabs_, TCM_INSERTITEMA, static_cast<WPARAM>(tab), reinterpret_cast<LPARAM>(&item));
        if (static_cast<int>(i) == active_)
            activeTab = tab;
        ++tab;
    }
    ::SendMessageA(tabs_, TCM_SETCURSEL, static_cast<WPARAM>(activeTab), 0);
    ::ShowWindow(tabs_, tab > 0 ? SW_SHOWNA : SW_HIDE);
    ::SendMessageA(tabs_, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(tabs_, nullptr, TRUE);
    Layout();
}

RECT PageControl::PageRect() const
{
    RECT r{};
    if (!Handle())
        return r;
    ::GetClientRect(Handle(), &r);
    if (tabs_ && TabCount() > 0) {
        ::SendMessageA(tabs_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&r));
        if (r.right < r.left)
            r.right = r.left;
        if (r.bottom < r.top)
            r.bottom = r.top;
    }
    return r;
}

void PageControl::Layout()
{
    if (!Handle())
        return;
    RECT client;
    ::GetClientRect(Handle(), &client);
    // Only windows whose bounds change are moved: a catalogue adds pages one by one.
    auto place = [this](HWND hwnd, const RECT& r) {
        RECT now;
        ::GetWindowRect(hwnd, &now);
        ::MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&now), 2);
        if (!::EqualRect(&now, &r))
            ::SetWindowPos(hwnd, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                           SWP_NOZORDER | SWP_NOACTIVATE);
    };
    if (tabs_)
        place(tabs_, client);
    const RECT r = PageRect();
    for (TabSheet* page : pages_)
        if (page->Handle())
            place(page->Handle(), r);
}

void PageControl::OnDpiChanged(int dpi, const RECT* suggested)
{
    // The tabs grow with their font, and the pages start below them.
    if (tabs_)
        ::SendMessageA(tabs_, WM_SETFONT, reinterpret_cast<WPARAM>(DefaultFontFor(dpi)), TRUE);
    Layout();
    Window::OnDpiChanged(dpi, suggested);
}

void PageControl::OnSize(UINT, int, int)
{
    Layout();
}

void PageControl::SetActivePage(TabSheet* page)
{
    SetActivePageIndex(IndexOf(page));
}

void PageControl::SetActivePageIndex(int index)
{
    if (index < -1 || index >= PageCount())
        return;
    if (index == active_) {
        ShowActive();
        return;
    }
    TabSheet* previous = ActivePage();
    active_ = index;
    if (previous && previous->Handle())
        ::ShowWindow(previous->Handle(), SW_HIDE);
    // Select the page's tab (none when its tab is hidden).
    int activeTab = -1;
    const int count = TabCount();
    for (int tab = 0; tab < count; ++tab)
        if (PageOfTab(tab) == ActivePage())
            activeTab = tab;
    if (tabs_)
        ::SendMessageA(tabs_, TCM_SETCURSEL, static_cast<WPARAM>(activeTab), 0);
    ShowActive();
    if (TabSheet* page = ActivePage())
        page->OnActivated();
}

void PageControl::ShowActive()
{
    TabSheet* page = ActivePage();
    if (!page || !page->Handle())
        return;
    ::SetWindowPos(page->Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ::ShowWindow(page->Handle(), page->SheetVisible() ? SW_SHOWNA : SW_HIDE);
}

void PageControl::BringActivePageToFront()
{
    ShowActive();
    if (TabSheet* page = ActivePage())
        if (page->Handle())
            ::RedrawWindow(page->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

bool PageControl::OnNotify(NMHDR& header, LRESULT& result)
{
    if (header.hwndFrom != tabs_ || header.code != static_cast<UINT>(TCN_SELCHANGE))
        return false;
    const int tab = static_cast<int>(::SendMessageA(tabs_, TCM_GETCURSEL, 0, 0));
    TabSheet* page = PageOfTab(tab);
    if (page) {
        SetActivePage(page);
        if (OnChange)
            OnChange(page);
    }
    result = 0;
    return true;
}

} // namespace kelt::ui
