#pragma once
// Calling into a plug-in so that a fault there ends only the call. The call runs beneath a
// structured exception frame of its own: an access violation, a stack overflow, RaiseException,
// or an exception of another language runtime that the plug-in does not handle itself unwinds
// the plug-in's frames and comes back here as a fault code. After a fault every register the
// calling convention asks a callee to keep (and the floating-point control words) is what it
// was before the call, and after a stack overflow the stack has its guard page again, so the
// next overflow is caught as well.
//
// A plug-in built with the 32-bit mingw runtime does not raise its C++ exceptions through the
// system: one that nothing of the plug-in catches makes that runtime end the process through
// abort(). While a guarded call runs, abort() of the shared C runtime raises kPluginAbort
// instead, which ends the call like any other fault. The exceptions of this program's own
// runtime pass through untouched, to the C++ handlers around the call.
//
// `call` must not throw and must not hold anything that needs destroying when a fault cuts it
// short: keep it to the foreign call and storing its result.
#include <windows.h>

#include <string>

namespace kelt {

struct GuardedResult {
    bool faulted = false;
    DWORD code = 0;  // the exception code when faulted
};

// What a guarded call reports when the plug-in's runtime called abort().
constexpr DWORD kPluginAbort = 0xE04B5441;
// A C++ exception thrown by a plug-in built with a mingw runtime of its own (64 bits).
constexpr DWORD kMingwThrow = 0x20474343;

GuardedResult RunGuarded(void (*call)(void* context), void* context);

// True while the calling thread is inside a guarded call.
bool InsideGuardedCall();

// The text of a fault for the user: "access violation", "stack overflow", "exception 0xE0000042" ...
std::string DescribeFault(DWORD code);

} // namespace kelt
