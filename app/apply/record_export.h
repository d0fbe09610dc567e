#pragma once
// Writing the two exports of a record file, for the restore/redo dialog and the command line
// alike: a registry file, and Group Policy registry items in one file for the user part of a
// policy object and one for its computer part.
#include <string>
#include <vector>

namespace kelt {

struct JTRecord;

struct JTExportedFile {
    std::string path;
    std::string target;  // where it goes: "" for a registry file, else the policy editor's node
    int items = 0;
};

struct JTExportReport {
    std::vector<JTExportedFile> files;  // what was written, in order
    std::vector<std::string> leftOut;   // "description: reason" of rows no file states
};

// Writes the registry file `path` for the rows in that direction (old values or new ones).
// A file that cannot be written raises an error naming it.
JTExportReport ExportRegFile(const std::vector<const JTRecord*>& rows, bool oldValues, const std::string& path);

// Writes the Group Policy items beside `path`: "<name>-User.xml" for the HKEY_CURRENT_USER rows
// and "<name>-Computer.xml" for the others, each only when it has rows. Items carry the time
// the record file `recordPath` was last written, so one record always exports the same bytes.
JTExportReport ExportGppFiles(const std::vector<const JTRecord*>& rows, bool oldValues, const std::string& path,
                              const std::string& recordPath);

// The file of one side: "<path without extension>-User.xml" / "-Computer.xml".
std::string GppSideFile(const std::string& path, bool userSide);

} // namespace kelt
