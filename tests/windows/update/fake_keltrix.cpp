// Stands in for a running Keltrix.exe in the updater's tests: holds the single-instance mutex
// and shows a top-level window. It closes when asked, unless started with "stubborn".
#include <windows.h>

#include <cstring>

namespace {

bool stubborn = false;

LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CLOSE) {
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

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    stubborn = std::strstr(commandLine, "stubborn") != nullptr;
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "FakeKeltrixWindow";
    ::RegisterClassA(&windowClass);
    HWND window = ::CreateWindowExA(0, "FakeKeltrixWindow", "Keltrix 0.9 - Dorvane", WS_OVERLAPPEDWINDOW, 0, 0, 200,
                                    100, nullptr, nullptr, instance, nullptr);
    ::ShowWindow(window, SW_SHOWNOACTIVATE);
    HANDLE mutex = ::CreateMutexA(nullptr, TRUE, "Keltrix");
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0)
        ::DispatchMessageA(&msg);
    ::CloseHandle(mutex);
    return 0;
}
