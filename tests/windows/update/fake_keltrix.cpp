// Stands in for a running Keltrix.exe in the updater's tests: holds the single-copy mutex and
// shows a main window of Keltrix's class, a plug-in's tool window and a dialog-like window.
// Every WM_CLOSE a window receives is noted in closes.txt in the current folder ("main",
// "tool", "dialog"). The main window closes when asked, unless started with "stubborn"; with
// "busy" it is disabled, as while one of its dialogs runs.
#include <windows.h>

#include <cstring>

namespace {

bool stubborn = false;

void Note(const char* what)
{
    HANDLE file = ::CreateFileA("closes.txt", FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    ::WriteFile(file, what, static_cast<DWORD>(std::strlen(what)), &written, nullptr);
    ::WriteFile(file, "\n", 1, &written, nullptr);
    ::CloseHandle(file);
}

LRESULT CALLBACK MainProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CLOSE) {
        Note("main");
        if (!stubborn)
            ::DestroyWindow(window);
        return 0;
    }
    if (message == WM_DESTROY) {
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK OtherProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CLOSE) {
        char name[32] = {};
        ::GetClassNameA(window, name, sizeof name);
        Note(std::strcmp(name, "TForm1") == 0 ? "tool" : "dialog");
        return 0;
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
}

HWND Make(HINSTANCE instance, const char* className, WNDPROC procedure, const char* caption, HWND owner)
{
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = className;
    ::RegisterClassA(&windowClass);
    HWND window = ::CreateWindowExA(0, className, caption, WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, owner, nullptr,
                                    instance, nullptr);
    ::ShowWindow(window, SW_SHOWNOACTIVATE);
    return window;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    stubborn = std::strstr(commandLine, "stubborn") != nullptr;
    HWND main = Make(instance, "TKeltMainForm", MainProcedure, "Keltrix--[Now Running Under: Windows]", nullptr);
    Make(instance, "TForm1", OtherProcedure, "Hide", main);
    Make(instance, "TKeltApplyRep", OtherProcedure, "Apply all changes", main);
    if (std::strstr(commandLine, "busy"))
        ::EnableWindow(main, FALSE);
    HANDLE mutex = ::CreateMutexA(nullptr, TRUE, "Keltrix");
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0)
        ::DispatchMessageA(&msg);
    ::CloseHandle(mutex);
    return 0;
}
