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

std::string ModuleFileName(HMODULE module)
{
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameA(module, &path[0], static_cast<DWORD>(path.size()));
        if (length == 0)
            return std::string();
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        if (path.size() >= 0x8000 * 4)
            return std::string();
        path.resize(path.size() * 2);  // cut short: a path of many-byte characters
    }
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
