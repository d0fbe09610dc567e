#pragma once
// Menus drawn in the XP style: a picture column on the left, a tinted highlight bar with a
// frame, check and radio marks in framed boxes, shortcut texts right-aligned. The drawing is
// switched on or off for a menu and all its submenus with one call; while it is off the
// menus are the system's plain ones. Items added later (by another owner) are drawn once
// SetXPMenu runs again for the menu.
#include <windows.h>
#include <commctrl.h>

namespace kelt::ui {

// Switches the XP drawing of `menu` (a menu bar or a pop-up) and of every submenu on or off.
// `owner` is the window that receives the menu's WM_MEASUREITEM / WM_DRAWITEM (the window the
// menu bar belongs to, or the owner given to TrackPopupMenu); it draws the items from then on.
void SetXPMenu(HWND owner, HMENU menu, bool xpLook);
// Whether the item at `position` of `menu` is drawn by the XP drawing now.
bool IsXPMenuItem(HMENU menu, UINT position);

// Pictures beside menu items, by command ID, for every menu of the program (16 x 16 at 96 dpi;
// the image list is not owned and must outlive the menus).
void SetXPMenuImage(UINT commandId, HIMAGELIST images, int index);

} // namespace kelt::ui
