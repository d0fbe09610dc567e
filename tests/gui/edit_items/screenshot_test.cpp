// Pictures of the edit rows and of the edit-value dialog as they appear on the screen, saved
// as bitmaps into the build folder, and checked for the colours the rows must show.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "catalogue/ed_set_item.h"
#include "catalogue/edit_value_form.h"
#include "catalogue/edit_value_ids.h"
#include "tests/windows/edit_items/test_host.h"
#include "tests/windows/platform/test_key.h"
#include "ui/colour.h"

using namespace kelt;
using namespace kelt::testing;

namespace {

// A copy of a screen area, top-down 32-bit pixels.
class Picture {
public:
    explicit Picture(const RECT& area)
        : left_(area.left), top_(area.top), width_(area.right - area.left), height_(area.bottom - area.top)
    {
        HDC screen = ::GetDC(nullptr);
        HDC memory = ::CreateCompatibleDC(screen);
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width_;
        info.bmiHeader.biHeight = -height_;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ old = ::SelectObject(memory, bitmap);
        ::BitBlt(memory, 0, 0, width_, height_, screen, left_, top_, SRCCOPY);
        ::GdiFlush();
        pixels_.assign(static_cast<const DWORD*>(bits), static_cast<const DWORD*>(bits) + width_ * height_);
        ::SelectObject(memory, old);
        ::DeleteObject(bitmap);
        ::DeleteDC(memory);
        ::ReleaseDC(nullptr, screen);
    }

    // Pixels inside a screen rectangle whose colour passes `test`.
    template <typename Test>
    int Count(const RECT& screenRect, Test test) const
    {
        int count = 0;
        for (LONG y = std::max(screenRect.top, top_); y < std::min<LONG>(screenRect.bottom, top_ + height_); ++y)
            for (LONG x = std::max(screenRect.left, left_); x < std::min<LONG>(screenRect.right, left_ + width_); ++x) {
                const DWORD p = pixels_[(y - top_) * width_ + (x - left_)];
                if (test(RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF)))
                    ++count;
            }
        return count;
    }

    // Saves a 24-bit .bmp; false when the file cannot be written.
    bool Save(const std::string& path) const
    {
        const int stride = (width_ * 3 + 3) & ~3;
        BITMAPFILEHEADER file{};
        BITMAPINFOHEADER head{};
        head.biSize = sizeof head;
        head.biWidth = width_;
        head.biHeight = height_;
        head.biPlanes = 1;
        head.biBitCount = 24;
        head.biCompression = BI_RGB;
        head.biSizeImage = static_cast<DWORD>(stride * height_);
        file.bfType = 0x4D42;
        file.bfOffBits = sizeof file + sizeof head;
        file.bfSize = file.bfOffBits + head.biSizeImage;
        FILE* out = std::fopen(path.c_str(), "wb");
        if (!out)
            return false;
        std::fwrite(&file, sizeof file, 1, out);
        std::fwrite(&head, sizeof head, 1, out);
        std::vector<unsigned char> row(static_cast<std::size_t>(stride), 0);
        for (int y = height_ - 1; y >= 0; --y) {
            for (int x = 0; x < width_; ++x) {
                const DWORD p = pixels_[y * width_ + x];
                row[x * 3 + 0] = p & 0xFF;
                row[x * 3 + 1] = (p >> 8) & 0xFF;
                row[x * 3 + 2] = (p >> 16) & 0xFF;
            }
            std::fwrite(row.data(), 1, row.size(), out);
        }
        return std::fclose(out) == 0;
    }

private:
    LONG left_, top_;
    int width_, height_;
    std::vector<DWORD> pixels_;
};

// The build folder as a Windows path (Wine maps the Unix root to Z:), or empty.
std::string OutputPath(const std::string& name)
{
    const char* dir = std::getenv("KELT_BINARY_DIR");
    if (!dir || !*dir)
        return std::string();
    std::string path = dir;
    if (path[0] == '/')
        path = "Z:" + path;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path + "\\" + name;
}

void SaveIfWanted(const Picture& picture, const std::string& name)
{
    const std::string path = OutputPath(name);
    if (!path.empty()) {
        EXPECT_TRUE(picture.Save(path)) << path;
    }
}

RECT ScreenRect(HWND hwnd)
{
    RECT rect{};
    ::GetWindowRect(hwnd, &rect);
    return rect;
}

void Settle(HWND window)
{
    ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
    for (int i = 0; i < 5; ++i) {
        ui::ProcessPendingMessages();
        ::Sleep(60);
    }
}

bool Near(COLORREF c, COLORREF wanted, int tolerance = 24)
{
    return std::abs(GetRValue(c) - GetRValue(wanted)) <= tolerance &&
           std::abs(GetGValue(c) - GetGValue(wanted)) <= tolerance &&
           std::abs(GetBValue(c) - GetBValue(wanted)) <= tolerance;
}

class FamilyScope {
public:
    explicit FamilyScope(int family) : saved_(OSFamily) { OSFamily = family; }
    ~FamilyScope() { OSFamily = saved_; }

private:
    int saved_;
};

} // namespace

TEST(EditItemPictures, RowsShowTheirStateInColour)
{
    TestKey key("ed-pictures");
    RawSetString(key.Path(), "Owner", "Dorvane User");
    RawSetDword(key.Path(), "Delay", 400);
    const std::string blob("\x24\x00\x00\x00\x33\x28\x00\x00\x00\x00\x00\x00", 12);
    RawSet(key.Path(), "State", REG_BINARY, blob.data(), static_cast<DWORD>(blob.size()));
    RawSetDword(key.Path(), "Cache", 64);

    FamilyScope family(32);
    BoxRecorder boxes;
    TRegSetOption settings;
    HostWindow host(640, 330);
    ::SetWindowTextA(HostWindow::TopLevel(), "Edit rows");

    struct RowSample {
        const char* describe;
        const char* name;
        int type;
        int mask;
    };
    const RowSample samples[] = {
        {"Registered owner of this copy of Windows", "Owner", 0, 127},
        {"Menu show delay (milliseconds)", "Delay", 1, 127},
        {"Explorer shell state flags", "State", 2, 127},
        {"Disk cache size in KB (Windows 95 line only)", "Cache", 1, 7},
        {"Number of recent documents", "Recent", 1, 127},
    };
    std::vector<std::unique_ptr<JTedSetItem>> items;
    int top = 8;
    for (const RowSample& sample : samples) {
        auto item = std::make_unique<JTedSetItem>();
        item->sDescribe = sample.describe;
        item->iRegRoot = static_cast<int>(0x80000001u);
        item->sSubKey = key.Path();
        item->sDataName = sample.name;
        item->iRegType = sample.type;
        item->sDefaultVal = sample.type == 1 ? "15" : "";
        item->OSType.SetMask(sample.mask);
        item->SetDisplaySettings(&settings);
        item->SetParentArea(host.Handle());
        ASSERT_TRUE(item->Initialize(false, true)) << sample.describe;
        item->ApplyColors();
        item->GetControl()->SetPosition(8, top);
        top += item->GetControl()->Height() + 12;
        items.push_back(std::move(item));
    }
    // One modified row, one with a number still being typed.
    items[1]->SetValue("250");
    ::SetFocus(items[4]->Panel()->Edit());
    ::SendMessageA(items[4]->Panel()->Edit(), EM_SETSEL, 0, -1);
    TypeChars(items[4]->Panel()->Edit(), "-");
    ::SetFocus(host.Other());
    ui::ProcessPendingMessages();
    EXPECT_EQ(boxes.Boxes().size(), 1u);
    ::ShowWindow(host.Other(), SW_HIDE);

    HWND window = HostWindow::TopLevel();
    Settle(window);
    Picture picture(ScreenRect(window));
    SaveIfWanted(picture, "edit_rows.bmp");

    auto maroon = [](COLORREF c) { return Near(c, RGB(128, 0, 0), 40) && GetRValue(c) > 80; };
    auto black = [](COLORREF c) { return GetRValue(c) < 40 && GetGValue(c) < 40 && GetBValue(c) < 40; };
    auto grey = [](COLORREF c) { return Near(c, ::GetSysColor(COLOR_GRAYTEXT), 30); };
    auto pink = [](COLORREF c) { return Near(c, RGB(255, 214, 214), 6); };

    const RECT owner = ScreenRect(items[0]->Panel()->Label());
    const RECT delay = ScreenRect(items[1]->Panel()->Label());
    const RECT delayEdit = ScreenRect(items[1]->Panel()->Edit());
    const RECT cache = ScreenRect(items[3]->Panel()->Label());
    const RECT recentEdit = ScreenRect(items[4]->Panel()->Edit());
    EXPECT_GT(picture.Count(owner, black), 20);
    EXPECT_EQ(picture.Count(owner, maroon), 0);
    EXPECT_GT(picture.Count(delay, maroon), 20);
    EXPECT_EQ(picture.Count(delay, black), 0);
    EXPECT_GT(picture.Count(delayEdit, maroon), 5);
    EXPECT_EQ(picture.Count(cache, black), 0);
    EXPECT_GT(picture.Count(cache, grey), 10);
    EXPECT_GT(picture.Count(recentEdit, pink), 100);
    EXPECT_EQ(picture.Count(ScreenRect(items[1]->Panel()->Edit()), pink), 0);

    ::ShowWindow(host.Other(), SW_SHOW);
}

TEST(EditItemPictures, DialogOnEachPage)
{
    struct Page {
        int type;
        std::string value;
        const char* file;
    };
    const Page pages[] = {
        {0, "C:\\Program Files\\Common Files", "edit_value_string.bmp"},
        {1, "400", "edit_value_dword.bmp"},
        {2, std::string("\x24\x00\x00\x00\x33\x28\x00\x00\x00\x00\x00\x00\x01\xFF\x10\x7F", 16), "edit_value_binary.bmp"},
    };
    for (const Page& page : pages) {
        std::string result;
        TKeltEditValueForm form(result, page.value, page.type, "ShellState");
        ASSERT_TRUE(form.CreateModeless(HostWindow::TopLevel()));
        ::ShowWindow(form.Handle(), SW_SHOW);
        Settle(form.Handle());
        Picture picture(ScreenRect(form.Handle()));
        SaveIfWanted(picture, page.file);
        // The buttons lie inside the window.
        const RECT window = ScreenRect(form.Handle());
        const RECT cancel = ScreenRect(form.Item(IDCANCEL));
        EXPECT_LT(cancel.bottom, window.bottom);
        EXPECT_LT(cancel.right, window.right);
        ::DestroyWindow(form.Handle());
    }
}
