#include "plugins/hide/folder_mask.h"

#include <windows.h>

#include <cstdlib>

#include "ui/files.h"
#include "ui/text.h"

namespace kelt::hide {

namespace {

struct MaskStyle {
    const char* name;
    const char* id;
};

const MaskStyle kStyles[kMaskStyleCount] = {
    {"Normal", ""},
    {"Control Panel", "{21EC2020-3AEA-1069-A2DD-08002B30309D}"},
    {"Printer", "{2227A280-3AEA-1069-A2DE-08002B30309D}"},
    {"Task", "{D6277990-4C6A-11CF-8D87-00AA0060F5BF}"},
    {"Recycle Bin", "{645FF040-5081-101B-9F08-00AA002F954E}"},
    {"Web", "{25336920-03F9-11CF-8FD0-00AA00686F13}"},
    {"IE Explorer", "{871C5380-42A0-1069-A2EA-08002B30309D}"},
    {"Network Neighbor ", "{208D2C60-3AEA-1069-A2D7-08002B30309D}"},
    {"Dial", "{992CFFA0-F557-101A-88EC-00DD010CCC48}"},
};

std::string WithoutTrailingBackslash(std::string path)
{
    while (path.size() > 1 && path.back() == '\\' && !(path.size() == 3 && path[1] == ':'))
        path.pop_back();
    return path;
}

bool IsRoot(const std::string& path)
{
    if (path.size() <= 3 && path.size() >= 2 && path[1] == ':')
        return path.size() == 2 || path[2] == '\\';
    // \\server\share
    if (path.size() > 2 && path[0] == '\\' && path[1] == '\\') {
        const std::size_t server = path.find('\\', 2);
        return server != std::string::npos && path.find('\\', server + 1) == std::string::npos;
    }
    return false;
}

std::string ParentOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? std::string() : WithoutTrailingBackslash(path.substr(0, slash + 1));
}

} // namespace

std::string FullFolderPath(const std::string& path)
{
    // Room for a path of MAX_PATH characters in UTF-8.
    char full[MAX_PATH * 3] = {};
    const DWORD n = ::GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    std::string result = n > 0 && n < sizeof full ? std::string(full, n) : path;
    char longName[MAX_PATH * 3] = {};
    const DWORD m = ::GetLongPathNameA(result.c_str(), longName, sizeof longName);
    if (m > 0 && m < sizeof longName)
        result.assign(longName, m);
    return WithoutTrailingBackslash(result);
}

const char* MaskStyleName(int style)
{
    return style >= 0 && style < kMaskStyleCount ? kStyles[style].name : "";
}

const char* MaskStyleId(int style)
{
    return style >= 0 && style < kMaskStyleCount ? kStyles[style].id : "";
}

int MaskStyleOfName(const std::string& path)
{
    const std::size_t dot = path.find_last_of('.');
    const std::string suffix = dot == std::string::npos ? path : path.substr(dot + 1);
    for (int style = 0; style < kMaskStyleCount; ++style)
        if (ui::SameNameIgnoringCase(suffix, kStyles[style].id))
            return style;
    return -1;
}

int MaskStyleOfFolder(const std::string& path)
{
    return ui::FolderExists(path) ? MaskStyleOfName(path) : -1;
}

std::string MaskedFolderName(const std::string& path, int style)
{
    std::string name = path;
    if (MaskStyleOfName(path) > 0)
        name.erase(name.find_last_of('.'));
    if (style > 0 && style < kMaskStyleCount)
        name += std::string(".") + kStyles[style].id;
    return name;
}

bool IsSystemFolder(const std::string& path, const SystemFolders& system)
{
    const std::string folder = WithoutTrailingBackslash(path);
    if (IsRoot(folder))
        return true;
    // A needed folder itself, or any folder above it: renaming either loses it.
    for (const std::string& needed : system.folders) {
        const std::string below = WithoutTrailingBackslash(needed);
        if (ui::SameNameIgnoringCase(folder, below))
            return true;
        if (below.size() > folder.size() && below[folder.size()] == '\\' &&
            ui::SameNameIgnoringCase(folder, below.substr(0, folder.size())))
            return true;
    }
    const std::string parent = ParentOf(folder);
    for (const std::string& profiles : system.profileParents)
        if (ui::SameNameIgnoringCase(parent, WithoutTrailingBackslash(profiles)))
            return true;
    return false;
}

const std::set<plugin::FileIdentity>& SystemFolders::NeededIdentities() const
{
    if (!identitiesRead_) {
        identitiesRead_ = true;
        // Each needed folder and every folder above it up to its root, each path asked once.
        std::set<std::string> paths;
        for (const std::string& needed : folders)
            for (std::string folder = WithoutTrailingBackslash(needed); !folder.empty(); folder = ParentOf(folder))
                if (!paths.insert(folder).second || IsRoot(folder))
                    break;  // the folders above are in already, or there are none
        for (const std::string& path : paths) {
            plugin::FileIdentity identity;
            if (plugin::IdentityOf(path, identity))
                needed_.insert(identity);
        }
        for (const std::string& parent : profileParents) {
            plugin::FileIdentity identity;
            if (plugin::IdentityOf(parent, identity))
                profileParents_.insert(identity);
        }
    }
    return needed_;
}

const std::set<plugin::FileIdentity>& SystemFolders::ProfileParentIdentities() const
{
    NeededIdentities();
    return profileParents_;
}

bool ReachesSystemFolder(const std::string& path, const SystemFolders& system)
{
    const std::string final = plugin::FinalPathOf(path);
    if (!final.empty() && (IsSystemFolder(final, system) || IsSystemFolder(MaskedFolderName(final, 0), system)))
        return true;
    plugin::FileIdentity identity, parent;
    if (plugin::IdentityOf(path, identity) && system.NeededIdentities().count(identity))
        return true;
    const std::string above = ParentOf(WithoutTrailingBackslash(path));
    return !above.empty() && plugin::IdentityOf(above, parent) && system.ProfileParentIdentities().count(parent);
}

MaskResult MaskFolder(const std::string& path, int style, const SystemFolders& system, std::string& newPath)
{
    const std::string folder = WithoutTrailingBackslash(path);
    newPath = path;
    if (folder.empty() || !ui::FolderExists(folder))
        return MaskResult::NotAFolder;
    const std::string target = MaskedFolderName(folder, style);
    if (target == folder)
        return MaskResult::Unchanged;
    // Judge the folder by its plain name, so a masked system folder cannot be masked again, and
    // by what it is, not how it was reached; taking a mask off is always allowed, it gives
    // Windows its folder back.
    const std::string full = FullFolderPath(folder);
    if (style != 0 && (IsSystemFolder(full, system) || IsSystemFolder(MaskedFolderName(full, 0), system) ||
                       ReachesSystemFolder(full, system)))
        return MaskResult::Refused;
    if (!::MoveFileA(folder.c_str(), target.c_str()))
        return MaskResult::RenameFailed;
    newPath = target;
    return MaskResult::Renamed;
}

} // namespace kelt::hide
