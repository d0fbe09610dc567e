#include "catalogue/platform/restart.h"

#include "catalogue/platform/os_family.h"
#include "catalogue/platform/system_calls.h"

namespace kelt {

namespace {

// Enables SeShutdownPrivilege in the process token; false when any step fails.
bool EnableShutdownPrivilege(SystemCalls& sys)
{
    HANDLE token = nullptr;
    if (!sys.OpenProcessToken(sys.GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        return false;

    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    bool ok = sys.LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid) != FALSE;
    if (ok) {
        // AdjustTokenPrivileges answers TRUE even when the privilege was not assigned; only
        // the last error tells (ERROR_NOT_ALL_ASSIGNED).
        ok = sys.AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr) != FALSE;
        if (sys.GetLastError() != ERROR_SUCCESS)
            ok = false;
    }
    if (sys.CloseHandle)
        sys.CloseHandle(token);
    return ok;
}

} // namespace

BOOL RestartWindows(UINT flags)
{
    SystemCalls& sys = CurrentSystemCalls();
    // Every NT-line Windows needs the privilege (the server family and everything after XP
    // included); the Windows 95 line has no privileges at all.
    const WindowsVersion version = QueryWindowsVersion();
    if (version.ok && version.platformId == VER_PLATFORM_WIN32_NT) {
        if (!EnableShutdownPrivilege(sys))
            return FALSE;
    }
    return sys.ExitWindowsEx(flags, 0);
}

} // namespace kelt
