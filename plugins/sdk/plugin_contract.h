#pragma once
// The contract of keltrix_plugin.h as the C++ code of the host and the frame uses it.
#include <windows.h>

#include <cstdint>

#include "plugins/sdk/keltrix_plugin.h"

namespace kelt::plugin {

using StringGetter = KeltrixStringGetter;
using ExecuteEntry = KeltrixExecuteEntry;
using DoneEntry = KeltrixDoneEntry;
using PrepareUninstallEntry = KeltrixPrepareUninstallEntry;

// The optional export a plug-in may add (see keltrix_plugin.h).
inline constexpr const char* kPrepareUninstallName = "PrepareUninstall";

// The nine export names, in the order the host resolves them.
inline constexpr const char* kExportNames[9] = {
    "GetPluginName",      "GetPluginAuthor",  "GetPluginMenuText", "GetPluginKind", "GetPluginGlyphResName",
    "GetPluginVersion",   "GetPluginCopyright", "DonePlugin",      "Execute",
};

// A window handle as the 32-bit value Execute takes, and back. Window handles fit in 32 bits
// on both the 32-bit and the 64-bit system (sign-extended, as the system itself converts them).
inline std::uint32_t HandleToHostValue(HWND window)
{
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(window));
}
inline HWND HostValueToHandle(std::uint32_t value)
{
    return KELTRIX_HOST_WINDOW(value);
}

// The window a tool window that Execute shows for `hostValue` belongs to: the top-level window
// of that handle when it is a window of the calling thread, else the calling thread's active
// window (null when there is none). The frame owns the tool window by it; the host learns by it
// which of its windows the tool ran over.
inline HWND ToolWindowOwner(std::uint32_t hostValue)
{
    HWND window = HostValueToHandle(hostValue);
    // A module handle or 0 is no window; a window of another thread could not be disabled by
    // this thread's modal loop without tying the two threads' input together.
    if (hostValue == 0 || !::IsWindow(window) || ::GetWindowThreadProcessId(window, nullptr) != ::GetCurrentThreadId())
        window = ::GetActiveWindow();
    if (!window)
        return nullptr;
    HWND root = ::GetAncestor(window, GA_ROOT);
    return root ? root : window;
}

} // namespace kelt::plugin
