#include "plugins/hide/masked_record.h"

#include <windows.h>

#include <algorithm>

#include "catalogue/platform/registry.h"
#include "plugins/hide/folder_mask.h"
#include "ui/files.h"
#include "ui/text.h"

namespace kelt::hide {

const char kMaskedFoldersKey[] = "Software\\Dorvane\\Keltrix 0.8\\Hide\\Masked Folders";

namespace {

bool Exists(const std::string& path)
{
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The drive or share the path lies on can be reached now.
bool VolumeThere(const std::string& path)
{
    if (path.size() >= 3 && path[1] == ':')
        return ::GetDriveTypeA(path.substr(0, 3).c_str()) > DRIVE_NO_ROOT_DIR;
    return false;  // a share that does not answer may come back
}

} // namespace

std::vector<MaskedFolder> ReadMaskedFolders()
{
    std::vector<MaskedFolder> folders;
    std::vector<std::string> stale;
    try {
        TRegistry registry(KEY_READ);
        registry.SetRootKey(HKEY_CURRENT_USER);
        if (!registry.OpenKey(kMaskedFoldersKey, false))
            return folders;
        std::vector<std::string> names;
        registry.GetValueNames(names);
        for (const std::string& plain : names) {
            if (registry.GetDataType(plain) != rdString)
                continue;
            MaskedFolder folder{plain, registry.ReadString(plain), 0};
            folder.style = MaskStyleOfName(folder.masked);
            if (folder.style > 0 && ui::FolderExists(folder.masked))
                folders.push_back(folder);
            else if (VolumeThere(folder.masked) && (!Exists(folder.masked) || folder.style <= 0))
                stale.push_back(plain);
        }
    } catch (const RegistryError&) {
        return folders;
    }
    std::sort(folders.begin(), folders.end(), [](const MaskedFolder& a, const MaskedFolder& b) {
        return ui::CompareNamesIgnoringCase(a.plain, b.plain) < 0;
    });
    if (!stale.empty()) {
        TRegistry registry;
        registry.SetRootKey(HKEY_CURRENT_USER);
        if (registry.OpenKey(kMaskedFoldersKey, false))
            for (const std::string& plain : stale)
                registry.DeleteValue(plain);
    }
    return folders;
}

std::vector<MaskedFolder> UnmaskRecordedFolders()
{
    std::vector<MaskedFolder> kept;
    for (const MaskedFolder& folder : ReadMaskedFolders()) {
        std::string renamed;
        if (MaskFolder(folder.masked, 0, SystemFolders{}, renamed) == MaskResult::Renamed)
            RecordMaskedFolder(renamed);
        else
            kept.push_back(folder);
    }
    return kept;
}

bool RecordMaskedFolder(const std::string& newPath)
{
    const std::string full = FullFolderPath(newPath);
    const int style = MaskStyleOfName(full);
    const std::string plain = MaskedFolderName(full, 0);
    try {
        TRegistry registry;
        registry.SetRootKey(HKEY_CURRENT_USER);
        if (style > 0) {
            if (!registry.OpenKey(kMaskedFoldersKey, true))
                return false;
            registry.WriteString(plain, full);
            return true;
        }
        if (!registry.OpenKey(kMaskedFoldersKey, false) || !registry.ValueExists(plain))
            return true;
        return registry.DeleteValue(plain);
    } catch (const RegistryError&) {
        return false;
    }
}

} // namespace kelt::hide
