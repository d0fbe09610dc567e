#pragma once
// Reaching the system-call table (catalogue/platform/system_calls.h) inside a loaded plug-in.
//
// A plug-in carries its own copy of the platform library, so a test program's
// kelt::ScopedSystemCalls does not reach the version query and the restart a plug-in makes.
// Plug-ins that detect the Windows family or restart Windows therefore export
//
//     void __stdcall KeltSetSystemCallHooks(const KeltSystemCallHooks* hooks);
//
// which routes those calls through plain C functions (a null entry, or a null table, keeps or
// puts back the real call). Keltrix never calls it; a test does, through
// kelt::plugin::ScopedPluginSystemCalls (system_call_bridge.h). Only plain C data crosses the
// library boundary; `size` lets either side grow the table.
#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct KeltSystemCallHooks {
    unsigned size;  // sizeof(KeltSystemCallHooks) of the caller
    void* context;  // handed back to every function
    BOOL (*getVersionEx)(void* context, OSVERSIONINFOA* info);
    BOOL (*openProcessToken)(void* context, HANDLE process, DWORD access, HANDLE* token);
    BOOL (*lookupPrivilegeValue)(void* context, const char* system, const char* name, LUID* luid);
    BOOL (*adjustTokenPrivileges)(void* context, HANDLE token, BOOL disableAll, TOKEN_PRIVILEGES* newState,
                                  DWORD length, TOKEN_PRIVILEGES* previous, DWORD* returnLength);
    DWORD (*getLastError)(void* context);
    BOOL (*exitWindowsEx)(void* context, UINT flags, DWORD reason);
    BOOL (*closeHandle)(void* context, HANDLE handle);
} KeltSystemCallHooks;

typedef void(__stdcall* KeltSetSystemCallHooksEntry)(const KeltSystemCallHooks* hooks);

#ifdef __cplusplus
}
#endif

#define KELT_SYSTEM_CALL_HOOKS_EXPORT "KeltSetSystemCallHooks"
