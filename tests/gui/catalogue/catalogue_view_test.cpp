// A page of the shipped catalogue in both views, in a window laid out like the main window
// (pages, editor panel below them, details memo at the right). Saves a screenshot of each view
// as catalogue_expanded.png and catalogue_compact.png into KELT_BINARY_DIR.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "catalogue/ck_set_item.h"
#include "catalogue/ed_set_item.h"
#include "catalogue/reg_settings.h"
#include "ui/dpi.h"
#include "ui/instance.h"
#include "ui/seams.h"
#include "ui/window.h"

using namespace kelt;

namespace {

std::string WindowsPath(const char* variable)
{
    const char* value = std::getenv(variable);
    if (!value || !*value)
        return std::string();
    std::string path = value;
    if (path[0] == '/')
        path = "Z:" + path;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

// ---- a small PNG writer (stored deflate blocks), enough for screenshots

std::uint32_t Crc(const std::string& bytes, std::uint32_t crc = 0xFFFFFFFFu)
{
    static std::uint32_t table[256];
    static bool ready = false;
    if (!ready) {
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[n] = c;
        }
        ready = true;
    }
    for (unsigned char b : bytes)
        crc = table[(crc ^ b) & 0xFF] ^ (crc >> 8);
    return crc;
}

void Put32(std::string& out, std::uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out += static_cast<char>((v >> shift) & 0xFF);
}

void Chunk(std::string& out, const char* type, const std::string& data)
{
    Put32(out, static_cast<std::uint32_t>(data.size()));
    const std::string body = std::string(type, 4) + data;
    out += body;
    Put32(out, Crc(body) ^ 0xFFFFFFFFu);
}

// rgb: top-down rows of width * 3 bytes.
bool WritePng(const std::string& path, int width, int height, const std::string& rgb)
{
    std::string raw;
    raw.reserve(static_cast<std::size_t>(height) * (width * 3 + 1));
    for (int y = 0; y < height; ++y) {
        raw += '\0';
        raw.append(rgb, static_cast<std::size_t>(y) * width * 3, static_cast<std::size_t>(width) * 3);
    }
    std::string z = "\x78\x01";
    std::uint32_t a = 1, b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    for (std::size_t at = 0; at < raw.size() || at == 0; at += 65535) {
        const std::size_t len = std::min<std::size_t>(65535, raw.size() - at);
        z += static_cast<char>(at + len >= raw.size() ? 1 : 0);
        z += static_cast<char>(len & 0xFF);
        z += static_cast<char>(len >> 8);
        z += static_cast<char>(~len & 0xFF);
        z += static_cast<char>((~len >> 8) & 0xFF);
        z.append(raw, at, len);
        if (raw.empty())
            break;
    }
    Put32(z, (b << 16) | a);

    std::string png = "\x89PNG\r\n\x1a\n";
    std::string header;
    Put32(header, static_cast<std::uint32_t>(width));
    Put32(header, static_cast<std::uint32_t>(height));
    header += std::string("\x08\x02\x00\x00\x00", 5);
    Chunk(png, "IHDR", header);
    Chunk(png, "IDAT", z);
    Chunk(png, "IEND", std::string());
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    const bool ok = std::fwrite(png.data(), 1, png.size(), file) == png.size();
    return std::fclose(file) == 0 && ok;
}

// The window as it is on screen, top-down RGB.
std::string Capture(HWND window, int& width, int& height)
{
    RECT r;
    ::GetWindowRect(window, &r);
    width = r.right - r.left;
    height = r.bottom - r.top;
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP dib = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(memory, dib);
    ::BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    ::GdiFlush();
    std::string rgb(static_cast<std::size_t>(width) * height * 3, '\0');
    const auto* pixels = static_cast<const std::uint8_t*>(bits);
    for (int i = 0; i < width * height; ++i) {
        rgb[static_cast<std::size_t>(i) * 3] = static_cast<char>(pixels[i * 4 + 2]);
        rgb[static_cast<std::size_t>(i) * 3 + 1] = static_cast<char>(pixels[i * 4 + 1]);
        rgb[static_cast<std::size_t>(i) * 3 + 2] = static_cast<char>(pixels[i * 4]);
    }
    ::SelectObject(memory, old);
    ::DeleteObject(dib);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    return rgb;
}

void Settle(int milliseconds = 300)
{
    const DWORD end = ::GetTickCount() + static_cast<DWORD>(milliseconds);
    while (::GetTickCount() < end) {
        ui::ProcessPendingMessages();
        ::Sleep(20);
    }
}

// A main-window-like frame: a group box holding the pages, the editor panel under it and a
// details memo at the right.
class Frame {
public:
    Frame()
    {
        ui::InitCommonControlsOnce();
        WNDCLASSA wc{};
        wc.lpfnWndProc = ::DefWindowProcA;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        wc.lpszClassName = "KeltCatalogueFrame";
        ::RegisterClassA(&wc);
        HINSTANCE module = ::GetModuleHandleA(nullptr);
        frame = ::CreateWindowExA(0, "KeltCatalogueFrame", "Keltrix catalogue", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                                  20, 20, 980, 640, nullptr, nullptr, module, nullptr);
        pages = ::CreateWindowExA(0, "KeltCatalogueFrame", "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 8, 8, 700,
                                  480, frame, nullptr, module, nullptr);
        editor = ::CreateWindowExA(WS_EX_CLIENTEDGE, "KeltCatalogueFrame", "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN,
                                   8, 496, 700, 96, frame, nullptr, module, nullptr);
        title = ::CreateWindowExA(0, "STATIC", "===Setting Details:===", WS_CHILD | WS_VISIBLE | SS_CENTER, 716, 8,
                                  240, 18, frame, nullptr, module, nullptr);
        memo = ::CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "",
                                 WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY, 716, 28, 240, 564,
                                 frame, nullptr, module, nullptr);
        for (HWND w : {title, memo})
            ::SendMessageA(w, WM_SETFONT, reinterpret_cast<WPARAM>(ui::DefaultFont()), FALSE);
    }
    ~Frame() { ::DestroyWindow(frame); }

    HWND frame, pages, editor, title, memo;
};

bool StyleVisible(HWND hwnd)
{
    return (::GetWindowLongA(hwnd, GWL_STYLE) & WS_VISIBLE) != 0;
}

} // namespace

TEST(CatalogueView, BothViewsOfAShippedPage)
{
    const std::string stage = WindowsPath("KELT_STAGE_DIR");
    const std::string out = WindowsPath("KELT_BINARY_DIR");
    ASSERT_FALSE(stage.empty());
    ASSERT_FALSE(out.empty());

    std::vector<std::string> messages;
    ui::DialogSeams seams = ui::DialogSeams::Real();
    seams.messageBox = [&](HWND, const std::string& text, const std::string&, UINT) {
        messages.push_back(text);
        return IDOK;
    };
    ui::ScopedSeams scope(seams);

    Frame frame;
    JTRegSettings catalogue;
    catalogue.SetTablePaths(stage + "\\KeltKinds.xdb", stage + "\\KeltckItems.xdb", stage + "\\KeltedItems.xdb");
    catalogue.SetPageControlParent(frame.pages);
    catalogue.SetDetailsMemo(frame.memo);
    catalogue.SetEditorPanel(frame.editor);
    catalogue.DisplaySettings().ExpandItems = true;
    catalogue.DisplaySettings().TWeakSpace = 2;
    ASSERT_TRUE(catalogue.LoadAll());
    EXPECT_TRUE(messages.empty());

    // The page with both kinds of items and the most rows.
    int best = 0;
    for (int i = 0; i < catalogue.PageCount(); ++i) {
        JTSetKind* page = catalogue.Page(i);
        const int score = (page->EdItemCount() > 0 ? 1000 : 0) + page->CkItemCount() + page->EdItemCount();
        JTSetKind* bestPage = catalogue.Page(best);
        if (score > (bestPage->EdItemCount() > 0 ? 1000 : 0) + bestPage->CkItemCount() + bestPage->EdItemCount())
            best = i;
    }
    JTSetKind* page = catalogue.Page(best);
    ASSERT_GT(page->EdItemCount(), 0);
    catalogue.PageControl()->SetActivePageIndex(best);
    ::ShowWindow(frame.frame, SW_SHOWNORMAL);
    ::SetForegroundWindow(frame.frame);
    Settle();

    // Expanded: rows in both areas; the pointer rests on the first check row.
    ASSERT_TRUE(StyleVisible(page->CheckArea()->Handle()));
    ASSERT_TRUE(StyleVisible(page->EditArea()->Handle()));
    JTSetItem* first = page->CkItems()[0].get();
    ASSERT_NE(first->GetControl()->Handle(), nullptr);
    catalogue.ItemDetails(first);
    // One modified row shows the modified colour.
    if (page->CkItemCount() > 1) {
        auto* second = page->CkItems()[1].get();
        auto* row = static_cast<JTCheckRow*>(second->GetControl());
        ::SendMessageA(row->Box(), BM_CLICK, 0, 0);
        EXPECT_TRUE(second->IsModified());
    }
    Settle();
    int width = 0, height = 0;
    std::string shot = Capture(frame.frame, width, height);
    ASSERT_TRUE(WritePng(out + "\\catalogue_expanded.png", width, height, shot));

    // The check area's background shows between and right of the rows.
    RECT area;
    ::GetWindowRect(page->CheckArea()->Area(), &area);
    RECT window;
    ::GetWindowRect(frame.frame, &window);
    const int x = area.left - window.left + page->CheckArea()->ViewWidth() - 4;
    const int y = area.top - window.top + 4;
    const std::size_t at = (static_cast<std::size_t>(y) * width + x) * 3;
    const COLORREF back = ::GetSysColor(COLOR_BTNFACE);
    EXPECT_EQ(static_cast<unsigned char>(shot[at]), GetRValue(back));
    EXPECT_EQ(static_cast<unsigned char>(shot[at + 2]), GetBValue(back));

    // Compact: the list, and the first edit item's control in the editor panel.
    catalogue.DisplaySettings().ExpandItems = false;
    catalogue.ArrangeAll();
    JTSetItem* edit = page->EdItems()[0].get();
    ASSERT_TRUE(catalogue.GoToItem(edit));
    EXPECT_EQ(catalogue.ShownItem(), edit);
    ASSERT_TRUE(StyleVisible(page->CompactList()));
    Settle();
    shot = Capture(frame.frame, width, height);
    ASSERT_TRUE(WritePng(out + "\\catalogue_compact.png", width, height, shot));
    EXPECT_EQ(::GetParent(edit->GetControl()->Handle()), frame.editor);
}
