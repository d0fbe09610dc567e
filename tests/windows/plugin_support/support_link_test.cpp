// The plug-in frame, the shared tool-window controls, the platform code and the host linked
// whole into one program. Both tick lists then still work on their own kind of control.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "plugins/common/check_list_box.h"
#include "plugins/host/plugin.h"
#include "plugins/sdk/plugin_frame.h"
#include "ui/instance.h"
#include "ui/report_list.h"

KELT_PLUGIN_INFO("Linked", "Tests", "Checks", "Linked", "Glyph", "1.0", "2003");

void kelt::plugin::ShowToolWindow(HWND) {}

extern "C" const char* __stdcall GetPluginName();

namespace kelt {
namespace {

TEST(PluginSupportLink, OneProgramHoldsEverySupportLibraryAndBothTickLists)
{
    ui::InitCommonControlsOnce();
    HWND parent = ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 300, 200, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(parent);
    HWND box = ::CreateWindowExA(0, "LISTBOX", "", WS_CHILD | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOTIFY, 0, 0,
                                 100, 100, parent, nullptr, nullptr, nullptr);
    HWND view = ::CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | LVS_REPORT, 100, 0, 200, 100, parent, nullptr,
                                  nullptr, nullptr);

    plugin::CheckListBox ticks;
    ASSERT_TRUE(ticks.Attach(box, 18));
    ticks.Add("first", true);
    ticks.Add("second", false);
    EXPECT_EQ(1, ::SendMessageA(box, LB_GETITEMDATA, 0, 0));
    EXPECT_EQ(0, ::SendMessageA(box, LB_GETITEMDATA, 1, 0));

    ui::ReportList rows;
    rows.Attach(view, {{"Name", 80}}, 18);
    rows.Add({"row"}, true, 7);
    EXPECT_TRUE(ListView_GetCheckState(view, 0));
    EXPECT_EQ(7, rows.Data(0));

    // The frame answers from the strings of this program; the host reads none of it.
    EXPECT_STREQ("Linked", GetPluginName());
    EXPECT_EQ(std::string(), CopyForeignString(nullptr, 4));
    ::DestroyWindow(parent);
}

} // namespace
} // namespace kelt
