#pragma once
// Before Hide is uninstalled: a folder it masked keeps its mask with no tool left to take it
// off, so the user is offered to give the masked folders their names back first.
#include <windows.h>

namespace kelt::hide {

// Asks, when this user has masked folders, whether to give them their names back, and does so
// on Yes. False when the user chose to keep Hide installed.
bool OfferUnmaskBeforeUninstall(HWND owner);

} // namespace kelt::hide
