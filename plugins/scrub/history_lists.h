#pragma once
// The history lists Scrub clears, by tab, and what each row tells about its list.
#include <string>
#include <utility>
#include <vector>

namespace kelt::scrub {

// Files of the Recent folder that belong to a list.
enum class RecentFiles {
    None,
    // The shortcuts of the Recent folder and the jump lists that hold no pinned item.
    History,
    // The jump lists with pinned items (or that cannot be told), Quick Access and the programs'
    // own lists: only when the user chooses to lose the pins too.
    Pinned,
};

struct HistoryList {
    HistoryList(std::string rowText, std::string keyPath, bool subKeys = false, std::vector<std::string> more = {},
                RecentFiles files = RecentFiles::None, bool ticked = true)
        : text(std::move(rowText)), path(std::move(keyPath)), withSubKeys(subKeys), morePaths(std::move(more)),
          recentFiles(files), tickedAtStart(ticked)
    {
    }

    std::string text;   // the row's text, without its entry count
    std::string path;   // full key path with a root prefix ("HKCU\..."); empty: files only
    // The list keeps more lists in sub-keys (one per file extension): those are cleared too.
    bool withSubKeys = false;
    // Keys that belong to the same list and go with it (the time stamps of typed addresses).
    std::vector<std::string> morePaths;
    // What the user sees of the list beside the registry (from Windows 7 on, the jump lists).
    RecentFiles recentFiles = RecentFiles::None;
    // Rows that take what the user chose to keep start unticked.
    bool tickedAtStart = true;
};

struct HistoryTab {
    std::string caption;
    std::vector<HistoryList> lists;
};

// The three tabs in order: "System History", "Application History" and the lists of later
// Windows versions.
const std::vector<HistoryTab>& HistoryTabs();

// "Clear Run history (12)": the row's text with the number of entries its list holds now.
std::string RowText(const HistoryList& list, int entries);

// Entries a list holds now: its values apart from the order markers ("MRUList",
// "MRUListEx") and the unnamed default; for a list with sub-keys, the fullest of the key and
// its sub-keys (Explorer keeps one list of everything beside the per-extension ones).
int CountEntries(const HistoryList& list);

// Clears one list (every value, the keys stay; and its files). True when nothing is left;
// otherwise `left` names what stayed behind when it was more than registry values ("2 files of
// C:\...\Recent").
bool ClearList(const HistoryList& list, std::string& left);

// The Recent folder of the current user; empty when the system names none. Its files are
// touched only when `refusal` comes back empty: the folder must be the user's Recent known
// folder in its own place below the roaming application data, and no link itself. Otherwise
// `refusal` says why its files are left alone.
std::string RecentFolder(std::string& refusal);

// The files of the Recent folder that belong to `kind` (see RecentFiles). Links among them,
// and sub-folders that are links, are never followed nor listed.
std::vector<std::string> FilesOf(const std::string& recentFolder, RecentFiles kind);

} // namespace kelt::scrub
