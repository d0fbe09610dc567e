#pragma once
// Which files an update run fetches: the server's information files against the versions
// installed so far. Portable; the run (update_run.h) does the fetching and installing.
#include <cstdint>
#include <string>
#include <vector>

#include "update/ini_text.h"

namespace kelt::update {

// The information files the server publishes beside the files; the fourth is optional.
extern const char kVersionFile[];   // "version.ini"
extern const char kNamesFile[];     // "filenames.ini"
extern const char kSizesFile[];     // "filesize.ini"
extern const char kHashesFile[];    // "filehash.ini"
// Sections in the order entries are collected.
extern const char* const kSections[3];  // "Program", "Database", "Plugins"

// One file to update, in the order found.
struct TUpdateItem {
    std::string section;
    std::string key;
    std::string fileName;
    std::string downloadUrl;   // base address + file name
    std::string stagingPath;   // staging folder + file name
    std::string installPath;   // program folder (+ "Plugins\" for plug-ins) + file name
    std::string newVersion;    // the server's version text
    std::uint64_t size = 0;    // published size; 0 when none is published
    std::string hash;          // published SHA-256, lower-case hex; empty when none
};

// A file the server listed under a name that may not be used.
struct RefusedName {
    std::string section;
    std::string key;
    std::string name;
    std::string reason;
};

struct ServerInfo {
    IniText versions;
    IniText names;
    IniText sizes;
    IniText hashes;
};

struct UpdateFolders {
    std::string programFolder;  // with its trailing backslash
    std::string stagingFolder;  // program folder + "Update\"
    std::string baseAddress;    // ends with "/": file names are appended directly
};

struct UpdatePlan {
    std::vector<TUpdateItem> entries;
    std::vector<RefusedName> refused;
};

// Every key of the server's version file, section by section, whose version sorts above the
// local one (a missing local or server version counts as "0"). Names that are not plain file
// names, or that an earlier entry of the run already uses, are refused instead.
UpdatePlan CollectEntries(const ServerInfo& server, const IniText& local, const UpdateFolders& folders);

} // namespace kelt::update
