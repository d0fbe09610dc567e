// Applets, Scrub and Relocate load in the host under their kinds, each with its own 32 x 32,
// 256-colour glyph and the version resource it ships with.
#include <gtest/gtest.h>

#include <windows.h>

#include <set>
#include <string>
#include <vector>

#include "plugins/host/plugin_library.h"
#include "plugins/host/plugin_manager.h"
#include "tests/gui/plugin_util/tool_window.h"
#include "tests/windows/plugins/plugin_folder.h"

using namespace kelt;
using namespace kelt::testing;

namespace {

// The file version text of a library's version resource; "<none>" without one.
std::string FileVersion(const std::string& file)
{
    DWORD handle = 0;
    std::vector<char> data(::GetFileVersionInfoSizeA(file.c_str(), &handle));
    char* text = nullptr;
    UINT length = 0;
    if (data.empty() || !::GetFileVersionInfoA(file.c_str(), 0, static_cast<DWORD>(data.size()), data.data()) ||
        !::VerQueryValueA(data.data(), "\\StringFileInfo\\040904E4\\FileVersion", reinterpret_cast<void**>(&text),
                          &length))
        return "<none>";
    return text;
}

TEST(ToolPlugins, LoadUnderTheirKindsWithTheirOwnGlyphAndVersion)
{
    struct Expected {
        std::string name, kind, fileVersion;
    };
    const std::vector<Expected> plugins = {
        {"Applets", "Security", "0.80"},
        {"Scrub", "Clear", "<none>"},
        {"Relocate", "System", "0.8.0.0"},
    };
    std::set<std::string> glyphs;
    for (const Expected& expected : plugins) {
        SCOPED_TRACE(expected.name);
        JTPlugin plugin(0, StagedPlugin(expected.name));
        ASSERT_EQ(1, plugin.Load()) << plugin.LoadFailure();
        EXPECT_EQ(expected.name, plugin.Name());
        EXPECT_EQ("Dnv", plugin.Author());
        EXPECT_EQ(expected.kind, plugin.Kind());
        EXPECT_EQ(expected.name, plugin.MenuText());
        EXPECT_EQ("0.8", plugin.Version());
        EXPECT_EQ("2003", plugin.Copyright());
        EXPECT_EQ(expected.fileVersion, FileVersion(plugin.FileName()));

        HRSRC resource = ::FindResourceA(plugin.Module(), "Glyph", reinterpret_cast<LPCSTR>(RT_BITMAP));
        ASSERT_TRUE(resource);
        const auto* header = static_cast<const BITMAPINFOHEADER*>(
            ::LockResource(::LoadResource(plugin.Module(), resource)));
        ASSERT_TRUE(header);
        EXPECT_EQ(32, header->biWidth);
        EXPECT_EQ(32, std::abs(header->biHeight));
        EXPECT_EQ(8, header->biBitCount);
        glyphs.insert(std::string(reinterpret_cast<const char*>(header), ::SizeofResource(plugin.Module(), resource)));
    }
    EXPECT_EQ(plugins.size(), glyphs.size()) << "each plug-in has a picture of its own";
}

// The shipped plug-in registry with the three files beside it: the host loads each into the
// submenu of its kind.
TEST(ToolPlugins, TheHostLoadsThemFromTheShippedRegistryUnderTheirKinds)
{
    PluginFolder folder;
    for (const char* file : {"KeltPlugins.ini", "Applets.KTP", "Scrub.KTP", "Relocate.KTP"})
        ASSERT_TRUE(::CopyFileA((WindowsPathOf("KELT_STAGE_DIR") + "\\Plugins\\" + file).c_str(),
                                (folder.Plugins() + "\\" + file).c_str(), FALSE))
            << file;
    TopWindow host;
    JTPluginManager manager(host.Handle());
    manager.SetPluginFolder(folder.Plugins());
    manager.SetProgramFolder(folder.Root());
    ASSERT_TRUE(manager.OpenRegistry());
    manager.LoadRegistry();
    std::vector<std::string> loaded;
    for (int i = 0; i < manager.Plugins().Count(); ++i)
        loaded.push_back(manager.Plugins().At(i)->Kind() + "/" + manager.Plugins().At(i)->Name());
    EXPECT_EQ((std::vector<std::string>{"Security/Applets", "Clear/Scrub", "System/Relocate"}), loaded);

    ui::UniqueMenu root(::CreatePopupMenu());
    manager.SetMenuRoot(root.get());
    ASSERT_TRUE(manager.BuildMenu());
    std::vector<std::string> submenus;
    for (int i = 0; i < ::GetMenuItemCount(root.get()); ++i) {
        char caption[64] = {}, entry[64] = {};
        ::GetMenuStringA(root.get(), i, caption, sizeof caption, MF_BYPOSITION);
        ::GetMenuStringA(::GetSubMenu(root.get(), i), 0, entry, sizeof entry, MF_BYPOSITION);
        submenus.push_back(std::string(caption) + "/" + entry);
    }
    EXPECT_EQ((std::vector<std::string>{"Security/Applets", "Clear/Scrub", "System/Relocate"}), submenus);
}

// Each delivered tool leaves no window of its own behind once its Execute has returned.
TEST(ToolPlugins, NoneLeavesAWindowBehind)
{
    ScriptedDialogs dialogs;
    const std::vector<std::pair<std::string, std::string>> tools = {
        {"Starter", "Start program"}, {"Hide", "Hide"}, {"Applets", "Form1"}, {"Scrub", "Clear kind of History"},
        {"Relocate", "Change the Location of System and Special Folders"}};
    for (const auto& [name, caption] : tools) {
        SCOPED_TRACE(name);
        JTPlugin plugin(0, StagedPlugin(name));
        ASSERT_EQ(1, plugin.Load()) << plugin.LoadFailure();
        plugin::ScopedPluginTestHooks hooks(plugin.Module());
        {
            WhenWindowOpens close(caption, nullptr);
            EXPECT_EQ(1, plugin.Execute(0));
            ASSERT_TRUE(close.Seen());
        }
        EXPECT_FALSE(ModuleHasWindows(plugin.Module()));
    }
}

} // namespace
