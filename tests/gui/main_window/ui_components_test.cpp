// The visual components and the deferred work: what a caller relies on of each.
#include <windows.h>
#include <commctrl.h>
#include <oleacc.h>

#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/thread_execute.h"
#include "ui/gradient_progress.h"
#include "ui/seams.h"
#include "ui/side_bar.h"
#include "ui/window.h"
#include "ui/xp_menu.h"

namespace kelt {
namespace {

// A plain top-level window to put the components in.
class Host : public ui::Window {
public:
    Host()
    {
        RegisterWindowClass("KeltComponentHost");
        Create("KeltComponentHost", "host", WS_OVERLAPPEDWINDOW, 0, 20, 20, 400, 500, nullptr);
    }
};

TEST(GradientProgress, AnswersTheProgressBarMessagesLikeTheCommonControl)
{
    Host host;
    ui::GradientProgress bar;
    ASSERT_TRUE(bar.CreateIn(host.Handle(), 0, 0, 200, 17));
    HWND h = bar.Handle();
    struct Step {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        LRESULT answer;
        int position;
    } steps[] = {
        {PBM_SETRANGE, 0, MAKELPARAM(0, 50), MAKELRESULT(0, 100), 0},  // answers the old range
        {PBM_SETPOS, 20, 0, 0, 20},                                     // answers the old position
        {PBM_SETPOS, 80, 0, 20, 50},                                    // clamped to the range
        {PBM_GETPOS, 0, 0, 50, 50},
        {PBM_SETRANGE32, 100, 1000, MAKELRESULT(0, 50), 100},           // position follows the range
        {PBM_SETPOS, 550, 0, 100, 550},
        {PBM_DELTAPOS, 100, 0, 550, 650},
        {PBM_SETPOS, static_cast<WPARAM>(-5), 0, 650, 100},
        {PBM_GETPOS, 0, 0, 100, 100},
    };
    for (const Step& s : steps) {
        EXPECT_EQ(::SendMessageA(h, s.message, s.wParam, s.lParam), s.answer) << "message " << s.message;
        EXPECT_EQ(bar.Position(), s.position);
    }
    EXPECT_EQ(::SendMessageA(h, PBM_GETRANGE, TRUE, 0), 100);
    EXPECT_EQ(::SendMessageA(h, PBM_GETRANGE, FALSE, 0), 1000);
    ::SendMessageA(h, PBM_SETPOS, 550, 0);
    EXPECT_EQ(bar.FilledWidth(180), 90);
}

// What the bar shows, pixel by pixel.
std::vector<COLORREF> Capture(HWND hwnd)
{
    RECT r{};
    ::GetClientRect(hwnd, &r);
    HDC screen = ::GetDC(hwnd);
    HDC memory = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, r.right, r.bottom);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::SendMessageA(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory), PRF_CLIENT);
    std::vector<COLORREF> pixels;
    for (int y = 0; y < r.bottom; y += 3)
        for (int x = 0; x < r.right; x += 3)
            pixels.push_back(::GetPixel(memory, x, y));
    ::SelectObject(memory, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(hwnd, screen);
    return pixels;
}

class SideBarTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(bar.CreateIn(host.Handle(), 0, 0, 144, 420));
        for (const char* header : {"Settings", "Plugins"})
            bar.AddHeader(header);
        for (int i = 0; i < 6; ++i) {
            ui::SideBarButton button;
            button.caption = "Catalogue " + std::to_string(i);
            button.hint = button.caption;
            button.data = &data[i];
            button.onClick = [this, i] { clicked.push_back(i); };
            bar.AddButton(0, button);
        }
        ui::SideBarButton tool;
        tool.caption = "Tool";
        bar.AddButton(1, tool);
    }

    Host host;
    ui::SideBar bar;
    int data[6] = {};
    std::vector<int> clicked;
};

TEST_F(SideBarTest, ElevenStylesLookDifferent)
{
    std::set<std::vector<COLORREF>> looks;
    for (int style = 0; style < ui::kSideBarStyleCount; ++style) {
        bar.SetStyle(style);
        bar.SelectButton(0, 1);
        looks.insert(Capture(bar.Handle()));
    }
    EXPECT_EQ(looks.size(), static_cast<size_t>(ui::kSideBarStyleCount));
    const char* names[] = {"Outlook", "FlatOutlook", "OutlookExpress", "Office", "OfficeXP", "Office2000",
                           "ToolBox", "FlatToolBox", "ExplorerBar", "ExplorerBarXP", "ExplorerBar2000"};
    for (int style = 0; style < ui::kSideBarStyleCount; ++style)
        EXPECT_STREQ(ui::SideBarStyleName(style), names[style]);
    bar.SetStyle(11);
    EXPECT_EQ(bar.Style(), ui::sbOutlook);
}

TEST_F(SideBarTest, ClicksRunTheButtonAndHeadersSwitchOrFold)
{
    // Stacked: the second header's list replaces the first's.
    bar.SetStyle(ui::sbOutlook);
    EXPECT_EQ(bar.ActiveHeader(), 0);
    RECT first = bar.ButtonRect(0, 0);
    ASSERT_FALSE(::IsRectEmpty(&first));
    ::SendMessageA(bar.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(first.left + 10, first.top + 10));
    ::SendMessageA(bar.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(first.left + 10, first.top + 10));
    EXPECT_EQ(clicked, std::vector<int>{0});
    EXPECT_EQ(bar.SelectedButton(0), 0);
    EXPECT_EQ(bar.Button(0, 3).data, &data[3]);

    RECT plugins = bar.HeaderRect(1);
    ::SendMessageA(bar.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(plugins.left + 5, plugins.top + 5));
    ::SendMessageA(bar.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(plugins.left + 5, plugins.top + 5));
    EXPECT_EQ(bar.ActiveHeader(), 1);
    RECT hidden = bar.ButtonRect(0, 0);
    EXPECT_TRUE(::IsRectEmpty(&hidden));
    // Selecting a catalogue brings its header back.
    bar.SelectButton(0, 5);
    EXPECT_EQ(bar.ActiveHeader(), 0);
    RECT fifth = bar.ButtonRect(0, 5);
    EXPECT_FALSE(::IsRectEmpty(&fifth));

    // Groups: both lists show; a header click folds its group.
    bar.SetStyle(ui::sbExplorerBarXP);
    RECT tool = bar.ButtonRect(1, 0);
    EXPECT_FALSE(::IsRectEmpty(&tool));
    RECT settings = bar.HeaderRect(0);
    ::SendMessageA(bar.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(settings.left + 5, settings.top + 5));
    ::SendMessageA(bar.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(settings.left + 5, settings.top + 5));
    EXPECT_TRUE(bar.HeaderCollapsed(0));
    RECT folded = bar.ButtonRect(0, 0);
    EXPECT_TRUE(::IsRectEmpty(&folded));

    bar.ClearButtons(0);
    EXPECT_EQ(bar.ButtonCount(0), 0);
    EXPECT_EQ(bar.SelectedButton(0), -1);
}

TEST(XPMenu, SwitchesOwnerDrawingOfAMenuTreeAndKeepsItsTexts)
{
    Host host;
    HMENU bar = ::CreateMenu();
    HMENU file = ::CreatePopupMenu();
    HMENU sub = ::CreatePopupMenu();
    ::AppendMenuA(sub, MF_STRING, 11, "Deep &item");
    ::AppendMenuA(file, MF_STRING, 10, "&Open\tF2");
    ::AppendMenuA(file, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuA(file, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), "&More");
    ::AppendMenuA(file, MF_STRING, 12, "Search settings...");
    ::AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&File");
    ::SetMenu(host.Handle(), bar);

    ui::SetXPMenu(host.Handle(), bar, true);
    EXPECT_TRUE(ui::IsXPMenuItem(bar, 0));
    EXPECT_TRUE(ui::IsXPMenuItem(file, 0));
    EXPECT_TRUE(ui::IsXPMenuItem(file, 1));
    EXPECT_TRUE(ui::IsXPMenuItem(sub, 0));
    // The owner measures the items: a shortcut makes an item wider, a separator is thin.
    auto measure = [&](HMENU menu, UINT position) {
        MENUITEMINFOA info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_DATA | MIIM_ID;
        ::GetMenuItemInfoA(menu, position, TRUE, &info);
        MEASUREITEMSTRUCT m{};
        m.CtlType = ODT_MENU;
        m.itemID = info.wID;
        m.itemData = info.dwItemData;
        EXPECT_TRUE(::SendMessageA(host.Handle(), WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&m)));
        return m;
    };
    const MEASUREITEMSTRUCT open = measure(file, 0), separator = measure(file, 1), more = measure(file, 2);
    EXPECT_GT(open.itemWidth, more.itemWidth);
    EXPECT_LT(separator.itemHeight, open.itemHeight);
    // A drawn item keeps its text where assistive technology reads it: in the menu, and at the
    // start of its data in the form readers look for in the data of drawn items.
    char drawn[64] = {};
    ::GetMenuStringA(file, 0, drawn, sizeof drawn, MF_BYPOSITION);
    EXPECT_STREQ(drawn, "&Open\tF2");
    MENUITEMINFOA data{};
    data.cbSize = sizeof data;
    data.fMask = MIIM_DATA;
    ::GetMenuItemInfoA(sub, 0, TRUE, &data);
    const auto* msaa = reinterpret_cast<const MSAAMENUINFO*>(data.dwItemData);
    ASSERT_TRUE(msaa);
    EXPECT_EQ(msaa->dwMSAASignature, static_cast<DWORD>(MSAA_MENU_SIG));
    EXPECT_EQ(std::wstring(msaa->pszWText, msaa->cchWText), L"Deep &item");
    // Mnemonics still work on drawn items.
    EXPECT_EQ(::SendMessageA(host.Handle(), WM_MENUCHAR, MAKEWPARAM('m', MF_POPUP), reinterpret_cast<LPARAM>(file)),
              MAKELRESULT(2, MNC_EXECUTE));
    // An item without a marked letter answers to its first letter, as plain menus do.
    EXPECT_EQ(::SendMessageA(host.Handle(), WM_MENUCHAR, MAKEWPARAM('s', MF_POPUP), reinterpret_cast<LPARAM>(file)),
              MAKELRESULT(3, MNC_EXECUTE));

    ui::SetXPMenu(host.Handle(), bar, false);
    EXPECT_FALSE(ui::IsXPMenuItem(file, 0));
    EXPECT_FALSE(ui::IsXPMenuItem(sub, 0));
    char text[64] = {};
    ::GetMenuStringA(file, 0, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(text, "&Open\tF2");
    ::GetMenuStringA(sub, 0, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(text, "Deep &item");
    // Items added later are drawn once the drawing is switched on again.
    ::AppendMenuA(file, MF_STRING, 12, "Late");
    ui::SetXPMenu(host.Handle(), bar, true);
    EXPECT_TRUE(ui::IsXPMenuItem(file, 3));
    EXPECT_TRUE(ui::IsXPMenuItem(file, 0));
}

TEST(ThreadExecute, RunsOnceFromTheMessageLoopEvenAfterAFailure)
{
    std::vector<std::string> order;
    std::vector<std::string> errors;
    ui::DialogSeams seams = ui::DialogSeams::Real();
    seams.messageBox = [&](HWND, const std::string& text, const std::string&, UINT) {
        errors.push_back(text);
        return IDOK;
    };
    ui::ScopedSeams scope(seams);

    // Created running: the handler set right afterwards is the one that runs.
    JTThreadExecute* running = JTThreadExecute::Create(false);
    running->OnExecute = [&] { order.push_back("running"); };
    running->OnTerminate = [&] { order.push_back("running done"); };
    JTThreadExecute* suspended = JTThreadExecute::Create(true);
    suspended->OnExecute = [&] {
        order.push_back("suspended");
        throw std::runtime_error("work failed");
    };
    suspended->OnTerminate = [&] { order.push_back("suspended done"); };
    EXPECT_TRUE(order.empty());
    ui::ProcessPendingMessages();
    EXPECT_EQ(order, (std::vector<std::string>{"running", "running done"}));
    EXPECT_EQ(JTThreadExecute::PendingTasks(), 1);
    suspended->Resume();
    suspended->Resume();
    ui::ProcessPendingMessages();
    EXPECT_EQ(order, (std::vector<std::string>{"running", "running done", "suspended", "suspended done"}));
    EXPECT_EQ(errors, std::vector<std::string>{"work failed"});
    EXPECT_EQ(JTThreadExecute::PendingTasks(), 0);
}

} // namespace
} // namespace kelt
