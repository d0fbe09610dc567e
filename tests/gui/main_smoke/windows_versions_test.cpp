// The staged program on the Windows versions and editions Wine can pretend to be: the caption
// names the running Windows, exactly the tweaks whose families and editions include it are offered
// as suited, and a tweak for other editions says so in its State column and its details.
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

struct Tweak {
    int families = 0;
    int editions = 0;  // 0: every edition
};

// Row caption -> families and editions, from the staged tables the program reads.
std::map<std::string, Tweak> TheShippedTweaks(const std::string& folder)
{
    std::map<std::string, Tweak> tweaks;
    for (const char* file : {"KeltckItems.xdb", "KeltedItems.xdb"}) {
        TXdbTable table;
        table.LoadFromFile(folder + file);
        table.Open();
        table.First();
        table.Next();  // the first row names the table's version
        for (; !table.Eof(); table.Next())
            tweaks[table.FieldByName("sDescribe").AsString()] = {table.FieldByName("iOSType").AsInteger(),
                                                                 table.FieldByName("iEditions").AsInteger()};
    }
    return tweaks;
}

void SetEdition(const char* editionId)
{
    SetString(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows NT\\CurrentVersion", "EditionID", editionId);
}

// Windows 11 as Wine reports it without a version setting of its own: the version and build
// that the registry's CurrentVersion key holds.
void PretendWindows11()
{
    HKEY wine = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Wine", 0, KEY_SET_VALUE, &wine) == ERROR_SUCCESS) {
        ::RegDeleteValueA(wine, "Version");
        ::RegCloseKey(wine);
    }
    const char* ntVersion = "Software\\Microsoft\\Windows NT\\CurrentVersion";
    SetString(HKEY_LOCAL_MACHINE, ntVersion, "CurrentVersion", "10.0");
    SetString(HKEY_LOCAL_MACHINE, ntVersion, "CurrentBuildNumber", "22631");
    SetString(HKEY_LOCAL_MACHINE, ntVersion, "CurrentBuild", "22631");
}

struct RowSearch {
    HWND top;
    const std::map<std::string, Tweak>* masks;
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
    const std::map<std::string, Tweak> masks = TheShippedTweaks(folder);
    ASSERT_GT(masks.size(), 100u);

    // Expanded rows with unsuited ones shown disabled, so each row tells its verdict; page tabs,
    // so the test can step through the pages with the arrow key as a user can.
    const char* options = "SoftWare\\Dorvane\\Keltrix 0.8\\Options";
    SetDword(HKEY_LOCAL_MACHINE, options, "ExpandItems", 1);
    SetDword(HKEY_LOCAL_MACHINE, options, "NotSuitShow", 0);
    SetDword(HKEY_LOCAL_MACHINE, options, "MainLayout", 1);

    // Wine has no setting for 11 (see PretendWindows11).
    const struct {
        const char* wineVersion;  // null: Windows 11
        int family;
        const char* name;
        const char* editionId;
        int edition;
    } windows[] = {
        {"winxp", 32, "WindowsXP", "Professional", 2},
        {"win7", 256, "Windows7", "Professional", 2},
        {"win10", 1024, "Windows10", "Professional", 2},
        {nullptr, 2048, "Windows11", "Professional", 2},
        {nullptr, 2048, "Windows11", "Enterprise", 4},
    };
    for (const auto& w : windows) {
        SCOPED_TRACE(std::string(w.name) + " " + w.editionId);
        if (w.wineVersion)
            SetString(HKEY_CURRENT_USER, "Software\\Wine", "Version", w.wineVersion);
        else
            PretendWindows11();
        SetEdition(w.editionId);
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
        for (const auto& [caption, tweak] : masks)
            EXPECT_TRUE(search.enabled.count(caption)) << "no row for " << caption;
        int suited = 0;
        for (const auto& [caption, enabled] : search.enabled) {
            const Tweak& tweak = masks.at(caption);
            const bool expected = (tweak.families & w.family) != 0 && (tweak.editions == 0 || (tweak.editions & w.edition) != 0);
            EXPECT_EQ(enabled, expected) << caption;
            suited += expected;
        }
        std::printf("%s %s: %d of %zu tweaks suited\n", w.name, w.editionId, suited, masks.size());
        EXPECT_EQ(probe::CloseThroughMenu(process, window, 60000), 0u);
        ::CloseHandle(process);
    }
}

// Memory in the program's process for list view requests, which carry pointers.
class RemoteList {
public:
    RemoteList(HANDLE process, HWND list) : process_(process), list_(list)
    {
        memory_ = static_cast<char*>(::VirtualAllocEx(process, nullptr, 4096, MEM_COMMIT, PAGE_READWRITE));
    }
    ~RemoteList() { ::VirtualFreeEx(process_, memory_, 0, MEM_RELEASE); }
    RemoteList(const RemoteList&) = delete;
    RemoteList& operator=(const RemoteList&) = delete;

    int Count() const { return static_cast<int>(::SendMessageA(list_, LVM_GETITEMCOUNT, 0, 0)); }
    std::string Text(int row, int column) const
    {
        LVITEMA item{};
        item.iSubItem = column;
        item.pszText = memory_ + 512;
        item.cchTextMax = 1024;
        ::WriteProcessMemory(process_, memory_, &item, sizeof item, nullptr);
        ::SendMessageA(list_, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(memory_));
        char text[1024] = {};
        ::ReadProcessMemory(process_, memory_ + 512, text, sizeof text - 1, nullptr);
        return text;
    }
    void Select(int row) const
    {
        LVITEMA item{};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        item.state = LVIS_SELECTED | LVIS_FOCUSED;
        ::WriteProcessMemory(process_, memory_, &item, sizeof item, nullptr);
        ::SendMessageA(list_, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(memory_));
    }

private:
    HANDLE process_;
    HWND list_;
    char* memory_ = nullptr;
};

struct ChildSearch {
    const char* className;
    LONG style;  // every one of these style bits
    HWND found;
};

BOOL CALLBACK FindVisibleChild(HWND hwnd, LPARAM lParam)
{
    auto* search = reinterpret_cast<ChildSearch*>(lParam);
    char name[64] = {};
    ::GetClassNameA(hwnd, name, sizeof name);
    if (_stricmp(name, search->className) != 0 || !::IsWindowVisible(hwnd) ||
        (::GetWindowLongA(hwnd, GWL_STYLE) & search->style) != search->style)
        return TRUE;
    search->found = hwnd;
    return FALSE;
}

HWND VisibleChild(HWND window, const char* className, LONG style = 0)
{
    ChildSearch search{className, style, nullptr};
    ::EnumChildWindows(window, FindVisibleChild, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

TEST(StagedProgramOnAnEdition, ATweakForOtherEditionsSaysSoInItsStateAndItsDetails)
{
    const std::string folder = probe::StageFolder();
    const std::map<std::string, Tweak> tweaks = TheShippedTweaks(folder);
    const char* options = "SoftWare\\Dorvane\\Keltrix 0.8\\Options";
    SetDword(HKEY_LOCAL_MACHINE, options, "ExpandItems", 0);
    SetDword(HKEY_LOCAL_MACHINE, options, "NotSuitShow", 0);
    SetDword(HKEY_LOCAL_MACHINE, options, "MainLayout", 1);
    PretendWindows11();
    SetEdition("Professional");

    HANDLE process = probe::Start(folder);
    ASSERT_TRUE(process);
    HWND window = probe::WaitReady(process, 120000);
    ASSERT_TRUE(window) << "no ready main window";
    HWND tabs = FindTabs(window);
    ASSERT_TRUE(tabs);
    const int pages = static_cast<int>(::SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0));
    int limited = 0;
    std::string details;
    for (int page = 0; page < pages; ++page) {
        if (page > 0)
            ::SendMessageA(tabs, WM_KEYDOWN, VK_RIGHT, 0);
        HWND list = VisibleChild(window, WC_LISTVIEWA);
        ASSERT_TRUE(list) << "no compact list on page " << page;
        RemoteList rows(process, list);
        for (int row = 0; row < rows.Count(); ++row) {
            const std::string caption = rows.Text(row, 0);
            const Tweak& tweak = tweaks.at(caption);
            if (tweak.editions != (4 | 8) || (tweak.families & 2048) == 0)  // Enterprise and Education
                continue;
            EXPECT_EQ(rows.Text(row, 1), "(Enterprise and Education only)") << caption;
            if (limited++ == 0) {
                ::ShowWindow(window, SW_MAXIMIZE);
                ::SendMessageA(list, LVM_ENSUREVISIBLE, row, FALSE);
                rows.Select(row);
                ::Sleep(500);
                probe::SaveScreenAs("edition-state.bmp");
                HWND memo = VisibleChild(window, "Edit", ES_MULTILINE | ES_READONLY);
                ASSERT_TRUE(memo);
                char text[4096] = {};
                ::SendMessageA(memo, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
                details = text;
                EXPECT_EQ(details.find("Setting:" + caption + "\r\nNot available here: This setting works only on the "
                                       "Enterprise and Education editions of Windows.\r\n"),
                          0u)
                    << details;
            }
        }
    }
    EXPECT_GT(limited, 5) << "tweaks for Enterprise and Education found in the compact lists";
    EXPECT_EQ(probe::CloseThroughMenu(process, window, 60000), 0u);
    ::CloseHandle(process);
}

} // namespace
} // namespace kelt
