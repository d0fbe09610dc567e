#pragma once
// Starting the staged Keltrix.exe as a user would and watching it from outside: its process,
// its main window, the moment that window is ready (shown and enabled), and closing it
// through its menu.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "app/main_ids.h"

namespace kelt::probe {

// The staged program folder: KELT_STAGE_DIR, or the Keltrix folder beside this program's own
// bin folder; with a trailing backslash.
inline std::string StageFolder()
{
    char buffer[MAX_PATH * 2] = {};
    std::string path;
    if (::GetEnvironmentVariableA("KELT_STAGE_DIR", buffer, sizeof buffer)) {
        path = buffer;
        if (!path.empty() && path[0] == '/')
            path = "Z:" + path;
        for (char& c : path)
            if (c == '/')
                c = '\\';
    } else {
        ::GetModuleFileNameA(nullptr, buffer, MAX_PATH);
        path = buffer;
        path = path.substr(0, path.find_last_of('\\'));       // bin
        path = path.substr(0, path.find_last_of('\\')) + "\\Keltrix";
    }
    return path + "\\";
}

// Starts a program in `folder` (through the shell, which also honours its manifest's execution
// level); the process handle, or null.
inline HANDLE StartProgram(const std::string& file, const std::string& folder)
{
    SHELLEXECUTEINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    info.lpVerb = "open";
    info.lpFile = file.c_str();
    info.lpDirectory = folder.c_str();
    info.nShow = SW_SHOWNORMAL;
    if (!::ShellExecuteExA(&info))
        return nullptr;
    return info.hProcess;
}

// Starts the staged Keltrix.exe of `folder`.
inline HANDLE Start(const std::string& folder)
{
    return StartProgram(folder + "Keltrix.exe", folder);
}

struct Found {
    DWORD process;
    const char* className;
    const char* caption;  // null: any
    HWND window;
};

inline BOOL CALLBACK FindTopLevel(HWND hwnd, LPARAM lParam)
{
    auto* found = reinterpret_cast<Found*>(lParam);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(hwnd, &owner);
    char name[64] = {};
    ::GetClassNameA(hwnd, name, sizeof name);
    char text[256] = {};
    if (found->caption)
        ::GetWindowTextA(hwnd, text, sizeof text);
    if (owner == found->process && std::string(name) == found->className &&
        (!found->caption || std::string(text) == found->caption)) {
        found->window = hwnd;
        return FALSE;
    }
    return TRUE;
}

// A top-level window of the process by class (and caption); null while it has none.
inline HWND WindowOf(HANDLE process, const char* className, const char* caption = nullptr)
{
    Found found{::GetProcessId(process), className, caption, nullptr};
    ::EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&found));
    return found.window;
}

// The main window of the process (null while it has none).
inline HWND MainWindowOf(HANDLE process)
{
    return WindowOf(process, "TKeltMainForm");
}

// Waits until the process has a window of that class (and caption) that is shown and
// enabled; the window, or null after `timeoutMs` or when the process ended.
inline HWND WaitShown(HANDLE process, DWORD timeoutMs, const char* className, const char* caption = nullptr)
{
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < timeoutMs) {
        HWND window = WindowOf(process, className, caption);
        if (window && ::IsWindowVisible(window) && ::IsWindowEnabled(window))
            return window;
        if (::WaitForSingleObject(process, 2) == WAIT_OBJECT_0)
            return nullptr;
    }
    return nullptr;
}

// Waits until the process's main window is ready: shown and enabled.
inline HWND WaitReady(HANDLE process, DWORD timeoutMs)
{
    return WaitShown(process, timeoutMs, "TKeltMainForm");
}

inline std::string Caption(HWND window)
{
    char text[256] = {};
    ::GetWindowTextA(window, text, sizeof text);
    return text;
}

// Waits for the process to end; its exit code, or STILL_ACTIVE when it did not end in time.
inline DWORD WaitExit(HANDLE process, DWORD timeoutMs)
{
    if (::WaitForSingleObject(process, timeoutMs) != WAIT_OBJECT_0)
        return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    ::GetExitCodeProcess(process, &code);
    return code;
}

// "File | Exit"; the exit code, or STILL_ACTIVE when it did not end in time.
inline DWORD CloseThroughMenu(HANDLE process, HWND window, DWORD timeoutMs)
{
    ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDM_EXIT, 0), 0);
    if (::WaitForSingleObject(process, timeoutMs) != WAIT_OBJECT_0)
        return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    ::GetExitCodeProcess(process, &code);
    return code;
}

// Saves what the screen shows as a 24-bit bitmap file.
inline bool SaveScreen(const std::string& path)
{
    const int width = ::GetSystemMetrics(SM_CXSCREEN), height = ::GetSystemMetrics(SM_CYSCREEN);
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    ::GdiFlush();
    const DWORD stride = ((width * 3 + 3) / 4) * 4;
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info.bmiHeader;
    file.bfSize = file.bfOffBits + stride * height;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
    out.write(static_cast<const char*>(bits), stride * height);
    ::SelectObject(memory, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    return out.good();
}

// Saves a picture of the screen as a file of the build folder (KELT_BINARY_DIR) and says where;
// nothing outside the build.
inline void SaveScreenAs(const char* name)
{
    char binary[MAX_PATH * 2] = {};
    if (!::GetEnvironmentVariableA("KELT_BINARY_DIR", binary, sizeof binary))
        return;
    std::string path = binary;
    if (!path.empty() && path[0] == '/')
        path = "Z:" + path;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    path = path + "\\" + name;
    if (SaveScreen(path))
        std::printf("Screenshot: %s\n", path.c_str());
}

} // namespace kelt::probe
