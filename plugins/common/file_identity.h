#pragma once
// What a path reaches on the file system, however it is spelled: two paths that reach the same
// folder (through a junction, a symbolic link, a mapped or substituted drive, an
// administrative share) have the same identity and the same final path.
#include <windows.h>

#include <string>

namespace kelt::plugin {

// The volume and the file number the file system gives a file or folder.
struct FileIdentity {
    DWORD volume = 0;
    DWORD indexHigh = 0;
    DWORD indexLow = 0;

    bool operator==(const FileIdentity& other) const
    {
        return volume == other.volume && indexHigh == other.indexHigh && indexLow == other.indexLow;
    }
    bool operator<(const FileIdentity& other) const
    {
        if (volume != other.volume)
            return volume < other.volume;
        return indexHigh != other.indexHigh ? indexHigh < other.indexHigh : indexLow < other.indexLow;
    }
};

// The identity of what `path` reaches, links followed; false when it cannot be opened.
bool IdentityOf(const std::string& path, FileIdentity& identity);
// True when both paths reach the same file or folder.
bool SameFileOrFolder(const std::string& a, const std::string& b);

// The path the file system names what `path` reaches, links and drive aliases resolved
// ("C:\Users\Ann" for "P:\Ann" when P: stands for C:\Users; "\\server\share\x" for a share);
// empty when it cannot be opened.
std::string FinalPathOf(const std::string& path);

// True when the path itself is a junction or a symbolic link (a reparse point).
bool IsLink(const std::string& path);

} // namespace kelt::plugin
