#include "app/splash_form.h"

#include <algorithm>

#include "app/main_ids.h"
#include "app/program_info.h"
#include "ui/dpi.h"
#include "ui/paint.h"

namespace kelt {

namespace {

const char kSplashClass[] = "TKeltSplashForm";
constexpr UINT_PTR kTimerId = 1;
constexpr int kWidth = 406, kHeight = 313;
constexpr int kBarWidth = 281, kBarHeight = 17;
constexpr int kBarLeft = (kWidth - kBarWidth) / 2;
constexpr int kSettingsBarTop = 226, kPluginsBarTop = 274;
constexpr int kLabelGap = 17;

// The splash watching for windows that come up while it shows (one at a time).
TKeltSplashForm* watching = nullptr;

HFONT CreateFace(int dpi, const char* face, int points, int weight, bool italic = false)
{
    LOGFONTA font{};
    font.lfHeight = -::MulDiv(points, dpi, 72);
    font.lfWeight = weight;
    font.lfItalic = italic ? TRUE : FALSE;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = CLEARTYPE_QUALITY;
    lstrcpynA(font.lfFaceName, face, LF_FACESIZE);
    return ::CreateFontIndirectA(&font);
}

} // namespace

TKeltSplashForm::TKeltSplashForm(UINT interval) : interval_(interval) {}

TKeltSplashForm::~TKeltSplashForm()
{
    // Going with its owner: nobody is told any more.
    OnClosed = nullptr;
    Destroy();
    if (hook_)
        ::UnhookWindowsHookEx(hook_);
    if (watching == this)
        watching = nullptr;
}

bool TKeltSplashForm::CreateSplash()
{
    RegisterWindowClass(kSplashClass, CS_DROPSHADOW, nullptr, nullptr,
                        ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_WAIT)));
    const int width = ui::Scale(kWidth), height = ui::Scale(kHeight);
    RECT work{};
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const int left = work.left + (work.right - work.left - width) / 2;
    const int top = work.top + (work.bottom - work.top - height) / 2;
    if (!Create(kSplashClass, kProductName, WS_POPUP | WS_CLIPCHILDREN, WS_EX_TOPMOST | WS_EX_TOOLWINDOW, left, top,
                width, height, nullptr))
        return false;
    // Shown without taking the activation: the program's main window takes it, and a window
    // that never was active leaves quickly everywhere (some window systems wait for their
    // window manager to let an active window go).
    ::ShowWindow(Handle(), SW_SHOWNOACTIVATE);
    ::UpdateWindow(Handle());
    ::SetCursor(::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_WAIT)));
    return true;
}

void TKeltSplashForm::KeepAbove(HWND window)
{
    if (closed_ || !Handle())
        return;
    // Owned by the window that is still loading, it is always above it, whatever activates
    // that window.
    ::SetWindowLongPtrA(Handle(), GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(window));
    // Moved above the window that was shown after it (without hiding it: hiding a shown
    // window waits on some window systems).
    ::SetWindowPos(Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    ::UpdateWindow(Handle());
    if (!hook_) {
        watching = this;
        hook_ = ::SetWindowsHookExA(WH_CBT, ActivationHook, nullptr, ::GetCurrentThreadId());
    }
}

LRESULT CALLBACK TKeltSplashForm::ActivationHook(int code, WPARAM wParam, LPARAM lParam)
{
    TKeltSplashForm* splash = watching;
    if (code == HCBT_ACTIVATE && splash && splash->Handle() && !splash->steppedBack_) {
        HWND activated = reinterpret_cast<HWND>(wParam);
        HWND owner = ::GetWindow(splash->Handle(), GW_OWNER);
        // A message, a question or a dialog of the start (or anything else that asks for the
        // user) must not open beneath a window that stays on top.
        if (activated != splash->Handle() && activated != owner)
            splash->StepBack();
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

void TKeltSplashForm::StepBack()
{
    steppedBack_ = true;
    // Out of sight, with the order of the other windows left as it is (the new window is
    // above the loading main window already).
    ::SetWindowPos(Handle(), nullptr, 0, 0, 0, 0,
                   SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
}

bool TKeltSplashForm::OnCreate(const CREATESTRUCTA&)
{
    MakeFonts(Dpi());
    settingsBar_.CreateIn(Handle(), Scale(kBarLeft), Scale(kSettingsBarTop), Scale(kBarWidth), Scale(kBarHeight),
                          IDC_SPLASH_SETTINGS);
    pluginsBar_.CreateIn(Handle(), Scale(kBarLeft), Scale(kPluginsBarTop), Scale(kBarWidth), Scale(kBarHeight),
                         IDC_SPLASH_PLUGINS);
    // Bright bars on the dark picture.
    settingsBar_.SetAccessibleTitle("Loading Settings...");
    pluginsBar_.SetAccessibleTitle("Loading Plugins...");
    settingsBar_.SetColours(RGB(120, 200, 255), RGB(255, 255, 255));
    pluginsBar_.SetColours(RGB(120, 230, 170), RGB(255, 255, 255));
    settingsBar_.SetTrackColour(RGB(16, 40, 86));
    pluginsBar_.SetTrackColour(RGB(16, 40, 86));
    ::SetTimer(Handle(), kTimerId, interval_, nullptr);
    return true;
}

void TKeltSplashForm::MakeFonts(int dpi)
{
    titleFont_.reset(CreateFace(dpi, "Tahoma", 30, FW_BOLD));
    textFont_.reset(CreateFace(dpi, "Tahoma", 9, FW_NORMAL));
    smallFont_.reset(CreateFace(dpi, "Tahoma", 8, FW_NORMAL, true));
}

void TKeltSplashForm::OnDpiChanged(int dpi, const RECT* suggested)
{
    MakeFonts(dpi);
    ::MoveWindow(settingsBar_.Handle(), Scale(kBarLeft), Scale(kSettingsBarTop), Scale(kBarWidth), Scale(kBarHeight), TRUE);
    ::MoveWindow(pluginsBar_.Handle(), Scale(kBarLeft), Scale(kPluginsBarTop), Scale(kBarWidth), Scale(kBarHeight), TRUE);
    ui::Window::OnDpiChanged(dpi, suggested);
    ::InvalidateRect(Handle(), nullptr, FALSE);
}

bool TKeltSplashForm::OnTimer(UINT_PTR id)
{
    if (id != kTimerId)
        return false;
    Decrement();
    return true;
}

void TKeltSplashForm::Decrement()
{
    if (closed_)
        return;
    --PendingCount_;
    if (PendingCount_ <= 0)
        CloseSplash();
}

void TKeltSplashForm::CloseSplash()
{
    if (closed_)
        return;
    closed_ = true;
    Destroy();
    RaiseClosed();
}

void TKeltSplashForm::RaiseClosed()
{
    if (hook_) {
        ::UnhookWindowsHookEx(hook_);
        hook_ = nullptr;
    }
    if (watching == this)
        watching = nullptr;
    ::SetCursor(::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)));
    if (OnClosed) {
        // A copy: the handler may drop this splash.
        std::function<void()> closed = std::move(OnClosed);
        closed();
    }
}

bool TKeltSplashForm::OnClose()
{
    // Closed by hand before its time: that ends the splash's own step, and the start goes on.
    CloseSplash();
    return true;
}

void TKeltSplashForm::OnDestroy()
{
    ::KillTimer(Handle(), kTimerId);
    if (closed_)
        return;
    // Destroyed from outside (with its owner): it is closed all the same.
    closed_ = true;
    RaiseClosed();
}

LRESULT TKeltSplashForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCHITTEST)
        return HTCLIENT;  // not movable, no caption
    return ui::Window::HandleMessage(message, wParam, lParam);
}

bool TKeltSplashForm::OnPaint()
{
    ui::BufferedPaint paint(Handle());
    PaintPicture(paint.dc(), paint.client());
    return true;
}

void TKeltSplashForm::PaintPicture(HDC dc, const RECT& client)
{
    // With a high-contrast theme the picture is drawn plainly in the theme's colours.
    const bool contrast = ui::HighContrast();
    auto pick = [contrast](COLORREF own, int system) { return contrast ? ::GetSysColor(system) : own; };
    const COLORREF top = pick(RGB(22, 48, 102), COLOR_WINDOW), bottom = pick(RGB(34, 104, 168), COLOR_WINDOW);
    const COLORREF white = pick(RGB(255, 255, 255), COLOR_WINDOWTEXT);
    const COLORREF pale = pick(RGB(200, 225, 255), COLOR_WINDOWTEXT);
    ui::FillGradient(dc, client, top, bottom, true);
    // A soft lighter band behind the title.
    RECT band{0, Scale(40), client.right, Scale(150)};
    if (!contrast) {
        ui::FillGradient(dc, RECT{band.left, band.top, band.right, band.top + (band.bottom - band.top) / 2}, top,
                         RGB(48, 96, 160), true);
        ui::FillGradient(dc, RECT{band.left, band.top + (band.bottom - band.top) / 2, band.right, band.bottom},
                         RGB(48, 96, 160), ui::BlendColour(top, bottom, 60), true);
    }

    // The mark: a white ring with a tick, the sign of a tweak that is set.
    const int size = Scale(76);
    const int x = Scale(30), y = Scale(57);
    {
        ui::UniquePen ring(::CreatePen(PS_SOLID, Scale(5), white));
        ui::SelectedObject pen(dc, ring.get());
        ui::SelectedObject brush(dc, ::GetStockObject(NULL_BRUSH));
        ::Ellipse(dc, x, y, x + size, y + size);
    }
    {
        ui::UniquePen tickPen(::CreatePen(PS_SOLID, Scale(8), pick(RGB(140, 220, 120), COLOR_HIGHLIGHT)));
        ui::SelectedObject pen(dc, tickPen.get());
        POINT tick[3] = {{x + size * 26 / 100, y + size * 52 / 100},
                         {x + size * 44 / 100, y + size * 70 / 100},
                         {x + size * 76 / 100, y + size * 32 / 100}};
        ::Polyline(dc, tick, 3);
    }

    {
        ui::SelectedObject font(dc, titleFont_.get());
        RECT title{x + size + Scale(22), Scale(52), client.right - Scale(10), Scale(108)};
        ui::DrawTextIn(dc, kProductName, title, white, DT_LEFT | DT_BOTTOM | DT_SINGLELINE | DT_NOPREFIX);
    }
    {
        ui::SelectedObject font(dc, textFont_.get());
        RECT line{x + size + Scale(26), Scale(110), client.right - Scale(10), Scale(128)};
        ui::DrawTextIn(dc, kProductVersionText, line, pale, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX);
        ::OffsetRect(&line, 0, Scale(17));
        ui::DrawTextIn(dc, "Registry tweaks in one window", line, pale,
                       DT_LEFT | DT_SINGLELINE | DT_NOPREFIX);

        const COLORREF label = pick(RGB(235, 242, 255), COLOR_WINDOWTEXT);
        RECT settings{Scale(kBarLeft), Scale(kSettingsBarTop - kLabelGap), Scale(kBarLeft + kBarWidth), Scale(kSettingsBarTop)};
        ui::DrawTextIn(dc, "Loading Settings...", settings, label, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX);
        RECT plugins{Scale(kBarLeft), Scale(kPluginsBarTop - kLabelGap), Scale(kBarLeft + kBarWidth), Scale(kPluginsBarTop)};
        ui::DrawTextIn(dc, "Loading Plugins...", plugins, label, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX);
    }
    {
        ui::SelectedObject font(dc, smallFont_.get());
        RECT maker{Scale(10), client.bottom - Scale(20), client.right - Scale(10), client.bottom - Scale(4)};
        ui::DrawTextIn(dc, "Dorvane", maker, pale, DT_RIGHT | DT_SINGLELINE | DT_NOPREFIX);
    }
    // A thin frame so the borderless window stands off the desktop.
    ui::FrameSolid(dc, client, pick(RGB(12, 28, 60), COLOR_WINDOWFRAME));
}

} // namespace kelt
