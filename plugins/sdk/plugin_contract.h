#pragma once
// The contract between Keltrix and a plug-in library (.KTP): nine exports with C linkage and
// the Windows standard calling convention, found by these undecorated names. Strings belong to
// the plug-in; the host copies each one before its next call.
#include <windows.h>

#include <cstdint>

namespace kelt::plugin {

using StringGetter = const char*(__stdcall*)();
using ExecuteEntry = std::int32_t(__stdcall*)(std::uint32_t hostHandle);
using DoneEntry = void(__stdcall*)();

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
    return reinterpret_cast<HWND>(static_cast<std::intptr_t>(static_cast<std::int32_t>(value)));
}

} // namespace kelt::plugin
