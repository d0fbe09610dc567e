#pragma once
// The history lists Scrub clears, by tab, and what each row tells about its list.
#include <string>
#include <utility>
#include <vector>

namespace kelt::scrub {

struct HistoryList {
    HistoryList(std::string rowText, std::string keyPath, bool subKeys = false, std::vector<std::string> more = {},
                bool files = false)
        : text(std::move(rowText)), path(std::move(keyPath)), withSubKeys(subKeys), morePaths(std::move(more)),
          recentFiles(files)
    {
    }

    std::string text;   // the row's text, without its entry count
    std::string path;   // full key path with a root prefix ("HKCU\...")
    // The list keeps more lists in sub-keys (one per file extension): those are cleared too.
    bool withSubKeys = false;
    // Keys that belong to the same list and go with it (the time stamps of typed addresses).
    std::vector<std::string> morePaths;
    // What the user sees of the list are the shortcuts of the Recent folder and, from Windows 7
    // on, the jump lists kept below it: those files go too.
    bool recentFiles = false;
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

// The Recent folder of the current user; empty when the system names none.
std::string RecentFolder();

// The files of the Recent folder that make up the list: its shortcuts, and the jump lists of
// its AutomaticDestinations and CustomDestinations folders.
std::vector<std::string> RecentFiles(const std::string& recentFolder);

} // namespace kelt::scrub
