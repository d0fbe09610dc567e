#include "update/update_plan.h"

#include <unordered_map>

#include "update/file_names.h"
#include "update/release_record.h"
#include "update/server_setting.h"
#include "update/signature_format.h"
#include "update/version_text.h"

namespace kelt::update {

const char kVersionFile[] = "version.ini";
const char kNamesFile[] = "filenames.ini";
const char kSizesFile[] = "filesize.ini";
const char kHashesFile[] = "filehash.ini";
const char* const kSections[3] = {"Program", "Database", "Plugins"};

namespace {

std::string LowerAscii(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

bool IsSha256Text(const std::string& text)
{
    return text.size() == 64 && text.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos;
}

} // namespace

bool IsUpdateInformationName(const std::string& name)
{
    for (const char* reserved : {kVersionFile, kNamesFile, kSizesFile, kHashesFile, kSignatureFile, kReleaseFile, kSettingsFile})
        if (SameFileName(name, reserved))
            return true;
    return false;
}

UpdatePlan CollectEntries(const ServerInfo& server, const IniText& local, const UpdateFolders& folders)
{
    // Every name the release lists, newer or not, with the key that lists it first: one file may
    // be listed once only, whatever the case of its letters (the staging folder is one folder
    // for all sections).
    std::unordered_map<std::string, std::string> firstListing;  // lower-case name -> section and key
    for (const char* section : kSections)
        for (const std::string& key : server.versions.Keys(section))
            firstListing.emplace(LowerAscii(server.names.Get(section, key, "")), std::string(section) + "\n" + key);
    UpdatePlan plan;
    for (const char* section : kSections) {
        for (const std::string& key : server.versions.Keys(section)) {
            const std::string localVersion = local.Get(section, key, "0");
            const std::string serverVersion = server.versions.Get(section, key, "0");
            if (!IsNewerVersion(serverVersion, localVersion))
                continue;
            const std::string name = server.names.Get(section, key, "");
            auto refuse = [&](const char* reason) { plan.refused.push_back(RefusedName{section, key, name, reason}); };
            if (!IsPlainFileName(name)) {
                refuse("not a plain file name");
                continue;
            }
            if (IsUpdateInformationName(name)) {
                refuse("a name of the update information");
                continue;
            }
            if (firstListing[LowerAscii(name)] != std::string(section) + "\n" + key) {
                refuse("listed twice");
                continue;
            }
            // Without both checks nothing could show that the download is the published file.
            std::uint64_t size = 0;
            if (!server.sizes.Has(section, key)) {
                refuse("no published size");
                continue;
            }
            if (!ParseUnsigned(server.sizes.Get(section, key, ""), size)) {
                refuse("the published size is not a number");
                continue;
            }
            const std::string hash = server.hashes.Get(section, key, "");
            if (!server.hashes.Has(section, key)) {
                refuse("no published SHA-256");
                continue;
            }
            if (!IsSha256Text(hash)) {
                refuse("the published SHA-256 is not 64 hex digits");
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
            item.rawVersion = server.versions.GetRaw(section, key, "0");
            item.size = size;
            item.hash = LowerAscii(hash);
            plan.entries.push_back(item);
        }
    }
    return plan;
}

} // namespace kelt::update
