#pragma once
// The splash window shown while the catalogue and the plug-ins load: the program's picture
// and two progress bars. It counts the steps still pending (both loaders and its own timer,
// which ticks every two seconds and keeps ticking) and closes when none is left. Once closed
// it ignores every further step, so a late loader never touches it.
//
// Any end of the splash counts as closing it: a close request (Alt+F4) or its window being
// destroyed with its owner still raises OnClosed once, so the start goes on without it.
// While it shows, anything else of the program that opens a window of its own (a message,
// a question, a dialog) makes the splash step back out of the way first: it stays on top
// of the loading main window only.
#include <windows.h>

#include <functional>

#include "ui/gradient_progress.h"
#include "ui/handles.h"
#include "ui/window.h"

namespace kelt {

class TKeltSplashForm : public ui::Window {
public:
    static constexpr UINT kTimerInterval = 2000;
    static constexpr int kInitialPending = 3;

    explicit TKeltSplashForm(UINT interval = kTimerInterval);
    ~TKeltSplashForm() override;

    // Creates the window centred on the screen, shows it and paints it at once.
    bool CreateSplash();
    // Keeps the splash in front of `window` (the main window, loading behind it) and watches
    // for other windows of the program coming up, for which it steps back.
    void KeepAbove(HWND window);

    HWND SettingsBar() const { return settingsBar_.Handle(); }
    HWND PluginsBar() const { return pluginsBar_.Handle(); }

    int PendingCount() const { return PendingCount_; }
    bool Closed() const { return closed_; }

    // One pending step finished: counts down and closes the splash at 0.
    void Decrement();
    // Whether the splash stepped back for a window that asks the user something.
    bool SteppedBack() const { return steppedBack_; }

    // Raised once, when the splash has closed (its window is gone).
    std::function<void()> OnClosed;

protected:
    bool OnCreate(const CREATESTRUCTA& create) override;
    bool OnTimer(UINT_PTR id) override;
    bool OnEraseBackground(HDC) override { return true; }
    bool OnPaint() override;
    bool OnClose() override;
    void OnDestroy() override;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnDpiChanged(int dpi, const RECT* suggested) override;

private:
    static LRESULT CALLBACK ActivationHook(int code, WPARAM wParam, LPARAM lParam);
    void CloseSplash();
    void RaiseClosed();
    void StepBack();
    void PaintPicture(HDC dc, const RECT& client);
    void MakeFonts(int dpi);

    UINT interval_;
    int PendingCount_ = kInitialPending;
    bool closed_ = false;
    bool steppedBack_ = false;
    HHOOK hook_ = nullptr;
    ui::GradientProgress settingsBar_;
    ui::GradientProgress pluginsBar_;
    ui::UniqueFont titleFont_;
    ui::UniqueFont textFont_;
    ui::UniqueFont smallFont_;
    ui::UniqueIcon icon_;
};

} // namespace kelt
