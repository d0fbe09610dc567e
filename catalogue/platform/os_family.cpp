#include "catalogue/platform/os_family.h"

#include <cstring>

#include "catalogue/platform/system_calls.h"

namespace kelt {

int OSFamily = osUnknown;
bool OSIsNTLine = false;

static_assert(sizeof(OSVERSIONINFOA) == 148, "the version record is 148 bytes");

WindowsVersion QueryWindowsVersion()
{
    OSVERSIONINFOA info;
    std::memset(&info, 0, sizeof info);
    info.dwOSVersionInfoSize = 148;
    WindowsVersion version;
    const auto& query = CurrentSystemCalls().GetVersionExA;
    if (!query || !query(&info))
        return version;
    version.ok = true;
    version.platformId = info.dwPlatformId;
    version.major = info.dwMajorVersion;
    version.minor = info.dwMinorVersion;
    version.build = info.dwBuildNumber;
    return version;
}

int FamilyOfVersion(const WindowsVersion& v)
{
    if (!v.ok)
        return osUnknown;
    if (v.platformId == VER_PLATFORM_WIN32_WINDOWS) {
        if (v.major == 4 && v.minor == 0)
            return osWindows95;
        if (v.major == 4 && v.minor == 10)
            return osWindows98;
        if (v.major == 4 && v.minor == 90)
            return osWindowsME;
        return osUnknown;
    }
    if (v.platformId == VER_PLATFORM_WIN32_NT) {
        if (v.major < 5)
            return osWindowsNT;
        if (v.major > 5)
            return osUnknown;
        switch (v.minor) {
        case 0: return osWindows2000;
        case 1: return osWindowsXP;
        case 2: return osWindowsNET;
        default: return osUnknown;
        }
    }
    return osUnknown;
}

int DetectFamily()
{
    return FamilyOfVersion(QueryWindowsVersion());
}

bool IsNTLine(const WindowsVersion& version)
{
    return version.ok && version.platformId == VER_PLATFORM_WIN32_NT;
}

void DetectRunningWindows()
{
    const WindowsVersion version = QueryWindowsVersion();
    OSFamily = FamilyOfVersion(version);
    OSIsNTLine = IsNTLine(version);
}

bool JTOSType::Suits(int family, bool ntLine) const
{
    if (family != osUnknown || !ntLine)
        return Suits(family);
    return iOSType == 0 || (iOSType & kNTLineFamilies) != 0;
}

std::string FamilyName(int family)
{
    switch (family) {
    case osWindows95: return "Windows95";
    case osWindows98: return "Windows98";
    case osWindowsME: return "WindowsME";
    case osWindowsNT: return "WindowsNT";
    case osWindows2000: return "Windows2000";
    case osWindowsXP: return "WindowsXP";
    case osWindowsNET: return "WindowsNET";
    default: return std::string();
    }
}

} // namespace kelt
