#pragma once
// The guard around every plug-in library in the program's process.
//
// Lifetime: a library, once loaded as a plug-in (also by a scan that only lists it), stays
// loaded until the program ends. Releasing a plug-in gives back its own reference, but the
// library itself is pinned, so a thread it left running, a timer, a hook or a handler it
// installed never runs into freed code.
//
// Calls: every call into a plug-in library runs under RunGuarded (guarded_call.h). The windows
// a library makes on this thread are taken under the guard once the call that made them has
// returned: their window procedure is wrapped, so a message that reaches them later, from
// any message loop of the program or sent by the system, runs guarded too. The program's own
// loops also guard timer callbacks that lie in a plug-in library (ui::SetDispatchHook).
//
// Faults: a fault marks the library failed for the rest of the session. None of its code is
// called again (its windows get the default window procedure, its timer callbacks are
// dropped) and its windows on this thread are closed. A fault in one of its windows is
// reported to the user here, naming the plug-in; the callers report the others.
#include <windows.h>

#include <string>

namespace kelt {

// Takes a loaded plug-in library under the guard and pins it; `name` names it in messages
// (admitting it again only renames it).
void AdmitPluginLibrary(HMODULE module, const std::string& name);

// The admitted library whose image holds `address`; null for none.
HMODULE PluginLibraryAt(const void* address);

// What made the library fail in this session ("access violation while running"); empty while
// it has not failed.
std::string PluginLibraryFailure(HMODULE module);

struct PluginCall {
    bool faulted = false;
    std::string fault;  // the fault in words: "access violation" ...
};

// Runs `call`, which calls into `module`, under the guard. `where` says what ran ("while
// running", "in GetPluginName"). On a fault the library is marked failed and its windows on
// this thread are closed; telling the user is the caller's.
PluginCall CallPluginCode(HMODULE module, const char* where, void (*call)(void* context), void* context);

// The window over which a fault in a plug-in's window is reported (null: the active window).
void SetPluginFaultOwner(HWND owner);

// While one lives, WM_QUIT is dropped by every message loop of this thread as long as `host`
// exists and no plug-in code runs: a quit request a plug-in's window leaves behind closes no
// dialog of the program, stops no search and does not end the program. Quit requests made
// while a plug-in runs stay for that plug-in's own message loop.
class PluginQuitFilter {
public:
    explicit PluginQuitFilter(HWND host);
    ~PluginQuitFilter();
    PluginQuitFilter(const PluginQuitFilter&) = delete;
    PluginQuitFilter& operator=(const PluginQuitFilter&) = delete;

private:
    HWND host_;
};

} // namespace kelt
