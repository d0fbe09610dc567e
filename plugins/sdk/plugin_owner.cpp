// Which window a tool window belongs to, and keeping the host's other windows out of reach
// while it is open.
#include <windows.h>

#include "plugins/sdk/plugin_contract.h"
#include "plugins/sdk/plugin_frame.h"

namespace kelt::plugin {

HWND ResolveOwner(std::uint32_t hostHandle)
{
    HWND window = HostValueToHandle(hostHandle);
    // A module handle or 0 is no window; a window of another thread could not be disabled by
    // this thread's modal loop without tying the two threads' input together.
    if (hostHandle == 0 || !::IsWindow(window) || ::GetWindowThreadProcessId(window, nullptr) != ::GetCurrentThreadId())
        window = ::GetActiveWindow();
    if (!window)
        return nullptr;
    HWND root = ::GetAncestor(window, GA_ROOT);
    return root ? root : window;
}

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
