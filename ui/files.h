#pragma once
// What the programs and the plug-ins ask of the file system everywhere: where the running
// program is, and whether a file or a folder is there.
#include <string>

namespace kelt::ui {

// The folder of the running program (the .exe, also when called from a plug-in library), with
// its trailing backslash.
std::string ProgramFolder();
// The same without the trailing backslash: the form "Plugins" and "Records" are joined to.
std::string ProgramFolderWithoutBackslash();

// True when `path` names an existing file; a folder is no file.
bool FileExists(const std::string& path);
// True when `path` names an existing folder.
bool FolderExists(const std::string& path);

} // namespace kelt::ui
