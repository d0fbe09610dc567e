// The folders Windows needs under their own names, gathered from every place the running
// Windows keeps them: its own folder queries, the environment, the shell-folder values of the
// registry, the known folders (Vista and later) and the older folder IDs. Each source is asked
// only where the system has it; the functions of later Windows are looked up by name.
#include <windows.h>

#include <string>
#include <vector>

#include "catalogue/platform/registry.h"
#include "plugins/hide/folder_mask.h"
#include "ui/text.h"

namespace kelt::hide {

namespace {

const char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char kUserShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

// Only a full path names a folder; values such as "!Do not use this registry key" do not.
bool IsFullPath(const std::string& path)
{
    return (path.size() >= 3 && path[1] == ':' && path[2] == '\\') ||
           (path.size() > 2 && path[0] == '\\' && path[1] == '\\');
}

std::string Expand(const std::string& text)
{
    char buffer[MAX_PATH * 2] = {};
    const DWORD n = ::ExpandEnvironmentStringsA(text.c_str(), buffer, sizeof buffer);
    return n > 0 && n <= sizeof buffer ? std::string(buffer) : text;
}

void AddFolder(std::vector<std::string>& list, const std::string& folder)
{
    if (IsFullPath(folder))
        list.push_back(FullFolderPath(folder));
}

// Room for a path of MAX_PATH characters in UTF-8.
std::string FromSystem(UINT(WINAPI* query)(LPSTR, UINT))
{
    char buffer[MAX_PATH * 3] = {};
    const UINT n = query(buffer, sizeof buffer);
    return n > 0 && n < sizeof buffer ? std::string(buffer, n) : std::string();
}

std::string FromEnvironment(const char* name)
{
    char buffer[MAX_PATH * 3] = {};
    const DWORD n = ::GetEnvironmentVariableA(name, buffer, sizeof buffer);
    return n > 0 && n < sizeof buffer ? std::string(buffer, n) : std::string();
}

std::string Narrow(const wchar_t* text)
{
    const int size = ::WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1)
        return std::string();
    std::string result(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, text, -1, &result[0], size, nullptr, nullptr);
    result.resize(static_cast<std::size_t>(size) - 1);
    return result;
}

// Every string value of a key that holds a full path (expandable ones expanded; with a
// `profile`, %USERPROFILE% stands for that folder rather than for this process's user's).
void AddValuesOf(std::vector<std::string>& list, HKEY root, const std::string& path, REGSAM view = 0,
                 const std::string& profile = std::string())
{
    try {
        TRegistry registry(KEY_READ | view);
        registry.SetRootKey(root);
        if (!registry.OpenKey(path, false))
            return;
        std::vector<std::string> names;
        registry.GetValueNames(names);
        for (const std::string& name : names) {
            const TRegDataType type = registry.GetDataType(name);
            if (type == rdString) {
                AddFolder(list, registry.ReadString(name));
            } else if (type == rdExpandString) {
                std::string text = registry.ReadString(name);
                const std::string variable = "%USERPROFILE%";
                if (!profile.empty() && text.size() >= variable.size() &&
                    ui::SameNameIgnoringCase(text.substr(0, variable.size()), variable))
                    text = profile + text.substr(variable.size());
                AddFolder(list, Expand(text));
            }
        }
    } catch (const RegistryError&) {
        // What cannot be read adds nothing.
    }
}

const char kProfileList[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";

// The profile folder of a user of the machine, by the text form of the user's SID; empty when
// the machine lists none.
std::string ProfileOf(const std::string& sid)
{
    try {
        TRegistry registry(KEY_READ);
        registry.SetRootKey(HKEY_LOCAL_MACHINE);
        if (!registry.OpenKey(std::string(kProfileList) + "\\" + sid, false))
            return std::string();
        const TRegDataType type = registry.GetDataType("ProfileImagePath");
        if (type == rdString || type == rdExpandString)
            return Expand(registry.ReadString("ProfileImagePath"));
    } catch (const RegistryError&) {
    }
    return std::string();
}

// Profile roots of every user of the machine.
void AddProfiles(std::vector<std::string>& list)
{
    const char* profiles = kProfileList;
    std::vector<std::string> users;
    try {
        TRegistry registry(KEY_READ);
        registry.SetRootKey(HKEY_LOCAL_MACHINE);
        if (!registry.OpenKey(profiles, false))
            return;
        registry.GetKeyNames(users);
    } catch (const RegistryError&) {
        return;
    }
    for (const std::string& user : users)
        AddFolder(list, ProfileOf(user));
}

// The known folders of Vista and later that hold the user's and the machine's files.
const GUID kKnownFolders[] = {
    {0xB4BFCC3A, 0xDB2C, 0x424C, {0xB0, 0x29, 0x7F, 0xE9, 0x9A, 0x87, 0xC6, 0x41}},  // Desktop
    {0xFDD39AD0, 0x238F, 0x46AF, {0xAD, 0xB4, 0x6C, 0x85, 0x48, 0x03, 0x69, 0xC7}},  // Documents
    {0x374DE290, 0x123F, 0x4565, {0x91, 0x64, 0x39, 0xC4, 0x92, 0x5E, 0x46, 0x7B}},  // Downloads
    {0x4BD8D571, 0x6D19, 0x48D3, {0xBE, 0x97, 0x42, 0x22, 0x20, 0x08, 0x0E, 0x43}},  // Music
    {0x33E28130, 0x4E1E, 0x4676, {0x83, 0x5A, 0x98, 0x39, 0x5C, 0x3B, 0xC3, 0xBB}},  // Pictures
    {0x18989B1D, 0x99B5, 0x455B, {0x84, 0x1C, 0xAB, 0x7C, 0x74, 0xE4, 0xDD, 0xFC}},  // Videos
    {0x3EB685DB, 0x65F9, 0x4CF6, {0xA0, 0x3A, 0xE3, 0xEF, 0x65, 0x72, 0x9F, 0x3D}},  // RoamingAppData
    {0xF1B32785, 0x6FBA, 0x4FCF, {0x9D, 0x55, 0x7B, 0x8E, 0x7F, 0x15, 0x70, 0x91}},  // LocalAppData
    {0xA520A1A4, 0x1780, 0x4FF6, {0xBD, 0x18, 0x16, 0x73, 0x43, 0xC5, 0xAF, 0x16}},  // LocalAppDataLow
    {0x625B53C3, 0xAB48, 0x4EC1, {0xBA, 0x1F, 0xA1, 0xEF, 0x41, 0x46, 0xFC, 0x19}},  // StartMenu
    {0xA77F5D77, 0x2E2B, 0x44C3, {0xA6, 0xA2, 0xAB, 0xA6, 0x01, 0x05, 0x4A, 0x51}},  // Programs
    {0xB97D20BB, 0xF46A, 0x4C97, {0xBA, 0x10, 0x5E, 0x36, 0x08, 0x43, 0x08, 0x54}},  // Startup
    {0x1777F761, 0x68AD, 0x4D8A, {0x87, 0xBD, 0x30, 0xB7, 0x59, 0xFA, 0x33, 0xDD}},  // Favorites
    {0xAE50C081, 0xEBD2, 0x438A, {0x86, 0x55, 0x8A, 0x09, 0x2E, 0x34, 0x98, 0x7A}},  // Recent
    {0x8983036C, 0x27C0, 0x404B, {0x8F, 0x08, 0x10, 0x2D, 0x10, 0xDC, 0xFD, 0x74}},  // SendTo
    {0xA63293E8, 0x664E, 0x48DB, {0xA0, 0x79, 0xDF, 0x75, 0x9E, 0x05, 0x09, 0xF7}},  // Templates
    {0x5E6C858F, 0x0E22, 0x4760, {0x9A, 0xFE, 0xEA, 0x33, 0x17, 0xB6, 0x71, 0x73}},  // Profile
    {0x905E63B6, 0xC1BF, 0x494E, {0xB2, 0x9C, 0x65, 0xB7, 0x32, 0xD3, 0xD2, 0x1A}},  // ProgramFiles
    {0x7C5A40EF, 0xA0FB, 0x4BFC, {0x87, 0x4A, 0xC0, 0xF2, 0xE0, 0xB9, 0xFA, 0x8E}},  // ProgramFilesX86
    {0x6D809377, 0x6AF0, 0x444B, {0x89, 0x57, 0xA3, 0x77, 0x3F, 0x02, 0x20, 0x0E}},  // ProgramFilesX64
    {0xF7F1ED05, 0x9F6D, 0x47A2, {0xAA, 0xAE, 0x29, 0xD3, 0x17, 0xC6, 0xF0, 0x66}},  // ProgramFilesCommon
    {0xDE974D24, 0xD9C6, 0x4D3E, {0xBF, 0x91, 0xF4, 0x45, 0x51, 0x20, 0xB9, 0x17}},  // ProgramFilesCommonX86
    {0x6365D5A7, 0x0F0D, 0x45E5, {0x87, 0xF6, 0x0D, 0xA5, 0x6B, 0x6A, 0x4F, 0x7D}},  // ProgramFilesCommonX64
    {0x62AB5D82, 0xFDC1, 0x4DC3, {0xA9, 0xDD, 0x07, 0x0D, 0x1D, 0x49, 0x5D, 0x97}},  // ProgramData
    {0xDFDF76A2, 0xC82A, 0x4D63, {0x90, 0x6A, 0x56, 0x44, 0xAC, 0x45, 0x73, 0x85}},  // Public
    {0xC4AA340D, 0xF20F, 0x4863, {0xAF, 0xEF, 0xF8, 0x7E, 0xF2, 0xE6, 0xBA, 0x25}},  // PublicDesktop
    {0xED4824AF, 0xDCE4, 0x45A8, {0x81, 0xE2, 0xFC, 0x79, 0x65, 0x08, 0x36, 0x34}},  // PublicDocuments
    {0xA4115719, 0xD62E, 0x491D, {0xAA, 0x7C, 0xE7, 0x4B, 0x8B, 0xE3, 0xB0, 0x67}},  // CommonStartMenu
    {0x0139D44E, 0x6AFE, 0x49F2, {0x86, 0x90, 0x3D, 0xAF, 0xCA, 0xE6, 0xFF, 0xB8}},  // CommonPrograms
    {0x82A5EA35, 0xD9CD, 0x47C5, {0x96, 0x29, 0xE1, 0x5D, 0x2F, 0x71, 0x4E, 0x6E}},  // CommonStartup
    {0xFD228CB7, 0xAE11, 0x4AE3, {0x86, 0x4C, 0x16, 0xF3, 0x91, 0x0A, 0xB8, 0xFE}},  // Fonts
    {0x4C5C32FF, 0xBB9D, 0x43B0, {0xB5, 0xB4, 0x2D, 0x72, 0xE5, 0x4E, 0xAA, 0xA4}},  // SavedGames
    {0xBFB9D5E0, 0xC6A9, 0x404C, {0xB2, 0xB2, 0xAE, 0x6D, 0xB6, 0xAF, 0x49, 0x68}},  // Links
    {0x56784854, 0xC6CB, 0x462B, {0x81, 0x69, 0x88, 0xE3, 0x50, 0xAC, 0xB8, 0x82}},  // Contacts
    {0x7D1D3A04, 0xDEBB, 0x4115, {0x95, 0xCF, 0x2F, 0x29, 0xDA, 0x29, 0x20, 0xDA}},  // Searches
    {0xA52BBA46, 0xE9E1, 0x435F, {0xB3, 0xD9, 0x28, 0xDA, 0xA6, 0x48, 0xC0, 0xF6}},  // OneDrive
    {0x0762D272, 0xC50A, 0x4BB0, {0xA3, 0x82, 0x69, 0x7D, 0xCD, 0x72, 0x9B, 0x80}},  // UserProfiles
    {0xF42EE2D3, 0x909F, 0x4907, {0x88, 0x71, 0x4C, 0x22, 0xFC, 0x0B, 0xF7, 0x56}},  // LocalDocuments
    {0x0DDD015D, 0xB06C, 0x45D5, {0x8C, 0x4C, 0xF5, 0x97, 0x13, 0x85, 0x46, 0x39}},  // LocalPictures
    {0xA0C69A99, 0x21C8, 0x4671, {0x87, 0x03, 0x79, 0x34, 0x16, 0x2F, 0xCF, 0x1D}},  // LocalMusic
    {0x35286A68, 0x3C57, 0x41A1, {0xBB, 0xB1, 0x0E, 0xAE, 0x73, 0xD7, 0x6C, 0x95}},  // LocalVideos
    {0x7D83EE9B, 0x2244, 0x4E70, {0xB1, 0xF5, 0x53, 0x93, 0x04, 0x2A, 0xF1, 0xE4}},  // LocalDownloads
};

void AddKnownFolders(std::vector<std::string>& list)
{
    using KnownFolderPath = HRESULT(WINAPI*)(const GUID&, DWORD, HANDLE, PWSTR*);
    using TaskMemFree = void(WINAPI*)(void*);
    HMODULE shell = ::GetModuleHandleA("shell32.dll");
    HMODULE ole = ::LoadLibraryA("ole32.dll");
    auto query = shell ? reinterpret_cast<KnownFolderPath>(
                             reinterpret_cast<void*>(::GetProcAddress(shell, "SHGetKnownFolderPath")))
                       : nullptr;
    auto release = ole ? reinterpret_cast<TaskMemFree>(reinterpret_cast<void*>(::GetProcAddress(ole, "CoTaskMemFree")))
                       : nullptr;
    if (query && release) {
        const DWORD kDontVerify = 0x4000;  // the path even where the folder is not made yet
        for (const GUID& id : kKnownFolders) {
            PWSTR path = nullptr;
            if (SUCCEEDED(query(id, kDontVerify, nullptr, &path)) && path)
                AddFolder(list, Narrow(path));
            if (path)
                release(path);
        }
    }
    if (ole)
        ::FreeLibrary(ole);
}

// The older folder IDs, through the shell or, on systems whose shell lacks the query, the
// redistributable library that brings it.
void AddFolderIds(std::vector<std::string>& list)
{
    using FolderPath = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPSTR);
    const int kIds[] = {
        0x0010, 0x0005, 0x001A, 0x001C, 0x000B, 0x0002, 0x0007, 0x0006, 0x0008, 0x0009, 0x0015, 0x0027,
        0x000D, 0x000E, 0x0026, 0x002B, 0x002A, 0x002C, 0x0023, 0x0019, 0x002E, 0x0016, 0x0017, 0x0018,
        0x0014, 0x0028, 0x0024, 0x0025, 0x0021, 0x0022, 0x0020, 0x0013, 0x001B, 0x0030, 0x003B, 0x0035,
        0x0036, 0x0037,
    };
    for (const char* library : {"shell32.dll", "shfolder.dll"}) {
        HMODULE module = ::LoadLibraryA(library);
        if (!module)
            continue;
        auto query = reinterpret_cast<FolderPath>(reinterpret_cast<void*>(::GetProcAddress(module, "SHGetFolderPathA")));
        if (query)
            for (int id : kIds) {
                char path[MAX_PATH] = {};
                if (query(nullptr, id, nullptr, 0, path) == S_OK)
                    AddFolder(list, path);
            }
        ::FreeLibrary(module);
        if (query)
            return;
    }
}

// The text form of a SID; empty when it cannot be written.
std::string SidText(PSID sid)
{
    using ToText = BOOL(WINAPI*)(PSID, LPSTR*);
    HMODULE advapi = ::GetModuleHandleA("advapi32.dll");
    auto convert = advapi ? reinterpret_cast<ToText>(
                                reinterpret_cast<void*>(::GetProcAddress(advapi, "ConvertSidToStringSidA")))
                          : nullptr;
    LPSTR text = nullptr;
    if (!convert || !convert(sid, &text) || !text)
        return std::string();
    std::string result = text;
    ::LocalFree(text);
    return result;
}

// The SID of the user this process runs as.
std::string ProcessUser()
{
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token))
        return std::string();
    std::string sid;
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<char> buffer(size);
    if (size && ::GetTokenInformation(token, TokenUser, buffer.data(), size, &size))
        sid = SidText(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid);
    ::CloseHandle(token);
    return sid;
}

// The SID of the user signed in at this desktop session. It differs from the process's user
// when an administrator's rights were raised for a standard user (the administrator's name
// and password typed at the prompt): the program then runs as the administrator, but the
// folders in use at the desktop are the standard user's.
std::string SessionUser()
{
    using Query = BOOL(WINAPI*)(HANDLE, DWORD, int, LPSTR*, DWORD*);
    using Free = void(WINAPI*)(PVOID);
    HMODULE wts = ::LoadLibraryA("wtsapi32.dll");
    if (!wts)
        return std::string();
    auto query = reinterpret_cast<Query>(reinterpret_cast<void*>(::GetProcAddress(wts, "WTSQuerySessionInformationA")));
    auto release = reinterpret_cast<Free>(reinterpret_cast<void*>(::GetProcAddress(wts, "WTSFreeMemory")));
    const DWORD kCurrentSession = static_cast<DWORD>(-1);
    const int kUserName = 5, kDomainName = 7;
    std::string account;
    for (int what : {kDomainName, kUserName}) {
        LPSTR text = nullptr;
        DWORD size = 0;
        if (!query || !release || !query(nullptr, kCurrentSession, what, &text, &size) || !text) {
            account.clear();
            break;
        }
        account += text;
        if (what == kDomainName)
            account += "\\";
        release(text);
    }
    ::FreeLibrary(wts);
    if (account.empty() || account.back() == '\\')
        return std::string();
    DWORD sidSize = 0, domainSize = 0;
    SID_NAME_USE use;
    ::LookupAccountNameA(nullptr, account.c_str(), nullptr, &sidSize, nullptr, &domainSize, &use);
    std::vector<char> sid(sidSize), domain(domainSize + 1);
    if (!sidSize || !::LookupAccountNameA(nullptr, account.c_str(), sid.data(), &sidSize, domain.data(), &domainSize,
                                          &use))
        return std::string();
    return SidText(sid.data());
}

} // namespace

void SystemFolders::AddFoldersOfUser(const std::string& sid)
{
    const std::string profile = ProfileOf(sid);
    if (profile.empty())
        return;
    AddFolder(folders, profile);
    for (const char* key : {kShellFolders, kUserShellFolders})
        AddValuesOf(folders, HKEY_USERS, sid + "\\" + key, 0, profile);
}

SystemFolders SystemFolders::Current()
{
    SystemFolders system;
    std::vector<std::string>& folders = system.folders;
    AddFolder(folders, FromSystem(::GetWindowsDirectoryA));
    AddFolder(folders, FromSystem(::GetSystemDirectoryA));
    // Looked up by name: older systems lack them.
    HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
    using FolderQuery = UINT(WINAPI*)(LPSTR, UINT);
    for (const char* name : {"GetSystemWindowsDirectoryA", "GetSystemWow64DirectoryA"})
        if (auto query = reinterpret_cast<FolderQuery>(reinterpret_cast<void*>(::GetProcAddress(kernel, name))))
            AddFolder(folders, FromSystem(query));
    for (const char* name : {"USERPROFILE", "ALLUSERSPROFILE", "PUBLIC", "ProgramFiles", "ProgramFiles(x86)",
                             "ProgramW6432", "CommonProgramFiles", "CommonProgramFiles(x86)", "CommonProgramW6432",
                             "ProgramData", "APPDATA", "LOCALAPPDATA"})
        AddFolder(folders, FromEnvironment(name));

    // The shell-folder values of the user and of the machine, and where programs are installed.
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})
        for (const char* key : {kShellFolders, kUserShellFolders})
            AddValuesOf(folders, root, key);
    for (REGSAM view : {REGSAM(0), REGSAM(KEY_WOW64_64KEY), REGSAM(KEY_WOW64_32KEY)}) {
        // The two views exist on 64-bit Windows only; elsewhere the flags may be refused.
        if (view != 0 && !::GetProcAddress(kernel, "IsWow64Process"))
            continue;
        AddValuesOf(folders, HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", view);
    }
    AddProfiles(folders);
    AddKnownFolders(folders);
    AddFolderIds(folders);
    const std::string desktopUser = SessionUser();
    if (!desktopUser.empty() && desktopUser != ProcessUser())
        system.AddFoldersOfUser(desktopUser);

    using ProfilesQuery = BOOL(WINAPI*)(LPSTR, LPDWORD);
    if (HMODULE userenv = ::LoadLibraryA("userenv.dll")) {
        if (auto query = reinterpret_cast<ProfilesQuery>(
                reinterpret_cast<void*>(::GetProcAddress(userenv, "GetProfilesDirectoryA")))) {
            char buffer[MAX_PATH * 3] = {};
            DWORD size = sizeof buffer;
            if (query(buffer, &size)) {
                AddFolder(folders, buffer);
                AddFolder(system.profileParents, buffer);
            }
        }
        ::FreeLibrary(userenv);
    }
    // Where no profiles folder is reported, the parent of the user's own profile holds them.
    const std::string profile = FromEnvironment("USERPROFILE");
    if (system.profileParents.empty() && IsFullPath(profile)) {
        const std::string full = FullFolderPath(profile);
        const std::size_t slash = full.find_last_of('\\');
        if (slash != std::string::npos && slash > 2)
            AddFolder(system.profileParents, full.substr(0, slash));
    }
    return system;
}

} // namespace kelt::hide
