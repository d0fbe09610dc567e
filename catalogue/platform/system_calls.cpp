#include "catalogue/platform/system_calls.h"

#include <utility>

namespace kelt {

SystemCalls SystemCalls::Real()
{
    SystemCalls calls;
    calls.GetVersionExA = [](OSVERSIONINFOA* info) { return ::GetVersionExA(info); };
    using RtlGetVersionFn = LONG(WINAPI*)(RTL_OSVERSIONINFOW*);
    if (HMODULE ntdll = ::GetModuleHandleA("ntdll.dll")) {
        if (auto fn = reinterpret_cast<RtlGetVersionFn>(::GetProcAddress(ntdll, "RtlGetVersion")))
            calls.RtlGetVersion = [fn](RTL_OSVERSIONINFOW* info) { return fn(info); };
    }
    calls.GetCurrentProcess = [] { return ::GetCurrentProcess(); };
    calls.OpenProcessToken = [](HANDLE process, DWORD access, HANDLE* token) {
        return ::OpenProcessToken(process, access, token);
    };
    calls.LookupPrivilegeValueA = [](const char* system, const char* name, LUID* luid) {
        return ::LookupPrivilegeValueA(system, name, luid);
    };
    calls.AdjustTokenPrivileges = [](HANDLE token, BOOL disableAll, TOKEN_PRIVILEGES* newState,
                                     DWORD length, TOKEN_PRIVILEGES* previous, DWORD* returnLength) {
        return ::AdjustTokenPrivileges(token, disableAll, newState, length, previous, returnLength);
    };
    calls.GetLastError = [] { return ::GetLastError(); };
    calls.ExitWindowsEx = [](UINT flags, DWORD reason) { return ::ExitWindowsEx(flags, reason); };
    calls.CloseHandle = [](HANDLE handle) { return ::CloseHandle(handle); };
    return calls;
}

SystemCalls& CurrentSystemCalls()
{
    static SystemCalls calls = SystemCalls::Real();
    return calls;
}

ScopedSystemCalls::ScopedSystemCalls(SystemCalls calls) : previous_(std::move(CurrentSystemCalls()))
{
    CurrentSystemCalls() = std::move(calls);
}

ScopedSystemCalls::~ScopedSystemCalls()
{
    CurrentSystemCalls() = std::move(previous_);
}

} // namespace kelt
