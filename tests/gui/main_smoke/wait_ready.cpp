// Waits until a Keltrix main window is ready (shown and enabled) and prints its caption;
// exit code 0, or 1 after the time limit (seconds, first argument; 180 by default). Used by
// tools/run-keltrix.sh, so the screenshot shows the ready window however slow Wine starts.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    const DWORD limit = (argc > 1 ? static_cast<DWORD>(std::atoi(argv[1])) : 180) * 1000;
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < limit) {
        HWND window = ::FindWindowA("TKeltMainForm", nullptr);
        if (window && ::IsWindowVisible(window) && ::IsWindowEnabled(window)) {
            char caption[256] = {};
            ::GetWindowTextA(window, caption, sizeof caption);
            std::printf("Ready after %.1f s: %s\n", (::GetTickCount() - start) / 1000.0, caption);
            return 0;
        }
        ::Sleep(100);
    }
    std::printf("No ready Keltrix window after %lu s\n", static_cast<unsigned long>(limit / 1000));
    return 1;
}
