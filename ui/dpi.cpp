#include "ui/dpi.h"

#include <map>
#include <string>

#include "ui/handles.h"

namespace kelt::ui {

namespace {

const char kDpiProp[] = "KeltDpi";

// What Windows 10 (and 8.1 for the monitor query) adds; null where the system lacks it.
struct DpiFunctions {
    UINT(WINAPI* getDpiForWindow)(HWND) = nullptr;
    BOOL(WINAPI* systemParametersInfoForDpi)(UINT, UINT, PVOID, UINT, UINT) = nullptr;
    int(WINAPI* getSystemMetricsForDpi)(int, UINT) = nullptr;
    BOOL(WINAPI* adjustWindowRectExForDpi)(LPRECT, DWORD, BOOL, DWORD, UINT) = nullptr;
    BOOL(WINAPI* setDialogDpiChangeBehavior)(HWND, int, int) = nullptr;
    HRESULT(WINAPI* getDpiForMonitor)(HMONITOR, int, UINT*, UINT*) = nullptr;
};

template <typename Function>
void Find(HMODULE module, const char* name, Function& function)
{
    function = module ? reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name))) : nullptr;
}

const DpiFunctions& Functions()
{
    static const DpiFunctions functions = [] {
        DpiFunctions f;
        HMODULE user = ::GetModuleHandleA("user32.dll");
        Find(user, "GetDpiForWindow", f.getDpiForWindow);
        Find(user, "SystemParametersInfoForDpi", f.systemParametersInfoForDpi);
        Find(user, "GetSystemMetricsForDpi", f.getSystemMetricsForDpi);
        Find(user, "AdjustWindowRectExForDpi", f.adjustWindowRectExForDpi);
        Find(user, "SetDialogDpiChangeBehavior", f.setDialogDpiChangeBehavior);
        if (!f.getDpiForWindow) {
            // Windows 8.1 knows each monitor's scale, through the shell's scaling library only.
            char system[MAX_PATH] = {};
            const UINT length = ::GetSystemDirectoryA(system, MAX_PATH);
            if (length > 0 && length < MAX_PATH) {
                const std::string path = std::string(system, length) + "\\shcore.dll";
                if (::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES)
                    Find(::LoadLibraryA(path.c_str()), "GetDpiForMonitor", f.getDpiForMonitor);
            }
        }
        return f;
    }();
    return functions;
}

bool Plausible(long long dpi)
{
    return dpi >= 48 && dpi <= 960;
}

} // namespace

int ScreenDpi()
{
    static const int dpi = [] {
        HDC screen = ::GetDC(nullptr);
        int value = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : kDefaultDpi;
        if (screen)
            ::ReleaseDC(nullptr, screen);
        return value > 0 ? value : kDefaultDpi;
    }();
    return dpi;
}

int ScaleFor(int pixels, int dpi)
{
    return ::MulDiv(pixels, dpi > 0 ? dpi : kDefaultDpi, kDefaultDpi);
}

int Scale(int pixels)
{
    return ScaleFor(pixels, ScreenDpi());
}

int DpiOf(HWND hwnd)
{
    if (!hwnd)
        return ScreenDpi();
    HWND root = ::GetAncestor(hwnd, GA_ROOT);
    if (!root)
        root = hwnd;
    const auto recorded = reinterpret_cast<INT_PTR>(::GetPropA(root, kDpiProp));
    if (Plausible(recorded))
        return static_cast<int>(recorded);
    const DpiFunctions& f = Functions();
    if (f.getDpiForWindow) {
        const UINT dpi = f.getDpiForWindow(root);
        if (Plausible(dpi))
            return static_cast<int>(dpi);
    } else if (f.getDpiForMonitor) {
        UINT x = 0, y = 0;
        if (SUCCEEDED(f.getDpiForMonitor(::MonitorFromWindow(root, MONITOR_DEFAULTTONEAREST), 0, &x, &y)) && Plausible(y))
            return static_cast<int>(y);
    }
    return ScreenDpi();
}

int ScaleIn(HWND hwnd, int pixels)
{
    return ScaleFor(pixels, DpiOf(hwnd));
}

void RecordDpi(HWND topLevel, int dpi)
{
    if (topLevel && Plausible(dpi))
        ::SetPropA(topLevel, kDpiProp, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(dpi)));
}

void ForgetDpi(HWND topLevel)
{
    if (topLevel)
        ::RemovePropA(topLevel, kDpiProp);
}

UINT DpiChangedNotice()
{
    static const UINT message = ::RegisterWindowMessageA("KeltDpiChanged");
    return message;
}

namespace {

BOOL CALLBACK NotifyChild(HWND child, LPARAM dpi)
{
    ::SendMessageA(child, DpiChangedNotice(), static_cast<WPARAM>(dpi), 0);
    return TRUE;
}

} // namespace

void NotifyDescendants(HWND topLevel, int dpi)
{
    ::EnumChildWindows(topLevel, NotifyChild, static_cast<LPARAM>(dpi));
}

HFONT DefaultFontFor(int dpi)
{
    if (!Plausible(dpi))
        dpi = ScreenDpi();
    static std::map<int, UniqueFont> fonts;
    auto found = fonts.find(dpi);
    if (found != fonts.end())
        return found->second.get();
    UniqueFont font;
    const DpiFunctions& f = Functions();
    NONCLIENTMETRICSW wide{};
    wide.cbSize = sizeof wide;
    if (f.systemParametersInfoForDpi &&
        f.systemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof wide, &wide, 0, static_cast<UINT>(dpi)))
        font.reset(::CreateFontIndirectW(&wide.lfMessageFont));
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof metrics;
    if (!font && ::SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        metrics.lfMessageFont.lfHeight = ::MulDiv(metrics.lfMessageFont.lfHeight, dpi, ScreenDpi());
        font.reset(::CreateFontIndirectA(&metrics.lfMessageFont));
    }
    if (!font)
        return static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    HFONT made = font.get();
    fonts.emplace(dpi, std::move(font));
    return made;
}

HFONT DefaultFont()
{
    return DefaultFontFor(ScreenDpi());
}

HFONT RescaledFont(HFONT font, int fromDpi, int toDpi)
{
    LOGFONTA face{};
    if (!font || !::GetObjectA(font, sizeof face, &face) || fromDpi <= 0)
        return nullptr;
    face.lfHeight = ::MulDiv(face.lfHeight, toDpi, fromDpi);
    face.lfWidth = ::MulDiv(face.lfWidth, toDpi, fromDpi);
    return ::CreateFontIndirectA(&face);
}

int SystemMetricFor(int index, int dpi)
{
    const DpiFunctions& f = Functions();
    if (f.getSystemMetricsForDpi)
        return f.getSystemMetricsForDpi(index, static_cast<UINT>(dpi));
    return ::MulDiv(::GetSystemMetrics(index), dpi, ScreenDpi());
}

void AdjustWindowRectFor(RECT& rect, DWORD style, bool menu, DWORD exStyle, int dpi)
{
    const DpiFunctions& f = Functions();
    if (f.adjustWindowRectExForDpi && f.adjustWindowRectExForDpi(&rect, style, menu, exStyle, static_cast<UINT>(dpi)))
        return;
    ::AdjustWindowRectEx(&rect, style, menu, exStyle);
}

void KeepDialogScaling(HWND dialog)
{
    constexpr int kDisableAll = 1;  // DDC_DISABLE_ALL
    const DpiFunctions& f = Functions();
    if (f.setDialogDpiChangeBehavior && dialog)
        f.setDialogDpiChangeBehavior(dialog, kDisableAll, kDisableAll);
}

} // namespace kelt::ui
