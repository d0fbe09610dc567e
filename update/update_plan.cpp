#include "update/update_plan.h"

#include "update/file_names.h"
#include "update/version_text.h"

namespace kelt::update {

const char kVersionFile[] = "version.ini";
const char kNamesFile[] = "filenames.ini";
const char kSizesFile[] = "filesize.ini";
const char kHashesFile[] = "filehash.ini";
const char* const kSections[3] = {"Program", "Database", "Plugins"};

namespace {

std::string LowerHex(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'F')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

} // namespace

UpdatePlan CollectEntries(const ServerInfo& server, const IniText& local, const UpdateFolders& folders)
{
    UpdatePlan plan;
    for (const char* section : kSections) {
        for (const std::string& key : server.versions.Keys(section)) {
            const std::string localVersion = local.Get(section, key, "0");
            const std::string serverVersion = server.versions.Get(section, key, "0");
            if (!IsNewerVersion(serverVersion, localVersion))
                continue;
            const std::string name = server.names.Get(section, key, "");
            if (!IsPlainFileName(name)) {
                plan.refused.push_back(RefusedName{section, key, name, "not a plain file name"});
                continue;
            }
            bool taken = false;
            for (const TUpdateItem& e : plan.entries)
                taken = taken || SameFileName(e.fileName, name);
            if (taken) {
                plan.refused.push_back(RefusedName{section, key, name, "listed twice"});
                continue;
            }
            TUpdateItem item;
            item.section = section;
            item.key = key;
            item.fileName = name;
            item.downloadUrl = folders.baseAddress + name;
            item.stagingPath = folders.stagingFolder + name;
            item.installPath = folders.programFolder + (std::string(section) == "Plugins" ? "Plugins\\" : "") + name;
            item.newVersion = serverVersion;
            std::uint64_t size = 0;
            if (ParseUnsigned(server.sizes.Get(section, key, "0"), size))
                item.size = size;
            item.hash = LowerHex(server.hashes.Get(section, key, ""));
            plan.entries.push_back(item);
        }
    }
    return plan;
}

} // namespace kelt::update
