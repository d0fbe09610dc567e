#pragma once
// A plain top-level window painted in one colour, to host rows in tests; and pixel reading.
#include <windows.h>

#include <vector>

#include "ui/window.h"

namespace kelt::testing {

class HostWindow : public ui::Window {
public:
    explicit HostWindow(COLORREF background = RGB(255, 255, 255)) : background_(background)
    {
        RegisterWindowClass("KeltTestHost", CS_HREDRAW | CS_VREDRAW, nullptr);
        Create("KeltTestHost", "Test host", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE, 0, 0, 0, 640, 240,
               nullptr);
    }
    ~HostWindow() override { Destroy(); }

    // Messages the host received from its children (WM_COMMAND codes, WM_NOTIFY codes).
    std::vector<UINT> commands;

protected:
    bool OnEraseBackground(HDC dc) override
    {
        RECT client;
        GetClientRect(Handle(), &client);
        HBRUSH brush = CreateSolidBrush(background_);
        FillRect(dc, &client, brush);
        DeleteObject(brush);
        return true;
    }
    bool OnCommand(int, int code, HWND) override
    {
        commands.push_back(static_cast<UINT>(code));
        return false;
    }

private:
    COLORREF background_;
};

// Handles every waiting message.
inline void Pump()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// The window's pixels as they are on screen now (after painting everything pending).
class Pixels {
public:
    explicit Pixels(HWND hwnd)
    {
        // A window that was just shown may not be on the screen yet: give the display a moment.
        for (int i = 0; i < 5; ++i) {
            RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
            Pump();
            Sleep(40);
        }
        RECT rc;
        GetClientRect(hwnd, &rc);
        width_ = rc.right;
        height_ = rc.bottom;
        HDC window = GetDC(hwnd);
        HDC memory = CreateCompatibleDC(window);
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width_;
        info.bmiHeader.biHeight = -height_;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        HBITMAP bitmap = CreateDIBSection(window, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width_, height_, window, 0, 0, SRCCOPY);
        GdiFlush();
        const auto* p = static_cast<const DWORD*>(bits);
        pixels_.assign(p, p + static_cast<std::size_t>(width_) * height_);
        SelectObject(memory, old);
        DeleteObject(bitmap);
        DeleteDC(memory);
        ReleaseDC(hwnd, window);
    }
    int Width() const { return width_; }
    int Height() const { return height_; }
    COLORREF At(int x, int y) const
    {
        const DWORD v = pixels_[static_cast<std::size_t>(y) * width_ + x];
        return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }
    // How many pixels in [x0, x1) x [y0, y1) have exactly this colour.
    int Count(COLORREF colour, int x0, int y0, int x1, int y1) const
    {
        int n = 0;
        for (int y = y0; y < y1 && y < height_; ++y)
            for (int x = x0; x < x1 && x < width_; ++x)
                n += At(x, y) == colour;
        return n;
    }
    int Count(COLORREF colour) const { return Count(colour, 0, 0, width_, height_); }

private:
    int width_ = 0, height_ = 0;
    std::vector<DWORD> pixels_;
};

} // namespace kelt::testing
