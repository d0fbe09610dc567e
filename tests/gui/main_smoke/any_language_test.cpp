// The staged program unpacked into a folder named in other languages than the system's: it runs
// with UTF-8 as its code page, so it finds its catalogue and plug-ins there.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include <gtest/gtest.h>

#include "tests/gui/main_smoke/program_probe.h"
#include "tests/windows/wide_text.h"

namespace kelt {
namespace {

// Copies a folder with everything in it.
bool CopyFolder(const std::wstring& from, const std::wstring& to)
{
    ::CreateDirectoryW(to.c_str(), nullptr);
    WIN32_FIND_DATAW found{};
    HANDLE search = ::FindFirstFileW((from + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    bool ok = true;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..")
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ok = CopyFolder(from + L"\\" + name, to + L"\\" + name) && ok;
        else
            ok = ::CopyFileW((from + L"\\" + name).c_str(), (to + L"\\" + name).c_str(), FALSE) && ok;
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    return ok;
}

BOOL CALLBACK CountCatalogueEntries(HWND child, LPARAM total)
{
    char name[64] = {};
    ::GetClassNameA(child, name, sizeof name);
    if (std::string(name) == WC_LISTVIEWA)
        *reinterpret_cast<LRESULT*>(total) += ::SendMessageA(child, LVM_GETITEMCOUNT, 0, 0);
    return TRUE;
}

TEST(StagedProgramText, RunsFromAFolderNamedInAnyLanguage)
{
    ASSERT_EQ(static_cast<UINT>(CP_UTF8), ::GetACP());
    // C:\Łódź\Программа 設定
    const std::wstring parent = L"C:\\\x0141\x00F3\x0064\x017A";
    const std::wstring folder = parent + L"\\\x041F\x0440\x043E\x0433\x0440\x0430\x043C\x043C\x0430 \x8A2D\x5B9A";
    ::CreateDirectoryW(parent.c_str(), nullptr);
    std::string staged = probe::StageFolder();
    staged.pop_back();
    ASSERT_TRUE(CopyFolder(testing::FromUtf8(staged), folder));

    HANDLE program = probe::Start(testing::Utf8(folder) + "\\");
    ASSERT_TRUE(program);
    HWND window = probe::WaitReady(program, 120000);
    ASSERT_TRUE(window) << "no ready main window";
    // The catalogue tables beside the program were found and loaded.
    LRESULT entries = 0;
    ::EnumChildWindows(window, CountCatalogueEntries, reinterpret_cast<LPARAM>(&entries));
    EXPECT_GT(entries, 100);
    EXPECT_EQ(probe::CloseThroughMenu(program, window, 60000), 0u);
    ::CloseHandle(program);
}

} // namespace
} // namespace kelt
