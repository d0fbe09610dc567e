#pragma once
// The few system calls behind family detection and restart, gathered in one replaceable
// table. The program uses the real calls; tests install their own to script the answers and
// to record the exact sequence, so nothing ever restarts the machine under test.
#include <windows.h>

#include <functional>

namespace kelt {

struct SystemCalls {
    std::function<BOOL(OSVERSIONINFOA*)> GetVersionExA;
    // ntdll's RtlGetVersion (0 on success); empty where the system lacks it.
    std::function<LONG(RTL_OSVERSIONINFOW*)> RtlGetVersion;
    std::function<HANDLE()> GetCurrentProcess;
    std::function<BOOL(HANDLE process, DWORD access, HANDLE* token)> OpenProcessToken;
    std::function<BOOL(const char* system, const char* name, LUID* luid)> LookupPrivilegeValueA;
    std::function<BOOL(HANDLE token, BOOL disableAll, TOKEN_PRIVILEGES* newState, DWORD length,
                       TOKEN_PRIVILEGES* previous, DWORD* returnLength)>
        AdjustTokenPrivileges;
    std::function<DWORD()> GetLastError;
    std::function<BOOL(UINT flags, DWORD reason)> ExitWindowsEx;
    std::function<BOOL(HANDLE)> CloseHandle;

    // The table of the real Win32 functions.
    static SystemCalls Real();
};

// The table in use (the real calls unless a test replaced them).
SystemCalls& CurrentSystemCalls();

// Installs a table for the lifetime of the object and puts the previous one back afterwards.
class ScopedSystemCalls {
public:
    explicit ScopedSystemCalls(SystemCalls calls);
    ~ScopedSystemCalls();
    ScopedSystemCalls(const ScopedSystemCalls&) = delete;
    ScopedSystemCalls& operator=(const ScopedSystemCalls&) = delete;

private:
    SystemCalls previous_;
};

} // namespace kelt
