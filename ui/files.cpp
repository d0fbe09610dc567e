#include "ui/files.h"

#include <windows.h>

#include "ui/instance.h"

namespace kelt::ui {

std::string ProgramFolder()
{
    const std::string path = ModuleFileName();
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string ProgramFolderWithoutBackslash()
{
    std::string folder = ProgramFolder();
    if (!folder.empty())
        folder.pop_back();
    return folder;
}

bool FileExists(const std::string& path)
{
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::string& path)
{
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace kelt::ui
