#pragma once
// Pixel sizes in the code are given for 96 dots per inch; scale them with these.
//
// Every top-level window has the scale of the monitor it is on, and keeps it until the system
// says otherwise (WM_DPICHANGED, which the window and dialog bases of ui/window.h handle). The
// functions that only Windows 10 (or 8.1) offers for this are looked up at run time: on an older
// Windows every window simply has the system's scale.
#include <windows.h>

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

namespace kelt::ui {

constexpr int kDefaultDpi = 96;

// Dots per inch of the system (windows are made at this scale before they know their monitor).
int ScreenDpi();
int ScaleFor(int pixels, int dpi);
// Scales a 96-dpi pixel size to the system's scale; for sizes needed before a window exists.
int Scale(int pixels);

// The scale of the top-level window `hwnd` belongs to: what WM_DPICHANGED last said, else what
// the system reports for the window or its monitor, else the system's scale.
int DpiOf(HWND hwnd);
// Scales a 96-dpi pixel size to the scale of the window `hwnd` sits in.
int ScaleIn(HWND hwnd, int pixels);
// Records the scale a top-level window now has (the bases do this on WM_DPICHANGED).
void RecordDpi(HWND topLevel, int dpi);
void ForgetDpi(HWND topLevel);

// The message every descendant of a top-level window receives after the window learnt a new
// scale; wParam is the new dots per inch. The window and dialog bases turn it into OnDpiChanged.
UINT DpiChangedNotice();
// Sends DpiChangedNotice to every descendant of `topLevel`, parents before their children.
void NotifyDescendants(HWND topLevel, int dpi);

// The font the system uses for message boxes and dialogs (not to be deleted): at the system's
// scale, or at a given one.
HFONT DefaultFont();
HFONT DefaultFontFor(int dpi);
// A copy of `font` whose height is scaled from one scale to another (caller owns it).
HFONT RescaledFont(HFONT font, int fromDpi, int toDpi);

// GetSystemMetrics at a given scale.
int SystemMetricFor(int index, int dpi);
// AdjustWindowRectEx at a given scale.
void AdjustWindowRectFor(RECT& rect, DWORD style, bool menu, DWORD exStyle, int dpi);

// Asks the system to leave a dialog's controls and fonts alone when the scale changes (the
// dialog base rescales them itself, the same way on every Windows).
void KeepDialogScaling(HWND dialog);

} // namespace kelt::ui
