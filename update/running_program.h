#pragma once
// Finding a running Keltrix before its files are replaced. Keltrix holds a named mutex for as
// long as it runs (its single-instance guard); its windows are found by the program file of
// their process.
#include <windows.h>

#include <string>

namespace kelt::update {

// The name of the single-instance mutex of Keltrix.exe.
extern const char kKeltrixMutex[];  // "Keltrix"

bool MutexExists(const std::string& name);
// Asks every top-level window of the processes running `programFile` to close; answers how
// many windows were asked.
int RequestClose(const std::string& programFile);
// Waits up to `ms` for the mutex to disappear, serving messages; true when it is gone.
bool WaitForMutexGone(const std::string& name, int ms);

} // namespace kelt::update
