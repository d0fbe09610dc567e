// The visual components the pages are made of: scroll box, splitter and page control.
#include <gtest/gtest.h>

#include "catalogue/ck_set_item.h"
#include "tests/windows/catalogue/catalogue_fixture.h"
#include "ui/page_control.h"
#include "ui/scroll_box.h"
#include "ui/splitter.h"

using namespace kelt;
using namespace kelt::testing;

namespace {

RECT InParent(HWND hwnd)
{
    RECT r;
    ::GetWindowRect(hwnd, &r);
    ::MapWindowPoints(nullptr, ::GetParent(hwnd), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

} // namespace

TEST(ScrollBox, BarsAppearOnlyWhileTheContentsExceedTheView)
{
    HostWindow host;
    ui::ScrollBox box;
    ASSERT_TRUE(box.CreateIn(host.PageParent(), 0, 0, 200, 100));
    EXPECT_FALSE(box.VertBarShown());
    EXPECT_FALSE(box.HorzBarShown());
    EXPECT_EQ(box.VertBar(), nullptr);  // made when first needed
    EXPECT_EQ(box.ViewWidth(), 200);

    box.SetExtent(150, 300);
    EXPECT_TRUE(box.VertBarShown());
    EXPECT_FALSE(box.HorzBarShown());
    EXPECT_EQ(box.ViewWidth(), 185);
    ASSERT_NE(box.VertBar(), nullptr);
    EXPECT_EQ(InParent(box.VertBar()).right - InParent(box.VertBar()).left, 15);

    // The vertical bar leaves too little width: the horizontal one follows.
    box.SetExtent(190, 300);
    EXPECT_TRUE(box.HorzBarShown());
    EXPECT_EQ(box.ViewHeight(), 85);

    box.SetExtent(100, 50);
    EXPECT_FALSE(box.VertBarShown());
    EXPECT_FALSE(box.HorzBarShown());
    EXPECT_FALSE(::GetWindowLongA(box.VertBar(), GWL_STYLE) & WS_VISIBLE);
}

TEST(ScrollBox, ChildrenKeepVirtualCoordinatesWhileTheViewScrolls)
{
    HostWindow host;
    host.Show();
    ui::ScrollBox box;
    ASSERT_TRUE(box.CreateIn(host.PageParent(), 0, 0, 200, 100));
    box.SetWheelStep(22);
    HWND child = ::CreateWindowExA(0, "STATIC", "x", WS_CHILD | WS_VISIBLE, 10, 400, 50, 20, box.Area(), nullptr,
                                   ::GetModuleHandleA(nullptr), nullptr);
    box.FitExtentToChildren();
    EXPECT_EQ(box.ExtentWidth(), 60);
    EXPECT_EQ(box.ExtentHeight(), 420);

    // Wheel: whole notches of 120, up for a positive delta; half notches add up.
    box.Wheel(-240);
    EXPECT_EQ(box.ScrollY(), 44);
    box.Wheel(60);
    EXPECT_EQ(box.ScrollY(), 44);
    box.Wheel(60);
    EXPECT_EQ(box.ScrollY(), 22);
    ::SendMessageA(child, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), 0);
    EXPECT_EQ(box.ScrollY(), 44);

    box.ScrollIntoView(child);
    EXPECT_EQ(box.ScrollY(), 420 - box.ViewHeight());
    EXPECT_EQ(InParent(child).top, 400);  // its own coordinates never change
    RECT onScreen, view;
    ::GetWindowRect(child, &onScreen);
    ::GetWindowRect(::GetParent(box.Area()), &view);
    EXPECT_EQ(onScreen.bottom, view.bottom);

    // Scrolling is clamped to the contents; the scroll bar follows.
    box.ScrollTo(0, 100000);
    EXPECT_EQ(box.ScrollY(), 420 - box.ViewHeight());
    EXPECT_EQ(::GetScrollPos(box.VertBar(), SB_CTL), box.ScrollY());
    box.ScrollTo(0, -5);
    EXPECT_EQ(box.ScrollY(), 0);
    // An arrow of the bar moves by the line increment.
    box.SetVertIncrement(8);
    ::SendMessageA(box.Handle(), WM_VSCROLL, SB_LINEDOWN, reinterpret_cast<LPARAM>(box.VertBar()));
    EXPECT_EQ(box.ScrollY(), 8);
    // A smaller extent pulls the view back.
    box.SetExtent(60, 120);
    EXPECT_EQ(box.ScrollY(), 8);
    box.SetExtent(60, 90);
    EXPECT_EQ(box.ScrollY(), 0);
}

TEST(ScrollBox, BackgroundColourPaintsTheArea)
{
    HostWindow host;
    host.Show();
    ui::ScrollBox box;
    ASSERT_TRUE(box.CreateIn(host.PageParent(), 0, 0, 120, 80));
    box.SetBackColour(0x00336699);
    box.SetExtent(120, 400);
    ::UpdateWindow(host.Frame());
    ui::ProcessPendingMessages();
    HDC dc = ::GetDC(box.Area());
    EXPECT_EQ(::GetPixel(dc, 5, 5), static_cast<COLORREF>(0x00336699));
    ::ReleaseDC(box.Area(), dc);
    HBRUSH brush = reinterpret_cast<HBRUSH>(
        ::SendMessageA(box.Handle(), WM_CTLCOLORSCROLLBAR, reinterpret_cast<WPARAM>(::GetDC(box.Handle())),
                       reinterpret_cast<LPARAM>(box.VertBar())));
    LOGBRUSH info{};
    ASSERT_TRUE(::GetObjectA(brush, sizeof info, &info));
    EXPECT_EQ(info.lbColor, static_cast<COLORREF>(0x00336699));
}

TEST(Splitter, DraggingResizesTheAreaBelowWithinLimits)
{
    ui::Splitter splitter;
    splitter.SetMinSize(30);
    EXPECT_EQ(splitter.BelowHeightFor(200, 100, -50), 150);
    EXPECT_EQ(splitter.BelowHeightFor(200, 100, 50), 50);
    EXPECT_EQ(splitter.BelowHeightFor(200, 100, 90), 30);
    EXPECT_EQ(splitter.BelowHeightFor(200, 100, -500), 270);
    // A window already below the minimum is not pushed up to it.
    EXPECT_EQ(splitter.BelowHeightFor(200, 10, 0), 10);
    EXPECT_EQ(splitter.BelowHeightFor(200, 0, 40), 0);
}

TEST(Splitter, ThePageSplitterMovesTheEditArea)
{
    CatalogueFiles files;
    files.kinds = {"Only"};
    files.ckRows = {{0, "One"}, {0, "Two"}};
    files.edRows = {{0, "Edit"}};
    files.Write();
    HostWindow host;
    host.Show();
    auto catalogue = MakeCatalogue(files, host, true);
    ASSERT_TRUE(catalogue->LoadAll());
    JTSetKind* page = catalogue->Page(0);
    ui::Splitter* splitter = page->SplitterBar();
    const int before = page->EditArea()->Height();
    const int checkBefore = page->CheckArea()->Height();
    // Press on the bar and drag it 40 pixels up.
    ::SendMessageA(splitter->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 4));
    ::SendMessageA(splitter->Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(10, static_cast<WORD>(-36)));
    ::SendMessageA(splitter->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(10, 4));
    EXPECT_EQ(page->EditArea()->Height(), before + 40);
    EXPECT_EQ(page->CheckArea()->Height(), checkBefore - 40);
    EXPECT_EQ(InParent(splitter->Handle()).top, page->CheckArea()->Height());
    EXPECT_EQ(InParent(page->EditArea()->Handle()).top, page->CheckArea()->Height() + 8);
    EXPECT_FALSE(splitter->Dragging());
}

TEST(PageControl, TabsFollowThePagesAndTheUserPicksOne)
{
    HostWindow host;
    host.Show();
    ui::PageControl control;
    ASSERT_TRUE(control.CreateIn(host.PageParent()));
    ui::TabSheet a, b;
    auto owned = std::make_unique<ui::TabSheet>();
    ui::TabSheet& c = *owned;
    for (auto [page, caption] : {std::pair{&a, "Alpha"}, std::pair{&b, "Beta"}, std::pair{&c, "Gamma"}}) {
        page->SetCaption(caption);
        ASSERT_TRUE(page->CreateSheet(control));
    }
    EXPECT_EQ(control.PageCount(), 3);
    EXPECT_EQ(control.TabCount(), 3);
    EXPECT_EQ(control.ActivePageIndex(), -1);
    control.SetActivePageIndex(0);
    EXPECT_TRUE(a.Showing());
    EXPECT_FALSE(b.Showing());

    ui::TabSheet* changed = nullptr;
    control.OnChange = [&](ui::TabSheet* page) { changed = page; };
    TabCtrl_SetCurSel(control.Tabs(), 2);
    NMHDR header{control.Tabs(), 0, static_cast<UINT>(TCN_SELCHANGE)};
    ::SendMessageA(control.Handle(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&header));
    EXPECT_EQ(changed, &c);
    EXPECT_EQ(control.ActivePage(), &c);
    EXPECT_TRUE(::GetWindowLongA(c.Handle(), GWL_STYLE) & WS_VISIBLE);
    EXPECT_FALSE(::GetWindowLongA(a.Handle(), GWL_STYLE) & WS_VISIBLE);

    // Taking a tab off keeps the others in order and the active page selected.
    b.SetTabVisible(false);
    EXPECT_EQ(control.TabCount(), 2);
    EXPECT_EQ(control.PageOfTab(1), &c);
    EXPECT_EQ(TabCtrl_GetCurSel(control.Tabs()), 1);
    b.SetTabVisible(true);
    EXPECT_EQ(control.PageOfTab(1), &b);

    // Pages fill the control's page area, which follows the parent.
    ::SetWindowPos(host.PageParent(), nullptr, 0, 0, 420, 260, SWP_NOMOVE | SWP_NOZORDER);
    RECT client;
    ::GetClientRect(control.Handle(), &client);
    EXPECT_EQ(client.right, 420);
    EXPECT_EQ(client.bottom, 260);
    const RECT area = control.PageRect();
    EXPECT_EQ(InParent(c.Handle()).right - InParent(c.Handle()).left, area.right - area.left);

    // A page going away leaves no page active when it was the active one.
    owned.reset();
    EXPECT_EQ(control.PageCount(), 2);
    EXPECT_EQ(control.ActivePageIndex(), -1);
    EXPECT_EQ(control.TabCount(), 2);
}

TEST(PageControl, RowsWheelTheirArea)
{
    CatalogueFiles files;
    files.kinds = {"Long"};
    for (int i = 0; i < 80; ++i)
        files.ckRows.push_back({0, "Row " + std::to_string(i), "", "V" + std::to_string(i)});
    files.Write();
    HostWindow host;
    host.Show();
    auto catalogue = MakeCatalogue(files, host, true);
    ASSERT_TRUE(catalogue->LoadAll());
    JTSetKind* page = catalogue->Page(0);
    auto* item = static_cast<JTckSetItem*>(page->CkItems()[0].get());
    ::SendMessageA(item->Row()->Box(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), 0);
    EXPECT_EQ(page->CheckArea()->ScrollY(), 22);
    ::SendMessageA(item->Row()->Box(), WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0);
    EXPECT_EQ(page->CheckArea()->ScrollY(), 0);
}
