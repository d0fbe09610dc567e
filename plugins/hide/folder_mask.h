#pragma once
// Masking a folder as a shell object: the folder is renamed with a dot and the object's class
// identifier appended, which makes Explorer show it as that object (and open that object
// instead of the folder). "Normal" takes the identifier off again.
#include <set>
#include <string>
#include <vector>

#include "plugins/common/file_identity.h"

namespace kelt::hide {

constexpr int kMaskStyleCount = 9;

// "Normal", "Control Panel", ... in the order of the style list.
const char* MaskStyleName(int style);
// The class identifier of a style; empty for "Normal" and for numbers outside the list.
const char* MaskStyleId(int style);

// The style a path's name stands for: the text after its last "." (the whole path when it has
// none) looked up among the identifiers without regard to case; 0 for a path ending in ".",
// -1 when it is none of them.
int MaskStyleOfName(const std::string& path);
// The style of an existing folder; -1 when the path is no folder.
int MaskStyleOfFolder(const std::string& path);
// The name a folder gets for a style: a present identifier is replaced, not added to.
std::string MaskedFolderName(const std::string& path, int style);

// Folders Windows needs under their own names.
struct SystemFolders {
    // Folders that are refused, with every folder above them: the Windows and system folders,
    // the profiles, Program Files, and every folder a shell-folder value or a known folder
    // points to (Desktop, Documents, AppData, Start Menu, Downloads ...).
    std::vector<std::string> folders;
    // Folders whose every direct sub-folder is a user profile root.
    std::vector<std::string> profileParents;

    // The running system's folders (needed_folders.cpp): the user's own, and where an
    // administrator's rights were raised for the user signed in at the desktop, that user's too.
    static SystemFolders Current();
    // Adds the folders of another user of this machine, by the text form of the user's SID:
    // the profile and the values of the user's "User Shell Folders" and "Shell Folders".
    void AddFoldersOfUser(const std::string& sid);

    // What the needed folders and every folder above them reach, and what the profile parents
    // reach (gathered on first use).
    const std::set<plugin::FileIdentity>& NeededIdentities() const;
    const std::set<plugin::FileIdentity>& ProfileParentIdentities() const;

private:
    mutable bool identitiesRead_ = false;
    mutable std::set<plugin::FileIdentity> needed_, profileParents_;
};

// True for a drive root, one of the needed folders or a folder above one, or a user profile
// root. The path is compared as it is written (full path, without regard to case or a
// trailing backslash); folders below a needed one are not refused.
bool IsSystemFolder(const std::string& path, const SystemFolders& system);
// The same for what the path reaches, however it is spelled: its final path (junctions,
// symbolic links, mapped and substituted drives resolved) and its identity on the file system
// (which also sees through an administrative share).
bool ReachesSystemFolder(const std::string& path, const SystemFolders& system);

// The full, long form of a path as the file system knows it, without a trailing backslash.
std::string FullFolderPath(const std::string& path);

enum class MaskResult {
    NotAFolder,    // nothing done
    Unchanged,     // the folder already has the name of that style
    Refused,       // a folder Windows needs
    Renamed,
    RenameFailed,
};

// Renames the folder at `path` to the style; `newPath` receives the folder's name afterwards.
// A needed folder is refused any style but "Normal", which always gives a masked one back.
MaskResult MaskFolder(const std::string& path, int style, const SystemFolders& system, std::string& newPath);

} // namespace kelt::hide
