#pragma once
// Group Policy Preferences registry items (the XML the Registry preference node of the Group
// Policy Management Editor holds) that set what replaying record rows in one direction sets,
// so an administrator can push a run to a whole fleet. One item per row: action Update with
// the value, or Delete where the replay deletes the value; hive, key, name and type as the row
// has them.
#include <string>
#include <vector>

namespace kelt {

struct JTRecord;

// The part of a Group Policy object that applies a row: HKEY_CURRENT_USER rows belong to its
// user part, rows of the other roots to its computer part.
enum class JTGppSide { User, Computer };
JTGppSide GppSideOf(const JTRecord& row);

struct JTGppExport {
    std::string xml;                   // the whole file, UTF-8, CR LF line ends
    int rowCount = 0;                  // items written into it
    std::vector<std::string> leftOut;  // "description: reason" of rows that cannot be stated
    std::vector<std::size_t> leftOutRows;  // their places among the rows, in the same order
};

// The items of the rows of one side (rows of the other side are passed over, not left out).
// `changed` is the time stamp every item carries ("yyyy-mm-dd hh:mm:ss", UTC). Each item's
// identity ("{...}" in capitals) follows from the row and its place, so exporting the same
// record again gives the same file.
JTGppExport BuildGppRegistryXml(const std::vector<const JTRecord*>& rows, bool oldValues, JTGppSide side,
                                const std::string& changed);

// The time a file was last written, as items carry it (the present time when it cannot be
// read).
std::string GppStampOf(const std::string& path);

} // namespace kelt
