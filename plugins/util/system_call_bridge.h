#pragma once
// Test-program side of system_call_hooks.h: while a ScopedPluginSystemCalls lives, the version
// query and the restart calls of the given plug-in library go through the system-call table of
// the program that made it (kelt::CurrentSystemCalls() of the test, scripted as usual with
// kelt::ScopedSystemCalls).
//
// Header-only on purpose: it must run inside the test program, not inside the plug-in.
#include <windows.h>

#include "catalogue/platform/system_calls.h"
#include "plugins/util/system_call_hooks.h"

namespace kelt::plugin {

namespace system_call_bridge {

inline BOOL ForwardVersion(void*, OSVERSIONINFOA* info) { return CurrentSystemCalls().GetVersionExA(info); }
inline BOOL ForwardOpenToken(void*, HANDLE process, DWORD access, HANDLE* token)
{
    return CurrentSystemCalls().OpenProcessToken(process, access, token);
}
inline BOOL ForwardLookupPrivilege(void*, const char* system, const char* name, LUID* luid)
{
    return CurrentSystemCalls().LookupPrivilegeValueA(system, name, luid);
}
inline BOOL ForwardAdjustPrivileges(void*, HANDLE token, BOOL disableAll, TOKEN_PRIVILEGES* newState, DWORD length,
                             TOKEN_PRIVILEGES* previous, DWORD* returnLength)
{
    return CurrentSystemCalls().AdjustTokenPrivileges(token, disableAll, newState, length, previous, returnLength);
}
inline DWORD ForwardLastError(void*) { return CurrentSystemCalls().GetLastError(); }
inline BOOL ForwardExitWindows(void*, UINT flags, DWORD reason) { return CurrentSystemCalls().ExitWindowsEx(flags, reason); }
inline BOOL ForwardCloseHandle(void*, HANDLE handle) { return CurrentSystemCalls().CloseHandle(handle); }

} // namespace system_call_bridge

class ScopedPluginSystemCalls {
public:
    explicit ScopedPluginSystemCalls(HMODULE plugin)
    {
        if (plugin)
            entry_ = reinterpret_cast<KeltSetSystemCallHooksEntry>(
                reinterpret_cast<void*>(::GetProcAddress(plugin, KELT_SYSTEM_CALL_HOOKS_EXPORT)));
        if (!entry_)
            return;
        KeltSystemCallHooks hooks{};
        hooks.size = sizeof hooks;
        hooks.getVersionEx = system_call_bridge::ForwardVersion;
        hooks.openProcessToken = system_call_bridge::ForwardOpenToken;
        hooks.lookupPrivilegeValue = system_call_bridge::ForwardLookupPrivilege;
        hooks.adjustTokenPrivileges = system_call_bridge::ForwardAdjustPrivileges;
        hooks.getLastError = system_call_bridge::ForwardLastError;
        hooks.exitWindowsEx = system_call_bridge::ForwardExitWindows;
        hooks.closeHandle = system_call_bridge::ForwardCloseHandle;
        entry_(&hooks);
    }
    ~ScopedPluginSystemCalls()
    {
        if (entry_)
            entry_(nullptr);
    }
    ScopedPluginSystemCalls(const ScopedPluginSystemCalls&) = delete;
    ScopedPluginSystemCalls& operator=(const ScopedPluginSystemCalls&) = delete;

    // False when the library has no such export.
    bool Active() const { return entry_ != nullptr; }

private:
    KeltSetSystemCallHooksEntry entry_ = nullptr;
};

} // namespace kelt::plugin
