// Starter and Hide as the program finds them: registered in the shipped plug-in registry,
// loaded by the host's plug-in manager, listed under "Security" in the menu and on the bar,
// started from their menu entries, and Hide uninstalled from the plug-in dialog.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "plugins/host/config_plugin_form.h"
#include "plugins/host/plugin_host_ids.h"
#include "plugins/host/plugin_manager.h"
#include "plugins/host/plugin_options.h"
#include "plugins/sdk/test_hooks_bridge.h"
#include "tests/windows/platform/test_key.h"
#include "tests/windows/plugins/plugin_folder.h"
#include "tests/windows/plugins/plugin_test_support.h"
#include "ui/handles.h"
#include "ui/seams.h"

namespace kelt {
namespace {

using namespace kelt::testing;

// A copy of the program folder's Plugins with Starter and Hide, loaded by the host's plug-in
// manager, so the registry the manager keeps stays ours.
class ShippedPlugins : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string staged = WindowsPathOf("KELT_STAGE_DIR") + "\\Plugins\\";
        ::CreateDirectoryA("C:\\shipped", nullptr);
        ::CreateDirectoryA(folder.c_str(), nullptr);
        for (const char* file : {"KeltPlugins.ini", "Starter.KTP", "Hide.KTP"})
            ASSERT_TRUE(::CopyFileA((staged + file).c_str(), (folder + "\\" + file).c_str(), FALSE)) << file;
        manager.SetPluginFolder(folder);
        manager.SetProgramFolder("C:\\shipped");
        manager.SetMenuRoot(root);
        manager.SetBarBox(host.Handle());
        ASSERT_TRUE(manager.OpenRegistry());
        manager.LoadRegistry();  // false while plug-ins of other kinds are missing from the copy
        for (const JTFailedPlugin& failed : manager.FailedPlugins())
            EXPECT_TRUE(failed.fileName != "Starter.KTP" && failed.fileName != "Hide.KTP") << failed.reason;
    }
    void TearDown() override
    {
        manager.UnloadAll();
        ::DestroyMenu(root);
    }

    // A folder for each test: a library once loaded stays loaded, and its file cannot be replaced.
    const std::string folder =
        "C:\\shipped\\" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name());
    TopWindow host{"Plug-in host"};
    JTPluginManager manager{host.Handle()};
    HMENU root = ::CreatePopupMenu();
};

TEST_F(ShippedPlugins, StarterAndHideLoadUnderSecurity)
{
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
}

struct NoOptions : JTPluginHostOptions {
    bool ScanPlugins() const override { return false; }
    void SetScanPlugins(bool) override {}
    bool AutoInst() const override { return false; }
    void SetAutoInst(bool) override {}
    bool UseXPMenu() const override { return false; }
    void Save() override {}
};

// Uninstalling Hide in the plug-in dialog offers first to give the folders it masked their
// names back: Cancel keeps Hide and the mask; Yes unmasks, then Hide goes.
TEST_F(ShippedPlugins, UninstallingHideOffersToUnmaskWhatItMasked)
{
    const std::string plain = "C:\\shipped\\Docs", masked = plain + ".{645FF040-5081-101B-9F08-00AA002F954E}";
    ASSERT_TRUE(::CreateDirectoryA(masked.c_str(), nullptr));
    RawSetString("Software\\Dorvane\\Keltrix 0.8\\Hide\\Masked Folders", plain, masked);
    MessageScript messages;
    messages.answers = {IDOK, IDCANCEL, IDOK, IDYES};
    ui::ScopedSeams scripted(messages.Seams());
    ASSERT_EQ("Hide", manager.Plugins().At(1)->Name());
    ui::UniqueModule kept(::LoadLibraryA((folder + "\\Hide.KTP").c_str()));  // outlives its uninstallation
    plugin::ScopedPluginTestHooks bridge(kept.get());
    NoOptions options;
    TKeltConfigPluginForm form(nullptr, options, manager);
    ASSERT_TRUE(form.CreateModeless(host.Handle()));
    HWND tree = ::GetDlgItem(form.Handle(), IDC_CFG_PLUGINS);
    HTREEITEM node = TreeView_GetChild(tree, TreeView_GetRoot(tree));
    node = TreeView_GetNextSibling(tree, node);  // Starter, then Hide
    TreeView_SelectItem(tree, node);

    ::SendMessageA(form.Handle(), WM_COMMAND, MAKEWPARAM(IDC_CFG_UNINSTALL, BN_CLICKED), 0);
    EXPECT_EQ(2, manager.Plugins().Count());
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(masked.c_str()));
    ::SendMessageA(form.Handle(), WM_COMMAND, MAKEWPARAM(IDC_CFG_UNINSTALL, BN_CLICKED), 0);
    EXPECT_EQ(1, manager.Plugins().Count());
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(plain.c_str()));
    ASSERT_EQ(4u, messages.boxes.size());
    EXPECT_EQ("Hide has masked these folders:\n    " + plain +
                  "  (Recycle Bin)\n\nWithout Hide nothing will give them their names back. Unmask them before Hide is "
                  "uninstalled?\nYes: unmask them. No: leave them masked. Cancel: keep Hide installed.",
              messages.boxes[1].text);
    ::RemoveDirectoryA(plain.c_str());
}

} // namespace
} // namespace kelt
