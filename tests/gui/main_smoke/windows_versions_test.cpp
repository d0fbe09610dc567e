// The staged program on the Windows versions Wine can pretend to be: the caption names the
// running Windows, and exactly the tweaks whose families include it are offered as suited.
#include <windows.h>
#include <commctrl.h>

#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "storage/xdb_dataset.h"
#include "tests/gui/main_smoke/program_probe.h"

namespace kelt {
namespace {

void SetString(HKEY root, const char* key, const char* name, const char* value)
{
    HKEY k = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(root, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &k, nullptr), ERROR_SUCCESS);
    ::RegSetValueExA(k, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), static_cast<DWORD>(strlen(value) + 1));
    ::RegCloseKey(k);
}

void SetDword(HKEY root, const char* key, const char* name, DWORD value)
{
    HKEY k = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(root, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &k, nullptr), ERROR_SUCCESS);
    ::RegSetValueExA(k, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    ::RegCloseKey(k);
}

// Row caption -> family mask, from the staged tables the program reads.
std::map<std::string, int> MasksOfTheShippedTweaks(const std::string& folder)
{
    std::map<std::string, int> masks;
    for (const char* file : {"KeltckItems.xdb", "KeltedItems.xdb"}) {
        TXdbTable table;
        table.LoadFromFile(folder + file);
        table.Open();
        table.First();
        table.Next();  // the first row names the table's version
        for (; !table.Eof(); table.Next())
            masks[table.FieldByName("sDescribe").AsString()] = table.FieldByName("iOSType").AsInteger();
    }
    return masks;
}

struct RowSearch {
    HWND top;
    const std::map<std::string, int>* masks;
    std::map<std::string, bool> enabled;  // caption -> enabled (with every parent)
};

BOOL CALLBACK CollectRow(HWND hwnd, LPARAM lParam)
{
    auto* search = reinterpret_cast<RowSearch*>(lParam);
    char text[256] = {};
    ::GetWindowTextA(hwnd, text, sizeof text);
    if (!search->masks->count(text))
        return TRUE;
    bool enabled = true;
    for (HWND w = hwnd; w && w != search->top; w = ::GetParent(w))
        enabled = enabled && ::IsWindowEnabled(w);
    search->enabled[text] = search->enabled[text] || enabled;
    return TRUE;
}

BOOL CALLBACK FindTabControl(HWND hwnd, LPARAM lParam)
{
    char name[64] = {};
    ::GetClassNameA(hwnd, name, sizeof name);
    if (std::string(name) != WC_TABCONTROLA)
        return TRUE;
    *reinterpret_cast<HWND*>(lParam) = hwnd;
    return FALSE;
}

HWND FindTabs(HWND window)
{
    HWND found = nullptr;
    ::EnumChildWindows(window, FindTabControl, reinterpret_cast<LPARAM>(&found));
    return found;
}

TEST(StagedProgramOnEachWindows, NamesItAndOffersExactlyItsTweaks)
{
    const std::string folder = probe::StageFolder();
    const std::map<std::string, int> masks = MasksOfTheShippedTweaks(folder);
    ASSERT_GT(masks.size(), 100u);

    // Expanded rows with unsuited ones shown disabled, so each row tells its verdict; page tabs,
    // so the test can step through the pages with the arrow key as a user can.
    const char* options = "SoftWare\\Dorvane\\Keltrix 0.8\\Options";
    SetDword(HKEY_LOCAL_MACHINE, options, "ExpandItems", 1);
    SetDword(HKEY_LOCAL_MACHINE, options, "NotSuitShow", 0);
    SetDword(HKEY_LOCAL_MACHINE, options, "MainLayout", 1);

    // Wine has no setting for 11: without its own version setting it reports the version and
    // build that the registry's CurrentVersion key holds.
    const struct {
        const char* wineVersion;  // null: the registry's version and build below
        int family;
        const char* name;
    } windows[] = {
        {"winxp", 32, "WindowsXP"},
        {"win7", 256, "Windows7"},
        {"win10", 1024, "Windows10"},
        {nullptr, 2048, "Windows11"},
    };
    const char* ntVersion = "Software\\Microsoft\\Windows NT\\CurrentVersion";
    for (const auto& w : windows) {
        SCOPED_TRACE(w.name);
        if (w.wineVersion) {
            SetString(HKEY_CURRENT_USER, "Software\\Wine", "Version", w.wineVersion);
        } else {
            HKEY wine = nullptr;
            if (::RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Wine", 0, KEY_SET_VALUE, &wine) == ERROR_SUCCESS) {
                ::RegDeleteValueA(wine, "Version");
                ::RegCloseKey(wine);
            }
            SetString(HKEY_LOCAL_MACHINE, ntVersion, "CurrentVersion", "10.0");
            SetString(HKEY_LOCAL_MACHINE, ntVersion, "CurrentBuildNumber", "22631");
            SetString(HKEY_LOCAL_MACHINE, ntVersion, "CurrentBuild", "22631");
        }
        HANDLE process = probe::Start(folder);
        ASSERT_TRUE(process);
        HWND window = probe::WaitReady(process, 120000);
        ASSERT_TRUE(window) << "no ready main window";
        EXPECT_EQ(probe::Caption(window), std::string("Keltrix--[Now Running Under:") + w.name + " ]");

        // Rows are made when their page first shows: visit every page.
        RowSearch search{window, &masks, {}};
        HWND tabs = FindTabs(window);
        ASSERT_TRUE(tabs) << "no page tabs";
        const int pages = static_cast<int>(::SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0));
        ASSERT_GT(pages, 5);
        for (int page = 0; page < pages; ++page) {
            if (page > 0)
                ::SendMessageA(tabs, WM_KEYDOWN, VK_RIGHT, 0);
            EXPECT_EQ(::SendMessageA(tabs, TCM_GETCURSEL, 0, 0), page);
            ::EnumChildWindows(window, CollectRow, reinterpret_cast<LPARAM>(&search));
        }
        for (const auto& [caption, mask] : masks)
            EXPECT_TRUE(search.enabled.count(caption)) << "no row for " << caption;
        int suited = 0;
        for (const auto& [caption, enabled] : search.enabled) {
            const bool expected = (masks.at(caption) & w.family) != 0;
            EXPECT_EQ(enabled, expected) << caption;
            suited += expected;
        }
        std::printf("%s: %d of %zu tweaks suited\n", w.name, suited, masks.size());
        EXPECT_EQ(probe::CloseThroughMenu(process, window, 60000), 0u);
        ::CloseHandle(process);
    }
}

} // namespace
} // namespace kelt
