#pragma once
// Group Policy Preferences registry items (the Registry.xml of a GPO's registry preferences)
// that set what replaying record rows in one direction sets, so an administrator can push a
// run to a whole fleet. One item per row: action Update with the value, or Delete where the
// replay deletes the value; hive, key, name and type as the row has them.
#include <functional>
#include <string>
#include <vector>

namespace kelt {

struct JTRecord;

struct JTGppExport {
    std::string xml;                   // the whole file, UTF-8, CR LF line ends
    int rowCount = 0;                  // items written into it
    std::vector<std::string> leftOut;  // "description: reason" of rows that cannot be stated
};

// `changed` is the time stamp every item carries ("yyyy-mm-dd hh:mm:ss", UTC); `newUid` makes
// each item's identity ("{...}" in capitals).
JTGppExport BuildGppRegistryXml(const std::vector<const JTRecord*>& rows, bool oldValues, const std::string& changed,
                                const std::function<std::string()>& newUid);

// The present time as items carry it, and a new item identity.
std::string GppNowStamp();
std::string NewGppUid();

} // namespace kelt
