#pragma once
// Which files an update run fetches: the server's information files against the versions
// installed so far. Portable; the run (update_run.h) does the fetching and installing.
#include <cstdint>
#include <string>
#include <vector>

#include "update/ini_text.h"

namespace kelt::update {

// The information files the server publishes beside the files (and its signature, update.sig).
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
    std::string rawVersion;    // the same as written in the server's version.ini (quotes kept)
    std::uint64_t size = 0;    // published size
    std::string hash;          // published SHA-256, lower-case hex
};

// A newer file the server listed that may not be installed: a name that may not be used, or
// a size or SHA-256 that is missing or malformed.
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

// Names the update information and the deployment's setting use; never a published file's.
bool IsUpdateInformationName(const std::string& name);

// Every key of the server's version file, section by section, whose version sorts above the
// local one (a missing local or server version counts as "0"). Refused instead: names that are
// not plain file names or are the update information's own, names an earlier key of the
// release lists as well (in any case, newer or not), and entries without a whole-number size and
// a 64-digit SHA-256.
UpdatePlan CollectEntries(const ServerInfo& server, const IniText& local, const UpdateFolders& folders);

} // namespace kelt::update
