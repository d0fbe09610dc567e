// Watches an installed Keltrix from outside, for the packaging tests.
//   kelt_ready_probe start FILE PROGRAM [SECONDS]
//     opens FILE through the shell as a user does (a shortcut or the program itself) and waits
//     for the ready main window of PROGRAM (the full path of the Keltrix.exe that must be the
//     one running); prints "Ready: <caption>" and leaves the program running.
//   kelt_ready_probe close PROGRAM [SECONDS]
//     closes that main window and waits until the process has ended.
// Exit code 0 on success, 1 otherwise. A message box the program shows meanwhile (a table
// that cannot be opened, a missing file) is printed and fails the wait at once.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string Lower(std::string text)
{
    if (!text.empty())
        ::CharLowerBuffA(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

std::string ImageOf(DWORD processId)
{
    HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (!process)
        return {};
    char path[MAX_PATH * 2] = {};
    DWORD size = sizeof path;
    std::string image;
    if (::QueryFullProcessImageNameA(process, 0, path, &size))
        image.assign(path, size);
    ::CloseHandle(process);
    return image;
}

std::string TextOf(HWND window)
{
    char text[512] = {};
    ::GetWindowTextA(window, text, sizeof text);
    return text;
}

struct Search {
    std::string program;  // lower case
    HWND ready = nullptr;
    HWND messageBox = nullptr;
    DWORD processId = 0;
};

BOOL CALLBACK Inspect(HWND window, LPARAM lParam)
{
    auto* search = reinterpret_cast<Search*>(lParam);
    if (!::IsWindowVisible(window))
        return TRUE;
    DWORD processId = 0;
    ::GetWindowThreadProcessId(window, &processId);
    if (Lower(ImageOf(processId)) != search->program)
        return TRUE;
    char className[64] = {};
    ::GetClassNameA(window, className, sizeof className);
    if (std::string(className) == "#32770" && !search->messageBox) {
        search->messageBox = window;
        search->processId = processId;
        return TRUE;
    }
    // The main window has a title bar (the splash has none) and is enabled once loading ended.
    const LONG_PTR style = ::GetWindowLongPtrA(window, GWL_STYLE);
    if ((style & WS_CAPTION) == WS_CAPTION && ::IsWindowEnabled(window) && TextOf(window).rfind("Keltrix", 0) == 0) {
        search->ready = window;
        search->processId = processId;
    }
    return TRUE;
}

// Every static text of a message box, one line each.
BOOL CALLBACK CollectText(HWND child, LPARAM lParam)
{
    char className[32] = {};
    ::GetClassNameA(child, className, sizeof className);
    if (std::string(className) == "Static") {
        const std::string text = TextOf(child);
        if (!text.empty())
            reinterpret_cast<std::string*>(lParam)->append(text + "\n");
    }
    return TRUE;
}

Search Look(const std::string& program)
{
    Search search;
    search.program = Lower(program);
    ::EnumWindows(Inspect, reinterpret_cast<LPARAM>(&search));
    return search;
}

void ReportMessageBox(HWND box)
{
    std::string text;
    ::EnumChildWindows(box, CollectText, reinterpret_cast<LPARAM>(&text));
    std::printf("Message box \"%s\":\n%s", TextOf(box).c_str(), text.c_str());
}

int Start(const std::string& file, const std::string& program, DWORD limitMs)
{
    SHELLEXECUTEINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_FLAG_NO_UI;
    info.lpVerb = "open";
    info.lpFile = file.c_str();
    info.nShow = SW_SHOWNORMAL;
    if (!::ShellExecuteExA(&info)) {
        std::printf("Cannot open %s (error %lu)\n", file.c_str(), ::GetLastError());
        return 1;
    }
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < limitMs) {
        const Search search = Look(program);
        if (search.messageBox) {
            ReportMessageBox(search.messageBox);
            return 1;
        }
        if (search.ready) {
            std::printf("Ready after %.1f s: %s\n", (::GetTickCount() - start) / 1000.0, TextOf(search.ready).c_str());
            return 0;
        }
        ::Sleep(200);
    }
    std::printf("No ready main window of %s after %lu s\n", program.c_str(), limitMs / 1000);
    return 1;
}

int Close(const std::string& program, DWORD limitMs)
{
    const Search search = Look(program);
    if (!search.ready) {
        std::printf("%s shows no ready main window\n", program.c_str());
        return 1;
    }
    HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, search.processId);
    ::PostMessageA(search.ready, WM_CLOSE, 0, 0);
    const bool ended = process && ::WaitForSingleObject(process, limitMs) == WAIT_OBJECT_0;
    if (process)
        ::CloseHandle(process);
    if (!ended) {
        const Search after = Look(program);
        if (after.messageBox)
            ReportMessageBox(after.messageBox);
        std::printf("%s did not end after its window was closed\n", program.c_str());
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "start" && argc >= 4)
        return Start(argv[2], argv[3], (argc > 4 ? std::atoi(argv[4]) : 180) * 1000u);
    if (command == "close" && argc >= 3)
        return Close(argv[2], (argc > 3 ? std::atoi(argv[3]) : 60) * 1000u);
    std::printf("usage: kelt_ready_probe start FILE PROGRAM [SECONDS] | close PROGRAM [SECONDS]\n");
    return 2;
}
