#pragma once
// One running copy: a named mutex held for the life of the process, and bringing the copy
// that holds it to the front when the user starts another.
#include <windows.h>

#include <string>

namespace kelt {

// The program's file name without folder and extension ("Keltrix").
std::string InstanceMutexName();

// Creates the mutex, initially owned. True when this is the only copy (the handle then stays
// open until the process ends); false when another copy holds it (nothing is kept open).
bool ClaimSingleInstance(const std::string& name);

// Restores the running copy's main window if it is minimised and brings it (or, while it
// starts, its splash) to the front. False when no such window was found.
bool BringRunningCopyForward();

} // namespace kelt
