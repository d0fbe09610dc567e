#pragma once
// File names and paths that come from the update server. A name is joined to the program
// folder, so only a plain name of one file may pass. Portable.
#include <string>

namespace kelt::update {

// A plain Windows file name that the INI files can carry: not empty, at most 200 bytes of
// printable ASCII, none of \ / : * ? " < > | =, not starting with a blank, "[" or ";" (the INI
// reader would take it for something else), not "." or "..", no ".." anywhere, not ending in a
// blank or a dot, and not a reserved device name (CON, PRN, AUX, NUL, COM1-9, LPT1-9, also
// with an extension). Other bytes name different files under different code pages, and
// include the superscript digits of the device names COM1-COM3 and LPT1-LPT3.
bool IsPlainFileName(const std::string& name);

// The name as it may appear in a log line: control characters shown as '?'.
std::string PrintableName(const std::string& name);

// True when `path` lies strictly inside `folder` (which ends with a backslash); both are full
// Windows paths. Letters compare without case, both slashes separate, and no "." or ".."
// component may appear below the folder.
bool IsInsideFolder(const std::string& path, const std::string& folder);

// ASCII case-insensitive equality, as Windows compares file names.
bool SameFileName(const std::string& a, const std::string& b);

} // namespace kelt::update
