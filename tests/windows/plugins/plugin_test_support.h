#pragma once
// Shared by the plug-in tests: where the test plug-ins are, a top-level host window, and a
// script that finds the open tool window of a test plug-in while its modal loop runs.
#include <windows.h>

#include <cstdlib>
#include <functional>
#include <string>

#include "ui/window.h"

namespace kelt::testing {

inline std::string WindowsPathOf(const char* variable)
{
    const char* value = std::getenv(variable);
    std::string path = value ? value : "";
    if (!path.empty() && path[0] == '/')
        path = "Z:" + path;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

// The folder the build leaves the test plug-ins in (no trailing backslash).
inline std::string TestPluginFolder()
{
    return WindowsPathOf("KELT_BINARY_DIR") + "\\testplugins";
}

inline std::string TestPlugin(const std::string& name)
{
    return TestPluginFolder() + "\\" + name + ".KTP";
}

// A plain visible top-level window of the calling thread.
class TopWindow : public ui::Window {
public:
    explicit TopWindow(const char* title = "Plug-in host")
    {
        RegisterWindowClass("KeltPluginTestTop");
        Create("KeltPluginTestTop", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 40, 40, 400, 300, nullptr);
    }
    ~TopWindow() override { Destroy(); }
};

// The visible top-level window of this thread whose caption starts with `prefix`.
inline HWND FindThreadWindow(const std::string& prefix)
{
    struct Search {
        std::string prefix;
        HWND found = nullptr;
    } search{prefix};
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND window, LPARAM data) CALLBACK -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            if (::IsWindowVisible(window) && ui::WindowText(window).rfind(s->prefix, 0) == 0) {
                s->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Runs `onOpen` once a window whose caption starts with `prefix` opens, from a thread timer that fires
// inside whatever modal loop is running, then closes that window with IDCANCEL. Gives up
// (closing nothing) after about five seconds so a test never hangs.
class WhenWindowOpens {
public:
    WhenWindowOpens(std::string prefix, std::function<void(HWND)> onOpen)
        : prefix_(std::move(prefix)), onOpen_(std::move(onOpen))
    {
        Current() = this;
        timer_ = ::SetTimer(nullptr, 0, 30, Tick);
    }
    ~WhenWindowOpens()
    {
        ::KillTimer(nullptr, timer_);
        Current() = nullptr;
    }
    WhenWindowOpens(const WhenWindowOpens&) = delete;
    WhenWindowOpens& operator=(const WhenWindowOpens&) = delete;

    bool Seen() const { return seen_; }

private:
    static WhenWindowOpens*& Current()
    {
        static WhenWindowOpens* current = nullptr;
        return current;
    }
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
    {
        WhenWindowOpens* self = Current();
        if (!self || self->done_)
            return;
        if (++self->ticks_ > 170) {
            self->done_ = true;
            return;
        }
        HWND window = FindThreadWindow(self->prefix_);
        if (!window)
            return;
        self->done_ = true;
        self->seen_ = true;
        if (self->onOpen_)
            self->onOpen_(window);
        if (::IsWindow(window))
            ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    }

    std::string prefix_;
    std::function<void(HWND)> onOpen_;
    UINT_PTR timer_ = 0;
    int ticks_ = 0;
    bool done_ = false;
    bool seen_ = false;
};

} // namespace kelt::testing
