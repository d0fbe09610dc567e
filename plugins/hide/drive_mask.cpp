#include "plugins/hide/drive_mask.h"

#include "catalogue/platform/registry.h"

namespace kelt::hide {

const char kExplorerPolicyKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
const char kNoDrivesValue[] = "NoDrives";
const char kNoViewOnDriveValue[] = "NoViewOnDrive";

JTDriveMask::JTDriveMask(std::string valueName) : valueName_(std::move(valueName)) {}

bool JTDriveMask::Read()
{
    mask_ = 0;
    binary_ = false;
    try {
        TRegistry registry(KEY_READ);
        registry.SetRootKey(HKEY_CURRENT_USER);
        if (!registry.OpenKey(kExplorerPolicyKey, false) || !registry.ValueExists(valueName_))
            return true;
        switch (registry.GetDataType(valueName_)) {
        case rdInteger:
            mask_ = static_cast<unsigned>(registry.ReadInteger(valueName_));
            return true;
        case rdBinary: {
            const std::string bytes = registry.ReadBinaryString(valueName_);
            if (bytes.size() != 4)
                return false;
            for (int i = 3; i >= 0; --i)
                mask_ = (mask_ << 8) | static_cast<unsigned char>(bytes[static_cast<std::size_t>(i)]);
            binary_ = true;
            return true;
        }
        default: return false;
        }
    } catch (const RegistryError&) {
        mask_ = 0;
        return false;
    }
}

bool JTDriveMask::Write(unsigned mask)
{
    try {
        TRegistry registry;
        registry.SetRootKey(HKEY_CURRENT_USER);
        if (!registry.OpenKey(kExplorerPolicyKey, true))
            return false;
        if (binary_) {
            const char bytes[4] = {static_cast<char>(mask & 0xFF), static_cast<char>((mask >> 8) & 0xFF),
                                   static_cast<char>((mask >> 16) & 0xFF), static_cast<char>((mask >> 24) & 0xFF)};
            registry.WriteBinaryData(valueName_, bytes, 4);
        } else {
            registry.WriteInteger(valueName_, static_cast<int>(mask));
        }
        mask_ = mask;
        return true;
    } catch (const RegistryError&) {
        return false;
    }
}

std::vector<DriveEntry> ListDrives(const DriveTypeQuery& driveType)
{
    std::vector<DriveEntry> drives;
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        const std::string root = std::string(1, letter) + ":\\";
        const UINT type = driveType ? driveType(root) : ::GetDriveTypeA(root.c_str());
        if (type == DRIVE_REMOVABLE || type == DRIVE_FIXED || type == DRIVE_CDROM)
            drives.push_back(DriveEntry{root, 1u << (letter - 'A')});
    }
    return drives;
}

unsigned MergeDriveMask(unsigned old, unsigned listed, unsigned hidden)
{
    return (old & ~listed) | (hidden & listed);
}

} // namespace kelt::hide
