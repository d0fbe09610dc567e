#include "plugins/scrub/history_lists.h"

#include <windows.h>

#include <algorithm>

#include "catalogue/platform/history_key.h"
#include "catalogue/platform/key_path.h"
#include "catalogue/platform/registry.h"

namespace kelt::scrub {

namespace {

const char kExplorer[] = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";

std::vector<HistoryTab> MakeTabs()
{
    const std::string explorer = kExplorer;
    std::vector<HistoryTab> tabs;
    tabs.push_back({"System History",
                    {
                        {"Clear Internet Explorer typed URL history",
                         "HKCU\\Software\\Microsoft\\Internet Explorer\\TypedURLs"},
                        // Explorer keeps the same documents once more per extension (".txt", "Folder" ...).
                        {"Clear Recent document history", explorer + "RecentDocs", true},
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
    return CountIn(RootKeyFromCode(static_cast<int>(split.root)), split.subKey, list.withSubKeys);
}

bool ClearList(const HistoryList& list)
{
    return EraseHistoryKey(list.path, list.withSubKeys);
}

} // namespace kelt::scrub
