// The staged program as a user starts it: the ready main window, a second copy that ends with
// exit code 1 and leaves the first running, a picture of the screen, and a clean exit through
// the menu.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/gui/main_smoke/program_probe.h"

namespace kelt {
namespace {

TEST(StagedProgram, StartsOnceShowsItsWindowAndExitsCleanly)
{
    const std::string folder = probe::StageFolder();
    HANDLE first = probe::Start(folder);
    ASSERT_TRUE(first) << "could not start " << folder << "Keltrix.exe";
    // A fresh Wine prefix makes the first start slow: be generous.
    HWND window = probe::WaitReady(first, 120000);
    ASSERT_TRUE(window) << "no ready main window";
    EXPECT_EQ(probe::Caption(window).rfind("Keltrix--[Now Running Under:", 0), 0u) << probe::Caption(window);

    HANDLE second = probe::Start(folder);
    ASSERT_TRUE(second);
    ASSERT_EQ(::WaitForSingleObject(second, 60000), WAIT_OBJECT_0);
    DWORD code = 0;
    ::GetExitCodeProcess(second, &code);
    EXPECT_EQ(code, 1u);
    ::CloseHandle(second);
    EXPECT_EQ(::WaitForSingleObject(first, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "the first copy ended";
    EXPECT_TRUE(::IsWindow(window));

    probe::SaveScreenAs("keltrix-smoke.bmp");

    EXPECT_EQ(probe::CloseThroughMenu(first, window, 60000), 0u);
    ::CloseHandle(first);
}

} // namespace
} // namespace kelt
