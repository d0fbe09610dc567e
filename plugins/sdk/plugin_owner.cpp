// Keeping the host's other windows out of reach while a tool window is open.
#include <windows.h>

#include "plugins/sdk/plugin_frame.h"

namespace kelt::plugin {

HostWindowsDisabled::HostWindowsDisabled(HWND keep) : keep_(keep)
{
    ::EnumThreadWindows(::GetCurrentThreadId(), Collect, reinterpret_cast<LPARAM>(this));
    for (HWND window : disabled_)
        ::EnableWindow(window, FALSE);
}

HostWindowsDisabled::~HostWindowsDisabled()
{
    for (auto it = disabled_.rbegin(); it != disabled_.rend(); ++it)
        if (::IsWindow(*it))
            ::EnableWindow(*it, TRUE);
}

BOOL CALLBACK HostWindowsDisabled::Collect(HWND window, LPARAM self)
{
    auto* scope = reinterpret_cast<HostWindowsDisabled*>(self);
    if (window != scope->keep_ && ::IsWindowVisible(window) && ::IsWindowEnabled(window))
        scope->disabled_.push_back(window);
    return TRUE;
}

} // namespace kelt::plugin
