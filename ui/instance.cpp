#include "ui/instance.h"

#include <commctrl.h>

namespace kelt::ui {

HINSTANCE Instance()
{
    static const HINSTANCE instance = [] {
        HMODULE module = nullptr;
        // The module holding this function: the program, or a plug-in library.
        if (!::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                  reinterpret_cast<LPCSTR>(&Instance), &module))
            module = ::GetModuleHandleA(nullptr);
        return static_cast<HINSTANCE>(module);
    }();
    return instance;
}

void InitCommonControlsOnce()
{
    static const bool done = [] {
        INITCOMMONCONTROLSEX init{};
        init.dwSize = sizeof init;
        init.dwICC = ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES |
                     ICC_TAB_CLASSES | ICC_PROGRESS_CLASS | ICC_USEREX_CLASSES;
        return ::InitCommonControlsEx(&init) != FALSE;
    }();
    (void)done;
}

} // namespace kelt::ui
