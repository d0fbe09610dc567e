#pragma once
// Registry files ("Windows Registry Editor Version 5.00", as regedit imports them) that set
// what replaying record rows in one direction sets, for use on other machines.
//
// The file states each value itself: a row is written as its value, or as a deletion where
// the replay would delete it (the value may be created and the target is its default). The
// conditions the replay checks on this machine (a key that must exist, a value that may not
// be created) do not travel with the file; its header comment names the rows that have them.
#include <string>
#include <vector>

namespace kelt {

struct JTRecord;

struct JTRegExport {
    std::wstring text;                 // the whole file, CR LF line ends
    int rowCount = 0;                  // rows written into it
    std::vector<std::string> leftOut;  // "description: reason" of rows that cannot be stated
};

JTRegExport BuildRegExport(const std::vector<const JTRecord*>& rows, bool oldValues);

// The file bytes: UTF-16LE with a byte-order mark.
std::string RegFileBytes(const std::wstring& text);

} // namespace kelt
