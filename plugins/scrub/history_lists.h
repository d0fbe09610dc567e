#pragma once
// The history lists Scrub clears, by tab, and what each row tells about its list.
#include <string>
#include <vector>

namespace kelt::scrub {

struct HistoryList {
    std::string text;   // the row's text, without its entry count
    std::string path;   // full key path with a root prefix ("HKCU\...")
    // The list keeps more lists in sub-keys (one per file extension): those are cleared too.
    bool withSubKeys = false;
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

// Clears one list (every value; the keys stay). True when nothing is left.
bool ClearList(const HistoryList& list);

} // namespace kelt::scrub
