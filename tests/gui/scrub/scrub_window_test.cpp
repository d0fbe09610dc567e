// The Scrub tool window on the test prefix: entry counts, nothing deleted when nothing is
// ticked, recent documents cleared with their per-extension lists and files (pins kept), the
// row menu, and a list that could not be cleared named in the answer.
#include <gtest/gtest.h>

#include <windows.h>
#include <aclapi.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstdint>
#include <string>
#include <vector>

#include "catalogue/platform/history_key.h"
#include "plugins/scrub/scrub_ids.h"
#include "tests/gui/plugin_util/tool_window.h"
#include "tests/windows/platform/test_key.h"
#include "tests/windows/wide_text.h"

using namespace kelt;
using namespace kelt::testing;

namespace {

const std::string kExplorer = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";
const std::string kRecentDocs = kExplorer + "RecentDocs";
const std::string kRunMRU = kExplorer + "RunMRU";
const std::string kTypedURLs = "Software\\Microsoft\\Internet Explorer\\TypedURLs";
const std::string kOpenSave = kExplorer + "ComDlg32\\OpenSavePidlMRU";
const std::string kTypedURLsTime = "Software\\Microsoft\\Internet Explorer\\TypedURLsTime";
const std::string kMediaPlayer = "Software\\Microsoft\\MediaPlayer\\Player\\RecentFileList";

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
        for (const std::string& path : {kRecentDocs, kRunMRU, kTypedURLs, kOpenSave, kTypedURLsTime, kMediaPlayer}) {
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
    ASSERT_EQ(7u, later.size());
    EXPECT_EQ("Clear the files of the Open and Save dialogs (4) [x]", later[2]);
    EXPECT_EQ("Clear jump lists and Quick Access, pinned items included (0) [ ]", later[6]);
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
    dialogs.boxAnswers = {IDOK};
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
    ASSERT_EQ(2u, dialogs.boxes.size());
    EXPECT_EQ("Finish", dialogs.boxes[1].text);
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
    dialogs.boxAnswers = {IDOK};
    ToolPlugin tool("Scrub");
    ASSERT_TRUE(tool.Run("Clear kind of History", [&](HWND form) { Click(form, IDC_SCRUB_APPLY); }));
    SetNamedSecurityInfoA(&object[0], SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr, nullptr, nullptr);

    EXPECT_EQ(3, ValueCount(kRunMRU));
    EXPECT_EQ(0, ValueCount(kTypedURLs));
    ASSERT_EQ(2u, dialogs.boxes.size());
    EXPECT_EQ("These histories could not be cleared completely:\nClear Cached Command Lines from the Run menu",
              dialogs.boxes[1].text);
    EXPECT_EQ("Error", dialogs.boxes[1].caption);
    EXPECT_EQ(static_cast<UINT>(MB_ICONERROR), dialogs.boxes[1].flags);
}

// Enter in a list clears nothing; "Apply" first lists every ticked list that holds anything, on
// every tab, the tabs never opened included, and clears only when the user agrees.
TEST_F(ScrubWindow, ApplyAsksWithEveryTickedListAndEnterClearsNothing)
{
    Fill(kRunMRU, 2, "MRUList");
    Fill(kMediaPlayer, 2, nullptr);
    ScriptedDialogs dialogs;
    dialogs.boxAnswers = {IDCANCEL, IDOK};
    ToolPlugin tool("Scrub");
    bool applyIsDefault = true;
    int afterEnter = 0, afterCancel = 0;
    ASSERT_TRUE(tool.Run("Clear kind of History", [&](HWND form) {
        applyIsDefault = (::GetWindowLongA(::GetDlgItem(form, IDC_SCRUB_APPLY), GWL_STYLE) & 0x0F) == BS_DEFPUSHBUTTON ||
                         LOWORD(::SendMessageA(form, DM_GETDEFID, 0, 0)) == IDC_SCRUB_APPLY;
        // Enter on the focused list, through the dialog's own keyboard handling.
        HWND list = ::GetDlgItem(form, IDC_SYSTEM_LIST);
        ::SetFocus(list);
        ::PostMessageA(list, WM_KEYDOWN, VK_RETURN, 0);
        ::PostMessageA(list, WM_KEYUP, VK_RETURN, 0);
        MSG message;
        while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            if (!::IsDialogMessageA(form, &message)) {
                ::TranslateMessage(&message);
                ::DispatchMessageA(&message);
            }
        afterEnter = ValueCount(kRunMRU);
        Click(form, IDC_SCRUB_APPLY);
        afterCancel = ValueCount(kRunMRU) + ValueCount(kMediaPlayer);
        Click(form, IDC_SCRUB_APPLY);
    }));
    EXPECT_FALSE(applyIsDefault);
    EXPECT_EQ(3, afterEnter);
    EXPECT_EQ(5, afterCancel);
    EXPECT_EQ(0, ValueCount(kRunMRU));
    EXPECT_EQ(0, ValueCount(kMediaPlayer));
    ASSERT_EQ(3u, dialogs.boxes.size());
    EXPECT_EQ("These histories will be cleared:\nSystem History:\n    Clear Cached Command Lines from the Run menu (2)"
              "\nApplication History:\n    Clear the Recent Play List from Windows Media Player (2)\n\nClear them now?",
              dialogs.boxes[0].text);
    EXPECT_EQ("Warning!", dialogs.boxes[0].caption);
    EXPECT_EQ(static_cast<UINT>(MB_OKCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2), dialogs.boxes[0].flags);
    EXPECT_EQ(dialogs.boxes[0].text, dialogs.boxes[1].text);
    EXPECT_EQ("Finish", dialogs.boxes[2].text);
}

std::string RecentFolder()
{
    char path[MAX_PATH] = {};
    ::SHGetFolderPathA(nullptr, CSIDL_RECENT, nullptr, 0, path);
    return path;
}

bool FileThere(const std::string& path)
{
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void Touch(const std::string& path)
{
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ::CloseHandle(file);
}

// A jump list as Windows writes it, in the part that tells pins: a compound file with the index
// stream "DestList", whose header counts the items and those of them pinned.
void WriteJumpList(const std::string& path, std::uint32_t items, std::uint32_t pinned)
{
    IStorage* storage = nullptr;
    IStream* index = nullptr;
    ASSERT_EQ(S_OK, ::StgCreateDocfile(FromUtf8(path).c_str(), STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0,
                                       &storage));
    ASSERT_EQ(S_OK, storage->CreateStream(L"DestList", STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0, 0, &index));
    const std::uint32_t header[8] = {4, items, pinned, 0, items, 0, 1, 0};
    index->Write(header, sizeof header, nullptr);
    index->Release();
    storage->Release();
}

// What the user sees of recent documents goes with the registry list: the Recent folder's
// shortcuts and the jump lists that hold no pinned item. Jump lists with pins, one that cannot
// be read, Quick Access's and the programs' own stay until the user ticks the row that says
// they go. A file that cannot go is named; typed addresses lose their time stamps too.
TEST_F(ScrubWindow, RecentDocumentsTakeTheRecentFolderAndUnpinnedJumpListsAlong)
{
    const std::string recent = RecentFolder();
    ASSERT_FALSE(recent.empty());
    const std::string automatic = recent + "\\AutomaticDestinations\\";
    ::CreateDirectoryA(recent.c_str(), nullptr);
    ::CreateDirectoryA(automatic.c_str(), nullptr);
    ::CreateDirectoryA((recent + "\\CustomDestinations").c_str(), nullptr);
    const std::vector<std::string> gone = {recent + "\\letter.txt.lnk", recent + "\\photo.jpg.lnk",
                                           automatic + "5f7b5f1e01b83767.automaticDestinations-ms"};
    for (const std::string& file : {gone[0], gone[1]})
        Touch(file);
    WriteJumpList(gone[2], 3, 0);
    const std::vector<std::string> pinned = {automatic + "9b9cdc69c1c24e2b.automaticDestinations-ms",
                                             automatic + "f01b4d95cf55d32a.automaticDestinations-ms",  // Quick Access
                                             automatic + "1b4dd67f29cb1962.automaticDestinations-ms",  // unreadable
                                             recent + "\\CustomDestinations\\28c8b86deab549a1.customDestinations-ms"};
    WriteJumpList(pinned[0], 3, 1);
    WriteJumpList(pinned[1], 2, 0);
    Touch(pinned[2]);
    Touch(pinned[3]);
    Touch(recent + "\\desktop.ini");
    const std::string held = recent + "\\held.doc.lnk";
    Touch(held);
    HANDLE holder = ::CreateFileA(held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    Fill(kTypedURLs, 2, nullptr);
    RawSet(kTypedURLsTime, "url1", REG_BINARY, "12345678", 8);
    RawSet(kTypedURLsTime, "url2", REG_BINARY, "12345678", 8);

    ScriptedDialogs dialogs;
    dialogs.boxAnswers = {IDOK, IDOK, IDOK};
    ToolPlugin tool("Scrub");
    std::string row, pinRow;
    bool keptAfterFirst = true;
    ASSERT_TRUE(tool.Run("Clear kind of History", [&](HWND form) {
        HWND list = ::GetDlgItem(form, IDC_SYSTEM_LIST);
        row = RowText(list, 1);
        for (int id : {IDC_SYSTEM_UNCHECK_ALL, IDC_APPLICATION_UNCHECK_ALL, IDC_LATER_UNCHECK_ALL})
            Click(form, id);
        ClickTick(list, 0);
        ClickTick(list, 1);
        Click(form, IDC_SCRUB_APPLY);
        for (const std::string& file : pinned)
            keptAfterFirst = keptAfterFirst && FileThere(file);
        // Now the pins, by their own row alone.
        ClickTick(list, 0);
        ClickTick(list, 1);
        HWND later = ::GetDlgItem(form, IDC_LATER_LIST);
        pinRow = RowText(later, 6);
        ClickTick(later, 6);
        Click(form, IDC_SCRUB_APPLY);
    }));
    ::CloseHandle(holder);
    EXPECT_EQ("Clear Recent document history (3)", row);
    for (const std::string& file : gone)
        EXPECT_FALSE(FileThere(file)) << file;
    EXPECT_TRUE(keptAfterFirst);
    EXPECT_EQ("Clear jump lists and Quick Access, pinned items included (4)", pinRow);
    for (const std::string& file : pinned)
        EXPECT_FALSE(FileThere(file)) << file;
    EXPECT_TRUE(FileThere(recent + "\\desktop.ini"));
    EXPECT_TRUE(FileThere(held));
    EXPECT_EQ(0, ValueCount(kTypedURLs));
    EXPECT_EQ(0, ValueCount(kTypedURLsTime));
    ASSERT_EQ(4u, dialogs.boxes.size());
    EXPECT_EQ("These histories could not be cleared completely:\nClear Recent document history (1 file of " + recent +
                  " could not be deleted)",
              dialogs.boxes[1].text);
    EXPECT_EQ("These histories will be cleared:\nLater Windows History:\n    " + pinRow + "\n\nClear them now?",
              dialogs.boxes[2].text);
    EXPECT_EQ("Finish", dialogs.boxes[3].text);
    ::DeleteFileA(held.c_str());
    ::DeleteFileA((recent + "\\desktop.ini").c_str());
}

// Pointed at another folder (the Desktop, a drive root), the Recent folder keeps its files:
// those shortcuts are the user's own.
TEST_F(ScrubWindow, ARecentFolderOutsideItsOwnPlaceKeepsItsFiles)
{
    const std::string elsewhere = "C:\\scrub-desk";
    ::CreateDirectoryA(elsewhere.c_str(), nullptr);
    Touch(elsewhere + "\\mine.lnk");
    const std::string shellFolders = kExplorer + "User Shell Folders";
    RawSetString(shellFolders, "Recent", elsewhere);
    Fill(kRecentDocs, 2, "MRUListEx");
    ScriptedDialogs dialogs;
    dialogs.boxAnswers = {IDOK};
    ToolPlugin tool("Scrub");
    ASSERT_TRUE(tool.Run("Clear kind of History", [&](HWND form) {
        for (int id : {IDC_SYSTEM_UNCHECK_ALL, IDC_APPLICATION_UNCHECK_ALL, IDC_LATER_UNCHECK_ALL})
            Click(form, id);
        ClickTick(::GetDlgItem(form, IDC_SYSTEM_LIST), 1);
        Click(form, IDC_SCRUB_APPLY);
    }));
    TRegistry registry;
    registry.SetRootKey(HKEY_CURRENT_USER);
    if (registry.OpenKey(shellFolders, false))
        registry.DeleteValue("Recent");
    EXPECT_TRUE(FileThere(elsewhere + "\\mine.lnk"));
    EXPECT_EQ(0, ValueCount(kRecentDocs));
    ASSERT_EQ(2u, dialogs.boxes.size());
    EXPECT_EQ("These histories could not be cleared completely:\nClear Recent document history (the files of " +
                  elsewhere + " were left alone: it is not the Recent folder's own place)",
              dialogs.boxes[1].text);
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
