#pragma once
// The splash window shown while the catalogue and the plug-ins load: the program's picture
// and two progress bars. It counts the steps still pending (both loaders and its own timer,
// which ticks every two seconds and keeps ticking) and closes when none is left. Once closed
// it ignores every further step, so a late loader never touches it.
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

    HWND SettingsBar() const { return settingsBar_.Handle(); }
    HWND PluginsBar() const { return pluginsBar_.Handle(); }

    int PendingCount() const { return PendingCount_; }
    bool Closed() const { return closed_; }

    // One pending step finished: counts down and closes the splash at 0.
    void Decrement();

    // Raised once, when the splash has closed (its window is gone).
    std::function<void()> OnClosed;

protected:
    bool OnCreate(const CREATESTRUCTA& create) override;
    bool OnTimer(UINT_PTR id) override;
    bool OnEraseBackground(HDC) override { return true; }
    bool OnPaint() override;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnDpiChanged(int dpi, const RECT* suggested) override;

private:
    void CloseSplash();
    void PaintPicture(HDC dc, const RECT& client);
    void MakeFonts(int dpi);

    UINT interval_;
    int PendingCount_ = kInitialPending;
    bool closed_ = false;
    ui::GradientProgress settingsBar_;
    ui::GradientProgress pluginsBar_;
    ui::UniqueFont titleFont_;
    ui::UniqueFont textFont_;
    ui::UniqueFont smallFont_;
    ui::UniqueIcon icon_;
};

} // namespace kelt
