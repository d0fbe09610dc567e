// The Relocate tool window on the test prefix: only edited rows are written, in the type
// they were stored in; names only in "Shell Folders" are never written; cancelling changes
// nothing; the first mail identity; the restart question only after a write.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "plugins/relocate/relocate_ids.h"
#include "tests/gui/plugin_util/tool_window.h"
#include "tests/windows/platform/test_key.h"
#include "tests/windows/wide_text.h"

using namespace kelt;
using namespace kelt::testing;

namespace {

const std::string kShell = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const std::string kUser = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
const std::string kDownloads = "{374DE290-123F-4565-9164-39C4925E467B}";
const std::string kRestart =
    "The new locations are written. No file was moved: the files stay in the old folders until you move them "
    "yourself.\n\nFinish,To take effect, Windows need to restart,Restart Windows now?";
const std::string kLocalDocuments = "{F42EE2D3-909F-4907-8871-4C22FC0BF756}";
const std::string kLocalDownloads = "{7D83EE9B-2244-4E70-B1F5-5393042AF1E4}";
const std::string kReadOnly =
    "Read only: Windows takes this location from \"User Shell Folders\", which has no value of this name; the one "
    "under \"Shell Folders\" is only a copy that Windows rewrites itself.";
// Bytes after the terminator vanish if the value is ever rewritten.
const std::string kDesktopRaw = std::string("%USERPROFILE%\\Desktop") + '\0' + "tail";

std::string Profile()
{
    char path[MAX_PATH] = {};
    ::GetEnvironmentVariableA("USERPROFILE", path, MAX_PATH);
    return path;
}

void DeleteTree(const std::string& path)
{
    TRegistry registry;
    registry.SetRootKey(HKEY_CURRENT_USER);
    registry.DeleteKey(path);
}

std::string Cell(HWND list, int row, int column)
{
    char text[512] = {};
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    ::SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
    return text;
}

int FindRow(HWND list, const std::string& name)
{
    const int rows = static_cast<int>(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < rows; ++row)
        if (Cell(list, row, 0) == name)
            return row;
    return -1;
}

void SelectRow(HWND list, int row)
{
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageA(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

// The row's location after choosing it and pressing "Edit".
void EditRow(HWND form, const std::string& name)
{
    HWND list = ::GetDlgItem(form, IDC_SYS_FOLDERS);
    const int row = FindRow(list, name);
    ASSERT_GE(row, 0) << name;
    SelectRow(list, row);
    ASSERT_TRUE(::IsWindowEnabled(::GetDlgItem(form, IDC_SYS_EDIT)));
    Click(form, IDC_SYS_EDIT);
}

std::string Location(HWND form, const std::string& name)
{
    HWND list = ::GetDlgItem(form, IDC_SYS_FOLDERS);
    const int row = FindRow(list, name);
    return row < 0 ? "<no row>" : Cell(list, row, 1);
}

std::string Raw(const std::string& path, const std::string& name, DWORD& type)
{
    std::string bytes;
    type = REG_NONE;
    if (!RawGet(path, name, type, bytes))
        return "<missing>";
    return bytes;
}

class RelocateWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        Clean();
        profile_ = Profile();
        ASSERT_FALSE(profile_.empty());
        RawSetString(kShell, "Personal", profile_ + "\\Documents");
        RawSetString(kShell, "Desktop", profile_ + "\\Desktop");
        RawSetString(kShell, "OnlyShell", "C:\\Only");
        RawSetString(kShell, kDownloads, profile_ + "\\Downloads");
        RawSetString(kUser, "Personal", "%USERPROFILE%\\Documents", REG_EXPAND_SZ);
        RawSet(kUser, "Desktop", REG_EXPAND_SZ, kDesktopRaw.data(), static_cast<DWORD>(kDesktopRaw.size() + 1));
        RawSetString(kUser, kDownloads, "%USERPROFILE%\\Downloads", REG_EXPAND_SZ);
    }
    void TearDown() override { Clean(); }
    static void Clean()
    {
        for (const std::string& path : {kShell, kUser, std::string("Identities"),
                                        std::string("Software\\Microsoft\\Outlook Express")})
            DeleteTree(path);
    }
    std::string profile_;
};

TEST_F(RelocateWindow, OnlyEditedRowsAreWrittenAndExpandableStaysExpandable)
{
    ScriptedWindows windows(VER_PLATFORM_WIN32_NT, 10, 0);
    ScriptedDialogs dialogs;
    dialogs.folderAnswers = {profile_ + "\\Work"};
    dialogs.boxAnswers = {IDOK};
    ToolPlugin tool("Relocate");
    ASSERT_TRUE(tool.Loaded());
    std::string downloads, details, personalAfter;
    bool mailEnabled = true;
    ASSERT_TRUE(tool.Run("Change the Location of System and Special Folders", [&](HWND form) {
        downloads = Location(form, "Downloads");
        SelectRow(::GetDlgItem(form, IDC_SYS_FOLDERS), FindRow(::GetDlgItem(form, IDC_SYS_FOLDERS), "Downloads"));
        details = ui::WindowText(::GetDlgItem(form, IDC_SYS_DETAILS));
        mailEnabled = ::IsWindowEnabled(::GetDlgItem(form, IDC_OUTEXP_EDIT)) ||
                      ::IsWindowEnabled(::GetDlgItem(form, IDC_OUTEXP_BROWSE));
        EditRow(form, "Personal");
        Click(form, IDC_RELOCATE_APPLY);
        personalAfter = Location(form, "Personal");
    }));
    // The known folder under its name, its ID in the details.
    EXPECT_EQ(profile_ + "\\Downloads", downloads);
    EXPECT_NE(std::string::npos, details.find(kDownloads)) << details;
    EXPECT_FALSE(mailEnabled);
    // The browser started where each row was.
    EXPECT_EQ((std::vector<std::string>{profile_ + "\\Documents"}), dialogs.browseStarts);

    DWORD type = 0;
    EXPECT_EQ(std::string("%USERPROFILE%\\Work") + '\0', Raw(kUser, "Personal", type));
    EXPECT_EQ(static_cast<DWORD>(REG_EXPAND_SZ), type);
    EXPECT_EQ(kDesktopRaw + '\0', Raw(kUser, "Desktop", type));
    EXPECT_EQ("<missing>", Raw(kUser, "OnlyShell", type));
    EXPECT_EQ(profile_ + "\\Work", personalAfter);

    ASSERT_EQ(1u, dialogs.boxes.size());
    EXPECT_EQ(kRestart, dialogs.boxes[0].text);
    EXPECT_EQ("Ok", dialogs.boxes[0].caption);
    EXPECT_EQ(static_cast<UINT>(MB_OKCANCEL | MB_ICONINFORMATION), dialogs.boxes[0].flags);
    EXPECT_EQ(std::vector<UINT>{EWX_REBOOT}, windows.restarts);
}

TEST_F(RelocateWindow, CancellingChangesNothingAndNothingWrittenAsksNoRestart)
{
    // A mail client key without a store: the mail row is off and stays untouched.
    RawSetString("Software\\Microsoft\\Outlook Express", "Other", "x");
    ScriptedWindows windows(VER_PLATFORM_WIN32_NT, 5, 1);
    ScriptedDialogs dialogs;
    dialogs.folderAnswers = {""};
    ToolPlugin tool("Relocate");
    std::string before, after;
    bool mailEnabled = true;
    ASSERT_TRUE(tool.Run("Change the Location", [&](HWND form) {
        before = Location(form, "Personal");
        EditRow(form, "Personal");
        after = Location(form, "Personal");
        mailEnabled = ::IsWindowEnabled(::GetDlgItem(form, IDC_OUTEXP_LABEL)) ||
                      ::IsWindowEnabled(::GetDlgItem(form, IDC_OUTEXP_EDIT)) ||
                      ::IsWindowEnabled(::GetDlgItem(form, IDC_OUTEXP_BROWSE));
        Click(form, IDC_RELOCATE_APPLY);
    }));
    EXPECT_EQ(profile_ + "\\Documents", before);
    EXPECT_EQ(before, after);
    EXPECT_FALSE(mailEnabled);
    DWORD type = 0;
    EXPECT_EQ(kDesktopRaw + '\0', Raw(kUser, "Desktop", type));
    EXPECT_EQ("<missing>", Raw("Software\\Microsoft\\Outlook Express", "Store Root", type));
    ASSERT_EQ(1u, dialogs.boxes.size());
    EXPECT_EQ("No location has been changed, nothing was written.", dialogs.boxes[0].text);
    EXPECT_TRUE(windows.restarts.empty());
}

TEST_F(RelocateWindow, TheMailStoreOfTheFirstIdentityAndAFailedRestartSaysSo)
{
    const std::string a = "Identities\\{AAAAAAAA-0000-0000-0000-000000000001}";
    const std::string b = "Identities\\{BBBBBBBB-0000-0000-0000-000000000002}";
    const std::string store = "\\Software\\Microsoft\\Outlook Express\\5.0";
    RawSetString(b + store, "Store Root", "%USERPROFILE%\\MailB", REG_EXPAND_SZ);
    RawSetString(a + store, "Store Root", "%USERPROFILE%\\MailA", REG_EXPAND_SZ);
    // Whichever Windows lists first is the one shown.
    HKEY identities = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, "Identities", 0, KEY_READ, &identities));
    char first[64] = {};
    DWORD length = sizeof first;
    RegEnumKeyExA(identities, 0, first, &length, nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(identities);
    const std::string firstKey = std::string("Identities\\") + first + store;
    const std::string otherKey = (firstKey == a + store ? b : a) + store;
    DWORD type = 0;
    const std::string otherBefore = Raw(otherKey, "Store Root", type);
    const std::string firstName = firstKey == a + store ? "MailA" : "MailB";

    ScriptedWindows windows(VER_PLATFORM_WIN32_NT, 5, 1);
    windows.restartSucceeds = false;
    ScriptedDialogs dialogs;
    dialogs.folderAnswers = {profile_ + "\\NewMail"};
    dialogs.boxAnswers = {IDOK};
    ToolPlugin tool("Relocate");
    std::string shown, afterApply;
    ASSERT_TRUE(tool.Run("Change the Location", [&](HWND form) {
        shown = ui::WindowText(::GetDlgItem(form, IDC_OUTEXP_EDIT));
        Click(form, IDC_OUTEXP_BROWSE);
        Click(form, IDC_RELOCATE_APPLY);
        afterApply = ui::WindowText(::GetDlgItem(form, IDC_OUTEXP_EDIT));
    }));
    EXPECT_EQ(profile_ + "\\" + firstName, shown);
    EXPECT_EQ(std::vector<std::string>{shown}, dialogs.browseStarts);
    EXPECT_EQ(profile_ + "\\NewMail", afterApply);
    EXPECT_EQ(std::string("%USERPROFILE%\\NewMail") + '\0', Raw(firstKey, "Store Root", type));
    EXPECT_EQ(static_cast<DWORD>(REG_EXPAND_SZ), type);
    EXPECT_EQ(otherBefore, Raw(otherKey, "Store Root", type));

    ASSERT_EQ(2u, dialogs.boxes.size());
    EXPECT_EQ(kRestart, dialogs.boxes[0].text);
    EXPECT_EQ("Error has happend when restart Windows!\nYou may have to restart yourself!", dialogs.boxes[1].text);
    EXPECT_EQ("ERROR", dialogs.boxes[1].caption);
    EXPECT_EQ(static_cast<UINT>(MB_ICONERROR), dialogs.boxes[1].flags);
    EXPECT_EQ(std::vector<UINT>{EWX_REBOOT}, windows.restarts);
}

// A name only under "Shell Folders" is shown read only, greyed, with the reason; nothing offers
// to change it, so "nothing was written" is true.
TEST_F(RelocateWindow, RowsOnlyUnderShellFoldersAreReadOnlyWithTheReason)
{
    ScriptedWindows windows(VER_PLATFORM_WIN32_NT, 10, 0);
    ScriptedDialogs dialogs;
    dialogs.folderAnswers = {"D:\\Elsewhere"};
    ToolPlugin tool("Relocate");
    bool editEnabled = true;
    std::string details;
    ASSERT_TRUE(tool.Run("Change the Location", [&](HWND form) {
        HWND list = ::GetDlgItem(form, IDC_SYS_FOLDERS);
        SelectRow(list, FindRow(list, "OnlyShell"));
        editEnabled = ::IsWindowEnabled(::GetDlgItem(form, IDC_SYS_EDIT));
        details = ui::WindowText(::GetDlgItem(form, IDC_SYS_DETAILS));
        NMHDR doubleClick{list, IDC_SYS_FOLDERS, static_cast<UINT>(NM_DBLCLK)};
        ::SendMessageA(form, WM_NOTIFY, IDC_SYS_FOLDERS, reinterpret_cast<LPARAM>(&doubleClick));
        Click(form, IDC_RELOCATE_APPLY);
    }));
    EXPECT_FALSE(editEnabled);
    EXPECT_EQ(kReadOnly, details);
    EXPECT_TRUE(dialogs.browseStarts.empty());
    ASSERT_EQ(2u, dialogs.boxes.size());
    EXPECT_EQ("OnlyShell: " + kReadOnly, dialogs.boxes[0].text);
    EXPECT_EQ("Information", dialogs.boxes[0].caption);
    EXPECT_EQ("No location has been changed, nothing was written.", dialogs.boxes[1].text);
    DWORD type = 0;
    EXPECT_EQ("<missing>", Raw(kUser, "OnlyShell", type));
}

// Windows 10 and 11 keep Documents twice in "User Shell Folders"; both values move together,
// and the second values show by name, also the one "Shell Folders" lacks.
TEST_F(RelocateWindow, TheSecondValueOfWindows10MovesWithItsPair)
{
    RawSetString(kUser, kLocalDocuments, "%USERPROFILE%\\Documents", REG_EXPAND_SZ);
    RawSetString(kShell, kLocalDownloads, profile_ + "\\Downloads");
    RawSetString(kUser, kLocalDownloads, "%USERPROFILE%\\Downloads", REG_EXPAND_SZ);
    ScriptedWindows windows(VER_PLATFORM_WIN32_NT, 10, 0);
    ScriptedDialogs dialogs;
    dialogs.folderAnswers = {profile_ + "\\Work", "E:\\Fetched"};
    ToolPlugin tool("Relocate");
    std::string personalDetails, localDocuments, localDownloads, downloadsAfter;
    ASSERT_TRUE(tool.Run("Change the Location", [&](HWND form) {
        HWND list = ::GetDlgItem(form, IDC_SYS_FOLDERS);
        SelectRow(list, FindRow(list, "Personal"));
        personalDetails = ui::WindowText(::GetDlgItem(form, IDC_SYS_DETAILS));
        localDocuments = Location(form, "Local Documents");
        localDownloads = Location(form, "Local Downloads");
        EditRow(form, "Personal");
        EditRow(form, "Downloads");
        downloadsAfter = Location(form, "Local Downloads");
        Click(form, IDC_RELOCATE_APPLY);
    }));
    EXPECT_EQ("Windows keeps it under Local Documents " + kLocalDocuments + " as well; both are written.",
              personalDetails);
    EXPECT_EQ(profile_ + "\\Documents", localDocuments);
    EXPECT_EQ(profile_ + "\\Downloads", localDownloads);
    EXPECT_EQ("E:\\Fetched", downloadsAfter);
    DWORD type = 0;
    EXPECT_EQ(std::string("%USERPROFILE%\\Work") + '\0', Raw(kUser, "Personal", type));
    EXPECT_EQ(std::string("%USERPROFILE%\\Work") + '\0', Raw(kUser, kLocalDocuments, type));
    EXPECT_EQ(static_cast<DWORD>(REG_EXPAND_SZ), type);
    EXPECT_EQ(std::string("E:\\Fetched") + '\0', Raw(kUser, kDownloads, type));
    EXPECT_EQ(std::string("E:\\Fetched") + '\0', Raw(kUser, kLocalDownloads, type));
}

// A drive root, or the place of another shell folder, is questioned before it is taken.
TEST_F(RelocateWindow, ADriveRootOrAnotherFoldersPlaceIsQuestioned)
{
    ScriptedWindows windows(VER_PLATFORM_WIN32_NT, 10, 0);
    ScriptedDialogs dialogs;
    dialogs.folderAnswers = {"D:\\", profile_ + "\\Desktop\\", "D:\\"};
    dialogs.boxAnswers = {IDCANCEL, IDCANCEL, IDOK, IDCANCEL};
    ToolPlugin tool("Relocate");
    std::vector<std::string> shown;
    ASSERT_TRUE(tool.Run("Change the Location", [&](HWND form) {
        for (int i = 0; i < 3; ++i) {
            EditRow(form, "Personal");
            shown.push_back(Location(form, "Personal"));
        }
        Click(form, IDC_RELOCATE_APPLY);
    }));
    EXPECT_EQ((std::vector<std::string>{profile_ + "\\Documents", profile_ + "\\Documents", "D:\\"}), shown);
    ASSERT_EQ(4u, dialogs.boxes.size());
    const std::string root = "D:\\ is the root of a drive. The files of Personal would lie among everything else on "
                             "that drive, and moving the folder away again later would move the whole drive's "
                             "files.\nUse it anyway?";
    EXPECT_EQ(root, dialogs.boxes[0].text);
    EXPECT_EQ("Warning!", dialogs.boxes[0].caption);
    EXPECT_EQ(static_cast<UINT>(MB_OKCANCEL | MB_ICONEXCLAMATION | MB_DEFBUTTON2), dialogs.boxes[0].flags);
    EXPECT_EQ(profile_ + "\\Desktop\\ is already the location of Desktop. Two folders in one place mix their files, "
                         "and moving either of them later moves the other's files too.\nUse it anyway?",
              dialogs.boxes[1].text);
    EXPECT_EQ(root, dialogs.boxes[2].text);
    EXPECT_EQ(kRestart, dialogs.boxes[3].text);
    DWORD type = 0;
    EXPECT_EQ(std::string("D:\\") + '\0', Raw(kUser, "Personal", type));
}

} // namespace

// The program runs with UTF-8 as its code page: a location named in other scripts than the
// system's is shown, browsed from and written exactly.
TEST_F(RelocateWindow, ALocationNamedInAnyLanguageIsShownAndWrittenExactly)
{
    ASSERT_EQ(static_cast<UINT>(CP_UTF8), ::GetACP());
    // C:\users\Łódź\Документы and D:\文書 Записи
    const std::wstring current = L"C:\\users\\\x0141\x00F3\x0064\x017A\\\x0414\x043E\x043A\x0443\x043C\x0435\x043D\x0442\x044B";
    const std::wstring chosen = L"D:\\\x6587\x66F8 \x0417\x0430\x043F\x0438\x0441\x0438";
    ASSERT_TRUE(SetWideValue(HKEY_CURRENT_USER, FromUtf8(kShell), L"Personal", current));
    ASSERT_TRUE(SetWideValue(HKEY_CURRENT_USER, FromUtf8(kUser), L"Personal", current));
    ScriptedWindows windows(VER_PLATFORM_WIN32_NT, 10, 0);
    ScriptedDialogs dialogs;
    dialogs.folderAnswers = {Utf8(chosen)};
    dialogs.boxAnswers = {IDCANCEL};
    ToolPlugin tool("Relocate");
    ASSERT_TRUE(tool.Loaded());
    std::string shown;
    ASSERT_TRUE(tool.Run("Change the Location of System and Special Folders", [&](HWND form) {
        shown = Location(form, "Personal");
        EditRow(form, "Personal");
        Click(form, IDC_RELOCATE_APPLY);
    }));
    EXPECT_TRUE(FromUtf8(shown) == current);
    EXPECT_EQ(std::vector<std::string>{Utf8(current)}, dialogs.browseStarts);
    EXPECT_TRUE(WideValue(HKEY_CURRENT_USER, FromUtf8(kUser), L"Personal") == chosen);
}
