#include "plugins/relocate/location_text.h"

#include <cctype>

namespace kelt::relocate {

namespace {

char Lower(char c)
{
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

bool EqualNoCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    return true;
}

std::string WithoutTrailingBackslashes(std::string path)
{
    while (!path.empty() && path.back() == '\\')
        path.pop_back();
    return path;
}

} // namespace

bool SamePath(const std::string& a, const std::string& b)
{
    return EqualNoCase(WithoutTrailingBackslashes(a), WithoutTrailingBackslashes(b));
}

std::string ContractPath(const std::string& path, const std::string& stored,
                         const std::function<std::string(const std::string&)>& lookup)
{
    if (stored.size() < 3 || stored[0] != '%')
        return path;
    const std::size_t close = stored.find('%', 1);
    if (close == std::string::npos || close == 1)
        return path;
    const std::string variable = stored.substr(1, close - 1);
    const std::string value = WithoutTrailingBackslashes(lookup ? lookup(variable) : std::string());
    if (value.empty() || path.size() < value.size() || !EqualNoCase(path.substr(0, value.size()), value))
        return path;
    // Only a whole folder of the variable's path counts: "C:\Users\Bob2" is not inside "C:\Users\Bob".
    if (path.size() > value.size() && path[value.size()] != '\\')
        return path;
    return "%" + variable + "%" + path.substr(value.size());
}

std::string KnownFolderName(const std::string& valueName)
{
    // Known folders of the user that Windows Vista and later name by ID in "User Shell
    // Folders" and "Shell Folders"; IDs and display names as the KNOWNFOLDERID reference gives them.
    struct Entry {
        const char* id;
        const char* name;
    };
    static const Entry kFolders[] = {
        {"{374DE290-123F-4565-9164-39C4925E467B}", "Downloads"},
        {"{4C5C32FF-BB9D-43B0-B5B4-2D72E54EAAA4}", "Saved Games"},
        {"{56784854-C6CB-462B-8169-88E350ACB882}", "Contacts"},
        {"{7D1D3A04-DEBB-4115-95CF-2F29DA2920DA}", "Searches"},
        {"{A520A1A4-1780-4FF6-BD18-167343C5AF16}", "LocalLow"},
        {"{BFB9D5E0-C6A9-404C-B2B2-AE6DB6AF4968}", "Links"},
        {"{31C0DD25-9439-4F12-BF41-7FF4EDA38722}", "3D Objects"},
        {"{B7BEDE81-DF94-4682-A7D8-57A52620B86F}", "Screenshots"},
        {"{AB5FB87B-7CE2-4F83-915D-550846C9537B}", "Camera Roll"},
        {"{3B193882-D3AD-4EAB-965A-69829D1FB59F}", "Saved Pictures"},
        {"{008CA0B1-55B4-4C56-B8A8-4DE4B299D3BE}", "Account Pictures"},
        {"{FDD39AD0-238F-46AF-ADB4-6C85480369C7}", "Documents"},
        {"{B4BFCC3A-DB2C-424C-B029-7FE99A87C641}", "Desktop"},
        {"{33E28130-4E1E-4676-835A-98395C3BC3BB}", "Pictures"},
        {"{4BD8D571-6D19-48D3-BE97-422220080E43}", "Music"},
        {"{18989B1D-99B5-455B-841C-AB7C74E4DDFC}", "Videos"},
        {"{1777F761-68AD-4D8A-87BD-30B759FA33DD}", "Favorites"},
        // The second values of Windows 10 and 11 (see TwinValueName).
        {"{F42EE2D3-909F-4907-8871-4C22FC0BF756}", "Local Documents"},
        {"{0DDD015D-B06C-45D5-8C4C-F59713854639}", "Local Pictures"},
        {"{A0C69A99-21C8-4671-8703-7934162FCF1D}", "Local Music"},
        {"{35286A68-3C57-41A1-BBB1-0EAE73D76C95}", "Local Videos"},
        {"{7D83EE9B-2244-4E70-B1F5-5393042AF1E4}", "Local Downloads"},
    };
    for (const Entry& entry : kFolders)
        if (EqualNoCase(valueName, entry.id))
            return entry.name;
    return {};
}

std::string TwinValueName(const std::string& valueName)
{
    static const char* const kPairs[][2] = {
        {"Personal", "{F42EE2D3-909F-4907-8871-4C22FC0BF756}"},
        {"My Pictures", "{0DDD015D-B06C-45D5-8C4C-F59713854639}"},
        {"My Music", "{A0C69A99-21C8-4671-8703-7934162FCF1D}"},
        {"My Video", "{35286A68-3C57-41A1-BBB1-0EAE73D76C95}"},
        {"{374DE290-123F-4565-9164-39C4925E467B}", "{7D83EE9B-2244-4E70-B1F5-5393042AF1E4}"},
    };
    for (const auto& pair : kPairs) {
        if (EqualNoCase(valueName, pair[0]))
            return pair[1];
        if (EqualNoCase(valueName, pair[1]))
            return pair[0];
    }
    return {};
}

bool IsDriveRoot(const std::string& path)
{
    const std::string trimmed = WithoutTrailingBackslashes(path);
    if (trimmed.size() == 2 && trimmed[1] == ':' && std::isalpha(static_cast<unsigned char>(trimmed[0])))
        return true;
    if (trimmed.size() > 2 && trimmed[0] == '\\' && trimmed[1] == '\\') {
        const std::size_t server = trimmed.find('\\', 2);
        return server != std::string::npos && server + 1 < trimmed.size() &&
               trimmed.find('\\', server + 1) == std::string::npos;
    }
    return false;
}

} // namespace kelt::relocate
