#include "plugins/relocate/folder_locations.h"

#include <algorithm>

#include "plugins/common/wow64.h"
#include "plugins/relocate/location_text.h"
#include "ui/text.h"

namespace kelt::relocate {

const char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char kUserShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

namespace {

const char kSetupKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Setup";
const char kStoreRoot[] = "Store Root";

std::string Variable(const std::string& name)
{
    const DWORD size = ::GetEnvironmentVariableA(name.c_str(), nullptr, 0);
    if (size == 0)
        return {};
    std::string value(size, '\0');
    const DWORD length = ::GetEnvironmentVariableA(name.c_str(), &value[0], size);
    value.resize(length < size ? length : 0);
    return value;
}

// The shown form of a value: plain strings as read, expandable ones expanded; anything else
// (or nothing) is no location.
bool ReadLocation(TRegistry& key, const std::string& name, std::string& location)
{
    TRegDataInfo info;
    if (!key.GetDataInfo(name, info))
        return false;
    if (info.RegData == rdString) {
        location = key.ReadString(name);
        return true;
    }
    if (info.RegData == rdExpandString) {
        location = ExpandEnvironment(key.ReadString(name));
        return true;
    }
    return false;
}

} // namespace

std::string ExpandEnvironment(const std::string& text)
{
    const DWORD size = ::ExpandEnvironmentStringsA(text.c_str(), nullptr, 0);
    if (size == 0)
        return text;
    std::string expanded(size, '\0');
    const DWORD used = ::ExpandEnvironmentStringsA(text.c_str(), &expanded[0], size);
    if (used == 0 || used > size)
        return text;
    expanded.resize(used - 1);
    return expanded;
}

void WriteLocation(TRegistry& key, const std::string& name, const std::string& path)
{
    if (key.GetDataType(name) == rdExpandString)
        key.WriteExpandString(name, ContractPath(path, key.ReadString(name), Variable));
    else
        key.WriteString(name, path);
}

bool FolderRow::Edited() const
{
    return !SamePath(location, loaded);
}

bool SystemFolderList::Load()
{
    std::vector<std::string> names;
    std::vector<FolderRow> rows;
    {
        TRegistry shell(KEY_READ);
        shell.SetRootKey(HKEY_CURRENT_USER);
        if (!shell.OpenKey(kShellFolders, false))
            return false;
        shell.GetValueNames(names);
        for (const std::string& name : names) {
            FolderRow row;
            row.name = name;
            try {
                ReadLocation(shell, name, row.location);
            } catch (const Error&) {
                row.location.clear();
            }
            rows.push_back(row);
        }
    }
    TRegistry user(KEY_READ);
    user.SetRootKey(HKEY_CURRENT_USER);
    if (user.OpenKey(kUserShellFolders, false)) {
        // Windows 10 and 11 keep several folders only here (the second values of Documents,
        // Pictures ..., Downloads by its ID): each string value is a row too, after the others.
        std::vector<std::string> userNames;
        user.GetValueNames(userNames);
        for (const std::string& name : userNames) {
            const bool listed = std::any_of(rows.begin(), rows.end(), [&](const FolderRow& row) {
                return ui::SameNameIgnoringCase(row.name, name);
            });
            try {
                const TRegDataType type = user.GetDataType(name);
                if (!listed && (type == rdString || type == rdExpandString)) {
                    FolderRow row;
                    row.name = name;
                    rows.push_back(row);
                }
            } catch (const Error&) {
                // Gone since it was listed.
            }
        }
        for (FolderRow& row : rows) {
            row.writable = user.ValueExists(row.name);
            const std::string twin = TwinValueName(row.name);
            if (!twin.empty() && user.ValueExists(twin))
                row.twin = twin;
            try {
                std::string location;
                if (ReadLocation(user, row.name, location) && !location.empty())
                    row.location = location;
            } catch (const Error&) {
                // Keep what "Shell Folders" said.
            }
        }
    }
    for (FolderRow& row : rows)
        row.loaded = row.location;
    rows_ = std::move(rows);
    return true;
}

std::string SystemFolderList::DisplayName(int row) const
{
    const std::string& name = rows_.at(row).name;
    const std::string known = KnownFolderName(name);
    return known.empty() ? name : known;
}

void SystemFolderList::SetLocation(int row, const std::string& location)
{
    FolderRow& changed = rows_.at(row);
    if (!changed.writable)
        return;
    changed.location = location;
    for (FolderRow& other : rows_)
        if (other.writable && !changed.twin.empty() && SamePath(other.name, changed.twin))
            other.location = location;
}

int SystemFolderList::Save(bool& failed)
{
    failed = false;
    TRegistry user;
    user.SetRootKey(HKEY_CURRENT_USER);
    if (!user.OpenKey(kUserShellFolders, false)) {
        // There but not ours to change: the edits cannot be saved.
        TRegistry probe(KEY_READ);
        probe.SetRootKey(HKEY_CURRENT_USER);
        failed = probe.KeyExists(kUserShellFolders);
        return 0;
    }
    int written = 0;
    for (const FolderRow& row : rows_) {
        if (!row.writable || !row.Edited())
            continue;
        if (!user.ValueExists(row.name)) {
            failed = true;  // gone since it was read: the edit cannot be kept
            continue;
        }
        try {
            WriteLocation(user, row.name, row.location);
            // The pair must agree, or parts of the shell keep the old folder.
            if (!row.twin.empty() && user.ValueExists(row.twin))
                WriteLocation(user, row.twin, row.location);
            ++written;
        } catch (const Error&) {
            failed = true;
        }
    }
    return written;
}

void OtherFolders::Load(int installationEdit, int installationLabel, int mailEdit, int mailLabel, bool underWow64)
{
    JTLocation& setup = locations_[kInstallation];
    setup = JTLocation{};
    setup.root = HKEY_LOCAL_MACHINE;
    setup.keyPath = kSetupKey;
    setup.valueName = "SourcePath";
    setup.editBox = installationEdit;
    setup.label = installationLabel;
    // The setup key is one of those WOW64 keeps twice; Windows' own is the 64-bit one.
    setup.view = plugin::NativeRegistryView(underWow64);

    JTLocation& mail = locations_[kMailStore];
    mail = JTLocation{};
    mail.root = HKEY_CURRENT_USER;
    {
        TRegistry registry(KEY_READ);
        registry.SetRootKey(HKEY_CURRENT_USER);
        std::vector<std::string> identities;
        if (registry.OpenKey("Identities", false))
            registry.GetKeyNames(identities);
        // The first identity in the order Windows lists them; without any, the key of the
        // mail client itself. Never the whole of HKEY_CURRENT_USER.
        if (!identities.empty())
            mail.keyPath = "Identities\\" + identities.front() + "\\Software\\Microsoft\\Outlook Express\\5.0";
        else if (registry.OpenKey("Software\\Microsoft\\Outlook Express", false))
            mail.keyPath = "Software\\Microsoft\\Outlook Express";
        if (!mail.keyPath.empty() && registry.OpenKey(mail.keyPath, false) && registry.ValueExists(kStoreRoot)) {
            mail.valueName = kStoreRoot;
            mail.editBox = mailEdit;
            mail.label = mailLabel;
        }
    }

    for (JTLocation& location : locations_)
        Read(location);
}

void OtherFolders::Read(JTLocation& location)
{
    location.loaded.clear();
    if (!location.editBox || !location.label)
        return;
    try {
        TRegistry registry(KEY_READ | location.view);
        registry.SetRootKey(location.root);
        if (!registry.OpenKey(location.keyPath, false))
            return;
        ReadLocation(registry, location.valueName, location.loaded);
    } catch (const Error&) {
        location.loaded.clear();
    }
}

OtherFolders::SaveResult OtherFolders::Save(const std::array<std::string, 2>& texts)
{
    SaveResult result;
    for (std::size_t index = 0; index < locations_.size(); ++index) {
        JTLocation& location = locations_[index];
        if (!location.editBox || SamePath(texts[index], location.loaded))
            continue;
        try {
            TRegistry registry(KEY_ALL_ACCESS | location.view);
            registry.SetRootKey(location.root);
            if (!registry.OpenKey(location.keyPath, false)) {
                // A key that is there but may not be changed is a failure; a missing one is not
                // ours to create.
                TRegistry probe(KEY_READ | location.view);
                probe.SetRootKey(location.root);
                if (probe.KeyExists(location.keyPath))
                    result.failed = true;
                continue;
            }
            WriteLocation(registry, location.valueName, texts[index]);
            ++result.written;
        } catch (const Error&) {
            result.failed = true;
        }
    }
    for (JTLocation& location : locations_)
        Read(location);
    return result;
}

} // namespace kelt::relocate
