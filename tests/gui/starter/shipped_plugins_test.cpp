// Starter and Hide as the program finds them: registered in the shipped plug-in registry,
// loaded by the host's plug-in manager, listed under "Security" in the menu and on the bar, and
// started from their menu entries.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "plugins/host/plugin_manager.h"
#include "tests/windows/plugins/plugin_test_support.h"

namespace kelt {
namespace {

using namespace kelt::testing;

TEST(ShippedPlugins, StarterAndHideLoadUnderSecurity)
{
    // A copy of the program folder's Plugins, so the registry the manager keeps stays ours.
    const std::string staged = WindowsPathOf("KELT_STAGE_DIR") + "\\Plugins\\";
    const std::string folder = "C:\\shipped\\Plugins";
    ::CreateDirectoryA("C:\\shipped", nullptr);
    ::CreateDirectoryA(folder.c_str(), nullptr);
    for (const char* file : {"KeltPlugins.ini", "Starter.KTP", "Hide.KTP"})
        ASSERT_TRUE(::CopyFileA((staged + file).c_str(), (folder + "\\" + file).c_str(), FALSE)) << file;

    TopWindow host("Plug-in host");
    JTPluginManager manager(host.Handle());
    manager.SetPluginFolder(folder);
    manager.SetProgramFolder("C:\\shipped");
    HMENU root = ::CreatePopupMenu();
    manager.SetMenuRoot(root);
    manager.SetBarBox(host.Handle());
    ASSERT_TRUE(manager.OpenRegistry());
    manager.LoadRegistry();  // false while plug-ins of other kinds are missing from the copy
    for (const JTFailedPlugin& failed : manager.FailedPlugins())
        EXPECT_TRUE(failed.fileName != "Starter.KTP" && failed.fileName != "Hide.KTP") << failed.reason;
    ASSERT_TRUE(manager.BuildMenu());
    ASSERT_TRUE(manager.BuildBar());

    std::vector<std::string> names;
    for (int i = 0; i < manager.Plugins().Count(); ++i) {
        JTPlugin* plugin = manager.Plugins().At(i);
        names.push_back(plugin->Name());
        EXPECT_EQ("Security", plugin->Kind());
        EXPECT_EQ("0.8", plugin->Version());
        ASSERT_TRUE(plugin->BarButton());
        EXPECT_EQ(plugin->Name(), plugin->BarButton()->HintText());
    }
    EXPECT_EQ((std::vector<std::string>{"Starter", "Hide"}), names);

    ASSERT_EQ(1, ::GetMenuItemCount(root));
    char caption[64] = {};
    ::GetMenuStringA(root, 0, caption, sizeof caption, MF_BYPOSITION);
    EXPECT_STREQ("Security", caption);
    HMENU security = ::GetSubMenu(root, 0);
    ASSERT_EQ(2, ::GetMenuItemCount(security));

    // Each menu entry opens its tool window.
    for (int i = 0; i < 2; ++i) {
        const std::string window = i == 0 ? "Start program" : "Hide";
        WhenWindowOpens close(window, nullptr);
        EXPECT_TRUE(manager.HandleCommand(static_cast<int>(::GetMenuItemID(security, i))));
        EXPECT_TRUE(close.Seen()) << window;
    }
    manager.UnloadAll();
    ::DestroyMenu(root);
}

} // namespace
} // namespace kelt
