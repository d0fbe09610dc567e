#pragma once
// A visible top-level window to put rows in, a recorder for message boxes, and small input
// helpers, shared by the edit-row and edit-dialog tests.
#include <windows.h>

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

// A plain window that hosts rows; it also holds a spare edit box to move the focus to.
class HostWindow {
public:
    explicit HostWindow(int width = 640, int height = 420, const char* title = "Edit rows")
    {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        if (!::GetClassInfoExA(::GetModuleHandleA(nullptr), "KeltTestHost", &wc)) {
            wc.lpfnWndProc = ::DefWindowProcA;
            wc.hInstance = ::GetModuleHandleA(nullptr);
            wc.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
            wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
            wc.lpszClassName = "KeltTestHost";
            ::RegisterClassExA(&wc);
        }
        hwnd_ = ::CreateWindowExA(0, "KeltTestHost", title, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE, 20,
                                  20, width, height, nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr);
        other_ = ::CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "", WS_CHILD | WS_VISIBLE, 4, height - 80, 120, 22, hwnd_,
                                   nullptr, ::GetModuleHandleA(nullptr), nullptr);
        ::SetForegroundWindow(hwnd_);
        ui::ProcessPendingMessages();
    }
    ~HostWindow() { ::DestroyWindow(hwnd_); }
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;

    HWND Handle() const { return hwnd_; }
    // Somewhere else to put the focus, so an edit box loses it.
    HWND Other() const { return other_; }

private:
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
