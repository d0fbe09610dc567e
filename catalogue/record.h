#pragma once
// One entry of a record file: where a value lives, what it held before a change and what was
// written. Values are in the item text form (strings unchanged, DWORDs in signed decimal,
// binary data as raw bytes).
#include <string>

namespace kelt {

struct JTRecord {
    std::string sDescribe;
    int iRegRoot = 0;
    int iRegType = 0;
    std::string sSubKey;
    std::string sDataName;
    std::string sOldVal;
    std::string sNewVal;
    std::string sDefaultVal;
    bool bAutoCreate = false;
};

} // namespace kelt
