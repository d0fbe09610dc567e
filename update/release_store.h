#pragma once
// Where a program folder stands among the publisher's releases. The updater keeps the highest
// release it accepted for a folder under the program's key in HKEY_LOCAL_MACHINE, which only
// administrators can write (the updater runs elevated), one value per folder, named by the
// folder; the setup writes the same value when it installs. A folder also carries the release
// the setup or the zip was built from, in version.ini ([Release] Sequence=), which only raises
// the floor: whoever can change the folder can do worse than make the updater refuse more.
#include <cstdint>
#include <string>

#include "update/ini_text.h"

namespace kelt::update {

extern const char kReleaseKey[];  // "SoftWare\Dorvane\Keltrix 0.8\Update"

// The value's name for a program folder (with or without its trailing backslash): its full
// long path without the trailing backslash. Registry value names compare without case.
std::string ReleaseValueName(const std::string& programFolder);

// The highest release this folder has: the recorded one or the one its version.ini names,
// whichever is higher (0 when neither is known). False when the recorded value exists but
// cannot be read as a release number; `problem` then says so.
bool InstalledRelease(const std::string& programFolder, const IniText& localVersions, std::uint64_t& sequence,
                      std::string& problem);

// Records `sequence` as the folder's release; false when the registry refuses.
bool RecordRelease(const std::string& programFolder, std::uint64_t sequence);

} // namespace kelt::update
