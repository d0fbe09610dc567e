// The Applets tool window on the test prefix: Wine's applet files, both stores by Windows
// line, ticking that brings an applet back, and any stored word counting as "don't load".
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <string>
#include <vector>

#include "plugins/applets/applets_ids.h"
#include "tests/gui/applets/wow64_answer.h"
#include "tests/gui/plugin_util/tool_window.h"
#include "tests/windows/platform/test_key.h"

using namespace kelt;
using namespace kelt::testing;

namespace {

const char kDontLoad[] = "Control Panel\\don't load";

std::string Folder(UINT (WINAPI *query)(char*, UINT))
{
    char path[MAX_PATH] = {};
    query(path, MAX_PATH);
    return path;
}

std::string ControlIni()
{
    return Folder(::GetWindowsDirectoryA) + "\\Control.ini";
}

// The applet files as a plain search of the system folder finds them.
std::vector<std::string> SystemApplets()
{
    std::vector<std::string> files;
    WIN32_FIND_DATAA found{};
    HANDLE search = ::FindFirstFileA((Folder(::GetSystemDirectoryA) + "\\*.CPL").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return files;
    do
        if (!(found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)))
            files.emplace_back(found.cFileName);
    while (::FindNextFileA(search, &found));
    ::FindClose(search);
    return files;
}

std::vector<std::string> RegistryEntries()
{
    std::vector<std::string> entries;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kDontLoad, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return entries;
    char name[256];
    BYTE data[256];
    for (DWORD index = 0;; ++index) {
        DWORD length = sizeof name, size = sizeof data, type = 0;
        if (RegEnumValueA(key, index, name, &length, nullptr, &type, data, &size) != ERROR_SUCCESS)
            break;
        entries.push_back(std::string(name) + "=" + reinterpret_cast<char*>(data));
    }
    RegCloseKey(key);
    return entries;
}

struct Seen {
    std::vector<std::string> rows;
    std::vector<bool> ticks;
};

Seen Look(HWND form)
{
    Seen seen;
    HWND list = ::GetDlgItem(form, IDC_CPL_LIST);
    for (int row = 0; row < RowCount(list); ++row) {
        seen.rows.push_back(RowText(list, row));
        seen.ticks.push_back(Ticked(list, row));
    }
    return seen;
}

class AppletsWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::RegDeleteKeyA(HKEY_CURRENT_USER, kDontLoad);
        ::DeleteFileA(ControlIni().c_str());
        applets_ = SystemApplets();
        ASSERT_GE(applets_.size(), 3u) << "Wine's system folder has applet files";
    }
    void TearDown() override
    {
        ::RegDeleteKeyA(HKEY_CURRENT_USER, kDontLoad);
        ::DeleteFileA(ControlIni().c_str());
    }
    std::vector<std::string> applets_;
};

// Every NT-line Windows reads the registry, the later ones and the servers included; any
// value of the applet's name means "don't load", whatever its word or case.
TEST_F(AppletsWindow, RegistryStoreOnEveryNTLineWindowsAndAnyStoredWordSuppresses)
{
    struct Version {
        DWORD major, minor;
    };
    for (const Version version : {Version{4, 0}, Version{5, 1}, Version{5, 2}, Version{6, 1}, Version{10, 0}}) {
        SCOPED_TRACE(std::to_string(version.major) + "." + std::to_string(version.minor));
        ::RegDeleteKeyA(HKEY_CURRENT_USER, kDontLoad);
        RawSetString(kDontLoad, applets_[0], "no");
        RawSetString(kDontLoad, applets_[1], "YES");
        ScriptedWindows windows(VER_PLATFORM_WIN32_NT, version.major, version.minor);
        ScriptedDialogs dialogs;
        ToolPlugin tool("Applets");
        Seen seen;
        ASSERT_TRUE(tool.Run("Form1", [&](HWND form) {
            seen = Look(form);
            // Bring the first back, hide the third, and apply twice.
            HWND list = ::GetDlgItem(form, IDC_CPL_LIST);
            ClickTick(list, 0);
            ClickTick(list, 2);
            Click(form, IDC_APPLETS_APPLY);
            Click(form, IDC_APPLETS_APPLY);
        }));
        // Wine's applet files, in the order of the search; only the two stored ones unticked.
        EXPECT_EQ(applets_, seen.rows);
        std::vector<bool> ticks(applets_.size(), true);
        ticks[0] = ticks[1] = false;
        EXPECT_EQ(ticks, seen.ticks);
        EXPECT_EQ((std::vector<std::string>{applets_[1] + "=No", applets_[2] + "=No"}), RegistryEntries());
        ASSERT_EQ(2u, dialogs.boxes.size());
        for (const Box& box : dialogs.boxes) {
            EXPECT_EQ("OK", box.text);
            EXPECT_EQ("Finish!", box.caption);
            EXPECT_EQ(static_cast<UINT>(MB_ICONINFORMATION), box.flags);
        }
    }
}

// The Windows 95 line without Control.ini, and a Windows whose version is unknown: nothing is
// read, nothing is written or created, and Apply says it failed.
TEST_F(AppletsWindow, WithoutAStoreNothingIsReadOrWrittenAndApplyFails)
{
    RawSetString(kDontLoad, applets_[0], "No");
    for (const DWORD platform : {DWORD(VER_PLATFORM_WIN32_WINDOWS), DWORD(0)}) {
        SCOPED_TRACE(platform);
        ScriptedWindows windows(platform, 4, 10);
        ScriptedDialogs dialogs;
        ToolPlugin tool("Applets");
        Seen seen;
        ASSERT_TRUE(tool.Run("Form1", [&](HWND form) {
            seen = Look(form);
            ClickTick(::GetDlgItem(form, IDC_CPL_LIST), 1);
            Click(form, IDC_APPLETS_APPLY);
        }));
        EXPECT_EQ(std::vector<bool>(applets_.size(), true), seen.ticks);
        ASSERT_EQ(1u, dialogs.boxes.size());
        EXPECT_EQ("Some errors have Happened!", dialogs.boxes[0].text);
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(ControlIni().c_str()));
        EXPECT_EQ((std::vector<std::string>{applets_[0] + "=No"}), RegistryEntries());
    }
}

// With Control.ini any word in any case suppresses; ticking removes the entry, unticking writes "no".
TEST_F(AppletsWindow, ControlIniOnTheWindows95Line)
{
    std::ofstream(ControlIni()) << "[don't load]\r\n" << applets_[0] << "=NO\r\n" << applets_[1] << "=No\r\n";
    ScriptedWindows windows(VER_PLATFORM_WIN32_WINDOWS, 4, 0);
    ScriptedDialogs dialogs;
    ToolPlugin tool("Applets");
    Seen seen;
    ASSERT_TRUE(tool.Run("Form1", [&](HWND form) {
        seen = Look(form);
        HWND list = ::GetDlgItem(form, IDC_CPL_LIST);
        ClickTick(list, 0);
        ClickTick(list, 2);
        Click(form, IDC_APPLETS_APPLY);
    }));
    EXPECT_EQ((std::vector<bool>{false, false, true}), std::vector<bool>(seen.ticks.begin(), seen.ticks.begin() + 3));
    ASSERT_EQ(1u, dialogs.boxes.size());
    EXPECT_EQ("OK", dialogs.boxes[0].text);
    const auto entry = [](const std::string& name) {
        char value[32] = {};
        ::GetPrivateProfileStringA("don't load", name.c_str(), "<none>", value, sizeof value, ControlIni().c_str());
        return std::string(value);
    };
    EXPECT_EQ("<none>", entry(applets_[0]));
    EXPECT_EQ("no", entry(applets_[1]));
    EXPECT_EQ("no", entry(applets_[2]));
    EXPECT_TRUE(RegistryEntries().empty());
}

const char kMachineDontLoad[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Control Panel\\don't load";

// An applet the machine-wide list hides shows unticked and says so; it cannot be ticked, and
// "Apply" leaves the user's own entry of it as it was.
TEST_F(AppletsWindow, AppletsHiddenByTheMachineShowAsSuchAndStayUntouched)
{
    // In the view Windows itself reads: the 64-bit one, from the 32-bit build too.
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, kMachineDontLoad, 0, nullptr, 0,
                                             KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, &key, nullptr));
    RegSetValueExA(key, applets_[1].c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>("No"), 3);
    RegCloseKey(key);
    RawSetString(kDontLoad, applets_[1], "No");
    ScriptedWindows windows(VER_PLATFORM_WIN32_NT, 10, 0);
    ScriptedDialogs dialogs;
    ToolPlugin tool("Applets");
    Seen before, after;
    ASSERT_TRUE(tool.Run("Form1", [&](HWND form) {
        before = Look(form);
        HWND list = ::GetDlgItem(form, IDC_CPL_LIST);
        ClickTick(list, 1);
        ClickTick(list, 2);  // an applet of the user's own: hidden
        after = Look(form);
        Click(form, IDC_APPLETS_APPLY);
    }));
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kMachineDontLoad, KEY_WOW64_64KEY, 0);
    ASSERT_GE(before.rows.size(), 3u);
    EXPECT_EQ(applets_[1] + "  (hidden for all users by the machine)", before.rows[1]);
    EXPECT_EQ((std::vector<bool>{true, false, true}), std::vector<bool>(before.ticks.begin(), before.ticks.begin() + 3));
    EXPECT_EQ((std::vector<bool>{true, false, false}), std::vector<bool>(after.ticks.begin(), after.ticks.begin() + 3));
    ASSERT_EQ(2u, dialogs.boxes.size());
    EXPECT_EQ(applets_[1] + " is hidden for every user of this computer by the machine-wide list "
                            "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Control Panel\\don't load. "
                            "Only an administrator can show it again there; ticking it here would change nothing.",
              dialogs.boxes[0].text);
    EXPECT_EQ("Information", dialogs.boxes[0].caption);
    EXPECT_EQ("OK", dialogs.boxes[1].text);
    EXPECT_EQ((std::vector<std::string>{applets_[1] + "=No", applets_[2] + "=No"}), RegistryEntries());
}

// A 32-bit build on 64-bit Windows lists the applets of the 64-bit system folder, which it
// reaches through the Windows folder's "Sysnative" alias. The 32-bit build meets the real alias;
// the 64-bit one, which sees none, makes a folder of that name and scripts the answer.
TEST_F(AppletsWindow, UnderWow64TheAppletsOfThe64BitSystemFolderAreListed)
{
    const std::string alias = Folder(::GetWindowsDirectoryA) + "\\Sysnative";
    const bool realAlias = ::GetFileAttributesA(alias.c_str()) != INVALID_FILE_ATTRIBUTES;
#ifdef _WIN64
    ASSERT_FALSE(realAlias) << "a 64-bit program sees no alias";
#endif
    if (!realAlias) {
        ASSERT_TRUE(::CreateDirectoryA(alias.c_str(), nullptr));
        ASSERT_TRUE(::CopyFileA((Folder(::GetSystemDirectoryA) + "\\" + applets_[0]).c_str(),
                                (alias + "\\native64.cpl").c_str(), FALSE));
    }
    std::vector<std::string> native64;
    WIN32_FIND_DATAA found{};
    HANDLE search = ::FindFirstFileA((alias + "\\*.CPL").c_str(), &found);
    ASSERT_NE(INVALID_HANDLE_VALUE, search);
    do
        if (!(found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)))
            native64.emplace_back(found.cFileName);
    while (::FindNextFileA(search, &found));
    ::FindClose(search);

    ScriptedWindows windows(VER_PLATFORM_WIN32_NT, 10, 0);
    ScriptedDialogs dialogs;
    ToolPlugin tool("Applets");
    Seen wow64, native;
    for (const bool underWow64 : {true, false}) {
        ScopedWow64Answer answer(tool.Plugin().Module(), underWow64);
        ASSERT_TRUE(answer.Active());
        ASSERT_TRUE(tool.Run("Form1", [&](HWND form) { (underWow64 ? wow64 : native) = Look(form); }));
    }
    if (!realAlias) {
        ::DeleteFileA((alias + "\\native64.cpl").c_str());
        ::RemoveDirectoryA(alias.c_str());
        EXPECT_EQ(std::vector<std::string>{"native64.cpl"}, native64);
    }
    EXPECT_EQ(native64, wow64.rows);
    EXPECT_EQ(applets_, native.rows);
}

} // namespace
