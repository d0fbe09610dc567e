#pragma once
// Pixel sizes in the code are given for 96 dots per inch; scale them with these.
#include <windows.h>

namespace kelt::ui {

// Dots per inch of the screen (96 when unknown).
int ScreenDpi();
// Scales a 96-dpi pixel size to the screen.
int Scale(int pixels);
int ScaleFor(int pixels, int dpi);

// The font the system uses for message boxes and dialogs (not to be deleted).
HFONT DefaultFont();

} // namespace kelt::ui
