#pragma once
// A plug-in library's life in the host process: loading it safely, telling a library built
// for the other processor apart, and releasing it only once none of its code can run any more.
#include <windows.h>

#include <string>

namespace kelt {

// Loads a plug-in library by its full path with a safe search path for its own dependencies
// (its folder and the system's, never the current folder), and without the system's "cannot
// find" or "bad image" boxes. Null when it does not load. Works from Windows Vista on: the
// calls later systems add are looked up at run time.
HMODULE LoadPluginLibrary(const std::string& path);

// Why a file is no library for this program's processor ("a 32-bit plugin" in the 64-bit
// program and the reverse); empty when it is built for this processor or is no program file
// at all (the loader then says why).
std::string ForeignMachine(const std::string& path);

// True while a window of this process still runs code of `module`: its window procedure or
// dialog procedure lies in the library, or its class or instance is the library's.
bool ModuleHasWindows(HMODULE module);

// Gives back one reference to a plug-in library. While a window of the library is still open
// the reference is kept and given back by a later ReleaseIdlePluginLibraries, once the window
// has gone (or never, before the process ends).
void ReleasePluginLibrary(HMODULE module);
// Gives back the kept references whose libraries have no window left.
void ReleaseIdlePluginLibraries();
// How many references are being kept.
int KeptPluginLibraryCount();

// One extra reference to the library holding `address`, for as long as the object lives: the
// library stays loaded while its code runs even if its plug-in is released meanwhile.
class PluginLibraryPin {
public:
    explicit PluginLibraryPin(const void* address);
    ~PluginLibraryPin();
    PluginLibraryPin(const PluginLibraryPin&) = delete;
    PluginLibraryPin& operator=(const PluginLibraryPin&) = delete;

private:
    HMODULE module_ = nullptr;
};

} // namespace kelt
