// The Starter tool window loaded through the host's plug-in object and driven by messages.
#include <gtest/gtest.h>

#include <windows.h>
#include <aclapi.h>
#include <commctrl.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "catalogue/platform/system_calls.h"
#include "plugins/starter/starter_ids.h"
#include "tests/gui/starter/tool_driver.h"
#include "tests/windows/starter/raw_registry.h"
#include "tests/windows/wide_text.h"
#include "ui/dpi.h"

namespace kelt {
namespace {

using namespace kelt::testing;

const std::string kShadow = std::string(kRunKey) + "-";
const int kHkcuRun = 5;  // "Position:" entry of position 6

HWND OwnTooltip(HWND form)
{
    struct Search {
        HWND form, found = nullptr;
    } search{form};
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND window, LPARAM data) CALLBACK -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            char name[64] = {};
            ::GetClassNameA(window, name, sizeof name);
            if (std::string(name) == TOOLTIPS_CLASSA && ::GetWindow(window, GW_OWNER) == s->form)
                s->found = window;
            return s->found == nullptr;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string HintOf(HWND tooltip, HWND form, int id)
{
    char buffer[512] = {};
    TTTOOLINFOA info{};
    info.cbSize = TTTOOLINFOA_V2_SIZE;
    info.hwnd = form;
    info.uId = reinterpret_cast<UINT_PTR>(::GetDlgItem(form, id));
    info.lpszText = buffer;
    ::SendMessageA(tooltip, TTM_GETTEXTA, sizeof buffer, reinterpret_cast<LPARAM>(&info));
    return buffer;
}

// Tooltips hand out at most 79 characters of a hint through TTM_GETTEXT on some systems.
void ExpectHint(const std::string& expected, const std::string& shown)
{
    if (shown.size() >= 79 && shown.size() < expected.size())
        EXPECT_EQ(expected.substr(0, shown.size()), shown);
    else
        EXPECT_EQ(expected, shown);
}

TEST(StarterWindow, ShowsItsTextsEntriesAndOwnHints)
{
    RawWriteText(HKEY_CURRENT_USER, kRunKey, "Visible", "visible.exe");
    RawWriteText(HKEY_CURRENT_USER, kShadow, "Resting", "resting.exe");
    ToolDriver driver("Starter");
    ASSERT_EQ(plrLoaded, driver.LoadResult());
    EXPECT_EQ("Starter", driver.Plugin().Name());
    EXPECT_EQ("Security", driver.Plugin().Kind());
    ASSERT_TRUE(driver.Plugin().GlyphBitmap());

    HWND tooltip = nullptr;
    ASSERT_TRUE(driver.Run("Start program", [&](HWND form) {
        RECT client{};
        ::GetClientRect(form, &client);
        EXPECT_EQ(437, client.right);
        EXPECT_EQ(420, client.bottom);
        EXPECT_EQ("Following are the programs that run when  Windows loads:", Text(form, IDC_STARTER_INTRO));
        EXPECT_EQ(10, ::SendDlgItemMessageA(form, IDC_POSITION, CB_GETCOUNT, 0, 0));
        EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(form, IDC_MODIFY)));
        EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(form, IDC_DELETE)));

        HWND list = ::GetDlgItem(form, IDC_START_PROS);
        const int visible = FindRow(list, "Visible"), resting = FindRow(list, "Resting");
        ASSERT_GE(visible, 0);
        ASSERT_GE(resting, 0);
        EXPECT_EQ("[x] HKCU Run", Rows(list, 1)[visible]);
        EXPECT_EQ("[ ] HKCU Run", Rows(list, 1)[resting]);

        tooltip = OwnTooltip(form);
        ASSERT_TRUE(tooltip);
        EXPECT_EQ(0, ::SendMessageA(tooltip, TTM_GETDELAYTIME, TTDT_INITIAL, 0));
        EXPECT_EQ(60000, ::SendMessageA(tooltip, TTM_GETDELAYTIME, TTDT_AUTOPOP, 0));
        ExpectHint("Please First Input The Information Below,And Then Click Me To Add A New AutoRun Program",
                   HintOf(tooltip, form, IDC_ADD));
        ExpectHint("Please First Input The Information Below,And Then Click Me To Modify The Current Selected "
                   "AutoRun Program",
                   HintOf(tooltip, form, IDC_MODIFY));

        // Selecting shows the entry; each field's text is its hint.
        SelectRow(list, resting);
        EXPECT_EQ("Resting", Text(form, IDC_NAME));
        EXPECT_EQ("resting.exe", Text(form, IDC_COMMAND));
        EXPECT_EQ("HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", Text(form, IDC_POSITION));
        EXPECT_EQ("resting.exe", HintOf(tooltip, form, IDC_COMMAND));
        EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(form, IDC_MODIFY)));
        EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(form, IDC_DELETE)));
        Click(form, IDC_REFRESH);
        EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(form, IDC_MODIFY)));
    }));
    // The hint window was the tool window's own and went with it.
    EXPECT_FALSE(::IsWindow(tooltip));
    EXPECT_TRUE(driver.boxes.empty());
}

// Nothing changes under the auto-run keys while `action` runs.
bool WritesNothing(const std::function<void()>& action)
{
    HKEY keys[2] = {};
    HANDLE events[2] = {};
    const HKEY roots[2] = {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE};
    for (int i = 0; i < 2; ++i) {
        RegOpenKeyExA(roots[i], "Software\\Microsoft\\Windows\\CurrentVersion", 0, KEY_NOTIFY | ViewFor(roots[i], 0),
                      &keys[i]);
        events[i] = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
        RegNotifyChangeKeyValue(keys[i], TRUE, REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET, events[i], TRUE);
    }
    action();
    const bool quiet = ::WaitForMultipleObjects(2, events, FALSE, 200) == WAIT_TIMEOUT;
    for (int i = 0; i < 2; ++i) {
        ::CloseHandle(events[i]);
        RegCloseKey(keys[i]);
    }
    return quiet;
}

TEST(StarterWindow, ApplyMovesOnlyChangedEntries)
{
    RawWriteText(HKEY_CURRENT_USER, kRunKey, "Switch", "switch.exe");
    ToolDriver driver("Starter");
    ASSERT_TRUE(driver.Run("Start program", [&](HWND form) {
        EXPECT_TRUE(WritesNothing([&] { Click(form, IDC_APPLY); }));
        HWND list = ::GetDlgItem(form, IDC_START_PROS);
        SetRowChecked(list, FindRow(list, "Switch"), false);
        Click(form, IDC_APPLY);
    }));
    EXPECT_FALSE(RawRead(HKEY_CURRENT_USER, kRunKey, "Switch").exists);
    EXPECT_EQ("switch.exe", RawRead(HKEY_CURRENT_USER, kShadow, "Switch").data);

    // A fresh window finds it off and switches it on again.
    ASSERT_TRUE(driver.Run("Start program", [&](HWND form) {
        HWND list = ::GetDlgItem(form, IDC_START_PROS);
        const int row = FindRow(list, "Switch");
        ASSERT_GE(row, 0);
        EXPECT_FALSE(ListView_GetCheckState(list, row));
        SetRowChecked(list, row, true);
        Click(form, IDC_APPLY);
    }));
    EXPECT_EQ("switch.exe", RawRead(HKEY_CURRENT_USER, kRunKey, "Switch").data);
    EXPECT_FALSE(RawRead(HKEY_CURRENT_USER, kShadow, "Switch").exists);
    EXPECT_TRUE(driver.boxes.empty());
}

TEST(StarterWindow, AddRefusesUselessTargetsAndAsksFirst)
{
    struct Case {
        std::string name;
        int position;
        std::string command;
        std::string refusalStart;
    };
    const std::vector<Case> refused = {
        {"", kHkcuRun, "x.exe", "Please input the name"},
        {"NoPlace", -1, "x.exe", "Please choose the position"},
        {"AtUserinit", 4, "x.exe", "Userinit is a value"},
        {"AtWindows", 9, "x.exe", "Windows runs only the \"load\" and \"run\" values"},
        // Never read on the NT line (the machine's) or anywhere (the user's).
        {"AtServices", 2, "x.exe", "Windows of the NT line (NT, 2000, XP and every later Windows) never runs"},
        {"AtServicesOnce", 3, "x.exe", "Windows of the NT line (NT, 2000, XP and every later Windows) never runs"},
        {"AtUserServices", 7, "x.exe", "No Windows runs the programs of the current user's RunServices"},
        {"AtUserServicesOnce", 8, "x.exe", "No Windows runs the programs of the current user's RunServices"},
        {"NoCommand", kHkcuRun, "", "Please input the command"},
    };
    ToolDriver driver("Starter");
    driver.onOpenFile = [](ui::FileDialogRequest& request) {
        EXPECT_EQ("Please Specify The Program To AutoRun", request.title);
        EXPECT_EQ("All File(*.*)|*.*", request.filter);
        request.fileName = "C:\\Tools\\added.exe";
        return true;
    };
    ASSERT_TRUE(driver.Run("Start program", [&](HWND form) {
        for (const Case& c : refused) {
            SCOPED_TRACE(c.refusalStart);
            driver.boxes.clear();
            SetText(form, IDC_NAME, c.name);
            Choose(form, IDC_POSITION, c.position);
            SetText(form, IDC_COMMAND, c.command);
            EXPECT_TRUE(WritesNothing([&] { Click(form, IDC_ADD); }));
            ASSERT_EQ(1u, driver.boxes.size());
            EXPECT_EQ(0u, driver.boxes[0].text.rfind(c.refusalStart, 0)) << driver.boxes[0].text;
            EXPECT_EQ("Warning!", driver.boxes[0].caption);
        }

        driver.boxes.clear();
        SetText(form, IDC_NAME, "Added");
        Choose(form, IDC_POSITION, kHkcuRun);
        Click(form, IDC_BROWSE);
        EXPECT_EQ("C:\\Tools\\added.exe", Text(form, IDC_COMMAND));
        driver.answers = {IDCANCEL, IDOK};
        Click(form, IDC_ADD);
        EXPECT_FALSE(RawRead(HKEY_CURRENT_USER, kRunKey, "Added").exists);
        Click(form, IDC_ADD);
        ASSERT_EQ(2u, driver.boxes.size());
        EXPECT_EQ("Be About To Add...\nAutoRun Program Name:Added\nAutoRun Program "
                  "Postion:Software\\Microsoft\\Windows\\CurrentVersion\\Run\nAutoRun "
                  "Program:C:\\Tools\\added.exe\nCreate It,Really?",
                  driver.boxes[1].text);
        EXPECT_EQ("Be About To Add...", driver.boxes[1].caption);
        EXPECT_EQ(UINT(MB_OKCANCEL | MB_ICONQUESTION), driver.boxes[1].flags);
        EXPECT_EQ("C:\\Tools\\added.exe", RawRead(HKEY_CURRENT_USER, kRunKey, "Added").data);
    }));
}

// Modify replaces the entry, which keeps running under its new name even where the start-up
// manager once recorded that name as switched off; Delete asks first.
TEST(StarterWindow, ModifyReplacesAndDeleteAsks)
{
    RawWriteText(HKEY_CURRENT_USER, kRunKey, "Before", "before.exe");
    RawWrite(HKEY_CURRENT_USER, kApprovedRunKey, "After", REG_BINARY, std::string("\x03\0\0\0\1\2\3\4\5\6\7\x01", 12));
    ToolDriver driver("Starter");
    ASSERT_TRUE(driver.Run("Start program", [&](HWND form) {
        HWND list = ::GetDlgItem(form, IDC_START_PROS);
        SelectRow(list, FindRow(list, "Before"));
        SetText(form, IDC_NAME, "After");
        Click(form, IDC_MODIFY);
        ASSERT_EQ(1u, driver.boxes.size());
        EXPECT_EQ("Be About To Modify...", driver.boxes[0].caption);
        EXPECT_NE(std::string::npos, driver.boxes[0].text.find("AutoRun Program Name:After\n"));
        EXPECT_EQ(0u, driver.boxes[0].text.rfind("Be About To Modify...\n", 0));
        EXPECT_NE(std::string::npos, driver.boxes[0].text.find("\nModify It,Really?"));
        // The list shows the result at once: the old entry is gone, the new one runs.
        EXPECT_EQ(-1, FindRow(list, "Before"));
        ASSERT_GE(FindRow(list, "After"), 0);
        EXPECT_TRUE(ListView_GetCheckState(list, FindRow(list, "After")));

        driver.boxes.clear();
        driver.answers = {IDCANCEL, IDOK};
        SelectRow(list, FindRow(list, "After"));
        Click(form, IDC_DELETE);
        EXPECT_GE(FindRow(list, "After"), 0);
        EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(form, IDC_DELETE)));
        SelectRow(list, FindRow(list, "After"));
        Click(form, IDC_DELETE);
        EXPECT_EQ(-1, FindRow(list, "After"));
        ASSERT_EQ(2u, driver.boxes.size());
        EXPECT_EQ("Do You Really Want To Delete The AutoRun Program:After", driver.boxes[0].text);
        EXPECT_EQ("Warning!", driver.boxes[0].caption);
        EXPECT_EQ(UINT(MB_OKCANCEL | MB_ICONEXCLAMATION), driver.boxes[0].flags);
    }));
    EXPECT_FALSE(RawRead(HKEY_CURRENT_USER, kRunKey, "Before").exists);
    EXPECT_FALSE(RawRead(HKEY_CURRENT_USER, kRunKey, "After").exists);
}

// The program runs with UTF-8 as its code page: an entry named in any language, with a command
// under such a folder, is listed, switched off and on, moved and modified, and the registry
// holds exactly its text every time.
TEST(StarterWindow, EntriesOfAnyLanguageKeepTheirTextThroughEveryChange)
{
    ASSERT_EQ(static_cast<UINT>(CP_UTF8), ::GetACP());
    const std::wstring run = FromUtf8(kRunKey), shadow = FromUtf8(kShadow);
    const std::wstring name = L"\x0410\x0432\x0442\x043E\x0437\x0430\x043F\x0443\x0441\x043A";  // Автозапуск
    const std::wstring command = L"C:\\users\\\x0141\x00F3\x0064\x017A\\\x0417\x0430\x043F\x0443\x0441\x043A.exe";
    const std::wstring changed = L"C:\\users\\\x0141\x00F3\x0064\x017A\\\x8A2D\x5B9A.exe -\x00E9";
    ASSERT_TRUE(SetWideValue(HKEY_CURRENT_USER, run, name, command));
    ToolDriver driver("Starter");

    // Listed under its name; unticked and applied, it moves whole into the shadow key.
    ASSERT_TRUE(driver.Run("Start program", [&](HWND form) {
        HWND list = ::GetDlgItem(form, IDC_START_PROS);
        const int row = FindRow(list, Utf8(name));
        ASSERT_GE(row, 0) << "not listed";
        SelectRow(list, row);
        EXPECT_TRUE(FromUtf8(Text(form, IDC_COMMAND)) == command);
        SetRowChecked(list, row, false);
        Click(form, IDC_APPLY);
    }));
    EXPECT_TRUE(WideValue(HKEY_CURRENT_USER, run, name) == L"<missing>");
    EXPECT_TRUE(WideValue(HKEY_CURRENT_USER, shadow, name) == command);

    // Ticked again, it moves back as it was.
    ASSERT_TRUE(driver.Run("Start program", [&](HWND form) {
        HWND list = ::GetDlgItem(form, IDC_START_PROS);
        const int row = FindRow(list, Utf8(name));
        ASSERT_GE(row, 0);
        SetRowChecked(list, row, true);
        Click(form, IDC_APPLY);
    }));
    EXPECT_TRUE(WideValue(HKEY_CURRENT_USER, run, name) == command);
    EXPECT_TRUE(WideValue(HKEY_CURRENT_USER, shadow, name) == L"<missing>");

    // Modified and moved: a new command in another script, under the same name, at "RunOnce".
    const std::wstring runOnce = run + L"Once";
    ASSERT_TRUE(driver.Run("Start program", [&](HWND form) {
        HWND list = ::GetDlgItem(form, IDC_START_PROS);
        SelectRow(list, FindRow(list, Utf8(name)));
        SetText(form, IDC_COMMAND, Utf8(changed));
        Choose(form, IDC_POSITION, kHkcuRun + 1);
        Click(form, IDC_MODIFY);
        ASSERT_EQ(1u, driver.boxes.size());
        EXPECT_NE(std::string::npos, driver.boxes[0].text.find("AutoRun Program Name:" + Utf8(name) + "\n"));
        EXPECT_NE(std::string::npos, driver.boxes[0].text.find("AutoRun Program:" + Utf8(changed) + "\n"));
    }));
    EXPECT_TRUE(WideValue(HKEY_CURRENT_USER, runOnce, name) == changed);
    EXPECT_TRUE(WideValue(HKEY_CURRENT_USER, run, name) == L"<missing>");
    RegDeleteKeyValueW(HKEY_CURRENT_USER, runOnce.c_str(), name.c_str());
}

// Moved to a monitor of another scale, the tool window grows with it: its size, its controls,
// their font, the list's columns and rows; and comes back when moved back.
TEST(StarterWindow, FollowsTheScaleOfItsMonitor)
{
    RawWriteText(HKEY_CURRENT_USER, kRunKey, "Scaled", "scaled.exe");
    struct Look {
        SIZE client;
        int column, row, fontHeight, dropped;
        SIZE button;
    };
    const auto look = [](HWND form) {
        Look l{};
        RECT r{};
        ::GetClientRect(form, &r);
        l.client = SIZE{r.right, r.bottom};
        HWND list = ::GetDlgItem(form, IDC_START_PROS);
        l.column = ListView_GetColumnWidth(list, 0);
        ListView_GetItemRect(list, 0, &r, LVIR_BOUNDS);
        l.row = r.bottom - r.top;
        LOGFONTA font{};
        ::GetObjectA(reinterpret_cast<HFONT>(::SendDlgItemMessageA(form, IDC_NAME, WM_GETFONT, 0, 0)), sizeof font, &font);
        l.fontHeight = std::abs(font.lfHeight);
        l.dropped = static_cast<int>(::SendDlgItemMessageA(form, IDC_POSITION, CB_GETDROPPEDWIDTH, 0, 0));
        ::GetWindowRect(::GetDlgItem(form, IDC_APPLY), &r);
        l.button = SIZE{r.right - r.left, r.bottom - r.top};
        return l;
    };
    const auto tell = [](HWND form, int dpi, int percent) {
        RECT r{};
        ::GetWindowRect(form, &r);
        r.right = r.left + (r.right - r.left) * percent / 100;
        r.bottom = r.top + (r.bottom - r.top) * percent / 100;
        ::SendMessageA(form, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&r));
    };
    ToolDriver driver("Starter");
    ASSERT_TRUE(driver.Run("Start program", [&](HWND form) {
        const Look at96 = look(form);
        tell(form, 144, 150);
        const Look at144 = look(form);
        EXPECT_NEAR(at96.column * 3 / 2, at144.column, 1);
        EXPECT_NEAR(at96.fontHeight * 3 / 2, at144.fontHeight, 1);
        EXPECT_NEAR(at96.dropped * 3 / 2, at144.dropped, 1);
        EXPECT_NEAR(at96.button.cx * 3 / 2, at144.button.cx, 1);
        EXPECT_NEAR(at96.button.cy * 3 / 2, at144.button.cy, 1);
        EXPECT_GE(at144.row * 10, at96.row * 14);
        EXPECT_GE(at144.client.cx * 10, at96.client.cx * 14);
        EXPECT_GE(at144.client.cy * 10, at96.client.cy * 14);

        tell(form, 96, 66);
        const Look back = look(form);
        EXPECT_NEAR(at96.column, back.column, 1);
        EXPECT_EQ(at96.fontHeight, back.fontHeight);
        EXPECT_EQ(at96.row, back.row);
        EXPECT_NEAR(at96.button.cx, back.button.cx, 1);
    }));
}

// On the Windows 95 line the machine's RunServices keys do start programs: only the user's are
// refused there.
TEST(StarterWindow, TheWindows95LineKeepsTheMachinesRunServices)
{
    SystemCalls calls = SystemCalls::Real();
    calls.RtlGetVersion = nullptr;
    calls.GetVersionExA = [](OSVERSIONINFOA* info) -> BOOL {
        info->dwPlatformId = VER_PLATFORM_WIN32_WINDOWS;
        info->dwMajorVersion = 4;
        info->dwMinorVersion = 10;
        return TRUE;
    };
    ScopedSystemCalls windows98(calls);
    const std::string services = "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices";
    ToolDriver driver("Starter");
    ASSERT_TRUE(driver.Run("Start program", [&](HWND form) {
        SetText(form, IDC_NAME, "Service98");
        SetText(form, IDC_COMMAND, "service98.exe");
        Choose(form, IDC_POSITION, 7);  // the user's RunServices
        Click(form, IDC_ADD);
        Choose(form, IDC_POSITION, 2);  // the machine's
        Click(form, IDC_ADD);
    }));
    ASSERT_EQ(2u, driver.boxes.size());
    EXPECT_EQ(0u, driver.boxes[0].text.rfind("No Windows runs the programs of the current user's RunServices", 0));
    EXPECT_EQ("Be About To Add...", driver.boxes[1].caption);
    EXPECT_FALSE(RawRead(HKEY_CURRENT_USER, services, "Service98").exists);
    EXPECT_EQ("service98.exe", RawRead(HKEY_LOCAL_MACHINE, services, "Service98").data);
}

const std::string kOtherRun = "Another AutoRun program named Tool is already at HKCU Run:\nIts command: user.exe\n";

// Two programs under one name at two positions: neither Modify nor Add writes over the other
// without showing both commands and asking; declining leaves both as they were.
TEST(StarterWindow, ModifyAndAddAskBeforeReplacingAnotherEntry)
{
    RawWriteText(HKEY_LOCAL_MACHINE, kRunKey, "Tool", "machine.exe");
    RawWriteText(HKEY_CURRENT_USER, kRunKey, "Tool", "user.exe");
    ToolDriver driver("Starter");
    ASSERT_TRUE(driver.Run("Start program", [&](HWND form) {
        HWND list = ::GetDlgItem(form, IDC_START_PROS);
        SelectRow(list, FindRow(list, "Tool", 0));  // HKLM Run comes first
        ASSERT_EQ("machine.exe", Text(form, IDC_COMMAND));
        Choose(form, IDC_POSITION, kHkcuRun);
        driver.answers = {IDOK, IDCANCEL};
        Click(form, IDC_MODIFY);
        ASSERT_EQ(2u, driver.boxes.size());
        EXPECT_EQ(kOtherRun + "New command: machine.exe\nReplace it? Its program will no longer start.",
                  driver.boxes[1].text);
        EXPECT_EQ("Warning!", driver.boxes[1].caption);
        EXPECT_EQ(UINT(MB_OKCANCEL | MB_ICONEXCLAMATION | MB_DEFBUTTON2), driver.boxes[1].flags);

        driver.boxes.clear();
        SetText(form, IDC_NAME, "Tool");
        SetText(form, IDC_COMMAND, "added.exe");
        Choose(form, IDC_POSITION, kHkcuRun);
        driver.answers = {IDOK, IDCANCEL};
        Click(form, IDC_ADD);
        ASSERT_EQ(2u, driver.boxes.size());
        EXPECT_EQ(kOtherRun + "New command: added.exe\nReplace it? Its program will no longer start.",
                  driver.boxes[1].text);
    }));
    EXPECT_EQ("user.exe", RawRead(HKEY_CURRENT_USER, kRunKey, "Tool").data);
    EXPECT_EQ("machine.exe", RawRead(HKEY_LOCAL_MACHINE, kRunKey, "Tool").data);

    // Agreeing moves the machine's entry over the user's.
    driver.boxes.clear();
    ASSERT_TRUE(driver.Run("Start program", [&](HWND form) {
        HWND list = ::GetDlgItem(form, IDC_START_PROS);
        SelectRow(list, FindRow(list, "Tool", 0));
        Choose(form, IDC_POSITION, kHkcuRun);
        driver.answers = {IDOK, IDOK};
        Click(form, IDC_MODIFY);
    }));
    EXPECT_EQ(2u, driver.boxes.size());
    EXPECT_EQ("machine.exe", RawRead(HKEY_CURRENT_USER, kRunKey, "Tool").data);
    EXPECT_FALSE(RawRead(HKEY_LOCAL_MACHINE, kRunKey, "Tool").exists);
}

// Allows or denies everybody changing the values of a key below HKEY_CURRENT_USER.
void DenyValueChanges(const std::string& path, bool deny)
{
    std::string object = "CURRENT_USER\\" + path;
    if (!deny) {
        SetNamedSecurityInfoA(&object[0], SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr, nullptr,
                              nullptr);
        return;
    }
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
}

// The new value is written but the old one cannot go: the user learns that both exist now.
TEST(StarterWindow, ModifyWhoseOldValueStaysSaysBothExist)
{
    const std::string runOnce = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
    RawWriteText(HKEY_CURRENT_USER, runOnce, "Stuck", "stuck.exe");
    DenyValueChanges(runOnce, true);
    ToolDriver driver("Starter");
    ASSERT_TRUE(driver.Run("Start program", [&](HWND form) {
        HWND list = ::GetDlgItem(form, IDC_START_PROS);
        SelectRow(list, FindRow(list, "Stuck"));
        Choose(form, IDC_POSITION, kHkcuRun);
        Click(form, IDC_MODIFY);
    }));
    DenyValueChanges(runOnce, false);
    ASSERT_EQ(2u, driver.boxes.size());
    EXPECT_EQ("The AutoRun program Stuck was written to HKCU Run, but the old entry Stuck could not be removed from "
              "HKCU RunOnce: both now exist.",
              driver.boxes[1].text);
    EXPECT_EQ("Error", driver.boxes[1].caption);
    EXPECT_EQ("stuck.exe", RawRead(HKEY_CURRENT_USER, kRunKey, "Stuck").data);
    EXPECT_EQ("stuck.exe", RawRead(HKEY_CURRENT_USER, runOnce, "Stuck").data);
}

} // namespace
} // namespace kelt
