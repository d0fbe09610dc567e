// The Hide tool window loaded through the host's plug-in object and driven by messages, in a
// prefix whose drive letters the test defines itself.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <winioctl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "plugins/hide/hide_ids.h"
#include "tests/gui/starter/tool_driver.h"
#include "tests/windows/platform/test_key.h"
#include "tests/windows/wide_text.h"

namespace kelt {
namespace {

using namespace kelt::testing;

const char kPolicy[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
const std::string kRecycleBin = "{645FF040-5081-101B-9F08-00AA002F954E}";
const std::string kControlPanel = "{21EC2020-3AEA-1069-A2DD-08002B30309D}";
const std::string kWeb = "{25336920-03F9-11CF-8FD0-00AA00686F13}";

// Wine's mount manager defines drive letters of a given type on a Unix folder (what its own
// configuration tool does). Answers false off Wine.
bool DefineWineDrive(wchar_t letter, ULONG driveType, const std::string& unixFolder)
{
    struct UnixDrive {
        ULONG size, type, fsType;
        DWORD serial;
        ULONGLONG unixDevice;
        WCHAR letter;
        USHORT mountPointOffset, deviceOffset, labelOffset;
    };
    const DWORD kDefineUnixDrive = CTL_CODE('m', 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);
    HANDLE manager = ::CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (manager == INVALID_HANDLE_VALUE)
        return false;
    std::string buffer(sizeof(UnixDrive) + unixFolder.size() + 1, '\0');
    UnixDrive drive{};
    drive.size = static_cast<ULONG>(buffer.size());
    drive.type = driveType;
    drive.letter = letter;
    drive.mountPointOffset = sizeof(UnixDrive);
    memcpy(&buffer[0], &drive, sizeof drive);
    memcpy(&buffer[sizeof drive], unixFolder.c_str(), unixFolder.size());
    DWORD returned = 0;
    const BOOL ok = ::DeviceIoControl(manager, kDefineUnixDrive, &buffer[0], drive.size, nullptr, 0, &returned, nullptr);
    ::CloseHandle(manager);
    return ok && ::GetDriveTypeA((std::string(1, static_cast<char>(letter - 32)) + ":\\").c_str()) == driveType;
}

class HideWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        drivesReady_ = DefineWineDrive(L'a', DRIVE_REMOVABLE, "/tmp") && DefineWineDrive(L'd', DRIVE_FIXED, "/tmp") &&
                       DefineWineDrive(L'e', DRIVE_CDROM, "/tmp") && DefineWineDrive(L'n', DRIVE_REMOTE, "/tmp") &&
                       DefineWineDrive(L'r', DRIVE_RAMDISK, "/tmp");
    }
    void SetUp() override
    {
        if (!drivesReady_)
            GTEST_SKIP() << "drive letters cannot be defined here";
    }

    static HWND Page(HWND form, int page) { return ::GetDlgItem(form, page); }
    static HWND Disks(HWND form) { return ::GetDlgItem(Page(form, IDC_FOLDERS_PAGE), IDC_DISKS); }
    static HWND ViewDisks(HWND form) { return ::GetDlgItem(Page(form, IDC_OTHERS_PAGE), IDC_VIEW_DISKS); }

    static DWORD Stored(const char* name, DWORD& type)
    {
        std::string bytes;
        type = REG_NONE;
        if (!RawGet(kPolicy, name, type, bytes) || bytes.size() != 4)
            return 0xDEADBEEF;
        DWORD mask = 0;
        memcpy(&mask, bytes.data(), 4);
        return mask;
    }

    static bool drivesReady_;
    ToolDriver driver_{"Hide"};
};

bool HideWindow::drivesReady_ = false;

// Starts without the policy key: every drive ticked, and Apply creates the key and writes 0,
// leaving NoViewOnDrive alone while "Others" is untouched. Then C and D unticked make 12; a
// hidden letter that is not listed stays hidden; the binary form is read and written back as
// binary; NoViewOnDrive follows the "Others" tab once it is changed there.
TEST_F(HideWindow, DrivePoliciesFollowTheListsOnly)
{
    ASSERT_EQ(plrLoaded, driver_.LoadResult());
    EXPECT_EQ("Security", driver_.Plugin().Kind());
    ASSERT_FALSE(RawKeyExists(kPolicy));
    ASSERT_TRUE(driver_.Run("Hide", [&](HWND form) {
        RECT client{};
        ::GetClientRect(form, &client);
        EXPECT_EQ(397, client.right);
        EXPECT_EQ(375, client.bottom);
        EXPECT_EQ("  This Plugin is used to hide something,such as  drivers in  My Computer and so on",
                  Text(form, IDC_HIDE_INTRO));
        const std::vector<std::string> all = {"[x] A:\\", "[x] C:\\", "[x] D:\\", "[x] E:\\", "[x] Z:\\"};
        EXPECT_EQ(all, Rows(Disks(form)));
        EXPECT_EQ(all, Rows(ViewDisks(form)));
        Click(form, IDC_APPLY);
    }));
    DWORD type = 0;
    EXPECT_EQ(0u, Stored("NoDrives", type));
    EXPECT_EQ(DWORD(REG_DWORD), type);
    EXPECT_EQ(0xDEADBEEF, Stored("NoViewOnDrive", type));
    ASSERT_EQ(1u, driver_.boxes.size());
    EXPECT_EQ("Finish!", driver_.boxes[0].text);
    EXPECT_EQ("OK", driver_.boxes[0].caption);
    EXPECT_EQ(UINT(MB_ICONINFORMATION), driver_.boxes[0].flags);

    ASSERT_TRUE(driver_.Run("Hide", [&](HWND form) {
        SetRowChecked(Disks(form), FindRow(Disks(form), "C:\\"), false);
        SetRowChecked(Disks(form), FindRow(Disks(form), "D:\\"), false);
        Click(form, IDC_APPLY);
    }));
    EXPECT_EQ(12u, Stored("NoDrives", type));

    RawSetDword(kPolicy, "NoDrives", 12 | (1u << 13));  // N, a network drive, hidden
    ASSERT_TRUE(driver_.Run("Hide", [&](HWND form) {
        EXPECT_EQ((std::vector<std::string>{"[x] A:\\", "[ ] C:\\", "[ ] D:\\", "[x] E:\\", "[x] Z:\\"}),
                  Rows(Disks(form)));
        SetRowChecked(Disks(form), 1, true);
        Click(form, IDC_APPLY);
    }));
    EXPECT_EQ(8u | (1u << 13), Stored("NoDrives", type));

    RawSet(kPolicy, "NoDrives", REG_BINARY, "\x08\x00\x00\x00", 4);
    ASSERT_TRUE(driver_.Run("Hide", [&](HWND form) {
        EXPECT_FALSE(ListView_GetCheckState(Disks(form), FindRow(Disks(form), "D:\\")));
        SetRowChecked(Disks(form), FindRow(Disks(form), "D:\\"), true);
        // The "Others" tab.
        HWND tabs = ::GetDlgItem(form, IDC_TABS);
        TabCtrl_SetCurSel(tabs, 1);
        NMHDR change{tabs, IDC_TABS, static_cast<UINT>(TCN_SELCHANGE)};
        ::SendMessageA(form, WM_NOTIFY, IDC_TABS, reinterpret_cast<LPARAM>(&change));
        EXPECT_TRUE(::IsWindowVisible(ViewDisks(form)));
        EXPECT_FALSE(::IsWindowVisible(Disks(form)));
        SetRowChecked(ViewDisks(form), FindRow(ViewDisks(form), "E:\\"), false);
        Click(form, IDC_APPLY);
    }));
    EXPECT_EQ(0u, Stored("NoDrives", type));
    EXPECT_EQ(DWORD(REG_BINARY), type);
    EXPECT_EQ(16u, Stored("NoViewOnDrive", type));
}

// A value that holds no mask is never written over, and every message names the value.
TEST_F(HideWindow, AnUnreadableMaskIsNeverWrittenOverAndNamed)
{
    RawSetString(kPolicy, "NoDrives", "not a mask");
    RawSetDword(kPolicy, "NoViewOnDrive", 0);
    ASSERT_TRUE(driver_.Run("Hide", [&](HWND form) {
        EXPECT_FALSE(::IsWindowEnabled(Disks(form)));
        EXPECT_TRUE(Rows(Disks(form)).empty());
        EXPECT_TRUE(::IsWindowEnabled(ViewDisks(form)));
        Click(form, IDC_APPLY);
        SetRowChecked(ViewDisks(form), FindRow(ViewDisks(form), "A:\\"), false);
        Click(form, IDC_APPLY);
    }));
    ASSERT_EQ(3u, driver_.boxes.size());
    EXPECT_EQ("Errors occured when getting disk informations!\nNoDrives (the drives of \"Disks and Folders\") holds "
              "no drive mask; it is left as it is.",
              driver_.boxes[0].text);
    EXPECT_EQ("ERROR", driver_.boxes[0].caption);
    EXPECT_EQ(UINT(MB_ICONERROR), driver_.boxes[0].flags);
    EXPECT_EQ("Nothing was written.\nNoDrives holds no drive mask and is left as it is.", driver_.boxes[1].text);
    EXPECT_EQ("Finish!", driver_.boxes[2].text);
    DWORD type = 0;
    std::string bytes;
    ASSERT_TRUE(RawGet(kPolicy, "NoDrives", type, bytes));
    EXPECT_EQ(DWORD(REG_SZ), type);
    EXPECT_EQ(1u, Stored("NoViewOnDrive", type));

    driver_.boxes.clear();
    RawSet(kPolicy, "NoViewOnDrive", REG_BINARY, "\x01\x00", 2);
    ASSERT_TRUE(driver_.Run("Hide", [&](HWND form) { EXPECT_FALSE(::IsWindowEnabled(ViewDisks(form))); }));
    ASSERT_EQ(1u, driver_.boxes.size());
    EXPECT_EQ("Errors occured when getting disk informations!\nNoDrives (the drives of \"Disks and Folders\") holds "
              "no drive mask; it is left as it is.\nNoViewOnDrive (the drives of \"Others\") holds no drive mask; it "
              "is left as it is.",
              driver_.boxes[0].text);
    RawSetDword(kPolicy, "NoDrives", 0);
    RawSetDword(kPolicy, "NoViewOnDrive", 0);
}

TEST_F(HideWindow, MasksFoldersAndRefusesSystemOnes)
{
    RawSetDword(kPolicy, "NoDrives", 0);
    const std::string base = "C:\\hidewindow";
    ::CreateDirectoryA(base.c_str(), nullptr);
    ::CreateDirectoryA((base + "\\Docs." + kRecycleBin).c_str(), nullptr);
    ::CreateDirectoryA((base + "\\my.docs").c_str(), nullptr);
    ::CreateDirectoryA((base + "\\Taken").c_str(), nullptr);
    ::CreateDirectoryA((base + "\\Taken." + kWeb).c_str(), nullptr);
    char windows[MAX_PATH] = {};
    ::GetWindowsDirectoryA(windows, MAX_PATH);

    std::string next;
    driver_.onBrowseFolder = [&](ui::FolderRequest& request) {
        EXPECT_EQ("Select Directory to Search In!", request.title);
        request.folder = next;
        return true;
    };
    ASSERT_TRUE(driver_.Run("Hide", [&](HWND form) {
        HWND page = Page(form, IDC_FOLDERS_PAGE);
        const auto browse = [&](const std::string& folder) {
            next = folder;
            Click(page, IDC_BROWSE);
        };
        const auto mask = [&](int style) {
            ::SendDlgItemMessageA(page, IDC_HIDE_STYLE, CB_SETCURSEL, style, 0);
            Click(page, IDC_MASK_FOLDER);
        };

        browse(base + "\\Docs." + kRecycleBin);
        EXPECT_EQ("Recycle Bin", Text(page, IDC_HIDE_STYLE));
        mask(1);
        EXPECT_EQ(base + "\\Docs." + kControlPanel, Text(page, IDC_HIDE_FOLDER));
        mask(0);
        EXPECT_EQ(base + "\\Docs", Text(page, IDC_HIDE_FOLDER));
        EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA((base + "\\Docs").c_str()));

        browse(base + "\\my.docs");
        EXPECT_EQ("Normal", Text(page, IDC_HIDE_STYLE));
        mask(5);
        EXPECT_EQ(base + "\\my.docs." + kWeb, Text(page, IDC_HIDE_FOLDER));
        EXPECT_TRUE(driver_.boxes.empty());

        browse(base + "\\Taken");
        mask(5);
        ASSERT_EQ(1u, driver_.boxes.size());
        EXPECT_EQ("Rename file error!", driver_.boxes[0].text);
        EXPECT_EQ("Error", driver_.boxes[0].caption);
        EXPECT_EQ(UINT(MB_OK), driver_.boxes[0].flags);
        EXPECT_EQ(base + "\\Taken", Text(page, IDC_HIDE_FOLDER));

        char profile[MAX_PATH] = {};
        ::GetEnvironmentVariableA("USERPROFILE", profile, MAX_PATH);
        for (const std::string& needed : {std::string(windows), std::string("C:\\"), std::string(profile)}) {
            driver_.boxes.clear();
            browse(needed);
            mask(1);
            ASSERT_EQ(1u, driver_.boxes.size());
            EXPECT_EQ(0u, driver_.boxes[0].text.rfind("Windows needs this folder", 0));
            EXPECT_EQ("Warning!", driver_.boxes[0].caption);
            EXPECT_EQ(needed, Text(page, IDC_HIDE_FOLDER));
        }
    }));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(windows));
}

// The program runs with UTF-8 as its code page: a folder named in other scripts than the
// system's keeps its name when it is masked and unmasked.
TEST(HideFolderNames, AFolderNamedInAnyLanguageIsMaskedAndUnmaskedByItsName)
{
    ASSERT_EQ(static_cast<UINT>(CP_UTF8), ::GetACP());
    // C:\hide-Łódź\Документы 文書
    const std::wstring base = L"C:\\hide-\x0141\x00F3\x0064\x017A";
    const std::wstring plain = base + L"\\\x0414\x043E\x043A\x0443\x043C\x0435\x043D\x0442\x044B \x6587\x66F8";
    const std::wstring masked = plain + L"." + FromUtf8(kRecycleBin);
    ::CreateDirectoryW(base.c_str(), nullptr);
    ASSERT_TRUE(::CreateDirectoryW(plain.c_str(), nullptr));
    const auto exists = [](const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; };

    ToolDriver driver("Hide");
    driver.onBrowseFolder = [&](ui::FolderRequest& request) {
        request.folder = Utf8(plain);
        return true;
    };
    ASSERT_TRUE(driver.Run("Hide", [&](HWND form) {
        HWND page = ::GetDlgItem(form, IDC_FOLDERS_PAGE);
        Click(page, IDC_BROWSE);
        EXPECT_TRUE(FromUtf8(Text(page, IDC_HIDE_FOLDER)) == plain);
        ::SendDlgItemMessageA(page, IDC_HIDE_STYLE, CB_SETCURSEL, 4, 0);  // "Recycle Bin"
        Click(page, IDC_MASK_FOLDER);
        EXPECT_TRUE(FromUtf8(Text(page, IDC_HIDE_FOLDER)) == masked);
        EXPECT_TRUE(exists(masked));
        EXPECT_FALSE(exists(plain));
        ::SendDlgItemMessageA(page, IDC_HIDE_STYLE, CB_SETCURSEL, 0, 0);  // "Normal"
        Click(page, IDC_MASK_FOLDER);
        EXPECT_TRUE(exists(plain));
        EXPECT_FALSE(exists(masked));
    }));
    EXPECT_TRUE(driver.boxes.empty());
    ::RemoveDirectoryW(plain.c_str());
    ::RemoveDirectoryW(base.c_str());
}

const char kUserShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

std::string KnownPath(int id)
{
    char path[MAX_PATH] = {};
    return SUCCEEDED(::SHGetFolderPathA(nullptr, id, nullptr, 0, path)) ? std::string(path) : std::string();
}

// The folders behind shell-folder values and known folders, and the folders above them, are
// refused; folders below them are not. Whatever is masked is listed in the window and can be
// given its name back from there, a masked shell folder included.
TEST_F(HideWindow, RefusesShellFoldersAndListsWhatItMasked)
{
    RawSetDword(kPolicy, "NoDrives", 0);
    {
        TRegistry registry;
        registry.SetRootKey(HKEY_CURRENT_USER);
        registry.DeleteKey("Software\\Dorvane\\Keltrix 0.8\\Hide");
    }
    const std::string base = "C:\\hidewindow\\Outer";
    ::CreateDirectoryA("C:\\hidewindow", nullptr);
    ::CreateDirectoryA(base.c_str(), nullptr);
    ::CreateDirectoryA((base + "\\Docs." + kRecycleBin).c_str(), nullptr);
    ::CreateDirectoryA((base + "\\Docs." + kRecycleBin + "\\Sub").c_str(), nullptr);
    ::CreateDirectoryA("C:\\hidewindow\\Binned", nullptr);
    const std::vector<std::string> needed = {
        KnownPath(CSIDL_PERSONAL), KnownPath(CSIDL_APPDATA), KnownPath(CSIDL_DESKTOPDIRECTORY),
        KnownPath(CSIDL_STARTMENU), KnownPath(CSIDL_PROGRAM_FILES), KnownPath(CSIDL_COMMON_APPDATA),
        base,
    };
    // Documents moved below the test folder (kept masked as the Recycle Bin for now).
    DWORD type = 0;
    std::string personal;
    RawGet(kUserShellFolders, "Personal", type, personal);
    RawSetString(kUserShellFolders, "Personal", base + "\\Docs", REG_EXPAND_SZ);
    std::string next;
    driver_.onBrowseFolder = [&](ui::FolderRequest& request) {
        request.folder = next;
        return true;
    };
    std::vector<std::string> masked, refused;
    ASSERT_TRUE(driver_.Run("Hide", [&](HWND form) {
        HWND page = Page(form, IDC_FOLDERS_PAGE);
        const auto mask = [&](const std::string& folder, int style) {
            next = folder;
            Click(page, IDC_BROWSE);
            ::SendDlgItemMessageA(page, IDC_HIDE_STYLE, CB_SETCURSEL, style, 0);
            Click(page, IDC_MASK_FOLDER);
            return Text(page, IDC_HIDE_FOLDER);
        };
        EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(page, IDC_MASKED)));
        for (const std::string& folder : needed) {
            if (folder.empty() || ::GetFileAttributesA(folder.c_str()) == INVALID_FILE_ATTRIBUTES)
                continue;
            driver_.boxes.clear();
            EXPECT_EQ(folder, mask(folder, 1));
            if (driver_.boxes.size() == 1 && driver_.boxes[0].text.rfind("Windows needs this folder", 0) == 0)
                refused.push_back(folder);
        }
        // Below a shell folder is the user's own; a masked shell folder gets its name back.
        driver_.boxes.clear();
        EXPECT_EQ(base + "\\Docs", mask(base + "\\Docs." + kRecycleBin, 0));
        EXPECT_EQ(base + "\\Docs\\Sub." + kWeb, mask(base + "\\Docs\\Sub", 5));
        EXPECT_EQ("C:\\hidewindow\\Binned." + kRecycleBin, mask("C:\\hidewindow\\Binned", 4));
        EXPECT_TRUE(driver_.boxes.empty());
    }));
    for (const std::string& folder : needed) {
        if (!folder.empty() && ::GetFileAttributesA(folder.c_str()) != INVALID_FILE_ATTRIBUTES) {
            EXPECT_NE(refused.end(), std::find(refused.begin(), refused.end(), folder)) << folder;
        }
    }

    // A fresh window lists what was masked; choosing one and "Normal" gives it its name back.
    ASSERT_TRUE(driver_.Run("Hide", [&](HWND form) {
        HWND page = Page(form, IDC_FOLDERS_PAGE);
        HWND list = ::GetDlgItem(page, IDC_MASKED);
        for (int i = 0; i < ::SendMessageA(list, CB_GETCOUNT, 0, 0); ++i) {
            char text[MAX_PATH * 2] = {};
            ::SendMessageA(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
            masked.push_back(text);
        }
        ::SendMessageA(list, CB_SETCURSEL, 0, 0);
        ::SendMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_MASKED, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
        EXPECT_EQ("C:\\hidewindow\\Binned." + kRecycleBin, Text(page, IDC_HIDE_FOLDER));
        EXPECT_EQ("Normal", Text(page, IDC_HIDE_STYLE));
        Click(page, IDC_MASK_FOLDER);
        EXPECT_EQ("C:\\hidewindow\\Binned", Text(page, IDC_HIDE_FOLDER));
        EXPECT_EQ(masked.size() - 1, static_cast<std::size_t>(::SendMessageA(list, CB_GETCOUNT, 0, 0)));
    }));
    if (!personal.empty())
        RawSet(kUserShellFolders, "Personal", type, personal.data(), static_cast<DWORD>(personal.size()));
    // Sorted by the folders' own names.
    EXPECT_EQ((std::vector<std::string>{"C:\\hidewindow\\Binned  (Recycle Bin)", base + "\\Docs\\Sub  (Web)"}),
              masked);
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA("C:\\hidewindow\\Binned"));
}

// Windows' own folders are refused however they are reached: here through a network drive
// letter that stands for the profiles folder (as a mapped drive, subst or a junction would).
// Names are compared as the file system compares them: "Straße" is not the needed "Strasse".
TEST_F(HideWindow, NeededFoldersAreKnownByWhatAPathReachesNotItsSpelling)
{
    using UnixName = char*(CDECL*)(LPCWSTR);
    const auto unixName = reinterpret_cast<UnixName>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!unixName)
        GTEST_SKIP() << "only Wine puts a drive letter onto a folder without an administrator here";
    const std::string profile = KnownPath(CSIDL_PROFILE), favorites = KnownPath(CSIDL_FAVORITES);
    const std::size_t slash = profile.find_last_of('\\');
    ASSERT_EQ(0u, favorites.rfind(profile + "\\", 0));
    ::CreateDirectoryA(favorites.c_str(), nullptr);
    ASSERT_TRUE(DefineWineDrive(L'p', DRIVE_REMOTE, unixName(FromUtf8(profile.substr(0, slash)).c_str())));
    const std::string alias = "P:" + profile.substr(slash);
    RawSetDword(kPolicy, "NoDrives", 0);
    ::CreateDirectoryA("C:\\hidewindow", nullptr);
    const std::string strasse = "C:\\hidewindow\\Strasse", strasseSharp = "C:\\hidewindow\\Stra\xC3\x9F" "e";
    ::CreateDirectoryA(strasse.c_str(), nullptr);
    ::CreateDirectoryA(strasseSharp.c_str(), nullptr);
    RawSetString(kUserShellFolders, "KeltrixNeeded", strasse);
    const struct {
        std::string folder;
        bool refused;
    } cases[] = {{alias + favorites.substr(profile.size()), true}, {alias, true}, {strasseSharp, false}};
    std::string next;
    driver_.onBrowseFolder = [&](ui::FolderRequest& request) {
        request.folder = next;
        return true;
    };
    ASSERT_TRUE(driver_.Run("Hide", [&](HWND form) {
        HWND page = Page(form, IDC_FOLDERS_PAGE);
        for (const auto& c : cases) {
            driver_.boxes.clear();
            next = c.folder;
            Click(page, IDC_BROWSE);
            ::SendDlgItemMessageA(page, IDC_HIDE_STYLE, CB_SETCURSEL, 1, 0);
            Click(page, IDC_MASK_FOLDER);
            EXPECT_EQ(c.refused, driver_.boxes.size() == 1 && driver_.boxes[0].text.rfind("Windows needs", 0) == 0)
                << c.folder;
            EXPECT_EQ(c.refused ? c.folder : c.folder + "." + kControlPanel, Text(page, IDC_HIDE_FOLDER));
        }
        ::SendDlgItemMessageA(page, IDC_HIDE_STYLE, CB_SETCURSEL, 0, 0);
        Click(page, IDC_MASK_FOLDER);  // the one masked gets its name back
    }));
    ::RegDeleteKeyValueA(HKEY_CURRENT_USER, kUserShellFolders, "KeltrixNeeded");
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(favorites.c_str()));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(strasseSharp.c_str()));
}

} // namespace
} // namespace kelt
