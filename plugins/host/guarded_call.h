#pragma once
// Calling into a plug-in so that a fault there ends only the call. The call runs beneath a
// structured exception frame of its own: an access violation, RaiseException, or an exception
// of another language runtime that the plug-in does not handle itself unwinds the plug-in's
// frames and comes back here as a fault code. The exceptions of this program's own runtime
// pass through untouched, to the C++ handlers around the call.
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

GuardedResult RunGuarded(void (*call)(void* context), void* context);

// The text of a fault for the user: "an access violation", "exception 0xE06D7363" ...
std::string DescribeFault(DWORD code);

} // namespace kelt
