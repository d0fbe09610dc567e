// The main window with the program's own plug-in host (not a scripted one) over a throw-away
// plug-in folder: the start-up load it runs and the bar of plug-in buttons it hands over.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "app/main_form.h"
#include "app/options.h"
#include "tests/windows/plugins/plugin_folder.h"
#include "ui/scroll_box.h"
#include "ui/seams.h"

namespace kelt {
namespace {

using testing::PluginFolder;

bool PumpUntil(const std::function<bool()>& done)
{
    const DWORD start = ::GetTickCount();
    while (!done()) {
        if (::GetTickCount() - start > 30000)
            return false;
        ui::ProcessPendingMessages();
        ::Sleep(5);
    }
    return true;
}

TEST(MainWindowPlugins, StartupLoadHonoursUninstallsAndTheBarGetsItsScrollSettings)
{
    PluginFolder folder;
    for (const char* name : {"Alpha", "Beta", "Gamma"})
        folder.Add(name);
    PluginFolder::Write(folder.Ini(), "[Security]\r\nAlpha.KTP=\r\n[~Uninstalled]\r\nBeta.KTP=\r\n");
    testing::MessageScript messages;
    ui::ScopedSeams scripted(messages.Seams());

    JTKeltOptions options;
    options.KeyPath = "SoftWare\\Dorvane\\Keltrix 0.8\\PluginTestOptions";
    options.ScanPlugins = true;
    options.AutoInst = true;
    TKeltMainForm form(options, nullptr);
    form.TableFolder = testing::WindowsPathOf("KELT_STAGE_DIR") + "\\";
    form.QuitOnDestroy = false;
    form.PluginHostFactory = [&](JTPluginHostPlaces places, JTKeltOptions& programOptions) {
        places.folder = folder.Plugins();
        return CreatePluginHostLink(places, programOptions);
    };
    ASSERT_TRUE(form.CreateForm(SW_SHOWNORMAL));
    ASSERT_TRUE(PumpUntil([&] { return form.Ready(); }));

    // Alpha registered, Gamma new and installed without a question, Beta uninstalled earlier.
    ASSERT_TRUE(form.PluginHost());
    ASSERT_EQ(2, form.PluginHost()->PluginCount());
    EXPECT_EQ("Alpha", form.PluginHost()->PluginName(0));
    EXPECT_EQ("Gamma", form.PluginHost()->PluginName(1));
    EXPECT_TRUE(messages.boxes.empty());

    auto* box = dynamic_cast<ui::ScrollBox*>(ui::Window::FromHandle(form.PluginBox()));
    ASSERT_TRUE(box);
    EXPECT_EQ(10, box->BarSize());
    EXPECT_EQ(32, box->HorzIncrement());
    EXPECT_EQ(32 + 34, box->ExtentWidth());
    EXPECT_EQ(2, [&] {
        int buttons = 0;
        for (HWND child = ::GetWindow(box->Area(), GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
            ++buttons;
        return buttons;
    }());
}

} // namespace
} // namespace kelt
