// The staged program's start and its close requests, driven from outside as a user meets
// them: a splash closed by hand, messages and questions of the start not beneath the splash,
// and a close request while a question or a search is still up.
#include <windows.h>

#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/search/search_ids.h"
#include "tests/gui/main_smoke/program_probe.h"

namespace kelt {
namespace {

// A copy of the staged program folder that a test may change, removed afterwards.
class StageCopy {
public:
    StageCopy()
    {
        char temp[MAX_PATH] = {};
        ::GetTempPathA(MAX_PATH, temp);
        static int counter = 0;
        folder_ = std::string(temp) + "kelt-stage-" + std::to_string(::GetCurrentProcessId()) + "-" +
                  std::to_string(++counter) + "\\";
        Copy(probe::StageFolder(), folder_);
    }
    ~StageCopy() { Remove(folder_); }
    const std::string& Folder() const { return folder_; }
    void Write(const std::string& relative, const std::string& bytes) const
    {
        std::ofstream(folder_ + relative, std::ios::binary | std::ios::trunc) << bytes;
    }

private:
    template <typename Each>
    static void ForEach(const std::string& folder, Each each)
    {
        WIN32_FIND_DATAA found{};
        HANDLE find = ::FindFirstFileA((folder + "*").c_str(), &found);
        if (find == INVALID_HANDLE_VALUE)
            return;
        do {
            const std::string name = found.cFileName;
            if (name != "." && name != "..")
                each(name, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
        } while (::FindNextFileA(find, &found));
        ::FindClose(find);
    }
    static void Copy(const std::string& from, const std::string& to)
    {
        ::CreateDirectoryA(to.c_str(), nullptr);
        ForEach(from, [&](const std::string& name, bool folder) {
            if (folder)
                Copy(from + name + "\\", to + name + "\\");
            else
                ::CopyFileA((from + name).c_str(), (to + name).c_str(), FALSE);
        });
    }
    static void Remove(const std::string& folder)
    {
        ForEach(folder, [&](const std::string& name, bool isFolder) {
            if (isFolder)
                Remove(folder + name + "\\");
            else
                ::DeleteFileA((folder + name).c_str());
        });
        ::RemoveDirectoryA(folder.c_str());
    }
    std::string folder_;
};

// One of the program's options in the registry for the length of a test.
class StoredOption {
public:
    StoredOption(const char* name, DWORD value) : name_(name)
    {
        HKEY key = nullptr;
        if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kOptionsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) ==
            ERROR_SUCCESS) {
            ::RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
            ::RegCloseKey(key);
        }
    }
    ~StoredOption()
    {
        HKEY key = nullptr;
        if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kOptionsKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
            ::RegDeleteValueA(key, name_);
            ::RegCloseKey(key);
        }
    }

private:
    static constexpr const char* kOptionsKey = "SoftWare\\Dorvane\\Keltrix 0.8\\Options";
    const char* name_;
};

// The started program; ended by force if a test leaves it running, so the next test's copy
// is not the second one.
class Running {
public:
    explicit Running(const std::string& folder) : process_(probe::Start(folder)) {}
    ~Running()
    {
        if (!process_)
            return;
        if (::WaitForSingleObject(process_, 0) != WAIT_OBJECT_0) {
            ::TerminateProcess(process_, 3);
            ::WaitForSingleObject(process_, 30000);
        }
        ::CloseHandle(process_);
    }
    HANDLE get() const { return process_; }

private:
    HANDLE process_;
};

template <typename Condition>
bool WaitUntil(Condition done, DWORD timeoutMs)
{
    const DWORD start = ::GetTickCount();
    while (!done()) {
        if (::GetTickCount() - start > timeoutMs)
            return false;
        ::Sleep(10);
    }
    return true;
}

// Whether a window of the start that asks the user something can be seen: the splash, which
// stays on top of every other window, has closed or stepped out of the way.
bool SplashOutOfTheWay(HANDLE process)
{
    HWND splash = probe::WindowOf(process, "TKeltSplashForm");
    return !splash || !::IsWindowVisible(splash) || !(::GetWindowLongA(splash, GWL_EXSTYLE) & WS_EX_TOPMOST);
}

// Whether the window goes (it is hidden first when it is destroyed) within a few seconds.
bool Closes(HWND window)
{
    return WaitUntil([&] { return !::IsWindow(window) || !::IsWindowVisible(window); }, 8000);
}

// Presses a button of a message box of the other process.
void Answer(HWND box, int button)
{
    ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
}

TEST(StagedStart, ClosingTheSplashBeforeItsTimeLeavesAReadyWindow)
{
    Running program(probe::StageFolder());
    HANDLE process = program.get();
    ASSERT_TRUE(process);
    HWND splash = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (splash = probe::WindowOf(process, "TKeltSplashForm")) != nullptr; }, 120000));
    // Alt+F4 on the splash: a close request long before its two seconds are up.
    ::PostMessageA(splash, WM_CLOSE, 0, 0);
    HWND window = probe::WaitReady(process, 60000);
    ASSERT_TRUE(window) << "the main window never became ready";
    EXPECT_FALSE(::IsWindow(splash));
    EXPECT_EQ(probe::CloseThroughMenu(process, window, 60000), 0u);
}

TEST(StagedStart, AnErrorOfTheStartIsNotLeftBeneathTheSplash)
{
    StageCopy stage;
    stage.Write("KeltKinds.xdb", "not a table");
    Running program(stage.Folder());
    HANDLE process = program.get();
    ASSERT_TRUE(process);
    HWND box = probe::WaitShown(process, 120000, "#32770", "Error");
    ASSERT_TRUE(box) << "no error message";
    EXPECT_TRUE(SplashOutOfTheWay(process)) << "the message is beneath the splash";
    Answer(box, IDOK);
    // What could be built shows; the program stays usable.
    HWND window = probe::WaitReady(process, 60000);
    ASSERT_TRUE(window);
    EXPECT_EQ(probe::CloseThroughMenu(process, window, 60000), 0u);
}

TEST(StagedStart, AClosedWindowWaitsForTheStartQuestionToBeAnswered)
{
    // One plug-in in the folder that is not installed yet, and the start asks about it.
    StageCopy stage;
    stage.Write("Plugins\\KeltPlugins.ini", "[Security]\r\nStarter.KTP=\r\n");
    StoredOption ask("AutoInst", 0);
    Running program(stage.Folder());
    HANDLE process = program.get();
    ASSERT_TRUE(process);
    HWND question = probe::WaitShown(process, 120000, "#32770", "Information");
    ASSERT_TRUE(question) << "no question about the new plug-ins";
    EXPECT_TRUE(SplashOutOfTheWay(process)) << "the question is beneath the splash";
    HWND window = probe::MainWindowOf(process);
    ASSERT_TRUE(window);

    ::PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(Closes(window)) << "the window closed under the question";
    EXPECT_TRUE(::IsWindow(question));
    Answer(question, IDCANCEL);
    // Then the close that waited is carried out, and the program ends cleanly.
    EXPECT_EQ(probe::WaitExit(process, 60000), 0u);
}

TEST(StagedStart, AClosedWindowWaitsForTheSearchItIsSearched)
{
    Running program(probe::StageFolder());
    HANDLE process = program.get();
    ASSERT_TRUE(process);
    HWND window = probe::WaitReady(process, 120000);
    ASSERT_TRUE(window);
    ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDM_SEARCH, 0), 0);
    HWND search = probe::WaitShown(process, 30000, "#32770", "Search for Settings in Keltrix...");
    ASSERT_TRUE(search);
    // A short search: it stops at its first match, long before it would let the loop run.
    ::SendMessageA(::GetDlgItem(search, IDC_SEARCH_SIMPLE_TEXT), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("e"));
    ::SendMessageA(::GetDlgItem(search, IDC_SEARCH_LIMITS), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("1"));
    ::PostMessageA(search, WM_COMMAND, MAKEWPARAM(IDC_SEARCH_START, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(search, IDC_SEARCH_START)));
    HWND found = probe::WaitShown(process, 30000, "#32770", "Found:");
    ASSERT_TRUE(found) << "no search summary";

    ::PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(Closes(window)) << "the window closed while its catalogue was searched";
    Answer(found, IDOK);
    EXPECT_EQ(probe::WaitExit(process, 60000), 0u);
}

} // namespace
} // namespace kelt
