// The staged program at another scale: told by the system that its monitor's scale changed, the
// main window and a dialog lay themselves out as they do when the program starts at that scale;
// pictures of the screen at 96 and 144 dpi are saved beside the build.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "tests/gui/main_smoke/program_probe.h"
#include "ui/dpi.h"

namespace kelt {
namespace {

struct Layout {
    int barHeight, sideBarWidth, buttonWidth, buttonHeight, detailsWidth, statusHeight;
};

SIZE SizeOf(HWND hwnd)
{
    RECT r{};
    ::GetWindowRect(hwnd, &r);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

Layout Measure(HWND main)
{
    HWND form = ::GetDlgItem(main, IDC_FORM_PANEL);
    HWND bar = ::GetDlgItem(form, IDC_CONTROL_BAR);
    const SIZE button = SizeOf(::GetDlgItem(bar, IDC_APPLY_BUTTON));
    return Layout{SizeOf(bar).cy, SizeOf(::GetDlgItem(form, IDC_OUTBAR)).cx, button.cx, button.cy,
                  SizeOf(::GetDlgItem(form, IDC_DETAILS_PANEL)).cx, SizeOf(::GetDlgItem(main, IDC_STATUS_BAR)).cy};
}

void ExpectSameLayout(const Layout& expected, const Layout& actual, const char* what)
{
    SCOPED_TRACE(what);
    EXPECT_NEAR(expected.barHeight, actual.barHeight, 1);
    EXPECT_NEAR(expected.sideBarWidth, actual.sideBarWidth, 1);
    EXPECT_NEAR(expected.buttonWidth, actual.buttonWidth, 1);
    EXPECT_NEAR(expected.buttonHeight, actual.buttonHeight, 1);
    EXPECT_NEAR(expected.detailsWidth, actual.detailsWidth, 1);
    // The status bar grows with its font; its frame follows the system's own metrics.
    EXPECT_NEAR(expected.statusHeight, actual.statusHeight, 3);
}

// What the system sends a window whose monitor changed scale: the new dots per inch and the
// rectangle it suggests, which must lie in the receiving process.
void SendDpiChanged(HANDLE process, HWND window, int dpi, const RECT& suggested)
{
    void* remote = ::VirtualAllocEx(process, nullptr, sizeof suggested, MEM_COMMIT, PAGE_READWRITE);
    ASSERT_TRUE(remote);
    ASSERT_TRUE(::WriteProcessMemory(process, remote, &suggested, sizeof suggested, nullptr));
    DWORD_PTR answer = 0;
    EXPECT_TRUE(::SendMessageTimeoutA(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(remote),
                                      SMTO_NORMAL, 30000, &answer));
    ::VirtualFreeEx(process, remote, 0, MEM_RELEASE);
}

RECT WindowRect(HWND hwnd)
{
    RECT r{};
    ::GetWindowRect(hwnd, &r);
    return r;
}

struct DialogSearch {
    DWORD process;
    const char* caption;
    HWND found;
};

BOOL CALLBACK FindDialog(HWND hwnd, LPARAM data)
{
    auto* search = reinterpret_cast<DialogSearch*>(data);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(hwnd, &owner);
    if (owner == search->process && ::IsWindowVisible(hwnd) && probe::Caption(hwnd) == search->caption) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

HWND WaitForDialog(HANDLE process, const char* caption)
{
    for (int i = 0; i < 300; ++i) {
        DialogSearch search{::GetProcessId(process), caption, nullptr};
        ::EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&search));
        if (search.found)
            return search.found;
        ::Sleep(100);
    }
    return nullptr;
}

// Where the build keeps its files, for the pictures; empty outside the build.
std::string BuildFile(const char* name)
{
    char binary[MAX_PATH * 2] = {};
    if (!::GetEnvironmentVariableA("KELT_BINARY_DIR", binary, sizeof binary))
        return std::string();
    std::string path = binary;
    if (!path.empty() && path[0] == '/')
        path = "Z:" + path;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path + "\\" + name;
}

void Picture(HWND window, const char* name)
{
    // Painted in full first: the picture is to show what the window draws.
    ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    ::Sleep(1500);
    const std::string path = BuildFile(name);
    if (!path.empty() && probe::SaveScreen(path))
        std::printf("Screenshot: %s\n", path.c_str());
}

// The scale the system gives every new program (Wine reads it at a program's start).
void SetSystemDpi(int dpi)
{
    const DWORD value = static_cast<DWORD>(dpi);
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) == ERROR_SUCCESS) {
        RegSetValueExA(key, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
        RegCloseKey(key);
    }
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Hardware Profiles\\Current\\Software\\Fonts", 0,
                        nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) == ERROR_SUCCESS) {
        RegSetValueExA(key, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
        RegCloseKey(key);
    }
}

TEST(StagedProgramScale, MainWindowAndDialogsFollowAScaleChangeAsIfStartedAtIt)
{
    const std::string folder = probe::StageFolder();

    // Started at 144 dpi: the layout to reach.
    SetSystemDpi(144);
    HANDLE large = probe::Start(folder);
    ASSERT_TRUE(large);
    HWND window = probe::WaitReady(large, 120000);
    ASSERT_TRUE(window) << "no ready main window at 144 dpi";
    const Layout at144 = Measure(window);
    Picture(window, "keltrix-144dpi.bmp");
    EXPECT_EQ(probe::CloseThroughMenu(large, window, 60000), 0u);
    ::CloseHandle(large);
    SetSystemDpi(96);

    HANDLE program = probe::Start(folder);
    ASSERT_TRUE(program);
    window = probe::WaitReady(program, 120000);
    ASSERT_TRUE(window) << "no ready main window at 96 dpi";
    const Layout at96 = Measure(window);
    Picture(window, "keltrix-96dpi.bmp");
    ASSERT_NEAR(at96.barHeight * 3 / 2, at144.barHeight, 1) << "the start at 144 dpi was not at that scale";

    // Moved to a monitor of 144 dpi, and back.
    SendDpiChanged(program, window, 144, WindowRect(window));
    ExpectSameLayout(at144, Measure(window), "told 144 dpi");
    Picture(window, "keltrix-96-told-144dpi.bmp");

    ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDM_OPTIONS, 0), 0);
    HWND options = WaitForDialog(program, "Options");
    ASSERT_TRUE(options) << "no options dialog";
    const RECT before = WindowRect(options);
    const SIZE ok = SizeOf(::GetDlgItem(options, IDOK));
    const RECT larger{before.left, before.top, before.left + (before.right - before.left) * 3 / 2,
                      before.top + (before.bottom - before.top) * 3 / 2};
    SendDpiChanged(program, options, 144, larger);
    const RECT after = WindowRect(options);
    EXPECT_EQ(larger.right - larger.left, after.right - after.left);
    EXPECT_EQ(larger.bottom - larger.top, after.bottom - after.top);
    EXPECT_NEAR(ok.cx * 3 / 2, SizeOf(::GetDlgItem(options, IDOK)).cx, 1);
    EXPECT_NEAR(ok.cy * 3 / 2, SizeOf(::GetDlgItem(options, IDOK)).cy, 1);
    Picture(options, "keltrix-options-told-144dpi.bmp");
    ::PostMessageA(options, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);

    SendDpiChanged(program, window, 96, WindowRect(window));
    ExpectSameLayout(at96, Measure(window), "told 96 dpi again");
    EXPECT_EQ(probe::CloseThroughMenu(program, window, 60000), 0u);
    ::CloseHandle(program);
}

} // namespace
} // namespace kelt
