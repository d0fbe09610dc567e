#include "plugins/scrub/history_lists.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>

#include "catalogue/platform/history_key.h"
#include "catalogue/platform/key_path.h"
#include "catalogue/platform/registry.h"
#include "plugins/common/file_identity.h"
#include "plugins/scrub/jump_lists.h"
#include "ui/files.h"
#include "ui/handles.h"
#include "ui/text.h"

namespace kelt::scrub {

namespace {

const char kExplorer[] = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";

std::vector<HistoryTab> MakeTabs()
{
    const std::string explorer = kExplorer;
    std::vector<HistoryTab> tabs;
    tabs.push_back({"System History",
                    {
                        // Internet Explorer 10 and later keep the time of each typed address beside it.
                        {"Clear Internet Explorer typed URL history",
                         "HKCU\\Software\\Microsoft\\Internet Explorer\\TypedURLs",
                         false,
                         {"HKCU\\Software\\Microsoft\\Internet Explorer\\TypedURLsTime"}},
                        // Explorer keeps the same documents once more per extension (".txt", "Folder" ...).
                        {"Clear Recent document history", explorer + "RecentDocs", true, {}, RecentFiles::History},
                        {"Clear Find document history", explorer + "Doc Find Spec MRU"},
                        {"Clear Find Computer history", explorer + "FindComputerMRU"},
                        {"Clear Cached Command Lines from the Run menu", explorer + "RunMRU"},
                    }});
    tabs.push_back({"Application History",
                    {
                        {"Clear the Recent Play List from Windows Media Player",
                         "HKCU\\Software\\Microsoft\\MediaPlayer\\Player\\RecentFileList"},
                        {"Clear the Netmeeting Call history", "HKCU\\Software\\Microsoft\\Conferencing\\UI\\CallMRU"},
                    }});
    // Lists of Windows Vista and later, as documented publicly:
    // - TypedPaths: url1..url25, the paths typed into Explorer's address bar
    //   (artefacts.help/windows_registry_typedpaths.html);
    // - WordWheelQuery: numbered search terms of Explorer's search box with their MRUListEx
    //   (registryparser.com/en/blog/wordwheelquery-explorer-search);
    // - ComDlg32\OpenSavePidlMRU: files of the Open and Save dialogs, one sub-key per extension
    //   and "*" for all; ComDlg32\LastVisitedPidlMRU: each program with the folder it last used
    //   (artefacts.help/windows_registry_comdlg32.html);
    // - Applets\Paint and Applets\Wordpad "Recent File List": File1.. of the two programs
    //   (forensicswiki, "List of Windows MRU locations").
    tabs.push_back({"Later Windows History",
                    {
                        {"Clear the paths typed into the Explorer address bar", explorer + "TypedPaths"},
                        {"Clear the Explorer search box history", explorer + "WordWheelQuery"},
                        {"Clear the files of the Open and Save dialogs", explorer + "ComDlg32\\OpenSavePidlMRU", true},
                        {"Clear the folders last used by the Open and Save dialogs",
                         explorer + "ComDlg32\\LastVisitedPidlMRU"},
                        {"Clear the Recent File List of Paint",
                         "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Paint\\Recent File List"},
                        {"Clear the Recent File List of WordPad",
                         "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Wordpad\\Recent File List"},
                        // What the user pinned goes only by this choice of its own.
                        {"Clear jump lists and Quick Access, pinned items included", "", false, {},
                         RecentFiles::Pinned, false},
                    }});
    return tabs;
}

bool IsEntry(const std::string& valueName)
{
    return !valueName.empty() && valueName != "MRUList" && valueName != "MRUListEx";
}

// Entries of one key and, with `deep`, the fullest of its sub-keys.
int CountIn(HKEY root, const std::string& subKey, bool deep)
{
    std::vector<std::string> values, keys;
    {
        TRegistry registry(KEY_READ);
        registry.SetRootKey(root);
        if (!registry.OpenKey(subKey, false))
            return 0;
        registry.GetValueNames(values);
        if (deep)
            registry.GetKeyNames(keys);
    }
    int count = static_cast<int>(std::count_if(values.begin(), values.end(), IsEntry));
    for (const std::string& key : keys)
        count = std::max(count, CountIn(root, subKey + "\\" + key, true));
    return count;
}

} // namespace

const std::vector<HistoryTab>& HistoryTabs()
{
    static const std::vector<HistoryTab> tabs = MakeTabs();
    return tabs;
}

std::string RowText(const HistoryList& list, int entries)
{
    return list.text + " (" + std::to_string(entries) + ")";
}

int CountEntries(const HistoryList& list)
{
    int count = 0;
    const KeyPath split = SplitKeyPath(list.path, false);
    if (split.root != rootNone && !split.subKey.empty())
        count = CountIn(RootKeyFromCode(static_cast<int>(split.root)), split.subKey, list.withSubKeys);
    std::string refusal;
    const std::string folder = list.recentFiles == RecentFiles::None ? std::string() : RecentFolder(refusal);
    if (folder.empty() || !refusal.empty())
        return count;
    const std::vector<std::string> files = FilesOf(folder, list.recentFiles);
    if (list.recentFiles == RecentFiles::Pinned)
        return static_cast<int>(files.size());  // the jump lists that go whole
    // The documents the user sees: one shortcut each (the jump lists hold the same again, each
    // at least one).
    const int shortcuts = static_cast<int>(std::count_if(files.begin(), files.end(), [](const std::string& file) {
        return file.size() > 4 && ui::SameNameIgnoringCase(file.substr(file.size() - 4), ".lnk");
    }));
    return std::max({count, shortcuts, static_cast<int>(files.size()) - shortcuts});
}

std::string RecentFolder(std::string& refusal)
{
    refusal.clear();
    // The known folders through the shell's folder query (the registry's copies are not asked:
    // anything may be written there).
    char recent[MAX_PATH] = {}, appData[MAX_PATH] = {};
    if (::SHGetFolderPathA(nullptr, CSIDL_RECENT, nullptr, SHGFP_TYPE_CURRENT, recent) != S_OK || !recent[0])
        return std::string();
    const std::string folder = recent;
    if (!ui::FolderExists(folder))
        return folder;  // nothing in it yet
    // Pointed at the Desktop or a drive root, "every shortcut directly inside" would be the
    // user's own files: only the folder in its own place is Recent's.
    const bool ownPlace = ::SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData) == S_OK &&
                          appData[0] &&
                          plugin::SameFileOrFolder(folder, std::string(appData) + "\\Microsoft\\Windows\\Recent");
    if (plugin::IsLink(folder))
        refusal = "the files of " + folder + " were left alone: the Recent folder is a link to another folder";
    else if (!ownPlace)
        refusal = "the files of " + folder + " were left alone: it is not the Recent folder's own place";
    return folder;
}

std::vector<std::string> FilesOf(const std::string& recentFolder, RecentFiles kind)
{
    std::vector<std::string> files;
    if (recentFolder.empty() || kind == RecentFiles::None)
        return files;
    const std::string automatic = recentFolder + "\\AutomaticDestinations";
    const std::string custom = recentFolder + "\\CustomDestinations";
    const std::pair<std::string, const char*> patterns[] = {
        {recentFolder, "*.lnk"},
        {automatic, "*.automaticDestinations-ms"},
        {custom, "*.customDestinations-ms"},
    };
    for (const auto& pattern : patterns) {
        if (pattern.first != recentFolder && plugin::IsLink(pattern.first))
            continue;  // never followed out of the Recent folder
        WIN32_FIND_DATAA found{};
        ui::UniqueFindHandle search(::FindFirstFileA((pattern.first + "\\" + pattern.second).c_str(), &found));
        if (!search)
            continue;
        do {
            if (found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))
                continue;
            const std::string file = pattern.first + "\\" + found.cFileName;
            bool pinned = false;
            if (pattern.first == custom)
                pinned = true;
            else if (pattern.first == automatic)
                pinned = IsQuickAccessList(found.cFileName) || PinsOf(file) != JumpListPins::None;
            if (pinned == (kind == RecentFiles::Pinned))
                files.push_back(file);
        } while (::FindNextFileA(search.get(), &found));
    }
    return files;
}

bool ClearList(const HistoryList& list, std::string& left)
{
    left.clear();
    bool cleared = list.path.empty() || EraseHistoryKey(list.path, list.withSubKeys);
    for (const std::string& path : list.morePaths)
        cleared = EraseHistoryKey(path, false) && cleared;
    if (list.recentFiles != RecentFiles::None) {
        std::string refusal;
        const std::string folder = RecentFolder(refusal);
        if (!refusal.empty()) {
            left = refusal;
            return false;
        }
        int stayed = 0;
        for (const std::string& file : FilesOf(folder, list.recentFiles)) {
            // A read-only shortcut is still the user's history.
            const DWORD attributes = ::GetFileAttributesA(file.c_str());
            if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
                ::SetFileAttributesA(file.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
            if (!::DeleteFileA(file.c_str()))
                ++stayed;
        }
        if (stayed > 0) {
            cleared = false;
            left = std::to_string(stayed) + (stayed == 1 ? " file" : " files") + " of " + folder + " could not be deleted";
        }
    }
    return cleared;
}

} // namespace kelt::scrub
