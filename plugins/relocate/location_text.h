#pragma once
// Texts of folder locations, free of any system call: comparing paths, keeping a moved path
// relative to the variable it was stored with, and the names of known-folder IDs.
#include <functional>
#include <string>

namespace kelt::relocate {

// Paths compare without case and without trailing backslashes ("C:\Docs\" is "c:\docs").
bool SamePath(const std::string& a, const std::string& b);

// The form to store for `path` where a value held `stored` (an expandable string): when
// `stored` begins with a variable ("%USERPROFILE%\Desktop") and `path` lies inside that
// variable's present value, the variable stays in front ("%USERPROFILE%\Work"), so the folder
// still follows the profile when it moves. Otherwise `path` unchanged. `lookup` answers a
// variable's value (empty when unset).
std::string ContractPath(const std::string& path, const std::string& stored,
                         const std::function<std::string(const std::string&)>& lookup);

// The display name of a known-folder ID such as "{374DE290-123F-4565-9164-39C4925E467B}"
// ("Downloads"), in any letter case; empty for any other name.
std::string KnownFolderName(const std::string& valueName);

// Windows 10 and 11 keep Documents, Pictures, Music, Videos and Downloads under two values of
// "User Shell Folders": the old name (or known-folder ID) and a second known-folder ID, which
// must agree. The other value of such a pair, in its stored spelling; empty for any other name.
std::string TwinValueName(const std::string& valueName);

// A drive's root ("D:", "D:\") or a share's ("\\server\share").
bool IsDriveRoot(const std::string& path);

} // namespace kelt::relocate
