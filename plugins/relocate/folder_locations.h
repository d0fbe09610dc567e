#pragma once
// Where Windows keeps the user's folders, read and written without any window: the list of
// system folders and the two single settings (installation files, mail store), each held in a
// JTLocation. Only what the user changed is ever written, and a value keeps its stored type:
// an expandable string stays one, with its leading variable kept where the new path allows.
#include <windows.h>

#include <array>
#include <string>
#include <vector>

#include "catalogue/platform/registry.h"

namespace kelt::relocate {

extern const char kShellFolders[];      // HKCU ...\Explorer\Shell Folders
extern const char kUserShellFolders[];  // HKCU ...\Explorer\User Shell Folders

// A text with its environment variables expanded.
std::string ExpandEnvironment(const std::string& text);

// Writes `path` under `name` of the open key in the type the value has now: an expandable
// string as an expandable string (see ContractPath), anything else as a plain string.
void WriteLocation(TRegistry& key, const std::string& name, const std::string& path);

struct FolderRow {
    std::string name;      // the value name in "Shell Folders" or "User Shell Folders"
    std::string location;  // the location shown (expanded), edited by the user
    std::string loaded;    // the location as it was read
    // "User Shell Folders" has a value of this name: Windows reads the location there, so it
    // can be changed. A name only under "Shell Folders" is a copy Windows keeps for old
    // programs and rewrites itself; such a row is read only.
    bool writable = false;
    // The second value Windows 10 and 11 keep for this folder in "User Shell Folders" (empty
    // when there is none); it is written together with this one.
    std::string twin;
    bool Edited() const;
};

// The rows of the "System Folders" tab.
class SystemFolderList {
public:
    // Every value of "Shell Folders" in the order read, each with the location Windows uses:
    // the expanded "User Shell Folders" value where it has one, else the "Shell Folders" text;
    // then every string value of "User Shell Folders" that "Shell Folders" lacks, in the order
    // read. False (rows unchanged) when "Shell Folders" does not open.
    bool Load();
    const std::vector<FolderRow>& Rows() const { return rows_; }
    // The name shown: a known folder's display name for a known-folder ID, else the value name.
    std::string DisplayName(int row) const;
    // Sets a writable row's location, and its twin's where that is a row too.
    void SetLocation(int row, const std::string& location);
    // Writes every edited writable row, and its twin value where "User Shell Folders" has one;
    // answers how many rows were written. `failed` tells whether a write was refused (the other
    // rows are still written).
    int Save(bool& failed);

private:
    std::vector<FolderRow> rows_;
};

// One single-folder setting.
struct JTLocation {
    HKEY root = nullptr;
    std::string keyPath;
    std::string valueName;
    // The controls that show and name the setting; 0 when the setting is unavailable.
    int editBox = 0;
    int label = 0;
    // The location as read (expanded); empty when unreadable.
    std::string loaded;
    // The registry view the value is read and written in (the 64-bit one for a 32-bit build
    // on 64-bit Windows, where the setting of Windows itself lives).
    REGSAM view = 0;
};

// Index 0: the Windows installation files, index 1: the mail and news store.
class OtherFolders {
public:
    static constexpr int kInstallation = 0;
    static constexpr int kMailStore = 1;

    // `installationEdit`/`installationLabel` and `mailEdit`/`mailLabel` are the controls the two
    // settings get when available. `underWow64`: this library runs in 32 bits on 64-bit Windows.
    void Load(int installationEdit, int installationLabel, int mailEdit, int mailLabel, bool underWow64);
    const JTLocation& Location(int index) const { return locations_[index]; }

    struct SaveResult {
        int written = 0;
        bool failed = false;  // a changed setting could not be written
    };
    // Writes each available setting whose text differs from what was read.
    SaveResult Save(const std::array<std::string, 2>& texts);

private:
    void Read(JTLocation& location);
    std::array<JTLocation, 2> locations_{};
};

} // namespace kelt::relocate
