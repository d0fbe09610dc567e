#include "plugins/applets/applet_store.h"

#include <windows.h>

#include "catalogue/platform/registry.h"
#include "ui/files.h"
#include "ui/handles.h"

namespace kelt::applets {

namespace {

const char kSection[] = "don't load";
const char kRegistryKey[] = "Control Panel\\don't load";

std::string WithoutTrailingBackslash(std::string path)
{
    while (path.size() > 3 && path.back() == '\\')
        path.pop_back();
    return path;
}

} // namespace

bool IniValueSuppresses(const std::string& value)
{
    return !value.empty();
}

bool IniAppletStore::FileExists() const
{
    return ui::FileExists(file_);
}

std::vector<bool> IniAppletStore::ReadSuppressed(const std::vector<std::string>& fileNames)
{
    std::vector<bool> suppressed(fileNames.size(), false);
    if (!FileExists())
        return suppressed;
    for (std::size_t i = 0; i < fileNames.size(); ++i) {
        char value[256] = {};
        ::GetPrivateProfileStringA(kSection, fileNames[i].c_str(), "", value, sizeof value, file_.c_str());
        suppressed[i] = IniValueSuppresses(value);
    }
    return suppressed;
}

bool IniAppletStore::Store(const std::vector<AppletEntry>& applets)
{
    if (!FileExists())
        return false;
    bool ok = true;
    for (const AppletEntry& applet : applets) {
        const char* name = applet.fileName.c_str();
        if (applet.suppressed) {
            ok = ::WritePrivateProfileStringA(kSection, name, "no", file_.c_str()) && ok;
            continue;
        }
        // Only an entry that is there is removed; the file is not touched otherwise.
        char value[8] = {};
        ::GetPrivateProfileStringA(kSection, name, "\x7f", value, sizeof value, file_.c_str());
        if (std::string(value) != "\x7f")
            ok = ::WritePrivateProfileStringA(kSection, name, nullptr, file_.c_str()) && ok;
    }
    return ok;
}

std::vector<bool> RegistryAppletStore::ReadSuppressed(const std::vector<std::string>& fileNames)
{
    std::vector<bool> suppressed(fileNames.size(), false);
    TRegistry registry(KEY_READ);
    registry.SetRootKey(HKEY_CURRENT_USER);
    if (!registry.OpenKey(kRegistryKey, false))
        return suppressed;
    for (std::size_t i = 0; i < fileNames.size(); ++i)
        suppressed[i] = registry.ValueExists(fileNames[i]);
    return suppressed;
}

bool RegistryAppletStore::Store(const std::vector<AppletEntry>& applets)
{
    bool anySuppressed = false;
    for (const AppletEntry& applet : applets)
        anySuppressed = anySuppressed || applet.suppressed;
    try {
        TRegistry registry;
        registry.SetRootKey(HKEY_CURRENT_USER);
        // Without anything to suppress a missing key is already the right state.
        if (!registry.OpenKey(kRegistryKey, anySuppressed))
            return !anySuppressed && !registry.KeyExists(kRegistryKey);
        bool ok = true;
        for (const AppletEntry& applet : applets) {
            if (applet.suppressed)
                registry.WriteString(applet.fileName, "No");
            else if (registry.ValueExists(applet.fileName) && !registry.DeleteValue(applet.fileName))
                ok = false;
        }
        return ok;
    } catch (const Error&) {
        return false;
    }
}

const char kMachineDontLoadKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Control Panel\\don't load";

std::vector<bool> MachineSuppressed(const std::vector<std::string>& fileNames, REGSAM view)
{
    std::vector<bool> suppressed(fileNames.size(), false);
    try {
        TRegistry registry(KEY_READ | view);
        registry.SetRootKey(HKEY_LOCAL_MACHINE);
        if (!registry.OpenKey(kMachineDontLoadKey, false))
            return suppressed;
        for (std::size_t i = 0; i < fileNames.size(); ++i)
            suppressed[i] = registry.ValueExists(fileNames[i]);
    } catch (const Error&) {
    }
    return suppressed;
}

std::unique_ptr<AppletStore> StoreForWindows(const WindowsVersion& version, const std::string& windowsFolder)
{
    if (!version.ok)
        return nullptr;
    if (version.platformId == VER_PLATFORM_WIN32_WINDOWS)
        return std::make_unique<IniAppletStore>(windowsFolder + "\\Control.ini");
    if (version.platformId == VER_PLATFORM_WIN32_NT)
        return std::make_unique<RegistryAppletStore>();
    return nullptr;
}

std::vector<std::string> ListApplets(const std::string& folder)
{
    std::vector<std::string> files;
    WIN32_FIND_DATAA found{};
    ui::UniqueFindHandle search(::FindFirstFileA((folder + "\\*.CPL").c_str(), &found));
    if (!search)
        return files;
    do {
        const DWORD skip = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
        if (!(found.dwFileAttributes & skip))
            files.emplace_back(found.cFileName);
    } while (::FindNextFileA(search.get(), &found));
    return files;
}

std::string SystemFolder()
{
    char path[MAX_PATH] = {};
    const UINT length = ::GetSystemDirectoryA(path, MAX_PATH);
    return length && length < MAX_PATH ? WithoutTrailingBackslash(path) : std::string();
}

std::string WindowsFolder()
{
    char path[MAX_PATH] = {};
    const UINT length = ::GetWindowsDirectoryA(path, MAX_PATH);
    return length && length < MAX_PATH ? WithoutTrailingBackslash(path) : std::string();
}

} // namespace kelt::applets
