#pragma once
// The contract of keltrix_plugin.h as the C++ code of the host and the frame uses it.
#include <windows.h>

#include <cstdint>

#include "plugins/sdk/keltrix_plugin.h"

namespace kelt::plugin {

using StringGetter = KeltrixStringGetter;
using ExecuteEntry = KeltrixExecuteEntry;
using DoneEntry = KeltrixDoneEntry;

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

} // namespace kelt::plugin
