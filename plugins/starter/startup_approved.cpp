#include "plugins/starter/startup_approved.h"

#include "catalogue/platform/registry.h"
#include "plugins/common/wow64.h"
#include "plugins/starter/start_positions.h"

namespace kelt::starter {

namespace {

constexpr std::size_t kRecordSize = 12;

// The store itself lives in the native view on 64-bit Windows.
REGSAM StoreView()
{
    return plugin::Is64BitWindows() ? KEY_WOW64_64KEY : 0;
}

} // namespace

std::string StartupApprovedPath(int position, bool wow32)
{
    const std::string base = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\";
    if (position == 1)
        return base + (wow32 ? "Run32" : "Run");
    if (position == 6 && !wow32)
        return base + "Run";
    return std::string();
}

ApprovedState StartupApprovedStateOf(const std::string& record)
{
    if (record.empty())
        return ApprovedState::None;
    return (static_cast<unsigned char>(record[0]) & 1) ? ApprovedState::Disabled : ApprovedState::Enabled;
}

std::string StartupApprovedRecord(const std::string& old, bool enabled, const FILETIME& now)
{
    std::string record = old;
    if (record.size() < kRecordSize)
        record.resize(kRecordSize, '\0');
    unsigned char flags = static_cast<unsigned char>(record[0]);
    if (old.empty())
        flags = 2;  // what Windows writes for an entry it has seen
    flags = enabled ? (flags & ~1u) : (flags | 1u);
    record[0] = static_cast<char>(flags);
    const unsigned char* time = reinterpret_cast<const unsigned char*>(&now);
    for (std::size_t i = 0; i < 8; ++i)
        record[4 + i] = enabled ? '\0' : static_cast<char>(time[i]);
    return record;
}

ApprovedState ReadStartupApproved(int position, bool wow32, const std::string& name)
{
    const std::string path = StartupApprovedPath(position, wow32);
    if (path.empty())
        return ApprovedState::None;
    try {
        TRegistry registry(KEY_READ | StoreView());
        registry.SetRootKey(StartPositionRoot(position));
        if (!registry.OpenKey(path, false) || registry.GetDataType(name) != rdBinary)
            return ApprovedState::None;
        return StartupApprovedStateOf(registry.ReadBinaryString(name));
    } catch (const RegistryError&) {
        return ApprovedState::None;
    }
}

bool WriteStartupApproved(int position, bool wow32, const std::string& name, bool enabled)
{
    const std::string path = StartupApprovedPath(position, wow32);
    if (path.empty())
        return false;
    try {
        TRegistry registry(KEY_ALL_ACCESS | StoreView());
        registry.SetRootKey(StartPositionRoot(position));
        if (!registry.OpenKey(path, true))
            return false;
        std::string old;
        if (registry.GetDataType(name) == rdBinary)
            old = registry.ReadBinaryString(name);
        FILETIME now{};
        ::GetSystemTimeAsFileTime(&now);
        registry.WriteBinaryData(name, StartupApprovedRecord(old, enabled, now));
        return true;
    } catch (const RegistryError&) {
        return false;
    }
}

bool RemoveStartupApproved(int position, bool wow32, const std::string& name)
{
    const std::string path = StartupApprovedPath(position, wow32);
    if (path.empty())
        return true;
    TRegistry registry(KEY_ALL_ACCESS | StoreView());
    registry.SetRootKey(StartPositionRoot(position));
    if (!registry.OpenKey(path, false) || !registry.ValueExists(name))
        return true;
    return registry.DeleteValue(name);
}

} // namespace kelt::starter
