#pragma once
// Where Windows keeps the Control Panel applets it does not load, and the applet files of
// the system folder.
//
// The Windows 95 line reads the section "don't load" of Control.ini in the Windows folder;
// the NT line (every version, servers and later Windows included) reads the values of
// HKEY_CURRENT_USER\Control Panel\don't load. Both name the applet by its file name.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "catalogue/platform/os_family.h"

namespace kelt::applets {

struct AppletEntry {
    std::string fileName;
    bool suppressed = false;
};

class AppletStore {
public:
    virtual ~AppletStore() = default;
    // For each file name, whether the store says it is not loaded. An unreadable store
    // suppresses nothing.
    virtual std::vector<bool> ReadSuppressed(const std::vector<std::string>& fileNames) = 0;
    // Writes an entry for every suppressed applet and removes the entry of every shown one;
    // entries of files not listed stay. True when everything was stored.
    virtual bool Store(const std::vector<AppletEntry>& applets) = 0;
};

// Section "don't load" of an ini file, entries "<file>=no". The file is never created: without
// it reading suppresses nothing and storing fails.
class IniAppletStore : public AppletStore {
public:
    explicit IniAppletStore(std::string iniFile) : file_(std::move(iniFile)) {}
    std::vector<bool> ReadSuppressed(const std::vector<std::string>& fileNames) override;
    bool Store(const std::vector<AppletEntry>& applets) override;
    const std::string& File() const { return file_; }

private:
    bool FileExists() const;
    std::string file_;
};

// String values "<file>"="No" of HKEY_CURRENT_USER\Control Panel\don't load; any value of
// the applet's name counts, whatever its data or type.
class RegistryAppletStore : public AppletStore {
public:
    std::vector<bool> ReadSuppressed(const std::vector<std::string>& fileNames) override;
    bool Store(const std::vector<AppletEntry>& applets) override;
};

// The machine-wide list of the NT line (kMachineDontLoadKey under HKEY_LOCAL_MACHINE): any
// value of an applet's name hides it for every user, whatever the user's own list says. Read
// only; `view` selects the registry view.
extern const char kMachineDontLoadKey[];
std::vector<bool> MachineSuppressed(const std::vector<std::string>& fileNames, REGSAM view);

// Any non-empty ini value suppresses the applet, whatever its case ("no", "No", "NO" ...).
bool IniValueSuppresses(const std::string& value);

// The store of a Windows version: the ini file (`windowsFolder` + "\Control.ini") on the
// Windows 95 line, the registry on the NT line, none when the version is unknown.
std::unique_ptr<AppletStore> StoreForWindows(const WindowsVersion& version, const std::string& windowsFolder);

// The applet files (*.CPL) of a folder in the order the search returns them: plain files only,
// hidden and system files left out. Empty when the search fails.
std::vector<std::string> ListApplets(const std::string& folder);

// The system and Windows folders, without a trailing backslash.
std::string SystemFolder();
std::string WindowsFolder();

} // namespace kelt::applets
