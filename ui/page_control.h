#pragma once
// A page control: a tab strip (several lines of tabs, hot-tracking) over a stack of pages of
// which one, the active page, is shown. Tabs can carry 16 x 16 pictures from an image list;
// each page's tab can be taken off and put back, and without any tab the active page fills
// the whole control. The control can follow its parent's client size. The tab strip is a tab
// stop (the arrow keys pick a page, as in any tab control); with a high-contrast theme its
// pictures are silhouettes in the text colour.
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "ui/handles.h"
#include "ui/window.h"

namespace kelt::ui {

class PageControl;

// One page. The window is created by CreateSheet and is a child of the page control.
class TabSheet : public Window {
public:
    TabSheet();
    ~TabSheet() override;

    // Creates the page window (hidden) inside the control and appends its tab.
    bool CreateSheet(PageControl& control);
    PageControl* Control() const { return control_; }
    // Position among the control's pages, -1 when not in a control.
    int PageIndex() const;

    void SetCaption(const std::string& caption);
    const std::string& Caption() const { return caption_; }
    // Picture of the tab in the control's image list; -1 for none.
    void SetImageIndex(int index);
    int ImageIndex() const { return imageIndex_; }
    void SetTabVisible(bool visible);
    bool TabVisible() const { return tabVisible_; }
    // Whether the page shows while it is the active page (a page may be hidden while it is being
    // laid out).
    void SetSheetVisible(bool visible);
    bool SheetVisible() const { return sheetVisible_; }
    // True when the page window is on screen as far as the control is concerned: active and
    // sheet-visible.
    bool Showing() const;

    int ClientWidth() const;
    int ClientHeight() const;

protected:
    // The page has just become the active page (its window is shown when sheet-visible).
    virtual void OnActivated() {}
    // Called by the destructor of a derived page before it frees what its children use.
    void LeaveControl();

private:
    friend class PageControl;

    PageControl* control_ = nullptr;
    std::string caption_;
    int imageIndex_ = -1;
    bool tabVisible_ = true;
    bool sheetVisible_ = true;
};

class PageControl : public Window {
public:
    PageControl();
    ~PageControl() override;

    // Creates the control as a child of `parent`, filling its client area, hidden unless
    // `visible`. True when it exists.
    bool CreateIn(HWND parent, bool visible = true);
    // Follow the parent's client size (on by default).
    void SetFillParent(bool fill);
    bool FillParent() const { return fillParent_; }
    void SetBounds(int left, int top, int width, int height);
    void SetVisible(bool visible);
    bool IsVisible() const;

    int PageCount() const { return static_cast<int>(pages_.size()); }
    TabSheet* Page(int index) const;
    int IndexOf(const TabSheet* page) const;

    // The pictures of the tabs (not owned; null for none).
    void SetImageList(HIMAGELIST images);
    HIMAGELIST ImageList() const { return images_; }

    // The active page; -1 / null when there is none. Activating shows the page (when
    // sheet-visible) and hides the previous one; it does not raise OnChange.
    void SetActivePageIndex(int index);
    void SetActivePage(TabSheet* page);
    int ActivePageIndex() const { return active_; }
    TabSheet* ActivePage() const { return Page(active_); }
    // Raises the active page above its siblings and repaints it.
    void BringActivePageToFront();

    // The tab control window and the area the pages take.
    HWND Tabs() const { return tabs_; }
    RECT PageRect() const;
    // Number of tabs shown (pages whose tab is visible).
    int TabCount() const;
    // The page of a tab (in tab order), null when out of range.
    TabSheet* PageOfTab(int tab) const;

    // The user picked another tab; the new page is already active.
    std::function<void(TabSheet* page)> OnChange;

    // What assistive technology calls the tab strip.
    void SetTabsTitle(const std::string& title);

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool OnNotify(NMHDR& header, LRESULT& result) override;
    void OnSize(UINT type, int width, int height) override;
    void OnDestroy() override;
    void OnDpiChanged(int dpi, const RECT* suggested) override;

private:
    friend class TabSheet;
    static LRESULT CALLBACK ParentProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                       DWORD_PTR data);

    void AddPage(TabSheet* page);
    void RemovePage(TabSheet* page);
    void PageChanged(TabSheet* page);
    void RebuildTabs();
    void Layout();
    void FitParent();
    void ShowActive();
    // Gives the tab strip the pictures to show: the image list, or its silhouettes while a
    // high-contrast theme is on.
    void UpdateTabImages();

    HWND tabs_ = nullptr;
    HWND parent_ = nullptr;
    HIMAGELIST images_ = nullptr;
    UniqueImageList monoImages_;
    COLORREF monoColour_ = CLR_INVALID;
    std::vector<TabSheet*> pages_;
    int active_ = -1;
    bool fillParent_ = true;
    bool subclassed_ = false;
};

} // namespace kelt::ui
