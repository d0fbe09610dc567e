// The Scrub tool window on the test prefix: entry counts, nothing deleted when nothing is
// ticked, recent documents cleared with their per-extension lists, the row menu, and a list
// that could not be cleared named in the answer.
#include <gtest/gtest.h>

#include <windows.h>
#include <aclapi.h>

#include <string>
#include <vector>

#include "catalogue/platform/history_key.h"
#include "plugins/scrub/scrub_ids.h"
#include "tests/gui/plugin_util/tool_window.h"
#include "tests/windows/platform/test_key.h"

using namespace kelt;
using namespace kelt::testing;

namespace {

const std::string kExplorer = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";
const std::string kRecentDocs = kExplorer + "RecentDocs";
const std::string kRunMRU = kExplorer + "RunMRU";
const std::string kTypedURLs = "Software\\Microsoft\\Internet Explorer\\TypedURLs";
const std::string kOpenSave = kExplorer + "ComDlg32\\OpenSavePidlMRU";

int ValueCount(const std::string& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return -1;
    DWORD values = 0;
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                     nullptr);
    RegCloseKey(key);
    return static_cast<int>(values);
}

void Fill(const std::string& path, int entries, const char* marker)
{
    for (int i = 0; i < entries; ++i)
        RawSetString(path, std::string(1, static_cast<char>('a' + i)), "entry");
    if (marker)
        RawSetString(path, marker, "abc");
}

std::vector<std::string> Rows(HWND form, int listId)
{
    std::vector<std::string> rows;
    HWND list = ::GetDlgItem(form, listId);
    for (int row = 0; row < RowCount(list); ++row)
        rows.push_back(RowText(list, row) + (Ticked(list, row) ? " [x]" : " [ ]"));
    return rows;
}

void RightClick(HWND form, HWND list, POINT client)
{
    ::ClientToScreen(list, &client);
    ::SendMessageA(form, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list), MAKELPARAM(client.x, client.y));
}

POINT RowCentre(HWND list, int row)
{
    RECT rect{};
    ::SendMessageA(list, LB_GETITEMRECT, row, reinterpret_cast<LPARAM>(&rect));
    return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

class ScrubWindow : public ::testing::Test {
protected:
    void SetUp() override { Clean(); }
    void TearDown() override { Clean(); }
    static void Clean()
    {
        for (const std::string& path : {kRecentDocs, kRunMRU, kTypedURLs, kOpenSave}) {
            TRegistry registry;
            registry.SetRootKey(HKEY_CURRENT_USER);
            registry.DeleteKey(path);
        }
    }
};

TEST_F(ScrubWindow, RowsCountTheirEntriesAndNothingUntickedIsDeleted)
{
    Fill(kRunMRU, 3, "MRUList");
    Fill(kTypedURLs, 2, nullptr);
    Fill(kOpenSave + "\\*", 4, "MRUListEx");
    Fill(kOpenSave + "\\txt", 1, "MRUListEx");
    ScriptedDialogs dialogs;
    ToolPlugin tool("Scrub");
    ASSERT_TRUE(tool.Loaded());
    std::vector<std::string> system, application, later;
    ASSERT_TRUE(tool.Run("Clear kind of History", [&](HWND form) {
        system = Rows(form, IDC_SYSTEM_LIST);
        application = Rows(form, IDC_APPLICATION_LIST);
        later = Rows(form, IDC_LATER_LIST);
        for (int id : {IDC_SYSTEM_UNCHECK_ALL, IDC_APPLICATION_UNCHECK_ALL, IDC_LATER_UNCHECK_ALL})
            Click(form, id);
        Click(form, IDC_SCRUB_APPLY);
    }));
    EXPECT_EQ((std::vector<std::string>{
                  "Clear Internet Explorer typed URL history (2) [x]",
                  "Clear Recent document history (0) [x]",
                  "Clear Find document history (0) [x]",
                  "Clear Find Computer history (0) [x]",
                  "Clear Cached Command Lines from the Run menu (3) [x]",
              }),
              system);
    EXPECT_EQ((std::vector<std::string>{
                  "Clear the Recent Play List from Windows Media Player (0) [x]",
                  "Clear the Netmeeting Call history (0) [x]",
              }),
              application);
    ASSERT_EQ(6u, later.size());
    EXPECT_EQ("Clear the files of the Open and Save dialogs (4) [x]", later[2]);
    EXPECT_EQ(4, ValueCount(kRunMRU));
    EXPECT_EQ(2, ValueCount(kTypedURLs));
    EXPECT_EQ(5, ValueCount(kOpenSave + "\\*"));
    ASSERT_EQ(1u, dialogs.boxes.size());
    EXPECT_EQ("Finish", dialogs.boxes[0].text);
    EXPECT_EQ("OK", dialogs.boxes[0].caption);
    EXPECT_EQ(static_cast<UINT>(MB_ICONINFORMATION), dialogs.boxes[0].flags);
}

TEST_F(ScrubWindow, RecentDocumentsGoWithTheirPerExtensionListsWhileTheKeysStay)
{
    Fill(kRecentDocs, 3, "MRUListEx");
    Fill(kRecentDocs + "\\.txt", 2, "MRUListEx");
    Fill(kRecentDocs + "\\Folder\\Deeper", 1, "MRUListEx");
    RawSetString(kRecentDocs, "", "the unnamed value too");
    Fill(kRunMRU, 2, "MRUList");
    ScriptedDialogs dialogs;
    ToolPlugin tool("Scrub");
    std::string before, after;
    ASSERT_TRUE(tool.Run("Clear kind of History", [&](HWND form) {
        HWND list = ::GetDlgItem(form, IDC_SYSTEM_LIST);
        before = RowText(list, 1);
        ClickTick(list, 4);  // the Run history stays
        Click(form, IDC_SCRUB_APPLY);
        after = RowText(list, 1);
    }));
    EXPECT_EQ("Clear Recent document history (3)", before);
    EXPECT_EQ("Clear Recent document history (0)", after);
    for (const std::string& path : {kRecentDocs, kRecentDocs + "\\.txt", kRecentDocs + "\\Folder\\Deeper"})
        EXPECT_EQ(0, ValueCount(path)) << path;  // 0, not -1: the key is still there
    EXPECT_EQ(3, ValueCount(kRunMRU));
    ASSERT_EQ(1u, dialogs.boxes.size());
    EXPECT_EQ("Finish", dialogs.boxes[0].text);
}

TEST_F(ScrubWindow, TheRowMenuFlipsTheRowUnderThePointerAndBelowTheRowsThereIsNone)
{
    ScriptedDialogs dialogs;
    ToolPlugin tool("Scrub");
    std::vector<std::vector<std::string>> menus;
    std::vector<bool> ticks;
    ASSERT_TRUE(tool.Run("Clear kind of History", [&](HWND form) {
        HWND list = ::GetDlgItem(form, IDC_APPLICATION_LIST);
        MenuWatcher watcher;
        RECT client{};
        ::GetClientRect(list, &client);
        RightClick(form, list, POINT{20, client.bottom - 3});  // below the two rows
        ticks.push_back(Ticked(list, 1));

        RightClick(form, list, RowCentre(list, 1));
        ::SendMessageA(form, WM_COMMAND, MAKEWPARAM(IDM_SCRUB_CHECK_CMD, 0), 0);
        ticks.push_back(Ticked(list, 1));
        RightClick(form, list, RowCentre(list, 1));
        ::SendMessageA(form, WM_COMMAND, MAKEWPARAM(IDM_SCRUB_CHECK_CMD, 0), 0);
        ticks.push_back(Ticked(list, 1));
        ticks.push_back(Ticked(list, 0));
        menus = watcher.menus;
    }));
    EXPECT_EQ((std::vector<std::vector<std::string>>{{"Uncheck Selected"}, {"Check Selected"}}), menus);
    EXPECT_EQ((std::vector<bool>{true, false, true, true}), ticks);
}

TEST_F(ScrubWindow, AListThatCouldNotBeClearedIsNamed)
{
    Fill(kRunMRU, 2, "MRUList");
    Fill(kTypedURLs, 1, nullptr);
    // Nobody may change the values of the Run history.
    std::string object = "CURRENT_USER\\" + kRunMRU;
    EXPLICIT_ACCESSA entries[2]{};
    for (EXPLICIT_ACCESSA& entry : entries) {
        entry.Trustee.TrusteeForm = TRUSTEE_IS_NAME;
        entry.Trustee.ptstrName = const_cast<char*>("EVERYONE");
    }
    entries[0] = {KEY_SET_VALUE, DENY_ACCESS, NO_INHERITANCE, entries[0].Trustee};
    entries[1] = {KEY_READ, SET_ACCESS, NO_INHERITANCE, entries[1].Trustee};
    PACL acl = nullptr;
    ASSERT_EQ(0u, SetEntriesInAclA(2, entries, nullptr, &acl));
    ASSERT_EQ(0u, SetNamedSecurityInfoA(&object[0], SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                        acl, nullptr));
    LocalFree(acl);

    ScriptedDialogs dialogs;
    ToolPlugin tool("Scrub");
    ASSERT_TRUE(tool.Run("Clear kind of History", [&](HWND form) { Click(form, IDC_SCRUB_APPLY); }));
    SetNamedSecurityInfoA(&object[0], SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr, nullptr, nullptr);

    EXPECT_EQ(3, ValueCount(kRunMRU));
    EXPECT_EQ(0, ValueCount(kTypedURLs));
    ASSERT_EQ(1u, dialogs.boxes.size());
    EXPECT_EQ("These histories could not be cleared completely:\nClear Cached Command Lines from the Run menu",
              dialogs.boxes[0].text);
    EXPECT_EQ("Error", dialogs.boxes[0].caption);
    EXPECT_EQ(static_cast<UINT>(MB_ICONERROR), dialogs.boxes[0].flags);
}

// The shared clearing routine never works on a whole root, whatever path it is given.
TEST(EraseHistoryKey, NeverClearsARootAndCreatesNothing)
{
    RawSetString("Software\\KeltrixRootGuard", "v", "x");
    EXPECT_FALSE(EraseHistoryKey("HKCU"));
    EXPECT_FALSE(EraseHistoryKey("HKCU\\"));
    EXPECT_FALSE(EraseHistoryKey("hkcu\\Software\\KeltrixRootGuard"));
    EXPECT_EQ(1, ValueCount("Software\\KeltrixRootGuard"));
    EXPECT_TRUE(EraseHistoryKey("HKCU\\Software\\KeltrixNoSuchKey"));
    EXPECT_EQ(-1, ValueCount("Software\\KeltrixNoSuchKey"));
}

} // namespace
