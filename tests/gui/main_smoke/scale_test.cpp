// The staged program at another scale: told that its monitor's scale changed, the main window
// lays itself out as it does when the program starts at that scale. Pictures of the screen at
// 96 and 144 dpi are saved beside the build.
#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/gui/main_smoke/program_probe.h"
#include "ui/dpi.h"

namespace kelt {
namespace {

int Width(HWND hwnd)
{
    RECT r{};
    ::GetWindowRect(hwnd, &r);
    return r.right - r.left;
}

int Height(HWND hwnd)
{
    RECT r{};
    ::GetWindowRect(hwnd, &r);
    return r.bottom - r.top;
}

// Tool bar height, side bar width, tool button size, details column width, status bar height.
std::vector<int> Layout(HWND main)
{
    HWND form = ::GetDlgItem(main, IDC_FORM_PANEL);
    HWND bar = ::GetDlgItem(form, IDC_CONTROL_BAR);
    HWND button = ::GetDlgItem(bar, IDC_APPLY_BUTTON);
    return {Height(bar), Width(::GetDlgItem(form, IDC_OUTBAR)), Width(button), Height(button),
            Width(::GetDlgItem(form, IDC_DETAILS_PANEL)), Height(::GetDlgItem(main, IDC_STATUS_BAR))};
}

void ExpectLayout(const std::vector<int>& expected, const std::vector<int>& actual)
{
    ASSERT_EQ(expected.size(), actual.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        // The status bar grows with its font; its frame follows the system's own metrics.
        EXPECT_NEAR(expected[i], actual[i], i + 1 == expected.size() ? 3 : 1) << "measure " << i;
}

// What the system sends a window whose monitor changed scale; the suggested rectangle must lie
// in the receiving process.
void SendDpiChanged(HANDLE process, HWND window, int dpi)
{
    RECT suggested{};
    ::GetWindowRect(window, &suggested);
    void* remote = ::VirtualAllocEx(process, nullptr, sizeof suggested, MEM_COMMIT, PAGE_READWRITE);
    ASSERT_TRUE(remote && ::WriteProcessMemory(process, remote, &suggested, sizeof suggested, nullptr));
    DWORD_PTR answer = 0;
    EXPECT_TRUE(::SendMessageTimeoutA(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(remote),
                                      SMTO_NORMAL, 30000, &answer));
    ::VirtualFreeEx(process, remote, 0, MEM_RELEASE);
}

void Picture(HWND window, const char* name)
{
    ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    ::Sleep(1500);
    probe::SaveScreenAs(name);
}

// The scale Wine gives every program it starts from now on.
void SetSystemDpi(DWORD dpi)
{
    const struct {
        HKEY root;
        const char* key;
    } places[] = {{HKEY_CURRENT_USER, "Control Panel\\Desktop"},
                  {HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Hardware Profiles\\Current\\Software\\Fonts"}};
    for (const auto& place : places) {
        HKEY key = nullptr;
        if (RegCreateKeyExA(place.root, place.key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) == ERROR_SUCCESS) {
            RegSetValueExA(key, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof dpi);
            RegCloseKey(key);
        }
    }
}

TEST(StagedProgramScale, TheMainWindowFollowsAScaleChangeAsIfStartedAtIt)
{
    const std::string folder = probe::StageFolder();
    std::vector<int> at[2];  // started at 144 dpi, at 96 dpi
    for (const DWORD dpi : {144, 96}) {
        SetSystemDpi(dpi);
        HANDLE program = probe::Start(folder);
        ASSERT_TRUE(program);
        HWND window = probe::WaitReady(program, 120000);
        ASSERT_TRUE(window) << "no ready main window at " << dpi << " dpi";
        at[dpi == 96] = Layout(window);
        Picture(window, dpi == 96 ? "keltrix-96dpi.bmp" : "keltrix-144dpi.bmp");
        if (dpi == 96) {
            ASSERT_NEAR(at[1][0] * 3 / 2, at[0][0], 1) << "the start at 144 dpi was not at that scale";
            // Moved to a monitor of 144 dpi, and back.
            SendDpiChanged(program, window, 144);
            ExpectLayout(at[0], Layout(window));
            Picture(window, "keltrix-96-told-144dpi.bmp");
            SendDpiChanged(program, window, 96);
            ExpectLayout(at[1], Layout(window));
        }
        EXPECT_EQ(probe::CloseThroughMenu(program, window, 60000), 0u);
        ::CloseHandle(program);
    }
}

} // namespace
} // namespace kelt
