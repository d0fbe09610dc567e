#pragma once
// The drive policies of Explorer: a 32-bit mask per value, bit n standing for drive letter
// 'A' + n. NoDrives hides the drives from My Computer; NoViewOnDrive refuses to open them.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace kelt::hide {

// Under HKEY_CURRENT_USER.
extern const char kExplorerPolicyKey[];
extern const char kNoDrivesValue[];
extern const char kNoViewOnDriveValue[];

// One drive policy value. Many machines (and many guides) store it as 4 binary bytes rather
// than as a DWORD; both read as the same mask, and a write keeps the type that was there.
class JTDriveMask {
public:
    explicit JTDriveMask(std::string valueName);

    const std::string& ValueName() const { return valueName_; }
    // Reads the value: a missing key or value is the mask 0. False when the value is there but
    // holds no mask (another type, or binary data of another length); it must not be written
    // over then.
    bool Read();
    unsigned Mask() const { return mask_; }
    bool StoredAsBinary() const { return binary_; }
    // Writes the mask, creating the key when it is missing, in the type the last Read found
    // (a DWORD for a new value). False when the registry refused.
    bool Write(unsigned mask);

private:
    std::string valueName_;
    unsigned mask_ = 0;
    bool binary_ = false;
};

// A drive the window lists: its root ("C:\") and its bit.
struct DriveEntry {
    std::string root;
    unsigned bit = 0;
};

// The drive type of a root, as GetDriveTypeA answers it.
using DriveTypeQuery = std::function<UINT(const std::string& root)>;

// Removable, fixed and CD-ROM drives, sorted by letter; network drives, RAM disks and letters
// without a root are left out. Without a query the system is asked.
std::vector<DriveEntry> ListDrives(const DriveTypeQuery& driveType = DriveTypeQuery());

// The mask to store: the bits of the listed letters are replaced by `hidden`; the bits of
// letters the window does not list stay as they were.
unsigned MergeDriveMask(unsigned old, unsigned listed, unsigned hidden);

} // namespace kelt::hide
