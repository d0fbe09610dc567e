#include "ui/context_menu.h"

#include <commctrl.h>

#include <memory>

namespace kelt::ui {

namespace {

const char kContextMenuProp[] = "KeltContextMenu";
const UINT_PTR kContextMenuSubclassId = 0x434D;  // 'CM'

LRESULT CALLBACK ContextProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR)
{
    if (message == WM_CONTEXTMENU) {
        auto* handler = static_cast<ContextMenuHandler*>(::GetPropA(hwnd, kContextMenuProp));
        if (handler && *handler) {
            POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            if (lParam == -1) {
                RECT r{};
                ::GetWindowRect(hwnd, &r);
                p = POINT{r.left + 4, r.top + 4};
            }
            ContextMenuHandler call = *handler;
            call(hwnd, p);
            return 0;
        }
    } else if (message == WM_NCDESTROY) {
        std::unique_ptr<ContextMenuHandler> owned(static_cast<ContextMenuHandler*>(::RemovePropA(hwnd, kContextMenuProp)));
        ::RemoveWindowSubclass(hwnd, ContextProc, id);
    }
    return ::DefSubclassProc(hwnd, message, wParam, lParam);
}

} // namespace

void AttachContextMenu(HWND control, ContextMenuHandler handler)
{
    if (!control)
        return;
    std::unique_ptr<ContextMenuHandler> previous(static_cast<ContextMenuHandler*>(::RemovePropA(control, kContextMenuProp)));
    if (!handler) {
        ::RemoveWindowSubclass(control, ContextProc, kContextMenuSubclassId);
        return;
    }
    auto owned = std::make_unique<ContextMenuHandler>(std::move(handler));
    if (::SetPropA(control, kContextMenuProp, owned.get())) {
        owned.release();
        ::SetWindowSubclass(control, ContextProc, kContextMenuSubclassId, 0);
    }
}

bool HasContextMenu(HWND control)
{
    return control && ::GetPropA(control, kContextMenuProp) != nullptr;
}

UINT TrackMenu(HMENU menu, HWND owner, POINT screen)
{
    // The owner must be in front, or the menu does not close when the user clicks elsewhere.
    ::SetForegroundWindow(owner);
    const UINT command = static_cast<UINT>(::TrackPopupMenu(menu, TPM_RIGHTBUTTON | TPM_RETURNCMD, screen.x, screen.y, 0, owner, nullptr));
    ::PostMessageA(owner, WM_NULL, 0, 0);
    if (command)
        ::SendMessageA(owner, WM_COMMAND, MAKEWPARAM(command, 0), 0);
    return command;
}

} // namespace kelt::ui
