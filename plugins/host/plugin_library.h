#pragma once
// A plug-in library in the host process: loading it safely, telling a library built for the
// other processor apart, and finding the windows that run its code.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace kelt {

// Loads a plug-in library by its full path with a safe search path for its own dependencies
// (its folder and the system's, never the current folder), and without the system's "cannot
// find" or "bad image" boxes. Null when it does not load, also when its start-up code faults.
// Works from Windows Vista on: the calls later systems add are looked up at run time.
HMODULE LoadPluginLibrary(const std::string& path);

// Why a file is no library for this program's processor ("a 32-bit plugin" in the 64-bit
// program and the reverse); empty when it is built for this processor or is no program file
// at all (the loader then says why).
std::string ForeignMachine(const std::string& path);

// The address range of a loaded library's image; false when it has no readable headers.
bool ImageRange(HMODULE module, std::uintptr_t& begin, std::uintptr_t& end);

// The windows of this process that the library made: their instance or class is the
// library's, or their class procedure or dialog procedure lies in it. Top-level windows come
// before the children of other windows.
std::vector<HWND> ModuleWindows(HMODULE module);
bool WindowOfLibrary(HWND window, HMODULE module);
// True while a window of this process runs code of `module`: one it made, or one whose
// window procedure lies in it.
bool ModuleHasWindows(HMODULE module);

} // namespace kelt
