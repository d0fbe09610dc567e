#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "catalogue/platform/restart.h"
#include "catalogue/platform/system_calls.h"

using namespace kelt;

namespace {

// Records every call of the restart and answers as scripted.
struct ScriptedSystem {
    DWORD platform = 2, major = 5, minor = 1;
    BOOL openToken = TRUE;
    BOOL lookup = TRUE;
    BOOL adjust = TRUE;
    DWORD lastError = ERROR_SUCCESS;
    BOOL exitResult = TRUE;

    std::vector<std::string> calls;
    DWORD tokenAccess = 0;
    std::string privilegeName;
    DWORD attributes = 0;
    DWORD privilegeCount = 0;
    LUID adjustedLuid{};
    UINT exitFlags = 0;
    DWORD exitReason = 0xFFFF;
    HANDLE const fakeProcess = reinterpret_cast<HANDLE>(0x1234);
    HANDLE const fakeToken = reinterpret_cast<HANDLE>(0x5678);
    HANDLE tokenProcess = nullptr;
    HANDLE adjustedToken = nullptr;
    HANDLE closedToken = nullptr;

    SystemCalls Calls()
    {
        SystemCalls c;
        c.GetVersionExA = [this](OSVERSIONINFOA* info) {
            calls.push_back("GetVersionExA");
            info->dwPlatformId = platform;
            info->dwMajorVersion = major;
            info->dwMinorVersion = minor;
            return TRUE;
        };
        c.GetCurrentProcess = [this] { return fakeProcess; };
        c.OpenProcessToken = [this](HANDLE process, DWORD access, HANDLE* token) {
            calls.push_back("OpenProcessToken");
            tokenProcess = process;
            tokenAccess = access;
            *token = openToken ? fakeToken : nullptr;
            return openToken;
        };
        c.LookupPrivilegeValueA = [this](const char* system, const char* name, LUID* luid) {
            calls.push_back("LookupPrivilegeValueA");
            EXPECT_EQ(system, nullptr);
            privilegeName = name;
            luid->LowPart = 19;
            luid->HighPart = 0;
            return lookup;
        };
        c.AdjustTokenPrivileges = [this](HANDLE token, BOOL disableAll, TOKEN_PRIVILEGES* state, DWORD, TOKEN_PRIVILEGES*,
                                         DWORD*) {
            calls.push_back("AdjustTokenPrivileges");
            EXPECT_FALSE(disableAll);
            adjustedToken = token;
            privilegeCount = state->PrivilegeCount;
            attributes = state->Privileges[0].Attributes;
            adjustedLuid = state->Privileges[0].Luid;
            return adjust;
        };
        c.GetLastError = [this] { return lastError; };
        c.ExitWindowsEx = [this](UINT flags, DWORD reason) {
            calls.push_back("ExitWindowsEx");
            exitFlags = flags;
            exitReason = reason;
            return exitResult;
        };
        c.CloseHandle = [this](HANDLE handle) {
            closedToken = handle;
            return TRUE;
        };
        return c;
    }
};

const std::vector<std::string> kWithPrivilege{"GetVersionExA", "OpenProcessToken", "LookupPrivilegeValueA",
                                              "AdjustTokenPrivileges", "ExitWindowsEx"};

} // namespace

TEST(Restart, OnXpEnablesTheShutdownPrivilegeThenRestarts)
{
    ScriptedSystem system;
    ScopedSystemCalls scope(system.Calls());
    EXPECT_NE(RestartWindows(EWX_REBOOT), 0);
    EXPECT_EQ(system.calls, kWithPrivilege);
    EXPECT_EQ(system.tokenProcess, system.fakeProcess);
    EXPECT_EQ(system.tokenAccess, 40u);
    EXPECT_EQ(system.privilegeName, "SeShutdownPrivilege");
    EXPECT_EQ(system.adjustedToken, system.fakeToken);
    EXPECT_EQ(system.privilegeCount, 1u);
    EXPECT_EQ(system.attributes, 2u);
    EXPECT_EQ(system.adjustedLuid.LowPart, 19u);
    EXPECT_EQ(system.exitFlags, 2u);
    EXPECT_EQ(system.exitReason, 0u);
    EXPECT_EQ(system.closedToken, system.fakeToken);
}

TEST(Restart, EveryNtLineWindowsGetsThePrivilege)
{
    // NT 3.51, NT 4, 2000, the server family and the versions after XP: all need it.
    const DWORD versions[][2] = {{3, 51}, {4, 0}, {5, 0}, {5, 2}, {6, 0}, {6, 1}, {10, 0}};
    for (const auto& v : versions) {
        ScriptedSystem system;
        system.major = v[0];
        system.minor = v[1];
        ScopedSystemCalls scope(system.Calls());
        EXPECT_NE(RestartWindows(EWX_REBOOT), 0) << v[0] << "." << v[1];
        EXPECT_EQ(system.calls, kWithPrivilege) << v[0] << "." << v[1];
    }
}

TEST(Restart, TheWindows95LineHasNoPrivilegesToAdjust)
{
    for (DWORD minor : {0u, 10u, 90u}) {
        ScriptedSystem system;
        system.platform = 1;
        system.major = 4;
        system.minor = minor;
        system.exitResult = FALSE;
        ScopedSystemCalls scope(system.Calls());
        EXPECT_EQ(RestartWindows(EWX_REBOOT), 0);  // ExitWindowsEx's answer is passed on
        EXPECT_EQ(system.calls, (std::vector<std::string>{"GetVersionExA", "ExitWindowsEx"}));
    }
}

TEST(Restart, AFailedPrivilegeStepRestartsNothing)
{
    {
        ScriptedSystem system;
        system.openToken = FALSE;
        ScopedSystemCalls scope(system.Calls());
        EXPECT_EQ(RestartWindows(EWX_REBOOT), 0);
        EXPECT_EQ(system.calls, (std::vector<std::string>{"GetVersionExA", "OpenProcessToken"}));
    }
    {
        // AdjustTokenPrivileges succeeds but the privilege was not assigned.
        ScriptedSystem system;
        system.lastError = ERROR_NOT_ALL_ASSIGNED;
        ScopedSystemCalls scope(system.Calls());
        EXPECT_EQ(RestartWindows(EWX_REBOOT), 0);
        EXPECT_EQ(system.calls.back(), "AdjustTokenPrivileges");
        EXPECT_EQ(system.closedToken, system.fakeToken);
    }
    {
        ScriptedSystem system;
        system.lookup = FALSE;
        ScopedSystemCalls scope(system.Calls());
        EXPECT_EQ(RestartWindows(EWX_REBOOT), 0);
        EXPECT_EQ(system.calls.back(), "LookupPrivilegeValueA");
    }
}

TEST(Restart, PassesTheCallersFlags)
{
    ScriptedSystem system;
    ScopedSystemCalls scope(system.Calls());
    RestartWindows(EWX_LOGOFF | EWX_FORCE);
    EXPECT_EQ(system.exitFlags, static_cast<UINT>(EWX_LOGOFF | EWX_FORCE));
}
