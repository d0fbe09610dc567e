#include "plugins/starter/start_positions.h"

#include "plugins/common/wow64.h"

namespace kelt::starter {

namespace {

struct PositionInfo {
    const char* path;
    const char* shortName;
};

const PositionInfo kPositions[kStartPositionCount] = {
    {"Software\\Microsoft\\Windows\\CurrentVersion\\Run", "Run"},
    {"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce", "RunOnce"},
    {"Software\\Microsoft\\Windows\\CurrentVersion\\RunServices", "RunServices"},
    {"Software\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnce", "RunServicesOnce"},
    {"Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\Userinit", "Userinit"},
    {"Software\\Microsoft\\Windows\\CurrentVersion\\Run", "Run"},
    {"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce", "RunOnce"},
    {"Software\\Microsoft\\Windows\\CurrentVersion\\RunServices", "RunServices"},
    {"Software\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnce", "RunServicesOnce"},
    {"Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows", "Windows"},
};

bool InRange(int position)
{
    return position >= 1 && position <= kStartPositionCount;
}

bool PerUser(int position)
{
    return position >= 6 && position <= 10;
}

} // namespace

HKEY StartPositionRoot(int position)
{
    return PerUser(position) ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

std::string StartPositionPath(int position)
{
    return InRange(position) ? kPositions[position - 1].path : "";
}

std::string StartPositionKey(int position, bool enabled)
{
    return StartPositionPath(position) + (enabled ? "" : "-");
}

std::string StartPositionText(int position)
{
    return std::string(PerUser(position) ? "HKCU\\" : "HKLM\\") + StartPositionPath(position);
}

std::string StartPositionPlace(int position, bool wow32)
{
    if (!InRange(position))
        return std::string();
    std::string place = std::string(PerUser(position) ? "HKCU " : "HKLM ") + kPositions[position - 1].shortName;
    if (wow32)
        place += " (32-bit)";
    return place;
}

bool StartPositionListed(int position)
{
    return position >= 1 && position <= 9;
}

bool StartPositionHasViews(int position)
{
    return position >= 1 && position <= 5;
}

std::string StartEntryRefusal(const std::string& name, int position, const std::string& command,
                              bool windows95Line)
{
    if (name.empty())
        return "Please input the name of the AutoRun program first: an empty name would overwrite the key's "
               "default value.";
    if (!InRange(position))
        return "Please choose the position of the AutoRun program first.";
    if (position == 5)
        return "Userinit is a value, not a key: a program written below it never runs. Please choose another "
               "position.";
    if (position == 10)
        return "Windows runs only the \"load\" and \"run\" values of this key: a program written there never "
               "runs. Please choose another position.";
    // Only Windows 95, 98 and Me start the programs of RunServices and RunServicesOnce, and
    // only from the machine-wide keys.
    if (position == 8 || position == 9)
        return "No Windows runs the programs of the current user's RunServices and RunServicesOnce keys: a "
               "program written there never runs. Please choose another position.";
    if ((position == 3 || position == 4) && !windows95Line)
        return "Windows of the NT line (NT, 2000, XP and every later Windows) never runs the programs of "
               "RunServices and RunServicesOnce: a program written there never runs. Please choose another "
               "position.";
    if (command.empty())
        return "Please input the command of the AutoRun program first.";
    return std::string();
}

REGSAM StartPositionView(int position, bool wow32)
{
    if (!plugin::Is64BitWindows() || !StartPositionHasViews(position))
        return 0;
    return wow32 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
}

} // namespace kelt::starter
