#include "plugins/scrub/history_lists.h"

#include <windows.h>

#include <algorithm>

#include "catalogue/platform/history_key.h"
#include "catalogue/platform/key_path.h"
#include "catalogue/platform/registry.h"
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
                        {"Clear Recent document history", explorer + "RecentDocs", true, {}, true},
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
    const KeyPath split = SplitKeyPath(list.path, false);
    if (split.root == rootNone || split.subKey.empty())
        return 0;
    int count = CountIn(RootKeyFromCode(static_cast<int>(split.root)), split.subKey, list.withSubKeys);
    if (list.recentFiles) {
        // The documents the user sees: one shortcut each (the jump lists hold the same again).
        int shortcuts = 0;
        for (const std::string& file : RecentFiles(RecentFolder()))
            if (file.size() > 4 && ui::SameNameIgnoringCase(file.substr(file.size() - 4), ".lnk"))
                ++shortcuts;
        count = std::max(count, shortcuts);
    }
    return count;
}

std::string RecentFolder()
{
    // The folder query of the shell, or of the library that brings it to older systems.
    using FolderPath = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPSTR);
    const int kRecent = 0x0008;
    for (const char* library : {"shell32.dll", "shfolder.dll"}) {
        HMODULE module = ::LoadLibraryA(library);
        if (!module)
            continue;
        auto query = reinterpret_cast<FolderPath>(reinterpret_cast<void*>(::GetProcAddress(module, "SHGetFolderPathA")));
        char path[MAX_PATH] = {};
        const bool found = query && query(nullptr, kRecent, nullptr, 0, path) == S_OK && path[0];
        ::FreeLibrary(module);
        if (found)
            return path;
    }
    try {
        TRegistry registry(KEY_READ);
        registry.SetRootKey(HKEY_CURRENT_USER);
        if (registry.OpenKey("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", false) &&
            registry.GetDataType("Recent") == rdString)
            return registry.ReadString("Recent");
    } catch (const RegistryError&) {
    }
    return std::string();
}

std::vector<std::string> RecentFiles(const std::string& recentFolder)
{
    std::vector<std::string> files;
    if (recentFolder.empty())
        return files;
    const std::pair<std::string, const char*> patterns[] = {
        {recentFolder, "*.lnk"},
        {recentFolder + "\\AutomaticDestinations", "*.automaticDestinations-ms"},
        {recentFolder + "\\CustomDestinations", "*.customDestinations-ms"},
    };
    for (const auto& pattern : patterns) {
        WIN32_FIND_DATAA found{};
        ui::UniqueFindHandle search(::FindFirstFileA((pattern.first + "\\" + pattern.second).c_str(), &found));
        if (!search)
            continue;
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                files.push_back(pattern.first + "\\" + found.cFileName);
        } while (::FindNextFileA(search.get(), &found));
    }
    return files;
}

bool ClearList(const HistoryList& list, std::string& left)
{
    left.clear();
    bool cleared = EraseHistoryKey(list.path, list.withSubKeys);
    for (const std::string& path : list.morePaths)
        cleared = EraseHistoryKey(path, false) && cleared;
    if (list.recentFiles) {
        const std::string folder = RecentFolder();
        int stayed = 0;
        for (const std::string& file : RecentFiles(folder)) {
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
