// The optional export of system_call_hooks.h, compiled into the plug-ins that use the
// family detection or the restart of catalogue/platform.
#include "plugins/util/system_call_hooks.h"

#include <cstring>

#include "catalogue/platform/system_calls.h"

namespace {

KeltSystemCallHooks g_hooks{};

kelt::SystemCalls HookedCalls()
{
    kelt::SystemCalls calls = kelt::SystemCalls::Real();
    void* const context = g_hooks.context;
    if (auto hook = g_hooks.getVersionEx) {
        // A scripted version query is the only answer the plug-in gets.
        calls.RtlGetVersion = nullptr;
        calls.GetVersionExA = [hook, context](OSVERSIONINFOA* info) { return hook(context, info); };
    }
    if (auto hook = g_hooks.openProcessToken)
        calls.OpenProcessToken = [hook, context](HANDLE process, DWORD access, HANDLE* token) {
            return hook(context, process, access, token);
        };
    if (auto hook = g_hooks.lookupPrivilegeValue)
        calls.LookupPrivilegeValueA = [hook, context](const char* system, const char* name, LUID* luid) {
            return hook(context, system, name, luid);
        };
    if (auto hook = g_hooks.adjustTokenPrivileges)
        calls.AdjustTokenPrivileges = [hook, context](HANDLE token, BOOL disableAll, TOKEN_PRIVILEGES* newState,
                                                      DWORD length, TOKEN_PRIVILEGES* previous, DWORD* returnLength) {
            return hook(context, token, disableAll, newState, length, previous, returnLength);
        };
    if (auto hook = g_hooks.getLastError)
        calls.GetLastError = [hook, context] { return hook(context); };
    if (auto hook = g_hooks.exitWindowsEx)
        calls.ExitWindowsEx = [hook, context](UINT flags, DWORD reason) { return hook(context, flags, reason); };
    if (auto hook = g_hooks.closeHandle)
        calls.CloseHandle = [hook, context](HANDLE handle) { return hook(context, handle); };
    return calls;
}

} // namespace

extern "C" void __stdcall KeltSetSystemCallHooks(const KeltSystemCallHooks* hooks)
{
    g_hooks = KeltSystemCallHooks{};
    if (hooks && hooks->size >= sizeof(unsigned)) {
        // Take the part of the table both sides know.
        const std::size_t known = hooks->size < sizeof g_hooks ? hooks->size : sizeof g_hooks;
        std::memcpy(&g_hooks, hooks, known);
        g_hooks.size = sizeof g_hooks;
        kelt::CurrentSystemCalls() = HookedCalls();
    } else {
        kelt::CurrentSystemCalls() = kelt::SystemCalls::Real();
    }
}
