#pragma once
// A visible top-level window to put rows in, a recorder for message boxes, and small input
// helpers, shared by the edit-row and edit-dialog tests.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ui/seams.h"
#include "ui/window.h"

namespace kelt::testing {

struct RecordedBox {
    std::string text;
    std::string caption;
    UINT flags;
};

// Replaces the message box for its lifetime; every box is recorded and answered with IDOK.
class BoxRecorder {
public:
    BoxRecorder() : scope_(Seams(boxes_)) {}
    const std::vector<RecordedBox>& Boxes() const { return boxes_; }
    void Clear() { boxes_.clear(); }

private:
    static ui::DialogSeams Seams(std::vector<RecordedBox>& boxes)
    {
        ui::DialogSeams seams = ui::DialogSeams::Real();
        seams.messageBox = [&boxes](HWND, const std::string& text, const std::string& caption, UINT flags) {
            boxes.push_back({text, caption, flags});
            return IDOK;
        };
        return seams;
    }
    std::vector<RecordedBox> boxes_;
    ui::ScopedSeams scope_;
};

// A plain area that hosts rows, with a spare edit box to move the focus to. All areas sit in
// one shared top-level window that lives until the program ends: hiding or destroying a
// visible top-level window costs seconds under Wine without a window manager.
class HostWindow {
public:
    explicit HostWindow(int width = 640, int height = 420)
    {
        RegisterHostClass();
        HWND top = TopLevel(width, height);
        hwnd_ = ::CreateWindowExA(WS_EX_CONTROLPARENT, "KeltTestHost", "", WS_CHILD | WS_CLIPCHILDREN | WS_VISIBLE, 0,
                                  0, width, height, top, nullptr, ::GetModuleHandleA(nullptr), nullptr);
        other_ = ::CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "", WS_CHILD | WS_VISIBLE, 4, height - 80, 120, 22, hwnd_,
                                   nullptr, ::GetModuleHandleA(nullptr), nullptr);
        ::BringWindowToTop(hwnd_);
        ui::ProcessPendingMessages();
    }
    ~HostWindow() { ::DestroyWindow(hwnd_); }
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;

    HWND Handle() const { return hwnd_; }
    // Somewhere else to put the focus, so an edit box loses it.
    HWND Other() const { return other_; }
    // The shared top-level window, grown to at least the given client size.
    static HWND TopLevel(int width = 640, int height = 420, const char* title = "Edit rows")
    {
        RegisterHostClass();
        static HWND top = nullptr;
        if (!top || !::IsWindow(top)) {
            top = ::CreateWindowExA(0, "KeltTestHost", title, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE, 20,
                                    20, 100, 100, nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr);
        }
        ::SetWindowTextA(top, title);
        RECT client{};
        ::GetClientRect(top, &client);
        if (client.right < width || client.bottom < height) {
            RECT wanted{0, 0, std::max<LONG>(client.right, width), std::max<LONG>(client.bottom, height)};
            ::AdjustWindowRectEx(&wanted, WS_OVERLAPPEDWINDOW, FALSE, 0);
            ::SetWindowPos(top, nullptr, 0, 0, wanted.right - wanted.left, wanted.bottom - wanted.top,
                           SWP_NOMOVE | SWP_NOZORDER);
        }
        return top;
    }

private:
    static void RegisterHostClass()
    {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        if (::GetClassInfoExA(::GetModuleHandleA(nullptr), "KeltTestHost", &wc))
            return;
        wc.lpfnWndProc = ::DefWindowProcA;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = "KeltTestHost";
        ::RegisterClassExA(&wc);
    }
    HWND hwnd_ = nullptr;
    HWND other_ = nullptr;
};

inline std::string TextOf(HWND hwnd)
{
    char buffer[4096] = {};
    ::GetWindowTextA(hwnd, buffer, sizeof buffer);
    return buffer;
}

// Types characters into a control the way the keyboard would reach it.
inline void TypeChars(HWND control, const std::string& chars)
{
    for (char c : chars)
        ::SendMessageA(control, WM_CHAR, static_cast<unsigned char>(c), 1);
}

// Sends a backspace: the edit control deletes on WM_CHAR 8.
inline void Backspace(HWND control, int times = 1)
{
    for (int i = 0; i < times; ++i)
        ::SendMessageA(control, WM_CHAR, VK_BACK, 1);
}

// The child rectangle in its parent's client coordinates.
inline RECT RectInParent(HWND child)
{
    RECT rect{};
    ::GetWindowRect(child, &rect);
    ::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

} // namespace kelt::testing
