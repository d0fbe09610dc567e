#include "catalogue/platform/os_family.h"

#include <cstring>

#include "catalogue/platform/system_calls.h"

namespace kelt {

int OSFamily = osUnknown;
bool OSIsNTLine = false;

static_assert(sizeof(OSVERSIONINFOA) == 148, "the version record is 148 bytes");

namespace {

// The answer of either query, which share these fields.
template <typename Info>
WindowsVersion VersionOf(const Info& info)
{
    WindowsVersion version;
    version.ok = true;
    version.platformId = info.dwPlatformId;
    version.major = info.dwMajorVersion;
    version.minor = info.dwMinorVersion;
    version.build = info.dwBuildNumber;
    return version;
}

} // namespace

WindowsVersion QueryWindowsVersion()
{
    // The version query answers 6.2 to a program whose manifest does not name the running
    // Windows; RtlGetVersion always tells the truth.
    if (const auto& trueQuery = CurrentSystemCalls().RtlGetVersion) {
        RTL_OSVERSIONINFOW info;
        std::memset(&info, 0, sizeof info);
        info.dwOSVersionInfoSize = sizeof info;
        if (trueQuery(&info) == 0)
            return VersionOf(info);
    }
    OSVERSIONINFOA info;
    std::memset(&info, 0, sizeof info);
    info.dwOSVersionInfoSize = 148;
    const auto& query = CurrentSystemCalls().GetVersionExA;
    if (!query || !query(&info))
        return WindowsVersion{};
    return VersionOf(info);
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
        if (v.major == 5) {
            switch (v.minor) {
            case 0: return osWindows2000;
            case 1: return osWindowsXP;
            case 2: return osWindowsNET;
            default: return osUnknown;
            }
        }
        if (v.major == 6) {
            switch (v.minor) {
            case 0: return osWindowsVista;
            case 1: return osWindows7;
            case 2:
            case 3: return osWindows8;
            default: return osWindows10;  // the previews of 10 called themselves 6.4
            }
        }
        if (v.major == 10 && v.minor == 0 && v.build < kWindows11Build)
            return osWindows10;
        return osWindows11;  // 11, and whatever NT-line Windows comes after it
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
    const bool modernFamily = (family & kModernFamilies) != 0;
    if (modernFamily || (family == osUnknown && ntLine)) {
        // Negative masks are sign-extended bytes of older tables: the older rule holds.
        const bool listsModern = iOSType > 0 && (iOSType & (kModernFamilies | kMaskListsModern)) != 0;
        if (modernFamily && listsModern)
            return (iOSType & family) != 0;
        return iOSType == 0 || (iOSType & kNTLineFamilies) != 0;
    }
    return static_cast<signed char>(family) == (family & iOSType);
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
    case osWindowsVista: return "WindowsVista";
    case osWindows7: return "Windows7";
    case osWindows8: return "Windows8";
    case osWindows10: return "Windows10";
    case osWindows11: return "Windows11";
    default: return std::string();
    }
}

} // namespace kelt
