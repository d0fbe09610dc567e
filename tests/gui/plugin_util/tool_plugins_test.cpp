// Applets, Scrub and Relocate load in the host under their kinds, each with its own 32 x 32,
// 256-colour glyph and the version resource it ships with.
#include <gtest/gtest.h>

#include <windows.h>

#include <set>
#include <string>
#include <vector>

#include "tests/gui/plugin_util/tool_window.h"

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

} // namespace
